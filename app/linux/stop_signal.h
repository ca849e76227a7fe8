// Ctrl+C and SIGTERM on the command line: the handlers only note the request;
// every loop and wait of a run (the block loop's ends of screen, the pace,
// the held window, the About box) looks at it and ends the run cleanly, with
// the log and the open TAP file closed whole.
#pragma once

// Installs the handlers for SIGINT and SIGTERM (without SA_RESTART, so that a
// blocking read or wait returns early).
void install_stop_handlers();
// True once a stop was asked for: a signal, or request_stop().
bool stop_requested();
// Asks for a stop from inside the program (the window's Escape or close).
void request_stop();
// The signal that asked for the stop (SIGINT or SIGTERM), or 0.
int stop_signal_number();
