// fuzz-race: arbitrary values in every field of the race record, of all
// eighteen runners and of the two counters go through a few rounds of one
// update and one draw, with the real sprite sheets loaded.
//
// Input: the values in field order (race record, then runner 0 to 17, then
// tick and runStep), each as little-endian bytes of its own width, then one
// byte for the number of rounds (1 to 4), then the sizes of two bitmaps and a
// copy between them for the clipping alone; missing bytes are 0.
//
// Checked by the sanitizers: no undefined behaviour anywhere, and nothing
// read or written outside the runner array, the sheets or the back buffer;
// by the target: every clipped copy lies inside both bitmaps.

#include "fuzz_support.h"

#include "platform/copy_clip.h"
#include "race/records.h"
#include "race/update.h"
#include "view/view.h"

#include <cstring>

namespace {

// Takes the input's bytes in order, as the fields want them.
struct ByteSource {
    const uint8_t* data;
    size_t size;

    template <typename T> T take() {
        unsigned char bytes[sizeof(T)] = {};
        const size_t n = size < sizeof(T) ? size : sizeof(T);
        std::memcpy(bytes, data, n);
        data += n;
        size -= n;
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CurrentDirectory runDir(buildRunDir());
    loadImageSet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteSource in{data, size};
    releaseRaceRecords();
    race = new RaceState();
    RaceState& r = *race;
    r.courseValue = in.take<int32_t>();
    r.trackStyle = in.take<uint8_t>();
    r.direction = in.take<uint8_t>();
    r.section = in.take<int32_t>();
    r.startDistance = in.take<int32_t>();
    for (int32_t& extra : r.courseExtras) {
        extra = in.take<int32_t>();
    }
    r.runnerCount = in.take<int32_t>();
    r.leaderDistance = in.take<int32_t>();
    r.sectionShift = in.take<int32_t>();
    r.cameraDistance = in.take<int32_t>();
    r.gateShown = in.take<uint8_t>();
    r.gaitRunning = in.take<uint8_t>();
    r.strideRunning = in.take<uint8_t>();
    r.gateOpen = in.take<uint8_t>();
    r.cameraFollow = in.take<uint8_t>();
    r.running = in.take<uint8_t>();
    r.gaitFrame = in.take<int32_t>();

    // Exactly eighteen records, so that the sanitizer sees any step past them.
    runners = new Runner[maxRunners];
    for (int32_t i = 0; i < maxRunners; ++i) {
        Runner& u = runners[i];
        u.bracket = in.take<int32_t>();
        u.coat = in.take<int32_t>();
        u.silks = in.take<int32_t>();
        u.distance = in.take<int32_t>();
        u.lane = in.take<int32_t>();
        u.carry = in.take<double>();
        u.speed = in.take<double>();
        u.baseSpeed = in.take<int32_t>();
        u.stamina = in.take<int32_t>();
        u.strideFrame = in.take<int32_t>();
    }
    tick = in.take<int32_t>();
    runStep = in.take<int32_t>();
    const int rounds = 1 + in.take<uint8_t>() % 4;

    DrawContext buffer = fuzzBackBuffer();
    for (int k = 0; k < rounds; ++k) {
        updateRace();
        drawScene(buffer);
    }
    FUZZ_CHECK(contextWidth(buffer) == 800 && contextHeight(buffer) == 600);

    // The clipping under every copy, on its own: the sanitizer cannot see a
    // step a few pixels past a bitmap that its allocator has padded.
    const int targetWidth = in.take<uint16_t>();
    const int targetHeight = in.take<uint16_t>();
    const int sourceWidth = in.take<uint16_t>();
    const int sourceHeight = in.take<uint16_t>();
    const int x = in.take<int32_t>(), y = in.take<int32_t>();
    const int w = in.take<int32_t>(), h = in.take<int32_t>();
    const int sx = in.take<int32_t>(), sy = in.take<int32_t>();
    CopySpan span;
    if (clipCopy(targetWidth, targetHeight, sourceWidth, sourceHeight, x, y, w, h, sx, sy, span)) {
        FUZZ_CHECK(span.w > 0 && span.h > 0);
        FUZZ_CHECK(span.x >= 0 && span.x + span.w <= targetWidth);
        FUZZ_CHECK(span.y >= 0 && span.y + span.h <= targetHeight);
        FUZZ_CHECK(span.sx >= 0 && span.sx + span.w <= sourceWidth);
        FUZZ_CHECK(span.sy >= 0 && span.sy + span.h <= sourceHeight);
        // Every pixel lands where the unclipped copy puts it.
        FUZZ_CHECK(int64_t{span.x} - x == int64_t{span.sx} - sx);
        FUZZ_CHECK(int64_t{span.y} - y == int64_t{span.sy} - sy);
        FUZZ_CHECK(span.x >= x && int64_t{span.x} + span.w <= int64_t{x} + w);
        FUZZ_CHECK(span.y >= y && int64_t{span.y} + span.h <= int64_t{y} + h);
    }
    return 0;
}
