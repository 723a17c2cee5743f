#include "png_frames.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void onError(png_structp png, png_const_charp message) {
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

} // namespace

bool writePng(const std::string& path, int width, int height, const std::vector<uint32_t>& rgb,
              std::string& error) {
    if (width <= 0 || height <= 0 ||
        rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
        error = "bad image size";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    std::string pngError;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &pngError, onError, onWarning);
    png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
    if (png == nullptr || info == nullptr) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        error = "out of memory";
        return false;
    }
    // Rows live outside the setjmp scope so that a longjmp leaks nothing.
    std::vector<png_byte> line(static_cast<size_t>(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        error = pngError.empty() ? "libpng error" : pngError;
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint32_t* in = rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int x = 0; x < width; ++x) {
            line[static_cast<size_t>(x) * 3 + 0] = static_cast<png_byte>(in[x] >> 16);
            line[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>(in[x] >> 8);
            line[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(in[x]);
        }
        png_write_row(png, line.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}
