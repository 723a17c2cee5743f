// The recording as an animated GIF through giflib: one global palette, 3
// centiseconds per frame, looping for ever, and after the first frame only
// the rectangle that changed. The same frames give a byte-identical file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GifFileType;

// False in a build without giflib, where the recorder writes no GIF.
extern const bool gifSupported;

// The palette of the movie, chosen before the first frame from every pixel
// that can appear (the sheets' pixels and the back buffer's black; a colour
// counts as often as it is given). Up to 256 colours are kept exactly; more
// are reduced by a deterministic median cut, and every colour maps to its
// nearest entry.
class GifPalette {
  public:
    explicit GifPalette(std::vector<uint32_t> pixels);
    const std::vector<uint32_t>& colours() const { return colours_; }
    bool exact() const { return exact_; }
    // The palette index of an 0xRRGGBB colour; an unforeseen colour gets its
    // nearest entry, remembered for next time.
    uint8_t indexOf(uint32_t rgb);

  private:
    std::vector<uint32_t> colours_;
    std::vector<uint8_t> index_; // 2^24 entries
    std::vector<bool> known_;    // 2^24 entries
    bool exact_ = true;
    uint8_t nearest(uint32_t rgb) const;
};

class GifMovie {
  public:
    GifMovie() = default;
    ~GifMovie();
    GifMovie(const GifMovie&) = delete;
    GifMovie& operator=(const GifMovie&) = delete;

    bool open(const std::string& path, int width, int height, std::vector<uint32_t> possiblePixels,
              std::string& error);
    // Adds one frame of width × height pixels, 0xRRGGBB row by row.
    bool addFrame(const std::vector<uint32_t>& rgb, std::string& error);
    bool close(std::string& error);
    int frameCount() const { return frames_; }
    bool exactPalette() const { return palette_ != nullptr && palette_->exact(); }

  private:
    GifFileType* gif_ = nullptr;
    GifPalette* palette_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int frames_ = 0;
    std::vector<uint8_t> previous_;
    std::vector<uint8_t> current_;
    bool fail(std::string& error, const char* what);
};
