// The bookkeeping, shared by every platform, that keeps a close request from
// going out while its thread holds the scene lock: the window's thread may be
// waiting for that lock to paint. No system header here.
#pragma once

// Each platform's own part: show the one error message, and send the close
// request to the main window at once (on Win32 a SendMessageA that returns
// once the window has handled it; on SDL an event on the window's queue).
// Without a window the message goes to standard error and the close request
// does nothing.
void displayDataFileError();
void deliverCloseRequest();

namespace closeHold {

// How deep this thread is inside the scene lock, and whether a close request
// was made meanwhile and is waiting for the lock to be released.
inline thread_local int sceneLockDepth = 0;
inline thread_local bool closeHeldBack = false;

} // namespace closeHold

// Called right after taking the scene lock.
inline void sceneLockTaken() {
    ++closeHold::sceneLockDepth;
}

// Called right after releasing the scene lock. True when this thread is now
// out of the lock and a close request held back meanwhile is to go out.
inline bool sceneLockReleased() {
    --closeHold::sceneLockDepth;
    if (closeHold::sceneLockDepth == 0 && closeHold::closeHeldBack) {
        closeHold::closeHeldBack = false;
        return true;
    }
    return false;
}

// True when this thread holds the scene lock: the close request is then held
// back until sceneLockReleased hands it out.
inline bool holdBackCloseRequest() {
    if (closeHold::sceneLockDepth == 0) {
        return false;
    }
    closeHold::closeHeldBack = true;
    return true;
}
