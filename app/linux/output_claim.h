// Output folders on the command line. Each recording gets a folder of its
// own: "NAME" next to it (or under --out), and when NAME already holds the
// output of another recording, "NAME-2", "NAME-3", ... A hidden file in the
// folder, ".velliqor-recording", names the recording that owns it (its real
// path, and a line on its contents: size and a digest of its start), so that a
// second run of the same recording reuses its folder and appends to its log,
// while a different recording of the same name, or the same file recorded
// over, never mixes its files in. An owner file of an older version (the path
// alone) is the recording's, and gains the contents line. A folder without
// that file (made by an older version or by hand) is taken over by the first
// recording that comes to it. A lock on the folder keeps two runs of the same
// recording from writing into it at once.
#pragma once

#include <set>
#include <string>

constexpr const char* owner_file_name = ".velliqor-recording";
constexpr int max_output_slots = 1000;  // NAME ... NAME-1000; more of one name is refused

struct OutputClaim {
    // Handed down by the command line before the run (see single_run.cpp):
    int first_slot = 1;              // first candidate: 1 "NAME", 2 "NAME-2", ... (a batch assigns it)
    bool fresh = false;              // never reuse a folder (standard input is a new recording every time)
    int parent_fd = -1;              // the folder that gets the output folder, open; -1: none handed down
    std::string parent;              // its path as named (resolved by the claim)
    std::string base;                // the output folder's first name
    std::string owner;               // the recording's identity written in the owner file
    // Set by the claim:
    std::string folder;              // the folder claimed, absolute
    int slot = 0;                    // its slot
    int folder_fd = -1;              // the claimed folder, open and locked until the process ends; its files are opened in it
};

// The claim of this thread's run: one a thread, as the takes of a merge run on threads of their own.
OutputClaim& output_claim();

// Who owns a recording's output: its real path and, for a regular file, a
// line on its contents; "-" for standard input.
std::string recording_owner(const std::string& path, bool standard_input);

// The candidate folder name of a slot: "NAME" or "NAME-k".
std::string slot_name(const std::string& base, int slot);

// The slot a recording would claim under `parent`, starting at `first`,
// without changing anything on disk. `taken` holds candidate folder paths
// already given to other recordings of the same batch. 0 when none is free.
int find_output_slot(const std::string& parent, const std::string& base, const std::string& owner, bool fresh,
                     int first, const std::set<std::string>& taken);

// Opens `parent` as the folder to claim an output folder in, as far as its
// path can be searched; -1 with errno set when it cannot.
int open_output_parent(const std::string& parent);

// Claims, in the folder open as `parent_fd` whose path is `parent`, the output
// folder `base` (its slot output_claim().first_slot, or a later one) for
// `owner`, any text of one or more lines that identifies what writes there,
// and keeps it locked. Returns the folder claimed open as a directory (also
// output_claim().folder_fd, with its path in output_claim().folder); -1 with
// `error` the message to show when none can be had.
int claim_output_folder(int parent_fd, const std::string& parent, const std::string& base, const std::string& owner,
                        const char*& error);

// The run driver's hook: claims the output folder of the recording at
// `chosen_path` (under the parent handed down in output_claim(), or its own),
// writes its path into `folder` and gives it open in `handle`. Null on
// success, or the text of the error that stops the run.
const char* enter_output_folder(const char* chosen_path, char folder[], int& handle);
