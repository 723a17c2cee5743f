// The recorder without GIF output, for a build that has no giflib: the
// command line refuses --gif, so nothing here is ever asked to write one.

#include "gif_movie.h"

const bool gifMovieAvailable = false;

namespace {

bool unavailable(std::string& error) {
    error = "this build of the recorder cannot write GIF files";
    return false;
}

} // namespace

GifMovie::~GifMovie() = default;

bool GifMovie::open(const std::string& /*path*/, int /*width*/, int /*height*/,
                    std::vector<uint32_t> /*possiblePixels*/, std::string& error) {
    return unavailable(error);
}

bool GifMovie::addFrame(const std::vector<uint32_t>& /*rgb*/, std::string& error) {
    return unavailable(error);
}

bool GifMovie::close(std::string& error) {
    return unavailable(error);
}
