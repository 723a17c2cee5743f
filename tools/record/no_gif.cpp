// The recorder where giflib is not at hand (the Windows build): it writes no
// GIF, and the command line turns --gif down before anything is recorded.

#include "gif_movie.h"

const bool gifSupported = false;

GifMovie::~GifMovie() = default;

bool GifMovie::open(const std::string& /*path*/, int /*width*/, int /*height*/,
                    std::vector<uint32_t> /*possiblePixels*/, std::string& error) {
    error = "this build writes no GIF";
    return false;
}

bool GifMovie::addFrame(const std::vector<uint32_t>& /*rgb*/, std::string& error) {
    error = "this build writes no GIF";
    return false;
}

bool GifMovie::close(std::string& /*error*/) {
    return true;
}
