// The recording as an animated GIF through giflib, storing only what changed.
#include "gif_movie.h"

#include <gif_lib.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <array>
#include <utility>

const bool gifMovieAvailable = true;

namespace {

constexpr size_t colourSpace = size_t{1} << 24;

int channel(uint32_t rgb, int c) {
    return static_cast<int>((rgb >> (16 - 8 * c)) & 0xFF);
}

struct Entry {
    uint32_t rgb;
    uint64_t count;
};

// A box of the median cut: a run of entries in `all`.
struct Box {
    size_t begin, end;
    int widestChannel;
    int range;
};

Box makeBox(const std::vector<Entry>& all, size_t begin, size_t end) {
    std::array<int, 3> lo{255, 255, 255};
    std::array<int, 3> hi{0, 0, 0};
    for (size_t i = begin; i < end; ++i) {
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], channel(all[i].rgb, c));
            hi[c] = std::max(hi[c], channel(all[i].rgb, c));
        }
    }
    Box box{begin, end, 0, -1};
    for (int c = 0; c < 3; ++c) {
        if (hi[c] - lo[c] > box.range) {
            box.range = hi[c] - lo[c];
            box.widestChannel = c;
        }
    }
    return box;
}

} // namespace

GifPalette::GifPalette(std::vector<uint32_t> pixels)
    : index_(colourSpace, 0), known_(colourSpace, false) {
    // The histogram: each distinct colour, ascending, with its count.
    for (uint32_t& rgb : pixels) {
        rgb &= 0xFFFFFFu;
    }
    std::sort(pixels.begin(), pixels.end());
    std::vector<Entry> all;
    for (size_t i = 0; i < pixels.size();) {
        size_t j = i;
        while (j < pixels.size() && pixels[j] == pixels[i]) {
            ++j;
        }
        all.push_back(Entry{pixels[i], j - i});
        i = j;
    }
    if (all.empty()) {
        all.push_back(Entry{0, 1});
    }
    if (all.size() <= 256) {
        // Every colour exactly, in ascending colour order.
        for (const Entry& e : all) {
            index_[e.rgb] = static_cast<uint8_t>(colours_.size());
            known_[e.rgb] = true;
            colours_.push_back(e.rgb);
        }
        return;
    }
    exact_ = false;
    // Median cut: split the box with the widest channel range (first such box
    // on ties) at its count-weighted median until there are 255 boxes; the
    // 256th index stays free for the frames' see-through pixels.
    std::vector<Box> boxes{makeBox(all, 0, all.size())};
    while (boxes.size() < 255) {
        size_t pick = boxes.size();
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].end - boxes[b].begin >= 2 &&
                (pick == boxes.size() || boxes[b].range > boxes[pick].range)) {
                pick = b;
            }
        }
        if (pick == boxes.size()) {
            break;
        }
        const Box box = boxes[pick];
        const int c = box.widestChannel;
        std::sort(all.begin() + static_cast<std::ptrdiff_t>(box.begin),
                  all.begin() + static_cast<std::ptrdiff_t>(box.end),
                  [c](const Entry& a, const Entry& b) {
                      const int ca = channel(a.rgb, c);
                      const int cb = channel(b.rgb, c);
                      return ca != cb ? ca < cb : a.rgb < b.rgb;
                  });
        uint64_t total = 0;
        for (size_t i = box.begin; i < box.end; ++i) {
            total += all[i].count;
        }
        uint64_t running = 0;
        size_t split = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            running += all[i].count;
            split = i + 1;
            if (running * 2 >= total) {
                break;
            }
        }
        boxes[pick] = makeBox(all, box.begin, split);
        boxes.push_back(makeBox(all, split, box.end));
    }
    for (const Box& box : boxes) {
        std::array<uint64_t, 3> sum{0, 0, 0};
        uint64_t total = 0;
        for (size_t i = box.begin; i < box.end; ++i) {
            for (int c = 0; c < 3; ++c) {
                sum[c] += static_cast<uint64_t>(channel(all[i].rgb, c)) * all[i].count;
            }
            total += all[i].count;
        }
        uint32_t rgb = 0;
        for (int c = 0; c < 3; ++c) {
            rgb = (rgb << 8) | static_cast<uint32_t>((sum[c] + total / 2) / total);
        }
        colours_.push_back(rgb);
    }
    // Colours are mapped to their nearest entry as the frames first use them.
}

uint8_t GifPalette::nearest(uint32_t rgb) const {
    int best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < colours_.size(); ++i) {
        long distance = 0;
        for (int c = 0; c < 3; ++c) {
            const long d = channel(rgb, c) - channel(colours_[i], c);
            distance += d * d;
        }
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    return static_cast<uint8_t>(best);
}

uint8_t GifPalette::indexOf(uint32_t rgb) {
    rgb &= 0xFFFFFFu;
    if (!known_[rgb]) {
        index_[rgb] = nearest(rgb);
        known_[rgb] = true;
    }
    return index_[rgb];
}

GifMovie::~GifMovie() {
    if (gif_ != nullptr) {
        int ignored = 0;
        EGifCloseFile(gif_, &ignored);
    }
    delete palette_;
}

bool GifMovie::fail(std::string& error, const char* what) {
    const int code = gif_ != nullptr ? gif_->Error : 0;
    const char* text = GifErrorString(code);
    error = std::string(what) + (text != nullptr ? std::string(": ") + text : std::string());
    return false;
}

