// Writes a frame as a lossless PNG file through stb_image_write.
#include "png_frames.h"

#include "platform/platform.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// stb_image_write hands the encoded file over in pieces; they are gathered
// here so that the file itself is written, and its errors seen, in one place.
void append(void* context, void* data, int size) {
    std::vector<unsigned char>& bytes = *static_cast<std::vector<unsigned char>*>(context);
    const unsigned char* from = static_cast<const unsigned char*>(data);
    bytes.insert(bytes.end(), from, from + size);
}

} // namespace

bool writePng(const std::string& path, int width, int height, const std::vector<uint32_t>& rgb,
              std::string& error) {
    if (width <= 0 || height <= 0 ||
        rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
        error = "bad image size";
        return false;
    }
    std::vector<unsigned char> pixels(rgb.size() * 3);
    for (size_t i = 0; i < rgb.size(); ++i) {
        pixels[i * 3 + 0] = static_cast<unsigned char>(rgb[i] >> 16);
        pixels[i * 3 + 1] = static_cast<unsigned char>(rgb[i] >> 8);
        pixels[i * 3 + 2] = static_cast<unsigned char>(rgb[i]);
    }
    std::vector<unsigned char> encoded;
    if (stbi_write_png_to_func(append, &encoded, width, height, 3, pixels.data(), width * 3) == 0) {
        error = "cannot encode the image";
        return false;
    }
    std::FILE* file = openFile(path.c_str(), "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(encoded.data(), 1, encoded.size(), file) == encoded.size();
    const int writeErrno = errno;
    if (std::fclose(file) != 0 || !written) {
        error = std::strerror(written ? errno : writeErrno);
        return false;
    }
    return true;
}
