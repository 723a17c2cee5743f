// fuzz-options: arbitrary command lines for the recorder's parser.
//
// Input: the arguments, each ended by a zero byte (the last one may lack it).
//
// Checked: a refused command line says why; an accepted one holds a tick
// count of 0 or more and, with --at, ticks from 1 to maxListedTick alone, so
// that the list stays small however many and however wide the ranges are.

#include "fuzz_support.h"

#include "options.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> words{"gallop-record"};
    std::string word;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);

    RecordOptions options;
    std::string error;
    if (!parseOptions(static_cast<int>(words.size()), argv.data(), options, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(error.empty());
    FUZZ_CHECK(options.ticks >= 0);
    FUZZ_CHECK(options.atGiven || options.at.empty());
    FUZZ_CHECK(options.at.empty() ||
               (*options.at.begin() >= 1 && *options.at.rbegin() <= maxListedTick));
    return 0;
}
