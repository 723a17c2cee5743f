#include "check.h"

#include "platform/bitmap_reader.h"
#include "platform/platform.h"

std::vector<ArtFinding> checkSheet(const std::string& sheet, const uint8_t* bytes, size_t size) {
    std::vector<ArtFinding> findings;
    DecodedBitmap bitmap;
    if (!decodeBitmap(bytes, size, bitmap)) {
        findings.push_back({sheet, true, "cannot be read as a BMP file"});
    }
    return findings;
}

std::vector<ArtFinding> checkArtFolder(const std::string& directory) {
    std::vector<ArtFinding> findings;
    for (const char* sheet : {"course.bmp", "horse.bmp", "uniform.bmp", "gate.bmp"}) {
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
