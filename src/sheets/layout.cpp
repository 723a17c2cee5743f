// The cells of the four sprite sheets, built from the layout constants: what
// the art checker measures a sheet against and the templates outline.
#include "sheets/layout.h"

namespace {

constexpr int kSilksCount = 100; // the data files use silks 0 to 99

// Adds the rightward twin of every cell so far, 500 rows lower.
void addRightwardSet(std::vector<SheetCell>& cells) {
    const size_t leftward = cells.size();
    for (size_t i = 0; i < leftward; ++i) {
        SheetCell twin = cells[i];
        twin.group = "rightward " + twin.group;
        twin.y += kMirrorRow;
        twin.mirrorOf = static_cast<int>(i);
        cells.push_back(twin);
    }
}

std::vector<SheetCell> horseLayout() {
    std::vector<SheetCell> cells;
    for (int coat = 0; coat < kCoatCount; ++coat) {
        for (int pose = 0; pose < kPoseCount; ++pose) {
            cells.push_back({"coat " + std::to_string(coat) + " pose", pose, kHorseWidth * coat,
                             kHorseHeight * pose, kHorseWidth, kHorseHeight});
        }
    }
    for (int bracket = 1; bracket <= kBracketCount; ++bracket) {
        cells.push_back({"bracket", bracket, kJockeyX, kJockeyHeight * (bracket - 1), kJockeyWidth,
                         kJockeyHeight});
    }
    addRightwardSet(cells);
    return cells;
}

std::vector<SheetCell> uniformLayout() {
    std::vector<SheetCell> cells;
    for (int silks = 0; silks < kSilksCount; ++silks) {
        cells.push_back({"silks", silks, kSilksWidth * (silks / kSilksPerColumn),
                         kSilksHeight * (silks % kSilksPerColumn), kSilksWidth, kSilksHeight});
    }
    addRightwardSet(cells);
    return cells;
}

std::vector<SheetCell> gateLayout() {
    std::vector<SheetCell> cells;
    const char* names[] = {"closed stall", "open stall", "closed stall, mirrored",
                           "open stall, mirrored"};
    for (int i = 0; i < 4; ++i) {
        cells.push_back({names[i], -1, kStallWidth * i, 0, kStallWidth, kStallHeight, true,
                         i >= 2 ? i - 2 : -1});
    }
    return cells;
}

// The course strips are read 800 pixels wide from a few offsets: bands from
// x 0 to 60, rails from 0 to 24, the backdrop from 0 to 36. Each cell spans
// every column that any read reaches.
std::vector<SheetCell> courseLayout() {
    struct Strip {
        const char* name;
        int y, width, height;
        bool keyed;
        int period;
    };
    const Strip strips[] = {
        {"turf band", 0, kCourseSheetWidth, kBandHeight, false, kBandPeriod},
        {"dirt band", kBandHeight, kCourseSheetWidth, kBandHeight, false, kBandPeriod},
        {"turf rail", kRailTop, 824, kRailHeight, true, 0},
        {"dirt rail", kRailTop + kRailHeight, 824, kRailHeight, true, 0},
        {"backdrop", kBackdropTop, 836, kBackdropHeight, false, kBackdropPeriod},
    };
    std::vector<SheetCell> cells;
    for (const Strip& strip : strips) {
        cells.push_back(
            {strip.name, -1, 0, strip.y, strip.width, strip.height, strip.keyed, -1, strip.period});
    }
    return cells;
}

} // namespace

std::string SheetCell::name() const {
    return number < 0 ? group : group + " " + std::to_string(number);
}

const std::vector<std::string>& artSheetNames() {
    static const std::vector<std::string> names = {"course.bmp", "horse.bmp", "uniform.bmp",
                                                   "gate.bmp"};
    return names;
}

std::vector<SheetCell> sheetLayout(const std::string& sheet) {
    if (sheet == "course.bmp") {
        return courseLayout();
    }
    if (sheet == "horse.bmp") {
        return horseLayout();
    }
    if (sheet == "uniform.bmp") {
        return uniformLayout();
    }
    if (sheet == "gate.bmp") {
        return gateLayout();
    }
    return {};
}
