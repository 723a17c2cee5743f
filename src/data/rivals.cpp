// Reads deta/rival.txt into the rival table, and frees it.
#include "data/rivals.h"

#include "data/table.h"

RivalEntry* rivals = nullptr;
int32_t rivalCount = 0;

bool loadRivals() {
    TextTable table;
    if (!readTable("deta/rival.txt", table)) {
        return false;
    }

    freeRivals();
    rivals = new RivalEntry[static_cast<size_t>(table.semicolonCount)]();
    rivalCount = static_cast<int32_t>(table.records.size());

    for (size_t r = 0; r < table.records.size(); ++r) {
        RivalEntry& row = rivals[r];
        forEachColumn(table.records[r], [&row](int32_t column, std::string_view text) {
            switch (column) {
            case 4:
                row.coat = toNumber(text);
                break;
            case 5:
                row.silks = toNumber(text);
                break;
            case 7:
                row.speedGrade = toNumber(text);
                break;
            case 11:
                row.speedAdjust = toNumber(text);
                break;
            default:
                break; // name and descriptive columns
            }
        });
    }
    return true;
}

void freeRivals() {
    delete[] rivals;
    rivals = nullptr;
    rivalCount = 0;
}
