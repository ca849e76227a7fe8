// One recovery of one recording, from the samples to the files: the run
// driver. It allocates the two large buffers, opens the recording, has the
// platform claim the output folder, opens the log, runs the block loop until
// the recording is used up and shuts down in a fixed order. It never ends the
// process: how the run went comes back as a RunResult. What it needs of a
// platform (the recording, the folder, the files, the error box, the window)
// comes in RunSettings.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "common/build_profile.h"
#include "common/run.h"
#include "output/block.h"
#include "output/output_files.h"
#include "view/platform.h"

constexpr int path_size = 1024;  // characters of the chosen path and of the output folder path

// Exit statuses, so that a script can tell how a run went.
constexpr int exit_ok = 0;               // finished, every reported block passed its checksum
constexpr int exit_not_run = 1;          // could not start (fatal error, no memory) or was stopped
constexpr int exit_blocks_bad = 2;       // finished, but a block failed its checksum or none was found
constexpr int exit_output_lost = 3;      // finished, but output was lost or the recording was not read to its end

// Texts of the errors that stop the start-up, shared by every platform.
constexpr const char* text_no_extension = "Filename must have extension!";
constexpr const char* text_no_log = "Can't create Log File!";
constexpr const char* text_path_too_long = "Path is too long!";
constexpr const char* text_no_folder = "Can't create output folder!";
constexpr const char* text_no_folder_name = "Filename must have a name before its extension!";

// What the front end tells the core about one run: the one seam between them.
struct RunSettings {
    bool drawing = true;   // draw the live view on the Canvas; off when nobody will see a picture
    bool echo = false;     // show every text written to the log on standard output too
    int screen_width = build_profile.canvas_width;  // columns of a screen of the live view, drawn or not
    // How the live view is shown, its text drawn and the window served. A
    // pump that returns true stops the run at that end of screen.
    PlatformHooks platform;

    // The recording: the path the front end chose, or one that choose_recording
    // fills in (the Windows program's open-file dialog; a cancel leaves it empty).
    std::string recording;
    std::function<void(char* path)> choose_recording;
    // Opens the chosen recording for reading its bytes in order: the file itself,
    // or a stream of converted samples. Null with `error` set when it cannot
    // (empty: the platform's text for a missing file).
    std::function<std::FILE*(const char* path, std::string& error)> open_recording;
    // Creates the output folder of the recording at `chosen_path` (an existing one
    // is reused, or the platform chooses another) and writes its path into
    // `folder` (path_size characters). `handle` gets the folder as create_output
    // is handed it. Returns null on success, or the text of the error that stops the run.
    std::function<const char*(const char* chosen_path, char folder[], int& handle)> enter_output_folder;
    // The log and the TAP files, opened in the folder the platform claimed.
    std::function<std::FILE*(int folder, const char* name, bool append)> create_output = open_output_file;
    // Shows the error that stops the run before it began (the error box, a line
    // on standard error). It returns; run_recording then ends the run.
    std::function<void(const char* text)> fatal_error;
    const char* text_file_not_found = "No such file or directory";
    const char* text_no_memory = "Not enough memory!\n";  // written to standard output, as it always was

    std::function<void(const Block&)> block_sink;  // told of every reported block (the TZX), fragments too
    // The TZX file the front end writes of the blocks beside the TAP files;
    // empty when none: a block too long for a TAP record is said to be kept there.
    std::string tzx_name;
    // A failing block shorter than fragment_bytes is noise: logged as a
    // fragment, left out of the TAP files and of the counts.
    bool leave_out_fragments = false;
    // A block that fails its checksum is read again by zero crossings, and
    // replaced when two such readings agree and pass (the log says so).
    bool second_chances = false;
    // Keep every reported block, with what the decoder knew of each bit, in the result.
    bool keep_blocks = false;
    // Absolute index of the recording's first sample: 0, except in tests that
    // start near the end of the positions' range without writing gigabytes.
    std::int64_t first_sample_index = 0;
};

// How a run went.
struct RunResult {
    int status = exit_not_run;
    bool started = false;           // the recording was opened and the log created
    bool stopped = false;           // the pump stopped it; the blocks reported so far are kept
    std::string chosen_path;        // the recording, as chosen
    std::string output_folder;      // the output folder the platform claimed for it
    std::int32_t blocks_reported = 0;
    std::int32_t checksum_errors = 0;
    std::int32_t repaired_bits = 0;   // Rest0 + Float0 over the reported blocks
    std::int32_t fragments = 0;       // noise left out (leave_out_fragments)
    std::int32_t second_chances = 0;  // blocks a second reading gave
    bool output_lost = false;       // a file of the output could not be created or written
    std::string output_problems;    // the problems told, one a line (the first few)
    bool read_error = false;        // reading the recording failed before its end
    bool too_long = false;          // the recording goes on past the last nameable position
    std::int32_t recording_end = 0; // absolute index one past the last sample read
    std::vector<Block> blocks;      // every reported block, when the settings asked to keep them
};

// Runs the whole job on one recording; the Canvas must exist when the run
// draws. Every record of `run` starts from its start values.
RunResult run_recording(Run& run, const RunSettings& settings);

// Closes the log and the open TAP file, reporting failed writes.
void close_outputs(Run& run);

// Derives the output folder: current_dir followed by the chosen path's last
// separator and file name without its last extension. Returns null on
// success, or the error text. A name that is empty or only dots ("..wav")
// would name the current directory or its parent: it is refused.
const char* derive_output_folder(const char* current_dir, const char* chosen_path, char separator,
                                 char folder[path_size]);
