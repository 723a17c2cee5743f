// The rival file's reader and the rival table it fills from deta/rival.txt.
#pragma once

#include <cstdint>

// One row of the rival table.
struct RivalEntry {
    int32_t coat;
    int32_t silks;
    int32_t speedGrade;
    int32_t speedAdjust;
};

// The rival table: one row per ';' of deta/rival.txt, zero-filled, row r from
// record r. Null when no table exists.
extern RivalEntry* rivals;
// How many records the file held, and so how many rows carry data.
extern int32_t rivalCount;

// Reads deta/rival.txt into a new rival table. Returns false, after the error
// message and the close request, when the file cannot be opened; no table is
// made then.
bool loadRivals();

// Releases the rival table.
void freeRivals();
