// The platform services of the core on Windows: text and presentation of the
// Canvas, the one-message pump, the open-file dialog, folders and the error box.
#include <windows.h>

#include <cstdio>

#include "recovery/run_recording.h"
#include "app/windows/window_shell.h"
#include "input/sample_stream.h"
#include "output/output_files.h"
#include "view/canvas.h"
#include "view/platform.h"

const char* const text_file_not_found = "\xD4\xE0\xE9\xEB \xED\xE5 \xED\xE0\xE9\xE4\xE5\xED!";  // Windows-1251
const char* const text_no_memory = "Not enought memory!\n";  // the program's text, as it always was

int windows_text_out(int x, int row, const char* text, std::uint32_t colour) {
    SetTextColor(shell.memory_dc, colour);
    const int length = lstrlenA(text);
    TextOutA(shell.memory_dc, x, row, text, length);
    GdiFlush();  // the Canvas writes the same pixels directly next
    SIZE size{};
    GetTextExtentPoint32A(shell.memory_dc, text, length, &size);
    return size.cx;
}

void windows_text_centred_left(const char* text, std::uint32_t colour) {
    SetTextColor(shell.memory_dc, colour);
    RECT all{0, 0, canvas.W, canvas.H};
    DrawTextA(shell.memory_dc, text, -1, &all, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    GdiFlush();
}

void windows_present() {
    if (!shell.shown) {
        // The first picture is what the window shows when it first appears.
        shell.shown = true;
        ShowWindow(shell.main_window, shell.show_command);
        UpdateWindow(shell.main_window);
        return;
    }
    // The Canvas is painted one column to the right: the area to repaint is
    // shifted with it, or its last column would never be repainted.
    RECT all{1, 0, canvas.W + 1, canvas.H};
    InvalidateRect(shell.main_window, &all, FALSE);
    UpdateWindow(shell.main_window);
}

bool windows_pump_one_message() {
    if (!PeekMessageA(&shell.message, nullptr, 0, 0, PM_NOREMOVE)) return false;
    // The user closed the window: the run stops, keeping every block recovered so far whole.
    if (GetMessageA(&shell.message, nullptr, 0, 0) == 0) return true;
    TranslateMessage(&shell.message);
    DispatchMessageA(&shell.message);
    return false;
}

void windows_choose_recording(char* path) {
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = shell.main_window;
    dialog.lpstrFilter = "Wave\0*.WAV\0All\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = path_size;
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;  // 0x1804
    // A cancelled dialog leaves the path empty, which the opening reports.
    if (!GetOpenFileNameA(&dialog)) return;
    // The output folder goes next to the recording: make its folder current
    // ourselves, since not every dialog does so when a full path is typed.
    char folder[path_size];
    lstrcpynA(folder, path, path_size);
    char* last = nullptr;
    for (char* c = folder; *c != '\0'; ++c) {
        if (*c == '\\') last = c;
    }
    if (last != nullptr) {
        last[last == folder + 2 && folder[1] == ':' ? 1 : 0] = '\0';  // keep the root's backslash: "C:\"
        SetCurrentDirectoryA(folder);
    }
}


namespace {
bool current_directory(char* path, std::size_t size) {
    const DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(size), path);
    return n > 0 && n < size;
}
}  // namespace

// The output folder goes into the current directory, which the open-file
// dialog left at the recording's folder, and becomes current itself.
const char* windows_enter_output_folder(const char* chosen_path, char folder[], int& handle) {
    handle = -1;  // its files are opened in the current directory
    char current[path_size];
    if (!current_directory(current, sizeof current)) return text_path_too_long;
    if (const char* error = derive_output_folder(current, chosen_path, '\\', folder)) return error;
    CreateDirectoryA(folder, nullptr);  // an existing folder is reused
    return SetCurrentDirectoryA(folder) != 0 ? nullptr : text_no_folder;
}


void windows_show_error(const char* text) { MessageBoxA(nullptr, text, "System Error!", MB_ICONERROR | MB_OK); }

void fatal_error(const char* text) {
    windows_show_error(text);
    ExitProcess(exit_not_run);
}
