// The templates: the four sheets with every cell outlined on the colour key
// and labelled with what selects it, for an artist to paint over. They are
// drawn from the same layouts the checker checks, so a template always checks
// clean and always loads in the race.
#include "template.h"

#include "sheets.h"

#include <algorithm>
#include <cstring>

namespace {

const Rgb kInk{255, 255, 255};
const Rgb kGuide{150, 150, 156};
const Rgb kDark{34, 40, 44};

// A 3 × 5 pixel font: each glyph is five rows of three columns, '#' drawn.
struct Glyph {
    char c;
    const char* rows[5];
};
constexpr Glyph kFont[] = {
    {'0', {"###", "#.#", "#.#", "#.#", "###"}}, {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'2', {"###", "..#", "###", "#..", "###"}}, {'3', {"###", "..#", ".##", "..#", "###"}},
    {'4', {"#.#", "#.#", "###", "..#", "..#"}}, {'5', {"###", "#..", "###", "..#", "###"}},
    {'6', {"###", "#..", "###", "#.#", "###"}}, {'7', {"###", "..#", ".#.", ".#.", ".#."}},
    {'8', {"###", "#.#", "###", "#.#", "###"}}, {'9', {"###", "#.#", "###", "..#", "###"}},
    {'A', {"###", "#.#", "###", "#.#", "#.#"}}, {'B', {"##.", "#.#", "##.", "#.#", "##."}},
    {'C', {"###", "#..", "#..", "#..", "###"}}, {'D', {"##.", "#.#", "#.#", "#.#", "##."}},
    {'E', {"###", "#..", "##.", "#..", "###"}}, {'F', {"###", "#..", "##.", "#..", "#.."}},
    {'G', {"###", "#..", "#.#", "#.#", "###"}}, {'H', {"#.#", "#.#", "###", "#.#", "#.#"}},
    {'I', {"###", ".#.", ".#.", ".#.", "###"}}, {'J', {"..#", "..#", "..#", "#.#", "###"}},
    {'K', {"#.#", "#.#", "##.", "#.#", "#.#"}}, {'L', {"#..", "#..", "#..", "#..", "###"}},
    {'M', {"#.#", "###", "###", "#.#", "#.#"}}, {'N', {"##.", "#.#", "#.#", "#.#", "#.#"}},
    {'O', {"###", "#.#", "#.#", "#.#", "###"}}, {'P', {"###", "#.#", "###", "#..", "#.."}},
    {'Q', {"###", "#.#", "#.#", "###", "..#"}}, {'R', {"##.", "#.#", "##.", "#.#", "#.#"}},
    {'S', {"###", "#..", "###", "..#", "###"}}, {'T', {"###", ".#.", ".#.", ".#.", ".#."}},
    {'U', {"#.#", "#.#", "#.#", "#.#", "###"}}, {'V', {"#.#", "#.#", "#.#", "#.#", ".#."}},
    {'W', {"#.#", "#.#", "###", "###", "#.#"}}, {'X', {"#.#", "#.#", ".#.", "#.#", "#.#"}},
    {'Y', {"#.#", "#.#", ".#.", ".#.", ".#."}}, {'Z', {"###", "..#", ".#.", "#..", "###"}},
    {'-', {"...", "...", "###", "...", "..."}}, {',', {"...", "...", "...", ".#.", "#.."}},
    {'<', {"..#", ".#.", "#..", ".#.", "..#"}}, {'>', {"#..", ".#.", "..#", ".#.", "#.."}},
};
constexpr int kGlyphWidth = 3;
constexpr int kGlyphHeight = 5;

// Writes `text` (capitals, digits, "-,<>" and spaces) with its top left at
// (x, y), each font pixel `scale` × `scale`, one font pixel between letters.
void drawText(Image& image, int x, int y, const std::string& text, int scale, Rgb colour) {
    for (char c : text) {
        for (const Glyph& glyph : kFont) {
            if (glyph.c != c) {
                continue;
            }
            for (int row = 0; row < kGlyphHeight; ++row) {
                for (int column = 0; column < kGlyphWidth; ++column) {
                    if (glyph.rows[row][column] == '#') {
                        fillRect(image, x + column * scale, y + row * scale, scale, scale, colour);
                    }
                }
            }
        }
        x += (kGlyphWidth + 1) * scale;
    }
}

int textWidth(const std::string& text, int scale) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * (kGlyphWidth + 1) * scale - scale;
}

void drawOutline(Image& image, int x, int y, int width, int height, Rgb colour) {
    fillRect(image, x, y, width, 1, colour);
    fillRect(image, x, y + height - 1, width, 1, colour);
    fillRect(image, x, y, 1, height, colour);
    fillRect(image, x + width - 1, y, 1, height, colour);
}

// A dotted rectangle: where another sprite lands on this one.
void drawGuide(Image& image, int x, int y, int width, int height) {
    for (int i = 0; i < width; i += 2) {
        setPixel(image, x + i, y, kGuide);
        setPixel(image, x + i, y + height - 1, kGuide);
    }
    for (int i = 0; i < height; i += 2) {
        setPixel(image, x, y + i, kGuide);
        setPixel(image, x + width - 1, y + i, kGuide);
    }
}

const char* const kCoatNames[] = {"BAY", "CHESTNUT", "DARK BAY", "BLACK", "GREY", "PALOMINO"};

