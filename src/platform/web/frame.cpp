// The frame side of the platform in a page: one thread. The browser's timer
// paces the frames and runs the update and the paint one after the other, so
// the scene lock has nothing to keep apart and a paint never sees half an
// update.

#include "platform/native.h"
#include "platform/platform.h"
#include "platform/web/web_platform.h"

namespace {

bool paintPending = false;

} // namespace

// A page served without cross-origin isolation has no threads.
Thread startThread(void (* /*routine*/)(void*), void* /*parameter*/) {
    return nullptr;
}

void joinThread(Thread /*thread*/) {}

// A page must never block; its timer waits between passes instead.
void sleepMs(int32_t /*milliseconds*/) {}

void takeSceneLock() {}

void releaseSceneLock() {}

void deliverPaintRequest() {
    paintPending = true;
}

bool takePaintRequest() {
    const bool pending = paintPending;
    paintPending = false;
    return pending;
}
