// gallop-record, run as a program against fixture data and synthetic sheets:
// its trace is checked field by field against the same race replayed in this
// process, its PNG frames pixel by pixel against the replayed back buffer,
// its frame hashes against the replayed frames, and its GIF read back with
// giflib.

#ifdef GALLOP_RECORD_EXE

#include "sheets.h"
#include "support.h"

#include "platform/platform.h"
#include "race/records.h"
#include "race/setup.h"
#include "race/update.h"
#include "view/view.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        out.push_back(line);
    }
    return out;
}

// The text of the value of "name" in a flat part of a JSON line.
std::string field(const std::string& text, const std::string& name) {
    const std::string key = "\"" + name + "\":";
    const size_t at = text.find(key);
    if (at == std::string::npos) {
        return "<missing " + name + ">";
    }
    const size_t start = at + key.size();
    size_t end = start;
    if (text[start] == '[') {
        end = text.find(']', start) + 1;
    } else {
        while (end < text.size() && text[end] != ',' && text[end] != '}') {
            ++end;
        }
    }
    return text.substr(start, end - start);
}

long long number(const std::string& text, const std::string& name) {
    return std::stoll(field(text, name));
}

// The runner objects of a line, in order.
std::vector<std::string> runnerObjects(const std::string& line) {
    std::vector<std::string> out;
    size_t at = line.find("\"runners\":[");
    while ((at = line.find("{\"bracket\"", at)) != std::string::npos) {
        const size_t end = line.find('}', at);
        out.push_back(line.substr(at, end - at + 1));
        at = end;
    }
    return out;
}

// Every field of the line against the race as it is now in this process.
void expectLineMatchesState(const std::string& line) {
    EXPECT_EQ(number(line, "tick"), tick);
    EXPECT_EQ(number(line, "runStep"), runStep);
    const std::string r = line.substr(line.find("\"race\":"));
    EXPECT_EQ(number(r, "courseValue"), race->courseValue);
    EXPECT_EQ(number(r, "trackStyle"), race->trackStyle);
    EXPECT_EQ(number(r, "direction"), race->direction);
    EXPECT_EQ(number(r, "section"), race->section);
    EXPECT_EQ(number(r, "startDistance"), race->startDistance);
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about
    // the inlined insert of a "literal" + std::string expression.
    std::string extras = "[";
    for (int k = 0; k < 4; ++k) {
        extras += k > 0 ? "," : "";
        extras += std::to_string(race->courseExtras[k]);
    }
    extras += ']';
    EXPECT_EQ(field(r, "courseExtras"), extras);
    EXPECT_EQ(number(r, "runnerCount"), race->runnerCount);
    EXPECT_EQ(number(r, "leaderDistance"), race->leaderDistance);
    EXPECT_EQ(number(r, "sectionShift"), race->sectionShift);
    EXPECT_EQ(number(r, "cameraDistance"), race->cameraDistance);
    EXPECT_EQ(number(r, "gateShown"), race->gateShown);
    EXPECT_EQ(number(r, "gaitRunning"), race->gaitRunning);
    EXPECT_EQ(number(r, "strideRunning"), race->strideRunning);
    EXPECT_EQ(number(r, "gateOpen"), race->gateOpen);
    EXPECT_EQ(number(r, "cameraFollow"), race->cameraFollow);
    EXPECT_EQ(number(r, "running"), race->running);
    EXPECT_EQ(number(r, "gaitFrame"), race->gaitFrame);
    const std::vector<std::string> objects = runnerObjects(line);
    ASSERT_EQ(static_cast<int32_t>(objects.size()), race->runnerCount);
    for (int32_t i = 0; i < race->runnerCount; ++i) {
        const std::string& o = objects[static_cast<size_t>(i)];
        const Runner& u = runners[i];
        EXPECT_EQ(number(o, "bracket"), u.bracket);
        EXPECT_EQ(number(o, "coat"), u.coat);
        EXPECT_EQ(number(o, "silks"), u.silks);
        EXPECT_EQ(number(o, "distance"), u.distance);
        EXPECT_EQ(number(o, "lane"), u.lane);
        // Bit for bit: the printed double parses back to the same double.
        const double carry = std::strtod(field(o, "carry").c_str(), nullptr);
        const double speed = std::strtod(field(o, "speed").c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&carry, &u.carry, sizeof carry), 0) << field(o, "carry");
        EXPECT_EQ(std::memcmp(&speed, &u.speed, sizeof speed), 0) << field(o, "speed");
        EXPECT_EQ(number(o, "baseSpeed"), u.baseSpeed);
        EXPECT_EQ(number(o, "stamina"), u.stamina);
        EXPECT_EQ(number(o, "strideFrame"), u.strideFrame);
    }
}

