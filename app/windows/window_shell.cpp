#include "app/windows/window_shell.h"

#include "common/build_profile.h"
#include "view/canvas.h"

WindowShell shell;

namespace {
constexpr int string_title = 103, string_class = 109;
constexpr int icon_large = 107, icon_small = 108, main_menu = 109, about_dialog = 103;
constexpr int command_about = 104, command_exit = 105;

INT_PTR CALLBACK about_procedure(HWND dialog, UINT message, WPARAM w, LPARAM) {
    if (message == WM_INITDIALOG) return 1;
    if (message == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(w));
        return 1;
    }
    return 0;
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (shell.memory_dc != nullptr) BitBlt(dc, 1, 0, canvas.W, canvas.H, shell.memory_dc, 0, 0, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(w) == command_about) {
            DialogBoxParamA(shell.instance, MAKEINTRESOURCEA(about_dialog), window, about_procedure, 0);
            return 0;
        }
        if (LOWORD(w) == command_exit) {
            DestroyWindow(window);
            return 0;
        }
        break;
    }
    return DefWindowProcA(window, message, w, l);
}
}  // namespace

void register_main_class() {
    LoadStringA(shell.instance, string_title, shell.title, sizeof shell.title);
    LoadStringA(shell.instance, string_class, shell.class_name, sizeof shell.class_name);
    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    c.style = CS_HREDRAW | CS_VREDRAW;
    c.lpfnWndProc = window_procedure;
    c.hInstance = shell.instance;
    c.hIcon = LoadIconA(shell.instance, MAKEINTRESOURCEA(icon_large));
    c.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    c.lpszMenuName = MAKEINTRESOURCEA(main_menu);
    c.lpszClassName = shell.class_name;
    c.hIconSm = LoadIconA(shell.instance, MAKEINTRESOURCEA(icon_small));
    RegisterClassExA(&c);
}

void create_main_window() {
    shell.main_window = CreateWindowExA(0, shell.class_name, shell.title, WS_OVERLAPPEDWINDOW, 130, 4,
                                        build_profile.window_width, build_profile.window_height, nullptr, nullptr,
                                        shell.instance, nullptr);
}

bool create_canvas_bitmap(int W, int H) {
    HDC window_dc = GetDC(shell.main_window);
    shell.memory_dc = CreateCompatibleDC(window_dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;  // 40 bytes
    info.bmiHeader.biWidth = W;
    info.bmiHeader.biHeight = H;  // positive: bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    shell.canvas_bitmap = CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(shell.main_window, window_dc);
    if (shell.memory_dc == nullptr || shell.canvas_bitmap == nullptr || bits == nullptr) return false;
    SelectObject(shell.memory_dc, shell.canvas_bitmap);
    canvas_attach(static_cast<std::uint32_t*>(bits), W, H);
    return true;
}
