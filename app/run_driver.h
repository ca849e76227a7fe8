// The run driver owns one recovery run: it allocates the two large buffers,
// opens the recording, has the platform claim the output folder, opens the log,
// sets every start value, runs the block loop until the recording is used up
// and shuts down in a fixed order. The front end (the Windows shell or the
// command line) creates the Canvas before and chooses the recording.
#pragma once

#include <cstdint>
#include <cstdio>

#include "app/platform_files.h"
#include "output/block_report.h"
#include "view/platform.h"

constexpr int path_size = 1024;  // characters of the chosen path and of the output folder path

// Exit statuses, so that a script can tell how a run went.
constexpr int exit_ok = 0;               // finished, every reported block passed its checksum
constexpr int exit_not_run = 1;          // could not start (fatal error, no memory) or was stopped
constexpr int exit_blocks_bad = 2;       // finished, but a block failed its checksum or none was found
constexpr int exit_output_lost = 3;      // finished, but output was lost or the recording was not read to its end

struct RecoveryRun {
    char chosen_path[path_size] = "";     // the recording, as the front end chose it
    char output_folder[path_size] = "";   // the output folder the platform claimed for it
};

extern RecoveryRun recovery_run;

// Texts of the three errors that stop the start-up, and of the memory failure.
// The platform's own: the Windows program's, and the command line's in English.
extern const char* const text_file_not_found;   // Windows: "Файл не найден!" in Windows-1251
extern const char* const text_no_memory;        // Windows: "Not enought memory!\n", as it always was
constexpr const char* text_no_extension = "Filename must have extension!";
constexpr const char* text_no_log = "Can't create Log File!";
constexpr const char* text_path_too_long = "Path is too long!";
constexpr const char* text_no_folder = "Can't create output folder!";
constexpr const char* text_no_folder_name = "Filename must have a name before its extension!";

// Shows the error (platform) and ends the process with exit_not_run.
[[noreturn]] void fatal_error(const char* text);

// What the front end tells the core about one run: the one seam between them.
struct RunSettings {
    bool drawing = true;   // draw the live view; off when nobody will see a picture
    bool echo = false;     // show every text written to the log on standard output too
    // How the live view is shown and its text drawn. A front end that draws
    // before the run (canvas_startup) installs the same hooks before that.
    PlatformHooks platform;
    // The log and the TAP files, opened in the folder the platform claimed.
    std::FILE* (*create_output)(int folder, const char* name, bool append) = platform_create_output;
    void (*block_sink)(const Block&) = nullptr;  // told of every reported block (the merge of takes, the TZX)
    // Absolute index of the recording's first sample: 0, except in tests that
    // start near the end of the positions' range without writing gigabytes.
    std::int64_t first_sample_index = 0;
};

// Runs the whole job on recovery_run.chosen_path; the Canvas must exist.
// Every record of the core starts from its start values. Returns the exit
// status. Fatal start-up errors do not return.
int run_recording(const RunSettings& settings);

// Closes the log and the open TAP file, reporting failed writes. Called by the
// shut-down and by a front end that ends the process early.
void close_outputs();
// Ends a run early (the user quits): closes the recording and the outputs.
void stop_run();

// Derives the output folder: current_dir followed by the chosen path's last
// separator and file name without its last extension. Returns null on
// success, or the error text. A name that is empty or only dots ("..wav")
// would name the current directory or its parent: it is refused.
const char* derive_output_folder(const char* current_dir, const char* chosen_path, char separator,
                                 char folder[path_size]);

// Puts every record of the core back to its start values (run_recording does
// it first; tests that drive parts of the core alone call it too).
void reset_program_state();
