// The Windows program: one window, the open-file dialog, and the run.
#include <windows.h>

#include "common/build_profile.h"
#include "recovery/run_recording.h"
#include "app/windows/window_shell.h"
#include "view/canvas.h"
#include "common/run.h"
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
    settings.choose_recording = windows_choose_recording;
    settings.enter_output_folder = windows_enter_output_folder;
    settings.fatal_error = windows_show_error;
    settings.text_file_not_found = text_file_not_found;
    settings.text_no_memory = text_no_memory;
    canvas_startup(settings.platform, settings.drawing);  // the start-up picture comes before the run
    SetWindowTextA(shell.main_window, build_profile.window_title);

    Run run;
    const RunResult result = run_recording(run, settings);
    if (result.stopped) {
        DestroyWindow(shell.main_window);
        return exit_not_run;
    }
    if (!result.started) return exit_not_run;
    if (result.output_lost) MessageBoxA(shell.main_window, result.output_problems.c_str(), build_profile.window_title, MB_ICONWARNING | MB_OK);
    return result.status == exit_blocks_bad ? exit_ok : result.status;
}
