// The art checker: each sheet decoded by the programs' own BMP reader and
// measured against its cells, and the file's encoding against what Windows draws.
#include "sheets/check.h"

#include "sheets/layout.h"

#include "platform/bitmap_header.h"
#include "platform/bitmap_reader.h"
#include "platform/platform.h"

#include <algorithm>

namespace {

struct Picture {
    const DecodedBitmap& bitmap;
    uint32_t at(int x, int y) const {
        return bitmap.pixels[static_cast<size_t>(y) * static_cast<size_t>(bitmap.width) +
                             static_cast<size_t>(x)];
    }
    bool holds(const SheetCell& cell) const {
        return cell.x + cell.width <= bitmap.width && cell.y + cell.height <= bitmap.height;
    }
};

std::string size(int width, int height) {
    return std::to_string(width) + " × " + std::to_string(height);
}

// "1 pixel", "2 pixels".
std::string counted(int count, const std::string& thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

std::string at(int x, int y) {
    return "x " + std::to_string(x) + ", y " + std::to_string(y);
}

// "rightward silks 5 to 24, 30 to 49; bracket 3": the cells' names, with runs
// of numbers in one group joined.
std::string describeCells(const std::vector<SheetCell>& layout, const std::vector<int>& which) {
    std::string text;
    const SheetCell* previous = nullptr;
    int runStart = -1;
    auto closeRun = [&] {
        if (previous != nullptr && previous->number > runStart) {
            text += " to " + std::to_string(previous->number);
        }
    };
    for (int index : which) {
        const SheetCell& cell = layout[static_cast<size_t>(index)];
        const bool sameGroup =
            previous != nullptr && cell.number >= 0 && previous->group == cell.group;
        if (sameGroup && cell.number == previous->number + 1) {
            previous = &cell;
            continue;
        }
        closeRun();
        if (sameGroup) {
            text += ", " + std::to_string(cell.number);
        } else {
            text += (text.empty() ? "" : "; ") + cell.name();
        }
        runStart = cell.number;
        previous = &cell;
    }
    closeRun();
    return text;
}

// Encodings that our reader takes but a Windows loader does not draw alike.
void checkEncoding(const uint8_t* bytes, size_t byteCount, std::vector<std::string>& warnings) {
    BitmapHeader header;
    if (!readBitmapHeader(bytes, byteCount, header)) {
        return;
    }
    if (header.topDown) {
        warnings.push_back("stores its rows top down (its height is negative): the Windows "
                           "program under Wine draws such a sheet black or not at all; save it "
                           "bottom up, the usual way");
    }
    if (header.compression == bitmapAlphaBitFields) {
        warnings.push_back("stores its pixels with alpha bit fields (compression 6): the Windows "
                           "program under Wine draws nothing from such a sheet; save it as a "
                           "plain 24-bit BMP");
    }
    int widths[3];
    if (bitmapChannelWidths(bytes, byteCount, widths) &&
        std::any_of(widths, widths + 3, [](int width) { return width > 0 && width < 4; })) {
        warnings.push_back("has a colour channel of fewer than 4 bits: the Windows program "
                           "under Wine widens such a channel to other colours (its brightest "
                           "value stays below 255), so the key colour does not match there; save "
                           "it with 24 bits");
    }
}

// Why a file that the reader refuses cannot be read, in the artist's words.
std::string refusal(const uint8_t* bytes, size_t byteCount) {
    if (byteCount < 2 || bytes[0] != 'B' || bytes[1] != 'M') {
        return "is not a BMP file";
    }
    BitmapHeader header;
    if (!readBitmapHeader(bytes, byteCount, header)) {
        return "cannot be read: its headers are damaged, its rows are missing or it is larger "
               "than 8192 pixels a side";
    }
    if (header.compression == bitmapJpeg || header.compression == bitmapPng) {
        return "holds a JPEG or PNG picture inside the BMP, which the program does not read; "
               "save it as a plain 24-bit BMP";
    }
    if ((header.compression == bitmapRle8 || header.compression == bitmapRle4) && header.topDown) {
        return "is run-length encoded and marked top down, which the BMP format does not "
               "allow; save it as a plain 24-bit BMP";
    }
    return "cannot be read: its depth and compression do not go together or are unknown; save "
           "it as a plain 24-bit BMP";
}

std::string cutCells(const Picture& picture, const std::vector<SheetCell>& layout) {
    std::vector<int> cut;
    int needWidth = 0;
    int needHeight = 0;
    for (size_t i = 0; i < layout.size(); ++i) {
        const SheetCell& cell = layout[i];
        needWidth = std::max(needWidth, cell.x + cell.width);
        needHeight = std::max(needHeight, cell.y + cell.height);
        if (!picture.holds(cell)) {
            cut.push_back(static_cast<int>(i));
        }
    }
    if (cut.empty()) {
        return "";
    }
    return "is " + size(picture.bitmap.width, picture.bitmap.height) + ", but its cells need " +
           size(needWidth, needHeight) +
           "; these cells reach past its edge and are drawn cut short or not at all: " +
           describeCells(layout, cut);
}

std::string brokenMirrors(const Picture& picture, const std::vector<SheetCell>& layout) {
    std::vector<int> broken;
    for (size_t i = 0; i < layout.size(); ++i) {
        const SheetCell& cell = layout[i];
        if (cell.mirrorOf < 0 || !picture.holds(cell) ||
            !picture.holds(layout[static_cast<size_t>(cell.mirrorOf)])) {
            continue;
        }
        const SheetCell& twin = layout[static_cast<size_t>(cell.mirrorOf)];
        bool same = true;
        for (int y = 0; y < cell.height && same; ++y) {
            for (int x = 0; x < cell.width && same; ++x) {
                same = picture.at(cell.x + x, cell.y + y) ==
                       picture.at(twin.x + twin.width - 1 - x, twin.y + y);
            }
        }
        if (!same) {
            broken.push_back(static_cast<int>(i));
        }
    }
    if (broken.empty()) {
        return "";
    }
    return "has cells that are not the left-right mirror image of their twins, so sprites look "
           "different in each direction: " +
           describeCells(layout, broken);
}

std::string fringe(const Picture& picture, const std::vector<SheetCell>& layout) {
    int count = 0;
    int cells = 0;
    std::string first;
    for (const SheetCell& cell : layout) {
        if (!cell.keyed) {
            continue;
        }
        const int right = std::min(cell.x + cell.width, picture.bitmap.width);
        const int bottom = std::min(cell.y + cell.height, picture.bitmap.height);
        int inCell = 0;
        for (int y = cell.y; y < bottom; ++y) {
            for (int x = cell.x; x < right; ++x) {
                if (nearKeyColour(picture.at(x, y))) {
                    if (count == 0) {
                        first = at(x, y) + ", in " + cell.name();
                    }
                    ++count;
                    ++inCell;
                }
            }
        }
        cells += inCell > 0;
    }
    if (count == 0) {
        return "";
    }
    return "has " + counted(count, "pixel") + " in " + counted(cells, "cell") + " within " +
           std::to_string(kFringeReach) +
           " steps of the key colour but not on it (the fringe that smoothing leaves, which "
           "shows as a blue halo); the first is at " +
           first;
}

// Opaque strips: the scroll steps must not show a seam, and pure blue there
// is drawn blue.
void checkStrips(const Picture& picture, const std::vector<SheetCell>& layout,
                 std::vector<std::string>& warnings) {
    for (const SheetCell& cell : layout) {
        if (cell.keyed) {
            continue;
        }
        const int right = std::min(cell.x + cell.width, picture.bitmap.width);
        const int bottom = std::min(cell.y + cell.height, picture.bitmap.height);
        int differing = 0;
        int blue = 0;
        std::string first;
        for (int y = cell.y; y < bottom; ++y) {
            for (int x = cell.x; x < right; ++x) {
                blue += picture.at(x, y) == kKeyRgb;
                if (x + cell.period < right && picture.at(x, y) != picture.at(x + cell.period, y)) {
                    if (differing == 0) {
                        first = "at " + at(x, y) + " and " + std::to_string(cell.period) +
                                " columns further";
                    }
                    ++differing;
                }
            }
        }
        if (differing > 0) {
            warnings.push_back("has a " + cell.name() + " that does not repeat every " +
                               std::to_string(cell.period) +
                               " pixels, so it jumps as it "
                               "scrolls: " +
                               counted(differing, "pixel") +
                               (differing == 1 ? " differs, " : " differ, the first ") + first);
        }
        if (blue > 0) {
            warnings.push_back("has " + counted(blue, "pixel") + " of the key colour in its " +
                               cell.name() +
                               ", where they are drawn blue: only rails, runners "
                               "and stalls are see-through");
        }
    }
}

} // namespace

bool nearKeyColour(uint32_t rgb) {
    const int red = static_cast<int>(rgb >> 16 & 0xFF);
    const int green = static_cast<int>(rgb >> 8 & 0xFF);
    const int blue = static_cast<int>(rgb & 0xFF);
    return (rgb & 0xFFFFFF) != kKeyRgb && red <= kFringeReach && green <= kFringeReach &&
           blue >= 255 - kFringeReach;
}

std::vector<ArtFinding> checkSheet(const std::string& sheet, const uint8_t* bytes, size_t size) {
    std::vector<ArtFinding> findings;
    const std::vector<SheetCell> layout = sheetLayout(sheet);
    if (layout.empty()) {
        findings.push_back({sheet, true,
                            "is not one of the sheets: course.bmp, horse.bmp, uniform.bmp and "
                            "gate.bmp"});
        return findings;
    }
    DecodedBitmap bitmap;
    if (!decodeBitmap(bytes, size, bitmap)) {
        findings.push_back({sheet, true, refusal(bytes, size)});
        return findings;
    }
    const Picture picture{bitmap};
    std::string cut = cutCells(picture, layout);
    if (!cut.empty()) {
        findings.push_back({sheet, true, cut});
    }
    std::vector<std::string> warnings;
    checkEncoding(bytes, size, warnings);
    warnings.push_back(brokenMirrors(picture, layout));
    warnings.push_back(fringe(picture, layout));
    checkStrips(picture, layout, warnings);
    for (const std::string& warning : warnings) {
        if (!warning.empty()) {
            findings.push_back({sheet, false, warning});
        }
    }
    return findings;
}

std::vector<ArtFinding> checkArtFolder(const std::string& directory) {
    std::vector<ArtFinding> findings;
    for (const std::string& sheet : artSheetNames()) {
        std::string path = directory + "/image/" + sheet;
        std::vector<char> bytes;
        if (!readWholeFile(path.c_str(), bytes)) {
            findings.push_back({sheet, true, "is missing or cannot be opened"});
            continue;
        }
        std::vector<ArtFinding> found =
            checkSheet(sheet, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        findings.insert(findings.end(), found.begin(), found.end());
    }
    return findings;
}

bool artIsUsable(const std::vector<ArtFinding>& findings) {
    for (const ArtFinding& finding : findings) {
        if (finding.blocking) {
            return false;
        }
    }
    return true;
}
