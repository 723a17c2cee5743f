// The text-table scheme shared by the course and rival files.
//
// A record ends at ';'. The two bytes after each ';' (CR LF in a well-formed
// file) belong to no record and are skipped unseen. Bytes after the last ';'
// are ignored, and a zero byte ends the text. Within a record a column ends at
// ','; text after a record's last ',' is not a column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TextTable {
    // Every ';' in the text, counted over all bytes, the skipped ones included.
    int32_t semicolonCount = 0;
    // The records in file order, each copied into a string of its own.
    std::vector<std::string> records;
};

// Cuts `text` into records. The text ends at its first zero byte.
TextTable splitRecords(std::string_view text);

// Reads the file at `path` and cuts it into records. When the file cannot be
// opened it shows the program's one error message, asks the main window to
// close and returns false.
bool readTable(const char* path, TextTable& table);

// Reports a data file that cannot be used: the one error message, then the
// close request to the main window.
void reportDataFileFailure();

// Calls `take(column, text)` for each column of `record` that has a ',' after
// it, in order, column numbers from 0.
template <typename Take> void forEachColumn(std::string_view record, Take take) {
    int32_t column = 0;
    size_t start = 0;
    for (size_t q = 0; q < record.size(); ++q) {
        if (record[q] == ',') {
            take(column, record.substr(start, q - start));
            ++column;
            start = q + 1;
        }
    }
}

// A column read as a number, the way atoi reads it: leading white space, one
// optional sign, then decimal digits up to the first non-digit; 0 when there
// is no digit. Values beyond 32 bits wrap around.
int32_t toNumber(std::string_view column);

// A column read as a number, then 1 when it is not 0 and 0 when it is.
uint8_t toFlag(std::string_view column);
