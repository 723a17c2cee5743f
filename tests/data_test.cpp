// The two table readers and the text-table scheme they share.

#include "data/course.h"
#include "data/rivals.h"
#include "data/table.h"
#include "platform/platform.h"
#include "race/records.h"
#include "support.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct Conversion {
    const char* text;
    int32_t number;
    uint8_t flag;
};

TEST(TableScheme, ColumnsConvertLikeAtoi) {
    const Conversion cases[] = {
        {"42abc", 42, 1},
        {"+7", 7, 1},
        {"-3", -3, 1},
        {"", 0, 0},
        {"1 2", 1, 1},
        {" 1", 1, 1},
        {"-1", -1, 1},
        {"2", 2, 1},
        {"0", 0, 0},
        {"abc", 0, 0},
        {"- 5", 0, 0},
        {"+-5", 0, 0},
        {"\r\n\t\v\f 9", 9, 1},
        {"2147483647", INT32_MAX, 1},
        {"-2147483648", INT32_MIN, 1},
        {"2147483648", INT32_MIN, 1}, // beyond 32 bits the value wraps around
        {"4294967296", 0, 0},
        {"4294967297", 1, 1},
        {"99999999999999999999", 1661992959, 1},
    };
    for (const Conversion& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(toNumber(c.text), c.number);
        EXPECT_EQ(toFlag(c.text), c.flag);
    }
}

struct Split {
    const char* name;
    std::string text;
    int32_t semicolons;
    std::vector<std::string> records;
};

TEST(TableScheme, SplitsRecords) {
    using namespace std::string_literals;
    const Split cases[] = {
        {"CRLF line ends", "a,b,;\r\nc,d,;\r\n", 2, {"a,b,", "c,d,"}},
        {"LF line ends lose the next record's first byte",
         "ab,;\ncd,;\nef,;\n",
         3,
         {"ab,", "d,", "f,"}},
        {"a zero byte ends the text", "a,;\r\nb,;\r\n\0c,;\r\n"s, 2, {"a,", "b,"}},
        {"two ';' in a row end one record", "a,;;xb,;\r\n", 3, {"a,", "b,"}},
        {"last ';' as the final byte", "a,;\r\nb,;", 2, {"a,", "b,"}},
        {"a final line without ';' is ignored", "a,;\r\nb,c,d,\r\n", 1, {"a,"}},
        {"a record may run over lines", "a,\r\n 5,;\r\n", 1, {"a,\r\n 5,"}},
        {"an empty text", "", 0, {}},
        {"the text ends inside the skipped bytes", "a;\r", 1, {"a"}},
    };
    for (const Split& c : cases) {
        SCOPED_TRACE(c.name);
        const TextTable table = splitRecords(c.text);
        EXPECT_EQ(table.semicolonCount, c.semicolons);
        EXPECT_EQ(table.records, c.records);
    }
}

TEST(TableScheme, TakesOnlyColumnsFollowedByAComma) {
    std::vector<std::pair<int32_t, std::string>> seen;
    forEachColumn("x,,7,tail", [&](int32_t column, std::string_view text) {
        seen.emplace_back(column, std::string(text));
    });
    const std::vector<std::pair<int32_t, std::string>> expected = {{0, "x"}, {1, ""}, {2, "7"}};
    EXPECT_EQ(seen, expected);
}

class CourseFile : public ::testing::Test {
  protected:
    void SetUp() override { race = new RaceState(); }
    void TearDown() override { releaseRaceRecords(); }
    ScratchDir dir;
};

TEST_F(CourseFile, WorkedExampleFillsAllNineFields) {
    dir.write("deta/courseDeta.txt",
              courseFile("Maple Park,12,1,0,3,900,10,20,30,40,;\r\n") + "After,1,1,1,1,1,;\r\n");
    ASSERT_TRUE(loadCourse(5));
    EXPECT_EQ(race->courseValue, 12);
    EXPECT_EQ(race->direction, 1);
    EXPECT_EQ(race->trackStyle, 0);
    EXPECT_EQ(race->section, 3);
    EXPECT_EQ(race->startDistance, 900);
    EXPECT_EQ(race->courseExtras[0], 10);
    EXPECT_EQ(race->courseExtras[1], 20);
    EXPECT_EQ(race->courseExtras[2], 30);
    EXPECT_EQ(race->courseExtras[3], 40);
}

TEST_F(CourseFile, ColumnWithoutCommaLeavesItsFieldAsItWas) {
    dir.write("deta/courseDeta.txt", courseFile("Maple Park,12,1,0,3,900,10,20,30,40;\r\n"));
    race->courseExtras[3] = -77;
    race->runnerCount = 18;
    ASSERT_TRUE(loadCourse(5));
    EXPECT_EQ(race->courseExtras[2], 30);
    EXPECT_EQ(race->courseExtras[3], -77);
    EXPECT_EQ(race->runnerCount, 18);
}