class Recorder : public ::testing::Test {
  protected:
    ScratchDir dir;
    fs::path out;

    void SetUp() override {
        // Odd side, rightward, startDistance 1000; 18 equal rivals of speed 150.
        dir.write("run/deta/courseDeta.txt", courseFile(courseLine("Raced", 1, 0, 3, 1000)));
        dir.write("run/deta/rival.txt", rivalFile(18, 6, 6));
        writeTestSheets((dir.path() / "run").string());
        out = dir.path() / "out";
        fs::create_directories(out);
    }
    void TearDown() override { releaseRace(); }

    // Runs the recorder from the scratch directory; returns its exit status.
    int record(const std::string& arguments, std::string* errors = nullptr) {
        const std::string command = std::string("\"") + GALLOP_RECORD_EXE + "\" " + arguments +
                                    " 2>\"" + (out / "stderr.txt").string() + "\"";
        const int status = std::system(command.c_str());
        if (errors != nullptr) {
            *errors = readText(out / "stderr.txt");
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The same race in this process, set up from the same files.
    void replaySetup() {
        fs::current_path(dir.path() / "run");
        tick = 0;
        runStep = 0;
        ASSERT_TRUE(setupRace());
        loadImageSet();
        fs::current_path(dir.path());
    }
};

TEST_F(Recorder, TraceMatchesTheRaceTickByTickAndFramesPixelByPixel) {
    ASSERT_EQ(record("--dir run --ticks 800 --trace out/trace.jsonl --frames out/frames --at "
                     "1,101,102,150-152,400,700,701 --hashes out/hashes.txt"),
              0);
    const std::vector<std::string> trace = lines(readText(out / "trace.jsonl"));
    // Lines 0 to 701: the update of tick 701 asks to close and ends the run.
    ASSERT_EQ(trace.size(), 702u);
    // One hash a drawn frame, ticks 1 to 700: the same hash as the frame
    // before exactly when the replayed frame is the same picture.
    const std::vector<std::string> hashes = lines(readText(out / "hashes.txt"));
    ASSERT_EQ(hashes.size(), 700u);
    std::vector<uint32_t> previousFrame;

    replaySetup();
    DrawContext buffer = createBackBuffer(800, 600);
    const int closesBefore = closeRequestCount();
    {
        SCOPED_TRACE("line 0, right after setup");
        expectLineMatchesState(trace[0]);
    }
    EXPECT_EQ(trace[0].rfind("{\"tick\":0,\"runStep\":0,\"race\":{\"courseValue\":12,", 0), 0u)
        << trace[0].substr(0, 80);
    int firstFollow = 0;
    for (int32_t t = 1; t <= 701; ++t) {
        updateRace();
        const bool closing = closeRequestCount() != closesBefore;
        EXPECT_EQ(closing, t == 701);
        if (!closing) {
            drawScene(buffer);
        }
        SCOPED_TRACE("line " + std::to_string(t));
        expectLineMatchesState(trace[static_cast<size_t>(t)]);
        if (firstFollow == 0 && race->cameraFollow) {
            firstFollow = t;
        }
        const fs::path png = out / "frames" / ([t] {
                                 char name[32];
                                 std::snprintf(name, sizeof name, "frame-%04d.png", t);
                                 return std::string(name);
                             })();
        const bool wanted =
            t == 1 || t == 101 || t == 102 || (t >= 150 && t <= 152) || t == 400 || t == 700;
        EXPECT_EQ(fs::exists(png), wanted) << png;
        std::vector<uint32_t> pixels;
        readPixels(buffer, pixels);
        if (wanted) {
            Png image;
            ASSERT_TRUE(readPng(png, image)) << png;
            EXPECT_EQ(image.width, 800);
            EXPECT_EQ(image.height, 600);
            EXPECT_TRUE(image.pixels == pixels) << png << " differs from the replayed frame";
        }
        if (t <= 700) {
            const std::string& line = hashes[static_cast<size_t>(t - 1)];
            EXPECT_EQ(line.substr(0, line.find(' ')), std::to_string(t));
            EXPECT_EQ(line.size(), std::to_string(t).size() + 17) << line;
            if (t > 1) {
                const std::string& before = hashes[static_cast<size_t>(t - 2)];
                EXPECT_EQ(line.substr(line.find(' ')) == before.substr(before.find(' ')),
                          pixels == previousFrame)
                    << "ticks " << t - 1 << " and " << t;
            }
        }
        previousFrame = std::move(pixels);
    }
    deleteBackBuffer(buffer);

    // Across the gate opening: tick 101 opens it, tick 102 makes the first step.
    EXPECT_EQ(number(trace[100], "gateOpen"), 0);
    EXPECT_EQ(number(trace[100], "running"), 0);
    EXPECT_EQ(number(trace[101], "gateOpen"), 1);
    EXPECT_EQ(number(trace[101], "running"), 1);
    EXPECT_EQ(number(trace[101], "runStep"), 0);
    EXPECT_EQ(number(trace[102], "runStep"), 1);
    EXPECT_EQ(number(trace[102], "gaitFrame"), 1);
    EXPECT_EQ(number(trace[101], "leaderDistance"), 1000);
    EXPECT_LT(number(trace[102], "leaderDistance"), 1000);

    // The camera lock: set by the update after a draw saw the leader pass the
    // camera point (600); from the next draw on the camera sits on the leader.
    ASSERT_GT(firstFollow, 102);
    const std::string& locked = trace[static_cast<size_t>(firstFollow)];
    const std::string& before = trace[static_cast<size_t>(firstFollow - 1)];
    EXPECT_EQ(number(before, "cameraFollow"), 0);
    EXPECT_EQ(number(before, "cameraDistance"), 600);
    EXPECT_LT(number(before, "leaderDistance"), 600);
    EXPECT_EQ(number(locked, "cameraDistance"), number(locked, "leaderDistance"));
    // The gate is hidden once the leader is 131 units past the start.
    EXPECT_EQ(number(trace[400], "gateShown"), 0);

    // The close request: the last line is the update of tick 701, with no draw.
    EXPECT_EQ(number(trace[701], "tick"), 701);
    EXPECT_FALSE(fs::exists(out / "frames" / "frame-0701.png"));
}

TEST_F(Recorder, StopsOnTheFirstCloseRequestAndWritesEveryFrameByDefault) {
    ASSERT_EQ(record("--dir run --ticks 3 --trace out/t.jsonl --frames out/f"), 0);
    EXPECT_EQ(lines(readText(out / "t.jsonl")).size(), 4u);
    for (const char* name : {"frame-0001.png", "frame-0002.png", "frame-0003.png"}) {
        Png image;
        ASSERT_TRUE(readPng(out / "f" / name, image)) << name;
        EXPECT_EQ(image.width, 800);
        EXPECT_EQ(image.height, 600);
    }
    EXPECT_FALSE(fs::exists(out / "f" / "frame-0004.png"));
    // --ticks 0: the trace holds the setup line alone.
    ASSERT_EQ(record("--dir run --ticks 0 --trace out/z.jsonl"), 0);
    EXPECT_EQ(lines(readText(out / "z.jsonl")).size(), 1u);
}

TEST_F(Recorder, GifHasOneFramePerDrawLoopsAndIsTheSameEveryRun) {
    ASSERT_EQ(record("--dir run --ticks 130 --gif out/a.gif"), 0);
    ASSERT_EQ(record("--dir run --ticks 130 --gif out/b.gif"), 0);
    EXPECT_EQ(readText(out / "a.gif"), readText(out / "b.gif"));

    int error = 0;
    GifFileType* gif = DGifOpenFileName((out / "a.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->SWidth, 800);
    EXPECT_EQ(gif->SHeight, 600);
    EXPECT_EQ(gif->ImageCount, 130);
    // NETSCAPE2.0 with loop count 0; giflib files it with the first image.
    bool loops = false;
    const SavedImage& first = gif->SavedImages[0];
    for (int i = 0; i + 1 < first.ExtensionBlockCount; ++i) {
        const ExtensionBlock& block = first.ExtensionBlocks[i];
        const ExtensionBlock& next = first.ExtensionBlocks[i + 1];
        loops = loops || (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                          std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && next.ByteCount == 3 &&
                          next.Bytes[0] == 1 && next.Bytes[1] == 0 && next.Bytes[2] == 0);
    }
    EXPECT_TRUE(loops);
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock control{};
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK);
        EXPECT_EQ(control.DelayTime, 3);
    }
    // The synthetic sheets hold far more than 256 colours: the palette is full.
    ASSERT_NE(gif->SColorMap, nullptr);
    EXPECT_EQ(gif->SColorMap->ColorCount, 256);
    DGifCloseFile(gif, &error);
}

TEST_F(Recorder, GifKeepsTheExactColoursWhenTheyFit) {
    // Single-colour sheets: every frame colour is in the palette exactly.
    const TestImage plain = [] {
        TestImage image{924, 1000, std::vector<uint32_t>(924 * 1000, 0x336699)};
        return image;
    }();
    for (const char* name : {"course", "horse", "uniform", "gate"}) {
        dir.write(std::string("run/image/") + name + ".bmp", bmpBytes(plain));
    }
    ASSERT_EQ(record("--dir run --ticks 2 --gif out/c.gif --frames out/c"), 0);
    int error = 0;
    GifFileType* gif = DGifOpenFileName((out / "c.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->ImageCount, 2);
    Png frame;
    ASSERT_TRUE(readPng(out / "c" / "frame-0001.png", frame));
    const SavedImage& first = gif->SavedImages[0];
    ASSERT_EQ(first.ImageDesc.Width, 800);
    ASSERT_EQ(first.ImageDesc.Height, 600);
    for (size_t i = 0; i < frame.pixels.size(); i += 997) {
        const GifColorType c = gif->SColorMap->Colors[first.RasterBits[i]];
        EXPECT_EQ(static_cast<uint32_t>(c.Red) << 16 | static_cast<uint32_t>(c.Green) << 8 | c.Blue,
                  frame.pixels[i]);
    }
    DGifCloseFile(gif, &error);
}

TEST_F(Recorder, MissingDataFileIsNamedAndFails) {
    fs::remove(dir.path() / "run" / "deta" / "rival.txt");
    std::string errors;
    const int status = record("--dir run --trace out/t.jsonl", &errors);
    EXPECT_NE(status, 0);
    EXPECT_NE(status, 2);
    EXPECT_NE(errors.find("deta/rival.txt"), std::string::npos) << errors;
}

TEST_F(Recorder, TooFewCourseRecordsFails) {
    dir.write("run/deta/courseDeta.txt", courseLine("Only", 1, 0, 3, 1000));
    std::string errors;
    EXPECT_NE(record("--dir run", &errors), 0);
    EXPECT_NE(errors.find("courseDeta.txt"), std::string::npos) << errors;
}

TEST_F(Recorder, BadArgumentsPrintTheUsageAndExit2) {
    for (const char* arguments :
         {"--bogus", "--ticks", "--ticks -1", "--ticks 12x", "--at 5-3", "--at 0", "--at 1,,2",
          "--at x", "--dir run --dir run", "stray"}) {
        std::string errors;
        EXPECT_EQ(record(arguments, &errors), 2) << arguments;
        EXPECT_NE(errors.find("usage: gallop-record"), std::string::npos) << arguments;
    }
}

TEST_F(Recorder, FoldersNamedInAnyScriptWork) {
    // The run directory and the outputs in folders with spaces and names in
    // three scripts: the sheets are drawn and every file is written.
    fs::rename(dir.path() / "run", dir.path() / "Käse レース");
    ASSERT_EQ(record("--dir \"Käse レース\" --ticks 5 --frames \"out/Пари 1\" --at 5 "
                     "--trace \"out/競馬.jsonl\" --hashes \"out/Пари.txt\""),
              0);
    Png image;
    ASSERT_TRUE(readPng(out / "Пари 1" / "frame-0005.png", image));
    EXPECT_NE(image.pixels, std::vector<uint32_t>(800 * 600, 0));
    EXPECT_FALSE(readText(out / "競馬.jsonl").empty());
    EXPECT_FALSE(readText(out / "Пари.txt").empty());
}

TEST_F(Recorder, MissingSheetsStillRecord) {
    fs::remove_all(dir.path() / "run" / "image");
    ASSERT_EQ(record("--dir run --ticks 5 --frames out/m --gif out/m.gif"), 0);
    Png image;
    ASSERT_TRUE(readPng(out / "m" / "frame-0005.png", image));
    EXPECT_EQ(image.pixels, std::vector<uint32_t>(800 * 600, 0));
}

} // namespace

#endif // GALLOP_RECORD_EXE
