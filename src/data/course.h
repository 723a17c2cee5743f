// The course file's reader: one record of deta/courseDeta.txt into the race record.
#pragma once

#include <cstdint>

// Fills the course fields of `race` from record `recordIndex` of
// deta/courseDeta.txt. Fields whose column the record lacks keep their value.
// Returns false, after the error message and the close request, when the file
// cannot be opened or has no such record.
bool loadCourse(int32_t recordIndex);