void labelHorse(Image& sheet, const SheetCell& cell, int coat) {
    const int pose = cell.number;
    // Below the rider's cell, which covers rows 0 to 59.
    drawText(sheet, cell.x + 4, cell.y + 62, "COAT " + std::to_string(coat), 2, kInk);
    drawText(sheet, cell.x + 4, cell.y + 74, kCoatNames[coat], 1, kInk);
    drawText(sheet, cell.x + 4, cell.y + 81, "POSE " + std::to_string(pose), 2, kInk);
    drawText(sheet, cell.x + 4, cell.y + 93,
             "STRIDE " + std::to_string(2 * pose) + "," + std::to_string(2 * pose + 1), 1, kInk);
    // Faces the way it runs: left in the upper set.
    drawText(sheet, cell.x + cell.width - 16, cell.y + 86, "<", 2, kInk);
    // Where the rider's bracket cell and the silks land on the horse.
    drawGuide(sheet, cell.x + kJockeyOffsetX, cell.y, kJockeyWidth, kJockeyHeight);
    drawGuide(sheet, cell.x + kSilksOffsetX, cell.y + kSilksOffsetY, kSilksWidth, kSilksHeight);
}

void labelBracket(Image& sheet, const SheetCell& cell) {
    drawText(sheet, cell.x + 4, cell.y + 4, "BRACKET", 1, kInk);
    drawText(sheet, cell.x + 4, cell.y + 12, std::to_string(cell.number), 3, kInk);
    // The silks sit over the rider.
    drawGuide(sheet, cell.x + kSilksOffsetX - kJockeyOffsetX, cell.y + kSilksOffsetY, kSilksWidth,
              kSilksHeight);
}

void labelSilks(Image& sheet, const SheetCell& cell) {
    const std::string number = std::to_string(cell.number);
    drawText(sheet, cell.x + (cell.width - textWidth(number, 2)) / 2, cell.y + 5, number, 2, kInk);
}

void labelStall(Image& sheet, const SheetCell& cell) {
    const bool open = cell.group.rfind("open", 0) == 0;
    drawText(sheet, cell.x + 6, cell.y + 6, open ? "OPEN" : "CLOSED", 3, kInk);
    drawText(sheet, cell.x + 6, cell.y + 26, "STALL", 3, kInk);
    drawText(sheet, cell.x + 6, cell.y + 46, "HORSE STANDS HERE <", 1, kInk);
    // A runner stands 30 pixels in from the front and 63 rows down.
    drawGuide(sheet, cell.x + 30, cell.y + 63, kHorseWidth, kHorseHeight);
}

void drawRail(Image& sheet, const SheetCell& cell) {
    const std::string label = cell.group == "turf rail" ? "TURF RAIL" : "DIRT RAIL";
    drawText(sheet, cell.x + 4, cell.y + 4, label, 1, kInk);
    // A bar and posts every 16 columns, the period that keeps a rail steady.
    fillRect(sheet, cell.x, cell.y + 12, cell.width, 3, kInk);
    for (int x = cell.x; x < cell.x + cell.width; x += 16) {
        fillRect(sheet, x, cell.y + 12, 2, 20, kInk);
    }
}

// An opaque strip: one tile of `period` columns, filled, marked and labelled,
// repeated across the whole strip so that it scrolls without a seam.
void drawStrip(Image& sheet, const SheetCell& cell) {
    Rgb fill{86, 162, 66};
    std::string label = "TURF";
    if (cell.group == "dirt band") {
        fill = {186, 146, 102};
        label = "DIRT";
    } else if (cell.group == "backdrop") {
        fill = {170, 200, 230};
        label = "BACKDROP";
    }
    Image tile = makeImage(cell.period, cell.height, fill);
    fillRect(tile, 0, 0, 1, cell.height, kDark);
    // Large letters where the tile is wide enough for them.
    const int scale = textWidth(label, 2) + 4 < cell.period ? 2 : 1;
    for (int y = 4; y + 20 <= cell.height; y += 30) {
        drawText(tile, 4, y, label, scale, kDark);
        drawText(tile, 4, y + 6 * scale, "REPEATS " + std::to_string(cell.period), 1, kDark);
    }
    for (int x = 0; x < cell.width; x += cell.period) {
        copyBlock(sheet, cell.x + x, cell.y, tile, 0, 0, std::min(cell.period, cell.width - x),
                  cell.height);
    }
}

Image drawTemplate(const std::string& name) {
    const std::vector<SheetCell> layout = sheetLayout(name);
    int width = 0;
    int height = 0;
    for (const SheetCell& cell : layout) {
        width = std::max(width, cell.x + cell.width);
        height = std::max(height, cell.y + cell.height);
    }
    Image sheet = makeImage(width, height, kKey);
    for (const SheetCell& cell : layout) {
        if (cell.mirrorOf >= 0) {
            const SheetCell& twin = layout[static_cast<size_t>(cell.mirrorOf)];
            copyMirrored(sheet, cell.x, cell.y, sheet, twin.x, twin.y, twin.width, twin.height);
            continue;
        }
        if (!cell.keyed) {
            drawStrip(sheet, cell);
            continue;
        }
        if (cell.group.rfind("coat ", 0) == 0) {
            labelHorse(sheet, cell, cell.x / kHorseWidth);
        } else if (cell.group == "bracket") {
            labelBracket(sheet, cell);
        } else if (cell.group == "silks") {
            labelSilks(sheet, cell);
        } else if (cell.group.find("stall") != std::string::npos) {
            labelStall(sheet, cell);
        } else {
            drawRail(sheet, cell);
        }
        drawOutline(sheet, cell.x, cell.y, cell.width, cell.height, kInk);
    }
    return sheet;
}

} // namespace

std::vector<std::pair<std::string, Image>> drawTemplates() {
    std::vector<std::pair<std::string, Image>> sheets;
    for (const std::string& name : artSheetNames()) {
        sheets.emplace_back(name, drawTemplate(name));
    }
    return sheets;
}
