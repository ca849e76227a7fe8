// The command line: `velliqor RECORDING...`.
#include "app/linux/cli_options.h"

int main(int argc, char** argv) {
    CliOptions options;
    const int parsed = parse_cli_options(argc, argv, options);
    if (parsed >= 0) return parsed;
    if (options.recordings.size() == 1) return run_one(options, options.recordings.front());
    return run_batch(options, argv[0]);
}
