// The command line: `velliqor RECORDING...`.
#include <csignal>

#include "app/linux/child_run.h"
#include "app/linux/cli_options.h"

int main(int argc, char** argv) {
    // A reader that goes away (`velliqor tape.wav | head`) must not end the
    // recovery: writes to it fail instead, and the log echo stops.
    std::signal(SIGPIPE, SIG_IGN);
    // Likewise a file-size limit: the write that meets it fails and is
    // reported like any failed write, instead of the process dying unheard.
    std::signal(SIGXFSZ, SIG_IGN);
    CliOptions options;
#ifdef VELLIQOR_MAIN_COMMAND
    options.one_pass = false;  // the main command leaves noise out; the profile commands read as the reference does
#endif
    const int parsed = parse_cli_options(argc, argv, options);
    if (parsed >= 0) return parsed;
    take_child_run(options);
    if (options.merge) return run_merge(options);
    if (options.recordings.size() == 1) return run_one(options, options.recordings.front());
    return run_batch(options);
}
