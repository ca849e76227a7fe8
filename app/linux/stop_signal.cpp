#include "app/linux/stop_signal.h"

#include <csignal>

namespace {
volatile std::sig_atomic_t requested = 0;  // 1 once a stop was asked for
volatile std::sig_atomic_t signal_number = 0;

void on_stop_signal(int number) {
    requested = 1;
    signal_number = number;
}
}  // namespace

void install_stop_handlers() {
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A batch starts its runs with these blocked (see batch.cpp): a stop that
    // came before now is taken here, as a stop, not as the end of the process.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigprocmask(SIG_UNBLOCK, &stops, nullptr);
}

bool stop_requested() { return requested != 0; }

void request_stop() { requested = 1; }

int stop_signal_number() { return signal_number; }