bool GifMovie::open(const std::string& path, int width, int height,
                    std::vector<uint32_t> possiblePixels, std::string& error) {
    width_ = width;
    height_ = height;
    palette_ = new GifPalette(std::move(possiblePixels));
    int code = 0;
    // Opened here rather than by EGifOpenFileName, which makes the file
    // private (mode 0600): the movie is meant to be shared.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) {
        error = std::string("cannot create the file: ") + std::strerror(errno);
        return false;
    }
    gif_ = EGifOpenFileHandle(fd, &code);
    if (gif_ == nullptr) {
        ::close(fd);
        const char* text = GifErrorString(code);
        error = std::string("cannot create the file") + (text ? std::string(": ") + text : "");
        return false;
    }
    EGifSetGifVersion(gif_, true);

    const std::vector<uint32_t>& colours = palette_->colours();
    // Room for one more entry: the see-through index of the later frames.
    const int bits = std::max(1, GifBitSize(std::min(256, static_cast<int>(colours.size()) + 1)));
    std::vector<GifColorType> table(size_t{1} << bits, GifColorType{0, 0, 0});
    for (size_t i = 0; i < colours.size(); ++i) {
        table[i] = GifColorType{static_cast<GifByteType>(colours[i] >> 16),
                                static_cast<GifByteType>(colours[i] >> 8),
                                static_cast<GifByteType>(colours[i])};
    }
    ColorMapObject* map = GifMakeMapObject(1 << bits, table.data());
    if (map == nullptr) {
        error = "out of memory";
        return false;
    }
    const int put = EGifPutScreenDesc(gif_, width, height, 8, 0, map);
    GifFreeMapObject(map);
    if (put == GIF_ERROR) {
        return fail(error, "cannot write the screen descriptor");
    }
    // Loop for ever: the NETSCAPE2.0 application extension, count 0.
    static const GifByteType application[] = {'N', 'E', 'T', 'S', 'C', 'A',
                                              'P', 'E', '2', '.', '0'};
    static const GifByteType loop[] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, sizeof application, application) == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, sizeof loop, loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(gif_) == GIF_ERROR) {
        return fail(error, "cannot write the loop extension");
    }
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    previous_.assign(pixels, 0);
    current_.assign(pixels, 0);
    return true;
}

bool GifMovie::addFrame(const std::vector<uint32_t>& rgb, std::string& error) {
    if (gif_ == nullptr || rgb.size() != current_.size()) {
        error = "bad frame";
        return false;
    }
    for (size_t i = 0; i < rgb.size(); ++i) {
        current_[i] = palette_->indexOf(rgb[i]);
    }
    // The rectangle that changed since the last frame (all of the first).
    int left = 0, top = 0, right = width_, bottom = height_; // exclusive ends
    if (frames_ > 0) {
        left = width_;
        top = height_;
        right = 0;
        bottom = 0;
        for (int y = 0; y < height_; ++y) {
            const size_t base = static_cast<size_t>(y) * static_cast<size_t>(width_);
            for (int x = 0; x < width_; ++x) {
                if (current_[base + static_cast<size_t>(x)] !=
                    previous_[base + static_cast<size_t>(x)]) {
                    left = std::min(left, x);
                    right = std::max(right, x + 1);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y + 1);
                }
            }
        }
        if (right <= left) {
            // Nothing changed: one unchanged pixel keeps the frame and its delay.
            left = 0;
            top = 0;
            right = 1;
            bottom = 1;
        }
    }

    // After the first frame, pixels that did not change are see-through when
    // the palette leaves an index free for that: long runs of one index, which
    // LZW packs far better than the unchanged picture itself.
    const size_t used = palette_->colours().size();
    const int seeThrough = frames_ > 0 && used < 256 ? static_cast<int>(used) : -1;

    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = 3;
    control.TransparentColor = seeThrough >= 0 ? seeThrough : NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_ERROR) {
        return fail(error, "cannot write a frame");
    }
    if (EGifPutImageDesc(gif_, left, top, right - left, bottom - top, false, nullptr) ==
        GIF_ERROR) {
        return fail(error, "cannot write a frame");
    }
    std::vector<GifPixelType> line(static_cast<size_t>(right - left));
    for (int y = top; y < bottom; ++y) {
        const size_t base =
            static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(left);
        for (size_t x = 0; x < line.size(); ++x) {
            const uint8_t now = current_[base + x];
            line[x] = seeThrough >= 0 && now == previous_[base + x]
                          ? static_cast<GifPixelType>(seeThrough)
                          : now;
        }
        if (EGifPutLine(gif_, line.data(), right - left) == GIF_ERROR) {
            return fail(error, "cannot write a frame");
        }
    }
    previous_.swap(current_);
    ++frames_;
    return true;
}

bool GifMovie::close(std::string& error) {
    if (gif_ == nullptr) {
        return true;
    }
    int code = 0;
    const int result = EGifCloseFile(gif_, &code);
    gif_ = nullptr;
    if (result == GIF_ERROR) {
        const char* text = GifErrorString(code);
        error = std::string("cannot finish the file") + (text ? std::string(": ") + text : "");
        return false;
    }
    return true;
}