TEST_F(CourseFile, ByteOrderMarkAndOtherRecordsDoNotMatter) {
    dir.write("deta/courseDeta.txt", "\xEF\xBB\xBFjunk;\r\n;\r\n\xff\xfe;\r\n,,,;\r\nx;\r\n"
                                     "Line Two,5,\r\n1,\r\n 1,7,\r\n1200,1,2,3,4,;\r\n");
    ASSERT_TRUE(loadCourse(5));
    EXPECT_EQ(race->courseValue, 5);
    EXPECT_EQ(race->direction, 1);
    EXPECT_EQ(race->trackStyle, 1);
    EXPECT_EQ(race->section, 7);
    EXPECT_EQ(race->startDistance, 1200);
}

TEST_F(CourseFile, LfOnlyRecordStartingWithCommaShiftsColumns) {
    // With LF line ends each record loses its first byte; here that is the
    // leading ',' of record 5, so every column moves down by one.
    dir.write("deta/courseDeta.txt", "xa;\nxb;\nxc;\nxd;\nxe;\n,12,1,0,3,900,10,20,30,40,;\n");
    ASSERT_TRUE(loadCourse(5));
    EXPECT_EQ(race->courseValue, 1);
    EXPECT_EQ(race->direction, 0);
    EXPECT_EQ(race->trackStyle, 1);
    EXPECT_EQ(race->section, 900);
    EXPECT_EQ(race->startDistance, 10);
    EXPECT_EQ(race->courseExtras[2], 40);
}

class DataFailure : public ::testing::Test {
  protected:
    void TearDown() override {
        freeRivals();
        releaseRaceRecords();
    }
    ScratchDir dir;
};

TEST_F(DataFailure, MissingCourseFileReportsOnceAndReadsNothing) {
    race = new RaceState();
    race->startDistance = 123;
    const int errors = dataFileErrorCount();
    const int closes = closeRequestCount();
    EXPECT_FALSE(loadCourse(5));
    EXPECT_EQ(dataFileErrorCount(), errors + 1);
    EXPECT_EQ(closeRequestCount(), closes + 1);
    EXPECT_EQ(race->startDistance, 123);
}

TEST_F(DataFailure, CourseFileWithoutRecordFiveIsReportedLikeAMissingFile) {
    race = new RaceState();
    dir.write("deta/courseDeta.txt", courseLine("Only", 1, 1, 1, 700));
    const int errors = dataFileErrorCount();
    const int closes = closeRequestCount();
    EXPECT_FALSE(loadCourse(5));
    EXPECT_EQ(dataFileErrorCount(), errors + 1);
    EXPECT_EQ(closeRequestCount(), closes + 1);
    EXPECT_EQ(race->startDistance, 0);
}

TEST_F(DataFailure, MissingRivalFileMakesNoTable) {
    const int errors = dataFileErrorCount();
    const int closes = closeRequestCount();
    EXPECT_FALSE(loadRivals());
    EXPECT_EQ(rivals, nullptr);
    EXPECT_EQ(dataFileErrorCount(), errors + 1);
    EXPECT_EQ(closeRequestCount(), closes + 1);
}

class RivalFile : public ::testing::Test {
  protected:
    void TearDown() override { freeRivals(); }
    ScratchDir dir;
};

TEST_F(RivalFile, WorkedExampleFillsItsRow) {
    dir.write("deta/rival.txt", rivalFile(3, 1, 1) +
                                    "Blue Comet,a,b,c,2,7,d,3,e,f,g,-4,more,;\r\n" +
                                    rivalFile(20, 4, 3));
    ASSERT_TRUE(loadRivals());
    EXPECT_EQ(rivalCount, 24);
    const RivalEntry& row = rivals[3];
    EXPECT_EQ(row.coat, 2);
    EXPECT_EQ(row.silks, 7);
    EXPECT_EQ(row.speedGrade, 3);
    EXPECT_EQ(row.speedAdjust, -4);
    EXPECT_EQ(rivals[23].silks, 19); // rows past 17 are read too
}

TEST_F(RivalFile, MissingAndEmptyColumnsReadAsZero) {
    dir.write("deta/rival.txt", "A,b,c,d,5,6,e,7,f,g,h,8;\r\n"
                                "B,b,c,d,,,e,,f,g,h,,;\r\n"
                                "C,;\r\n");
    ASSERT_TRUE(loadRivals());
    ASSERT_EQ(rivalCount, 3);
    EXPECT_EQ(rivals[0].coat, 5);
    EXPECT_EQ(rivals[0].speedGrade, 7);
    EXPECT_EQ(rivals[0].speedAdjust, 0); // no ',' after column 11
    for (int r = 1; r < 3; ++r) {
        EXPECT_EQ(rivals[r].coat, 0);
        EXPECT_EQ(rivals[r].silks, 0);
        EXPECT_EQ(rivals[r].speedGrade, 0);
        EXPECT_EQ(rivals[r].speedAdjust, 0);
    }
}

} // namespace
