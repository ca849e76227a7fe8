#include "support/in_process_run.h"

#include "app/linux/files_linux.h"
#include "app/linux/output_claim.h"
#include "view/canvas.h"

RunResult run_in_process(::Run& run, const std::string& recording, RunSettings settings) {
    settings.recording = recording;
    settings.enter_output_folder = enter_output_folder;
    settings.create_output = open_in_output_folder;
    if (canvas.W > 0) settings.screen_width = canvas.W;
    canvas_startup(settings.platform, settings.drawing);  // as the front ends do
    return run_recording(run, settings);
}
