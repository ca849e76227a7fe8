#include "app/linux/live_window.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/linux/stop_signal.h"
#include "app/linux/text_render.h"
#include "common/build_profile.h"
#include "view/canvas.h"

namespace {
using Clock = std::chrono::steady_clock;

constexpr int status_rows = 20;              // the summary line under the picture
constexpr Uint64 present_interval_ms = 16;   // at most about 60 pictures a second
// The longest any wait goes without looking for a stop signal: SDL's waits
// are not cut short by a signal.
constexpr int wait_step_ms = 50;

constexpr int about_margin = 14;             // around the About panel's text
constexpr int about_line = 20;               // rows from one text line to the next
constexpr int text_cell_rows = 16;           // a line of render_text
constexpr std::uint32_t about_paper = 0x00FFFFFF, about_ink = 0x00000000, about_edge = 0x00404040;
const char* const about_hint = "Enter, Escape or a click closes this";

struct LiveWindow {
    bool video_started = false;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* picture = nullptr;          // the Canvas, bottom row first
    SDL_Texture* status = nullptr;           // the summary line
    SDL_Texture* about = nullptr;            // the About panel, made when first asked for
    SDL_Rect about_place{};
    bool about_shown = false;
    Uint64 last_present = 0;
};
LiveWindow live;

// SDL falls back to drivers that show nothing (offscreen, KMSDRM, dummy) when
// the display cannot be reached; a held window there would wait for a close
// that cannot come. Only the named driver will do.
bool start_video(const char* driver) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver, SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    const char* current = SDL_GetCurrentVideoDriver();
    if (current != nullptr && std::strcmp(current, driver) == 0) return true;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
}

// Starts SDL's video on X11 or Wayland, as the environment names them. When
// neither opens, `why` says why, or stays empty when no display is named.
// SDL's own error text is not used: after a failed driver it can be garbage.
bool start_windowing(std::string& why) {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (x == nullptr && wayland == nullptr) return false;
    // SDL 2.26 leaves handlers already set alone, but ours must not depend on
    // being installed first: theirs only queue an SDL_QUIT, which
    // stop_requested() never hears of.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (x != nullptr) {
        if (*x == '\0') {
            why = "DISPLAY is set but empty";
        } else if (start_video("x11")) {
            return true;
        } else {
            why = std::string("DISPLAY is set but no X server answers at '") + x + "'";
        }
    }
    if (wayland != nullptr) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        std::string reason;
        if (*wayland == '\0') {
            reason = "WAYLAND_DISPLAY is set but empty";
        } else if (wayland[0] != '/' && (runtime == nullptr || *runtime == '\0')) {
            // libwayland would look for the socket there, and complain on stderr itself.
            reason = "WAYLAND_DISPLAY is set but XDG_RUNTIME_DIR is not";
        } else if (start_video("wayland")) {
            return true;
        } else {
            reason = std::string("WAYLAND_DISPLAY is set but no Wayland compositor answers at '") + wayland + "'";
        }
        why += (why.empty() ? "" : ", and ") + reason;
    }
    return false;
}

void draw_window() {
    SDL_RenderClear(live.renderer);
    const SDL_Rect picture{0, 0, canvas.W, canvas.H};
    // The Canvas is stored bottom-up: show it flipped, and so the strips made like it.
    SDL_RenderCopyEx(live.renderer, live.picture, nullptr, &picture, 0.0, nullptr, SDL_FLIP_VERTICAL);
    if (live.status != nullptr) {
        const SDL_Rect line{0, canvas.H, canvas.W, status_rows};
        SDL_RenderCopyEx(live.renderer, live.status, nullptr, &line, 0.0, nullptr, SDL_FLIP_VERTICAL);
    }
    if (live.about_shown) {
        SDL_RenderCopyEx(live.renderer, live.about, nullptr, &live.about_place, 0.0, nullptr, SDL_FLIP_VERTICAL);
    }
    SDL_RenderPresent(live.renderer);
}

void show_picture() {
    SDL_UpdateTexture(live.picture, nullptr, canvas.pixels, canvas.W * 4);
    draw_window();
    live.last_present = SDL_GetTicks64();
}

// Starting right of a one-pixel picture, render_text draws nothing and only measures.
int text_width(const char* text) {
    std::uint32_t nothing = 0;
    return render_text(&nothing, 1, 1, 1, 0, text, about_ink);
}

// The About text, a line at a time, with how to close it, centred in a framed panel.
bool make_about_panel() {
    std::vector<std::string> lines;
    for (const char* p = build_profile.about_text;; ++p) {
        const char* end = std::strchr(p, '\n');
        lines.emplace_back(p, end != nullptr ? end : p + std::strlen(p));
        if (end == nullptr) break;
        p = end;
    }
    lines.emplace_back("");
    lines.emplace_back(about_hint);
    int widest = 0;
    for (const std::string& line : lines) widest = std::max(widest, text_width(line.c_str()));
    const int W = std::min(canvas.W, widest + 2 * about_margin);
    const int H = std::min(canvas.H, static_cast<int>(lines.size() - 1) * about_line + text_cell_rows + 2 * about_margin);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(W) * H, about_paper);
    for (int x = 0; x < W; ++x) pixels[x] = pixels[static_cast<std::size_t>(H - 1) * W + x] = about_edge;
    for (int y = 0; y < H; ++y) pixels[static_cast<std::size_t>(y) * W] = pixels[static_cast<std::size_t>(y) * W + W - 1] = about_edge;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const int x = std::max(about_margin, (W - text_width(lines[k].c_str())) / 2);
        render_text(pixels.data(), W, H, x, about_margin + static_cast<int>(k) * about_line, lines[k].c_str(), about_ink);
    }
    live.about = SDL_CreateTexture(live.renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STATIC, W, H);
    if (live.about == nullptr) return false;
    SDL_UpdateTexture(live.about, nullptr, pixels.data(), W * 4);
    live.about_place = SDL_Rect{(canvas.W - W) / 2, (canvas.H - H) / 2, W, H};
    return true;
}

