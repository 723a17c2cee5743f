// The error message, the close request, the scene lock and the paint request
// as every platform counts and routes them. A close request made while this
// thread holds the scene lock is held back until the lock is released: the
// window's thread may be waiting for that lock to paint.

#include "platform/native.h"
#include "platform/platform.h"

#include <atomic>

const char* const dataFileErrorText = "データファイルの読み込みに失敗しました";

namespace {

std::atomic<int> closeRequests{0};
std::atomic<int> dataFileErrors{0};
std::atomic<int> paintRequests{0};

// How deep this thread is inside the scene lock, and whether a close request
// was made meanwhile and waits for the lock to be released.
thread_local int sceneLockDepth = 0;
thread_local bool closeHeldBack = false;

} // namespace

void showDataFileError() {
    ++dataFileErrors;
    displayDataFileError();
}

void sendCloseRequest() {
    ++closeRequests;
    if (sceneLockDepth > 0) {
        closeHeldBack = true;
        return;
    }
    deliverCloseRequest();
}

void lockScene() {
    takeSceneLock();
    ++sceneLockDepth;
}

void unlockScene() {
    releaseSceneLock();
    --sceneLockDepth;
    if (sceneLockDepth == 0 && closeHeldBack) {
        closeHeldBack = false;
        deliverCloseRequest();
    }
}

void requestPaint() {
    ++paintRequests;
    deliverPaintRequest();
}

int closeRequestCount() {
    return closeRequests;
}

int dataFileErrorCount() {
    return dataFileErrors;
}

int paintRequestCount() {
    return paintRequests;
}
