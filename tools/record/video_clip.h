// The recording as a video clip through FFmpeg's libraries: an .mp4 file
// holds H.264 in yuv420p with its index at the front, so that it plays while
// it downloads; a .webm file holds AV1. Every frame lasts 30 ms. The clip is
// written under a temporary name beside the file and takes the file's name
// only once it is whole: a failed or unfinished run leaves nothing behind.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// False in a build without FFmpeg's libraries: --video is then a usage error.
extern const bool videoClipAvailable;

struct VideoClipState;

class VideoClip {
  public:
    VideoClip() = default;
    // An open clip that was never closed is removed.
    ~VideoClip();
    VideoClip(const VideoClip&) = delete;
    VideoClip& operator=(const VideoClip&) = delete;

    // The container and codec follow the path's extension (.mp4 or .webm,
    // in any case); any other extension is refused.
    bool open(const std::string& path, int width, int height, std::string& error);
    // Adds one frame of width × height pixels, 0xRRGGBB row by row.
    bool addFrame(const std::vector<uint32_t>& rgb, std::string& error);
    // Encodes what the encoder still holds, finishes the file and gives it
    // its name; `progress` hears the count of encoded frames as it grows.
    bool close(std::string& error, const std::function<void(int)>& progress = {});
    int frameCount() const { return frames_; }
    // Frames the encoder has handed back so far (it keeps some to look ahead).
    int encodedCount() const { return encoded_; }

  private:
    VideoClipState* state_ = nullptr;
    int frames_ = 0;
    int encoded_ = 0;
    bool drain(std::string& error, bool flushing, const std::function<void(int)>& progress);
};
