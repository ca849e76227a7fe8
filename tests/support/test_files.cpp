#include "support/test_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
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

std::vector<std::string> list_outputs(const std::string& path) {
    std::vector<std::string> names = list_folder(path);
    const auto report = [](const std::string& n) { return n.size() > 5 && n.compare(n.size() - 5, 5, ".json") == 0; };
    names.erase(std::remove_if(names.begin(), names.end(), report), names.end());
    return names;
}

bool exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}


CliResult run_cli(const std::vector<std::string>& args, const std::string& cwd, const char* input) {
    // VELLIQOR_TEST_CLI runs the tests against another build, e.g. to see a new test fail on the old program.
    const char* other = std::getenv("VELLIQOR_TEST_CLI");
    return run_program(other != nullptr ? other : VELLIQOR_CLI, args, cwd, input);
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

namespace {
// The child's side of start_program: standard output into `out_fd` when it is
// not negative, else into the file `out`.
pid_t start_child(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                  int out_fd_given, const std::string& out, const std::string& err, const char* display,
                  const char* input) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (chdir(cwd.c_str()) != 0) _exit(127);
    const int in_fd = open(input != nullptr ? input : "/dev/null", O_RDONLY);
    if (in_fd < 0) _exit(127);
    dup2(in_fd, STDIN_FILENO);
    std::signal(SIGPIPE, SIG_DFL);  // as a shell starts it, whatever the test process does
    const int out_fd = out_fd_given >= 0 ? out_fd_given : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
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
}  // namespace

pid_t start_program(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                    const std::string& out, const std::string& err, const char* display, const char* input) {
    return start_child(program, args, cwd, -1, out, err, display, input);
}

pid_t start_program_piped(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                          int& out_fd, const std::string& err) {
    int fds[2];
    out_fd = -1;
    if (pipe(fds) != 0) return -1;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);  // the child must not hold its own reading end open
    const pid_t pid = start_child(program, args, cwd, fds[1], "", err, nullptr, nullptr);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return -1;
    }
    out_fd = fds[0];
    return pid;
}

namespace {
// One read of what `fd` has, waiting at most until `deadline`: 1 when bytes
// came, 0 when the writer has closed its end, -1 when the time ran out.
int read_some(int fd, std::chrono::steady_clock::time_point deadline, std::string& got) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return -1;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return 0;
        if (ready == 0) return -1;
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;
        got.append(buffer, static_cast<std::size_t>(n));
        return 1;
    }
}

std::chrono::steady_clock::time_point after(double seconds) {
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
}
}  // namespace

bool read_until(int fd, const std::string& text, double seconds, std::string& got) {
    const auto deadline = after(seconds);
    while (got.find(text) == std::string::npos) {
        if (read_some(fd, deadline, got) != 1) return false;
    }
    return true;
}

bool read_to_end(int fd, double seconds, std::string& got) {
    const auto deadline = after(seconds);
    for (;;) {
        const int r = read_some(fd, deadline, got);
        if (r != 1) return r == 0;
    }
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