bool closes_window(const SDL_Event& e) {
    return e.type == SDL_QUIT || (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE);
}

bool key_pressed(const SDL_Event& e, SDL_Keycode key) {
    return e.type == SDL_KEYDOWN && e.key.repeat == 0 && e.key.keysym.sym == key;
}

bool closes_about(const SDL_Event& e) {
    return key_pressed(e, SDLK_ESCAPE) || key_pressed(e, SDLK_RETURN) || key_pressed(e, SDLK_KP_ENTER) ||
           key_pressed(e, SDLK_SPACE) || key_pressed(e, SDLK_F1) || e.type == SDL_MOUSEBUTTONDOWN;
}

// Modal, like the Windows About box: processing waits until it is closed.
// False when the run is to stop instead: the window was closed, or a signal came.
bool show_about() {
    if (live.about == nullptr && !make_about_panel()) return true;
    live.about_shown = true;
    draw_window();
    bool go_on = true;
    for (;;) {
        if (stop_requested()) {
            go_on = false;
            break;
        }
        SDL_Event e;
        if (SDL_WaitEventTimeout(&e, wait_step_ms) == 0) continue;
        if (closes_window(e)) {
            go_on = false;
            break;
        }
        if (closes_about(e)) break;
        if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_EXPOSED) draw_window();
    }
    live.about_shown = false;
    draw_window();
    return go_on;
}

// True when the event asks the run to stop.
bool handle(const SDL_Event& e) {
    if (closes_window(e) || key_pressed(e, SDLK_ESCAPE)) return true;
    if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_EXPOSED) draw_window();
    if (key_pressed(e, SDLK_F1)) return !show_about();
    return false;
}
}  // namespace

bool live_window_open(const char* title) {
    std::string why;
    if (!start_windowing(why)) {
        if (!why.empty()) std::fprintf(stderr, "velliqor: no window: %s; running without one\n", why.c_str());
        return false;
    }
    live.video_started = true;
    live.window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, canvas.W,
                                   canvas.H + status_rows, SDL_WINDOW_SHOWN);
    if (live.window != nullptr) live.renderer = SDL_CreateRenderer(live.window, -1, 0);
    if (live.renderer == nullptr && live.window != nullptr) {
        live.renderer = SDL_CreateRenderer(live.window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (live.renderer != nullptr) {
        // 0x00BBGGRR values are the bytes R, G, B, X in memory.
        live.picture = SDL_CreateTexture(live.renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STREAMING,
                                         canvas.W, canvas.H);
    }
    if (live.picture == nullptr || (SDL_GetWindowFlags(live.window) & SDL_WINDOW_SHOWN) == 0) {
        std::fprintf(stderr, "velliqor: no window: %s; running without one\n",
                     live.picture == nullptr ? SDL_GetError() : "it could not be shown");
        live_window_close();
        return false;
    }
    SDL_SetRenderDrawColor(live.renderer, 255, 255, 228, 255);
    return true;
}

bool live_window_is_open() { return live.window != nullptr; }

void live_window_present() {
    if (live.window == nullptr || SDL_GetTicks64() - live.last_present < present_interval_ms) return;
    show_picture();
}

bool live_window_serve_events() {
    if (live.window == nullptr) return !stop_requested();
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) {
        if (handle(e)) return false;
    }
    return !stop_requested();
}

bool live_window_wait_until(Clock::time_point due) {
    for (;;) {
        if (stop_requested()) return false;
        const Clock::time_point now = Clock::now();
        if (now >= due) return true;
        const Clock::duration step = std::min<Clock::duration>(due - now, std::chrono::milliseconds(wait_step_ms));
        if (live.window == nullptr) {
            std::this_thread::sleep_for(step);
            continue;
        }
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(step).count();
        SDL_Event e;
        if (SDL_WaitEventTimeout(&e, std::max(1, static_cast<int>(ms))) != 0 && handle(e)) return false;
    }
}

void live_window_hold(const char* summary) {
    if (live.window == nullptr) return;
    std::vector<std::uint32_t> line(static_cast<std::size_t>(canvas.W) * status_rows, 0x00E4FFFF);
    render_text(line.data(), canvas.W, status_rows, 4, 2, summary, 0x00000000);
    live.status = SDL_CreateTexture(live.renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STATIC, canvas.W,
                                    status_rows);
    if (live.status != nullptr) SDL_UpdateTexture(live.status, nullptr, line.data(), canvas.W * 4);
    show_picture();
    // Until the user closes it or a signal comes: the run is over either way.
    live_window_wait_until(Clock::time_point::max());
}

void live_window_close() {
    if (live.about != nullptr) SDL_DestroyTexture(live.about);
    if (live.status != nullptr) SDL_DestroyTexture(live.status);
    if (live.picture != nullptr) SDL_DestroyTexture(live.picture);
    if (live.renderer != nullptr) SDL_DestroyRenderer(live.renderer);
    if (live.window != nullptr) SDL_DestroyWindow(live.window);
    if (live.video_started) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    live = LiveWindow{};
}
