// The recorder's command line: parsing, and the usage text.
#include "options.h"

#include "gif_movie.h"
#include "video_clip.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

std::string recordUsage() {
    std::string usage =
        "usage: gallop-record [--dir DIR] [--ticks N] [--trace FILE] [--frames DIR] "
        "[--at LIST] [--hashes FILE]";
    usage += gifMovieAvailable ? " [--gif FILE]" : "";
    usage += videoClipAvailable ? " [--video FILE]" : "";
    usage += "\n       gallop-record --help | --version\n";
    usage += "  --dir DIR     run directory holding deta/ and image/ (default: current directory)\n"
             "  --ticks N     number of updates, 0 or more (default 700; the run stops after the\n"
             "                update that first asks the window to close)\n"
             "  --trace FILE  JSON Lines trace: line 0 after setup, line T after tick T\n"
             "  --frames DIR  write DIR/frame-TTTT.png, the 800x600 back buffer after draw T\n"
             "  --at LIST     ticks for --frames, e.g. 1,50,100-110 (default: every tick)\n"
             "  --hashes FILE one line per drawn frame: the tick and a hash of its pixels\n";
    if (gifMovieAvailable) {
        usage +=
            "  --gif FILE    the whole recording as an animated GIF (3 cs per frame, looping)\n";
    }
    if (videoClipAvailable) {
        usage += "  --video FILE  the whole recording as a video clip, 30 ms per frame: FILE.mp4\n"
                 "                holds H.264, FILE.webm holds AV1\n";
    }
    usage += "  --help        print this help and exit\n"
             "  --version     print the version and exit\n";
    if (!gifMovieAvailable && !videoClipAvailable) {
        usage += "This build writes no GIF (--gif) and no video clip (--video); the Linux\n"
                 "recorder does.\n";
    } else if (!videoClipAvailable) {
        usage += "This build writes no video clip (--video): it was made without FFmpeg's\n"
                 "libraries.\n";
    }
    return usage;
}

namespace {

// A whole decimal number from `min` to INT32_MAX, nothing else.
bool parseNumber(const std::string& text, int32_t min, int32_t& value) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    for (char ch : text) {
        if (ch < '0' || ch > '9') {
            return false;
        }
    }
    const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
    if (parsed < min || parsed > INT32_MAX) {
        return false;
    }
    value = static_cast<int32_t>(parsed);
    return true;
}

} // namespace

bool parseTickList(const std::string& text, std::set<int32_t>& ticks) {
    ticks.clear();
    if (text.empty()) {
        return false;
    }
    // Every item first, as a range; then the ranges are merged, so that the
    // work and the set stay small however many and however wide they are.
    std::vector<std::pair<int32_t, int32_t>> ranges;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const size_t dash = item.find('-');
        int32_t first = 0;
        int32_t last = 0;
        if (dash == std::string::npos) {
            if (!parseNumber(item, 1, first)) {
                return false;
            }
            last = first;
        } else if (!parseNumber(item.substr(0, dash), 1, first) ||
                   !parseNumber(item.substr(dash + 1), 1, last) || last < first) {
            return false;
        }
        if (first <= maxListedTick) {
            ranges.emplace_back(first, std::min(last, maxListedTick));
        }
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    std::sort(ranges.begin(), ranges.end());
    int32_t next = 1; // the lowest tick not yet in the set
    for (const auto& [first, last] : ranges) {
        for (int32_t t = std::max(first, next); t <= last; ++t) {
            ticks.insert(ticks.end(), t);
        }
        next = std::max(next, last + 1);
    }
    return true;
}

bool parseOptions(int argc, char** argv, RecordOptions& options, std::string& error) {
    static const char* const names[] = {"--dir", "--ticks", "--trace",  "--frames",
                                        "--at",  "--gif",   "--hashes", "--video"};
    constexpr int nameCount = sizeof names / sizeof names[0];
    bool seen[nameCount] = {};
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "--version") {
            options.help = name == "--help";
            options.version = name == "--version";
            return true;
        }
        int which = -1;
        for (int k = 0; k < nameCount; ++k) {
            if (name == names[k]) {
                which = k;
            }
        }
        if (which < 0) {
            error = "unknown argument '" + name + "'";
            return false;
        }
        if (seen[which]) {
            error = name + " given twice";
            return false;
        }
        seen[which] = true;
        if (i + 1 >= argc) {
            error = name + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        if (value.empty()) {
            error = name + " needs a value";
            return false;
        }
        switch (which) {
        case 0:
            options.dir = value;
            break;
        case 1:
            if (!parseNumber(value, 0, options.ticks)) {
                error = "--ticks needs a whole number, 0 or more: '" + value + "'";
                return false;
            }
            break;
        case 2:
            options.trace = value;
            break;
        case 3:
            options.frames = value;
            break;
        case 4:
            if (!parseTickList(value, options.at)) {
                error =
                    "--at needs ticks (1 or more) and ranges a-b, comma-separated: '" + value + "'";
                return false;
            }
            options.atGiven = true;
            break;
        case 5:
            if (!gifMovieAvailable) {
                error = "--gif: this build of the recorder cannot write GIF files";
                return false;
            }
            options.gif = value;
            break;
        case 6:
            options.hashes = value;
            break;
        case 7:
            if (!videoClipAvailable) {
                error = "--video: this build of the recorder cannot write video files";
                return false;
            }
            options.video = value;
            break;
        default:
            break;
        }
    }
    return true;
}
