// The Windows program's window: class, main window, its procedure, the About
// box and the memory bitmap the Canvas draws into.
#pragma once

#include <windows.h>

#include <cstdint>

struct WindowShell {
    HINSTANCE instance = nullptr;
    HWND main_window = nullptr;
    int show_command = SW_SHOWNORMAL;  // for the window's first ShowWindow
    bool shown = false;                // the first presentation shows the window
    HDC memory_dc = nullptr;           // holds the Canvas bitmap for the whole run
    HBITMAP canvas_bitmap = nullptr;
    char title[100] = "";              // string 103
    char class_name[100] = "";         // string 109
    MSG message{};                     // filled by windows_pump_one_message
};

extern WindowShell shell;

void register_main_class();
void create_main_window();
// The Canvas' hooks on Windows (see view/platform.h): GDI text in the memory
// context, a repaint of the window, and one message taken from the queue.
int windows_text_out(int x, int row, const char* text, std::uint32_t colour);
void windows_text_centred_left(const char* text, std::uint32_t colour);
void windows_present();
bool windows_pump_one_message();  // true: the user closed the window, the run stops

// The platform services of the run driver on Windows (see RunSettings).
void windows_choose_recording(char* path);
const char* windows_enter_output_folder(const char* chosen_path, char folder[], int& handle);
void windows_show_error(const char* text);            // the error box
[[noreturn]] void fatal_error(const char* text);      // the error box, then the end of the process
extern const char* const text_file_not_found;         // "Файл не найден!" in Windows-1251
extern const char* const text_no_memory;              // "Not enought memory!\n", as it always was

// Creates the 32-bit bottom-up bitmap of W x H in a memory context and lets the Canvas draw into it.
bool create_canvas_bitmap(int W, int H);
