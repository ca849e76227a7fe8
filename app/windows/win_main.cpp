// The Windows program: one window, the open-file dialog, and the run.
#include <windows.h>

#include "common/build_profile.h"
#include "app/run_driver.h"
#include "app/windows/window_shell.h"
#include "output/output_problems.h"
#include "view/canvas.h"
#include "view/platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
    shell.instance = instance;
    shell.show_command = show_command;
    register_main_class();
    create_main_window();
    if (!create_canvas_bitmap(build_profile.canvas_width, build_profile.canvas_height)) {
        fatal_error(text_no_memory);
    }
    RunSettings settings;
    settings.platform = {windows_text_out, windows_text_centred_left, windows_present, windows_pump_one_message};
    platform_hooks = settings.platform;  // the start-up picture comes before the run
    canvas_startup();
    SetWindowTextA(shell.main_window, build_profile.window_title);

    const int status = run_recording(settings);
    if (output_problems.output_lost) MessageBoxA(shell.main_window, output_problems.output_problem_text, build_profile.window_title, MB_ICONWARNING | MB_OK);
    return status == exit_blocks_bad ? exit_ok : status;
}
