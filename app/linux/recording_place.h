// Where a recording named on the command line comes from and where its output
// folder goes, checked before anything is opened or made.
#pragma once

#include <string>

struct RecordingPlace {
    std::string path;         // absolute; for standard input a stand-in "PARENT/stdin.raw" that names the folder
    std::string parent;       // the folder that gets the output folder: the recording's, or --out
    std::string base;         // the output folder's first name: the recording's name without its extension
    std::string owner;        // who owns that folder (see output_claim.h)
    bool standard_input = false;  // "-"
    bool stream = false;          // standard input or a named pipe: read once, in order
    bool regular = false;         // a regular file, whose length is known
};

// Fills `place` for `recording` ("-" for standard input) with output under
// `out` (empty: next to the recording). False with `error` saying why when it
// is not a recording that can be read (a folder, a device, a terminal) or its
// name gives no output folder; a missing file is left for the opening to report.
bool place_recording(const std::string& recording, const std::string& out, RecordingPlace& place, std::string& error);

// The folder among those `place`'s output may go into (NAME, NAME-2, ... under
// its parent, whatever links lead there) that holds `path` or is it; empty
// when none does.
std::string output_folder_holding(const RecordingPlace& place, const std::string& path);
