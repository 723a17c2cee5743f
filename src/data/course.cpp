// Reads one record of deta/courseDeta.txt into the race record's course fields.
#include "data/course.h"

#include "data/table.h"
#include "race/records.h"

bool loadCourse(int32_t recordIndex) {
    TextTable table;
    if (!readTable("deta/courseDeta.txt", table)) {
        return false;
    }
    if (recordIndex < 0 || static_cast<size_t>(recordIndex) >= table.records.size()) {
        reportDataFileFailure();
        return false;
    }

    forEachColumn(table.records[static_cast<size_t>(recordIndex)],
                  [](int32_t column, std::string_view text) {
                      switch (column) {
                      case 1:
                          race->courseValue = toNumber(text);
                          break;
                      case 2:
                          race->direction = toFlag(text);
                          break;
                      case 3:
                          race->trackStyle = toFlag(text);
                          break;
                      case 4:
                          race->section = toNumber(text);
                          break;
                      case 5:
                          race->startDistance = toNumber(text);
                          break;
                      case 6:
                      case 7:
                      case 8:
                      case 9:
                          race->courseExtras[column - 6] = toNumber(text);
                          break;
                      default:
                          break; // the course's name and anything after column 9
                      }
                  });
    return true;
}
