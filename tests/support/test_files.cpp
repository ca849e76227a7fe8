#include "support/test_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

TempDir make_temp_dir() {
    char pattern[] = "/tmp/velliqor-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    return {made != nullptr ? made : ""};
}

void remove_temp_dir(const TempDir& dir) {
    if (dir.path.rfind("/tmp/velliqor-test-", 0) != 0) return;
    const std::string command = "chmod -R u+rwx '" + dir.path + "' && rm -rf '" + dir.path + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", dir.path.c_str());
}

std::vector<std::uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> samples_as_bytes(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(samples.size() * 2);
    for (std::int16_t s : samples) {
        bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
    }
    return bytes;
}

std::vector<std::string> list_folder(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* d = opendir(path.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != ".." && name != ".velliqor-recording") names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}


CliResult run_cli(const std::vector<std::string>& args, const std::string& cwd, const char* input) {
    return run_program(VELLIQOR_CLI, args, cwd, input);
}

int wait_at_most(pid_t pid, double seconds) {
    for (int k = 0; k < static_cast<int>(seconds * 100); ++k) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

pid_t start_program(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                    const std::string& out, const std::string& err, const char* display, const char* input) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (chdir(cwd.c_str()) != 0) _exit(127);
    const int in_fd = open(input != nullptr ? input : "/dev/null", O_RDONLY);
    if (in_fd < 0) _exit(127);
    dup2(in_fd, STDIN_FILENO);
    std::signal(SIGPIPE, SIG_DFL);  // as a shell starts it, whatever the test process does
    const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out_fd < 0 || err_fd < 0) _exit(127);
    dup2(out_fd, STDOUT_FILENO);
    dup2(err_fd, STDERR_FILENO);
    unsetenv("WAYLAND_DISPLAY");
    if (display != nullptr) {
        setenv("DISPLAY", display, 1);
    } else {
        unsetenv("DISPLAY");
    }
    std::vector<std::string> copies{program};
    copies.insert(copies.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

CliResult run_program(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                      const char* input) {
    CliResult result;
    char out_name[] = "/tmp/velliqor-out-XXXXXX";
    char err_name[] = "/tmp/velliqor-err-XXXXXX";
    close(mkstemp(out_name));
    close(mkstemp(err_name));
    int wait_status = 0;
    waitpid(start_program(program, args, cwd, out_name, err_name, nullptr, input), &wait_status, 0);
    if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
    const std::vector<std::uint8_t> out = read_bytes(out_name), err = read_bytes(err_name);
    result.out.assign(out.begin(), out.end());
    result.err.assign(err.begin(), err.end());
    unlink(out_name);
    unlink(err_name);
    return result;
}
