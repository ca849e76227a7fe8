// Temporary folders, files and runs of the command line for tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it.
struct TempDir {
    std::string path;
};
TempDir make_temp_dir();
void remove_temp_dir(const TempDir& dir);

std::vector<std::uint8_t> read_bytes(const std::string& path);
void write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> samples_as_bytes(const std::vector<std::int16_t>& samples);
// Names, sorted; without the hidden file that names an output folder's recording.
std::vector<std::string> list_folder(const std::string& path);
// The same without the run's report (NAME.json), which names its recording:
// what two runs of the same samples under other names write alike.
std::vector<std::string> list_outputs(const std::string& path);
bool exists(const std::string& path);

struct CliResult {
    int status = -1;       // exit status, or -1 when the program did not exit normally
    std::string out, err;  // what it wrote on standard output and standard error
};
// A test in a fresh temporary folder of its own, removed afterwards.
class FolderTest : public ::testing::Test {
protected:
    void SetUp() override { dir = make_temp_dir(); }
    void TearDown() override { remove_temp_dir(dir); }
    std::string at(const std::string& name) const { return dir.path + "/" + name; }
    std::vector<std::uint8_t> bytes_of(const std::string& name) const { return read_bytes(at(name)); }
    std::string text_of(const std::string& name) const {
        const std::vector<std::uint8_t> bytes = read_bytes(at(name));
        return std::string(bytes.begin(), bytes.end());
    }
    TempDir dir;
};

// Runs the velliqor executable with the arguments in the folder `cwd`;
// standard input is the file `input` (cwd-relative), or empty.
CliResult run_cli(const std::vector<std::string>& args, const std::string& cwd, const char* input = nullptr);
// The same with another executable (a build profile's).
CliResult run_program(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                      const char* input = nullptr);

// Starts the program in the background in the folder `cwd`, its standard
// output and error going to the files `out` and `err` there. It gets no
// display (a window would wait for a user) unless `display` names one.
// Standard input is the file `input` (cwd-relative), or empty.
pid_t start_program(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                    const std::string& out, const std::string& err, const char* display = nullptr,
                    const char* input = nullptr);

// Starts the program without a display, its standard output going into a
// pipe whose reading end is returned in `out_fd` (the caller closes it) and
// its standard error to the file `err` in `cwd`. Returns -1 when it cannot start.
pid_t start_program_piped(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                          int& out_fd, const std::string& err);
// Reads from `fd`, appending to `got`, until `text` appears in `got`. False
// when the writer closes its end or `seconds` pass first.
bool read_until(int fd, const std::string& text, double seconds, std::string& got);
// Reads from `fd`, appending to `got`, until the writer closes its end (true)
// or `seconds` pass (false).
bool read_to_end(int fd, double seconds, std::string& got);

// Waits for the process at most `seconds`; kills it when it is still running
// then. The exit status, or -1 when it had to be killed or did not exit normally.
int wait_at_most(pid_t pid, double seconds);
