// The image set: loading the four sprite sheets, and the scene's teardown.

#include "view/view.h"

#include "race/records.h"

ImageSet* images = nullptr;

namespace {

void deleteSheets(ImageSet* set) {
    // Index order 0 to 3, as the set is laid out.
    deleteSheet(set->courseSheet);
    deleteSheet(set->horseSheet);
    deleteSheet(set->uniformSheet);
    deleteSheet(set->gateSheet);
}

} // namespace

void loadImageSet() {
    // The program loads once. Loading again (tests, a recorder run) replaces
    // the earlier set instead of leaking it.
    if (images != nullptr) {
        deleteSheets(images);
        delete images;
        images = nullptr;
    }
    images = new ImageSet{nullptr, nullptr, nullptr, nullptr};
    // Each sheet goes into its slot as soon as its load returns.
    images->courseSheet = loadSheet("image/course.bmp");
    images->horseSheet = loadSheet("image/horse.bmp");
    images->uniformSheet = loadSheet("image/uniform.bmp");
    images->gateSheet = loadSheet("image/gate.bmp");
}

void releaseRace() {
    // The runner array, the race record, the four sheets, the set; every
    // pointer is cleared so that nothing is left dangling.
    releaseRaceRecords();
    if (images != nullptr) {
        deleteSheets(images);
        delete images;
        images = nullptr;
    }
}
