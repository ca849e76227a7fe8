#include "app/linux/live_window.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/linux/text_render.h"
#include "app/profile.h"
#include "view/canvas.h"

namespace {
constexpr int status_rows = 20;              // the summary line under the picture
constexpr Uint64 present_interval_ms = 16;   // at most about 60 pictures a second

struct LiveWindow {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* picture = nullptr;          // the Canvas, bottom row first
    SDL_Texture* status = nullptr;           // the summary line
    Uint64 last_present = 0;
};
LiveWindow live;

void draw_window() {
    SDL_RenderClear(live.renderer);
    const SDL_Rect picture{0, 0, canvas.W, canvas.H};
    // The Canvas is stored bottom-up: show it flipped.
    SDL_RenderCopyEx(live.renderer, live.picture, nullptr, &picture, 0.0, nullptr, SDL_FLIP_VERTICAL);
    if (live.status != nullptr) {
        const SDL_Rect line{0, canvas.H, canvas.W, status_rows};
        SDL_RenderCopyEx(live.renderer, live.status, nullptr, &line, 0.0, nullptr, SDL_FLIP_VERTICAL);
    }
    SDL_RenderPresent(live.renderer);
}

void show_picture() {
    SDL_UpdateTexture(live.picture, nullptr, canvas.pixels, canvas.W * 4);
    draw_window();
    live.last_present = SDL_GetTicks64();
}

// True when the event asks the run to stop.
bool handle(const SDL_Event& e) {
    if (e.type == SDL_QUIT) return true;
    if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) return true;
    if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_EXPOSED) draw_window();
    if (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE) return true;
    if (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_F1) {
        // Modal, like the Windows About box: processing waits until it is closed.
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, "About", build_profile.about_text, live.window);
    }
    return false;
}
}  // namespace

bool live_window_open(const char* title) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) return false;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "velliqor: no window (%s); running without one\n", SDL_GetError());
        return false;
    }
    live.window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, canvas.W,
                                   canvas.H + status_rows, 0);
    if (live.window != nullptr) live.renderer = SDL_CreateRenderer(live.window, -1, 0);
    if (live.renderer == nullptr && live.window != nullptr) {
        live.renderer = SDL_CreateRenderer(live.window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (live.renderer != nullptr) {
        // 0x00BBGGRR values are the bytes R, G, B, X in memory.
        live.picture = SDL_CreateTexture(live.renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STREAMING,
                                         canvas.W, canvas.H);
    }
    if (live.picture == nullptr) {
        std::fprintf(stderr, "velliqor: no window (%s); running without one\n", SDL_GetError());
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
    if (live.window == nullptr) return true;
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) {
        if (handle(e)) return false;
    }
    return true;
}

void live_window_hold(const char* summary) {
    if (live.window == nullptr) return;
    std::vector<std::uint32_t> line(static_cast<std::size_t>(canvas.W) * status_rows, 0x00E4FFFF);
    render_text(line.data(), canvas.W, status_rows, 4, 2, summary, 0x00000000);
    live.status = SDL_CreateTexture(live.renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STATIC, canvas.W,
                                    status_rows);
    if (live.status != nullptr) SDL_UpdateTexture(live.status, nullptr, line.data(), canvas.W * 4);
    show_picture();
    SDL_Event e;
    while (SDL_WaitEvent(&e) != 0) {
        if (handle(e)) break;
    }
}

void live_window_close() {
    if (live.status != nullptr) SDL_DestroyTexture(live.status);
    if (live.picture != nullptr) SDL_DestroyTexture(live.picture);
    if (live.renderer != nullptr) SDL_DestroyRenderer(live.renderer);
    if (live.window != nullptr) SDL_DestroyWindow(live.window);
    live = LiveWindow{};
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
