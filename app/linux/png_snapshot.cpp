#include "app/linux/png_snapshot.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/linux/whole_file.h"
#include "view/canvas.h"

namespace {

struct ProtectedFile {
    dev_t device = 0;
    ino_t inode = 0;
    bool set = false;
};
ProtectedFile protected_file;  // the recording, which no picture may replace

struct PngFailure {
    char message[256];
};

void on_png_error(png_structp png, png_const_charp message) {
    auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
    std::snprintf(failure->message, sizeof failure->message, "%s", message);
    png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

// Only plain locals live here: libpng leaves through longjmp on failure.
bool encode_canvas(std::FILE* file, png_bytep row_buffer, PngFailure* failure, int compression) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, failure, on_png_error, on_png_warning);
    if (png == nullptr) {
        std::snprintf(failure->message, sizeof failure->message, "libpng could not start");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(failure->message, sizeof failure->message, "libpng could not start");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    if (compression >= 0) png_set_compression_level(png, compression);
    png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.W), static_cast<png_uint_32>(canvas.H), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // The Canvas is stored bottom row first; PNG wants the top row first.
    for (int y = canvas.H - 1; y >= 0; --y) {
        const std::uint32_t* source = canvas.pixels + static_cast<std::size_t>(y) * canvas.W;
        for (int x = 0; x < canvas.W; ++x) {
            const std::uint32_t colour = source[x];  // 0x00BBGGRR
            row_buffer[3 * x + 0] = static_cast<png_byte>(colour & 0xFF);
            row_buffer[3 * x + 1] = static_cast<png_byte>((colour >> 8) & 0xFF);
            row_buffer[3 * x + 2] = static_cast<png_byte>((colour >> 16) & 0xFF);
        }
        png_write_row(png, row_buffer);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool write_png_snapshot(const char* path, std::string& error, int compression) {
    error.clear();
    if (canvas.pixels == nullptr || canvas.W <= 0 || canvas.H <= 0) {
        error = std::string("cannot write picture ") + path + ": there is no picture";
        return false;
    }
    if (is_protected_from_pictures(path)) {
        error = std::string("cannot write picture ") + path + ": it is the recording";
        return false;
    }
    std::string part;
    std::FILE* file = create_temporary_beside(AT_FDCWD, path, part);
    if (file == nullptr) {
        error = std::string("cannot write picture ") + path + ": " + std::strerror(errno);
        return false;
    }
    std::vector<png_byte> row_buffer(static_cast<std::size_t>(canvas.W) * 3);
    PngFailure failure{};
    const bool encoded = encode_canvas(file, row_buffer.data(), &failure, compression);
    if (finish_temporary(file, AT_FDCWD, part, path, encoded)) return true;
    error = std::string("cannot write picture ") + path + ": " + (encoded ? std::strerror(errno) : failure.message);
    return false;
}

void protect_from_pictures(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) protected_file = ProtectedFile{info.st_dev, info.st_ino, true};
}

void protect_from_pictures(int fd) {
    struct stat info {};
    if (fstat(fd, &info) == 0) protected_file = ProtectedFile{info.st_dev, info.st_ino, true};
}

bool is_protected_from_pictures(const char* path) {
    struct stat info {};
    return protected_file.set && stat(path, &info) == 0 && info.st_dev == protected_file.device &&
           info.st_ino == protected_file.inode;
}
