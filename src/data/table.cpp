// The text-table scheme: reading a data file, splitting it into records and
// columns, reading numbers and flags, and the one data-file failure.
#include "data/table.h"

#include "platform/platform.h"

TextTable splitRecords(std::string_view text) {
    text = text.substr(0, text.find('\0'));

    TextTable table;
    for (char byte : text) {
        if (byte == ';') {
            ++table.semicolonCount;
        }
    }
    table.records.reserve(static_cast<size_t>(table.semicolonCount));

    size_t length = 0;
    size_t p = 0;
    while (p < text.size()) {
        if (text[p] == ';') {
            table.records.emplace_back(text.substr(p - length, length));
            length = 0;
            p += 3; // the line end after ';' is skipped without a look
        } else {
            ++length;
            ++p;
        }
    }
    return table;
}

void reportDataFileFailure() {
    showDataFileError();
    sendCloseRequest();
}

bool readTable(const char* path, TextTable& table) {
    std::vector<char> bytes;
    if (!readWholeFile(path, bytes)) {
        reportDataFileFailure();
        return false;
    }
    table = splitRecords(std::string_view(bytes.data(), bytes.size()));
    return true;
}

int32_t toNumber(std::string_view column) {
    size_t i = 0;
    auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < column.size() && isSpace(column[i])) {
        ++i;
    }
    bool negative = false;
    if (i < column.size() && (column[i] == '+' || column[i] == '-')) {
        negative = column[i] == '-';
        ++i;
    }
    uint32_t value = 0;
    while (i < column.size() && column[i] >= '0' && column[i] <= '9') {
        value = value * 10u + static_cast<uint32_t>(column[i] - '0');
        ++i;
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<int32_t>(value);
}

uint8_t toFlag(std::string_view column) {
    return toNumber(column) != 0 ? 1 : 0;
}
