// One line of the recorder's JSON Lines trace, field by field.
#include "trace.h"

#include "race/records.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

void add(std::string& out, const char* name, long long value) {
    out += '"';
    out += name;
    out += "\":";
    out += std::to_string(value);
}

void add(std::string& out, const char* name, double value) {
    out += '"';
    out += name;
    out += "\":";
    if (!std::isfinite(value)) {
        out += "null"; // JSON has no NaN or infinity; the race never makes them
        return;
    }
    // The text of C's "%.17g". Made by the C++ library where it can, since
    // printf's doubles differ between C libraries (the Windows runtime's
    // among them); a library without floating-point to_chars (the web
    // build's) has an exactly rounding printf.
    char text[40];
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
    const std::to_chars_result end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 17);
    out.append(text, end.ptr);
#else
    const int length = std::snprintf(text, sizeof text, "%.17g", value);
    out.append(text, static_cast<size_t>(std::clamp(length, 0, static_cast<int>(sizeof text) - 1)));
#endif
}

} // namespace

std::string traceLine() {
    std::string out;
    out.reserve(4096);
    out += '{';
    add(out, "tick", static_cast<long long>(tick));
    out += ',';
    add(out, "runStep", static_cast<long long>(runStep));
    out += ",\"race\":";
    if (race == nullptr) {
        out += "null,\"runners\":[]}\n";
        return out;
    }
    const RaceState& r = *race;
    out += '{';
    add(out, "courseValue", static_cast<long long>(r.courseValue));
    out += ',';
    add(out, "trackStyle", static_cast<long long>(r.trackStyle != 0));
    out += ',';
    add(out, "direction", static_cast<long long>(r.direction != 0));
    out += ',';
    add(out, "section", static_cast<long long>(r.section));
    out += ',';
    add(out, "startDistance", static_cast<long long>(r.startDistance));
    out += ",\"courseExtras\":[";
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about
    // the inlined insert of a "literal" + std::string expression.
    for (int k = 0; k < 4; ++k) {
        if (k > 0) {
            out += ',';
        }
        out += std::to_string(r.courseExtras[k]);
    }
    out += "],";
    add(out, "runnerCount", static_cast<long long>(r.runnerCount));
    out += ',';
    add(out, "leaderDistance", static_cast<long long>(r.leaderDistance));
    out += ',';
    add(out, "sectionShift", static_cast<long long>(r.sectionShift));
    out += ',';
    add(out, "cameraDistance", static_cast<long long>(r.cameraDistance));
    out += ',';
    add(out, "gateShown", static_cast<long long>(r.gateShown != 0));
    out += ',';
    add(out, "gaitRunning", static_cast<long long>(r.gaitRunning != 0));
    out += ',';
    add(out, "strideRunning", static_cast<long long>(r.strideRunning != 0));
    out += ',';
    add(out, "gateOpen", static_cast<long long>(r.gateOpen != 0));
    out += ',';
    add(out, "cameraFollow", static_cast<long long>(r.cameraFollow != 0));
    out += ',';
    add(out, "running", static_cast<long long>(r.running != 0));
    out += ',';
    add(out, "gaitFrame", static_cast<long long>(r.gaitFrame));
    out += "},\"runners\":[";
    const int32_t count = runners == nullptr ? 0 : std::max(r.runnerCount, int32_t{0});
    for (int32_t i = 0; i < count; ++i) {
        const Runner& u = runners[i];
        out += i > 0 ? ",{" : "{";
        add(out, "bracket", static_cast<long long>(u.bracket));
        out += ',';
        add(out, "coat", static_cast<long long>(u.coat));
        out += ',';
        add(out, "silks", static_cast<long long>(u.silks));
        out += ',';
        add(out, "distance", static_cast<long long>(u.distance));
        out += ',';
        add(out, "lane", static_cast<long long>(u.lane));
        out += ',';
        add(out, "carry", u.carry);
        out += ',';
        add(out, "speed", u.speed);
        out += ',';
        add(out, "baseSpeed", static_cast<long long>(u.baseSpeed));
        out += ',';
        add(out, "stamina", static_cast<long long>(u.stamina));
        out += ',';
        add(out, "strideFrame", static_cast<long long>(u.strideFrame));
        out += '}';
    }
    out += "]}\n";
    return out;
}
