// The recorder without video output, for a build that has no FFmpeg libraries
// (Windows, the web build, a Linux build without them): the command line
// refuses --video, so nothing here is ever asked to write a clip.

#include "video_clip.h"

const bool videoClipAvailable = false;

struct VideoClipState {};

namespace {

bool unavailable(std::string& error) {
    error = "this build of the recorder cannot write video files";
    return false;
}

} // namespace

VideoClip::~VideoClip() = default;

bool VideoClip::open(const std::string& /*path*/, int /*width*/, int /*height*/,
                     std::string& error) {
    return unavailable(error);
}

bool VideoClip::addFrame(const std::vector<uint32_t>& /*rgb*/, std::string& error) {
    return unavailable(error);
}

bool VideoClip::close(std::string& error, const std::function<void(int)>& /*progress*/) {
    return unavailable(error);
}
