// The frame thread's side of the platform: the thread, the sleep, the scene
// lock and the paint requests to the window, on KERNEL32 and USER32.

#include "platform/native.h"
#include "platform/platform.h"
#include "platform/win32/win32_platform.h"

struct PlatformThread {
    HANDLE handle;
    void (*routine)(void*);
    void* parameter;
};

namespace {

// The scene lock. A critical section needs no clean-up when the process ends,
// so it is set up on first use and lives as long as the program.
struct SceneSection {
    CRITICAL_SECTION section;
    SceneSection() { InitializeCriticalSection(&section); }
};

CRITICAL_SECTION* sceneSection() {
    static SceneSection scene;
    return &scene.section;
}

DWORD WINAPI runThread(LPVOID data) {
    const PlatformThread* started = static_cast<PlatformThread*>(data);
    started->routine(started->parameter);
    return 0;
}

} // namespace

Thread startThread(void (*routine)(void*), void* parameter) {
    Thread started = new PlatformThread{nullptr, routine, parameter};
    DWORD id = 0;
    started->handle = CreateThread(nullptr, 0, runThread, started, 0, &id);
    if (started->handle == nullptr) {
        delete started;
        return nullptr;
    }
    return started;
}

void joinThread(Thread thread) {
    if (thread == nullptr) {
        return;
    }
    // The thread may be inside SendMessageA to a window of this thread, and
    // such a call returns only once this thread has taken the message. So the
    // wait keeps answering sent messages until the thread has ended; posted
    // messages stay in the queue.
    while (MsgWaitForMultipleObjects(1, &thread->handle, FALSE, INFINITE, QS_SENDMESSAGE) ==
           WAIT_OBJECT_0 + 1) {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(thread->handle);
    delete thread;
}

void sleepMs(int32_t milliseconds) {
    // Sleep(0) still gives the rest of the time slice to any thread that is
    // ready, so a pass loop with no interval cannot keep the window's thread
    // from the scene lock.
    Sleep(static_cast<DWORD>(milliseconds > 0 ? milliseconds : 0));
}

void takeSceneLock() {
    EnterCriticalSection(sceneSection());
}

void releaseSceneLock() {
    LeaveCriticalSection(sceneSection());
}

void deliverPaintRequest() {
    // The whole client area, without erasing the background. Invalidations
    // before one WM_PAINT merge into that paint.
    if (HWND window = platformWindow()) {
        InvalidateRect(window, nullptr, FALSE);
    }
}
