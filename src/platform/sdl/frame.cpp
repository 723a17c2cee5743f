// The frame thread's side of the platform: the thread, the sleep, the scene
// lock and the paint requests to the window.

#include "platform/native.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"

#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <mutex>

struct PlatformThread {
    SDL_Thread* thread;
    void (*routine)(void*);
    void* parameter;
};

namespace {

std::mutex sceneMutex;

// Set while a paint request is on its way to the window, so that several
// requests before one paint make a single paint.
std::atomic<bool> paintPending{false};

int runThread(void* data) {
    const PlatformThread* started = static_cast<PlatformThread*>(data);
    started->routine(started->parameter);
    return 0;
}

} // namespace

Thread startThread(void (*routine)(void*), void* parameter) {
    Thread started = new PlatformThread{nullptr, routine, parameter};
    started->thread = SDL_CreateThread(runThread, "frame", started);
    if (started->thread == nullptr) {
        delete started;
        return nullptr;
    }
    return started;
}

void joinThread(Thread thread) {
    if (thread == nullptr) {
        return;
    }
    SDL_WaitThread(thread->thread, nullptr);
    delete thread;
}

// For measuring the tick period from outside: with GALLOP_TICK_LOG naming a
// file, the frame thread notes there when each of its sleeps begins, in
// microseconds, a line each. Nothing is noted otherwise.
void noteSleep() {
    static std::FILE* const log = [] {
        const char* path = SDL_getenv("GALLOP_TICK_LOG");
        return path == nullptr || *path == '\0' ? nullptr : std::fopen(path, "w");
    }();
    if (log != nullptr) {
        std::fprintf(log, "%llu\n",
                     static_cast<unsigned long long>(SDL_GetPerformanceCounter() * 1000000.0 /
                                                     SDL_GetPerformanceFrequency()));
        std::fflush(log);
    }
}

void sleepMs(int32_t milliseconds) {
    if (milliseconds > 0) {
        noteSleep();
        SDL_Delay(static_cast<Uint32>(milliseconds));
    }
}

void takeSceneLock() {
    sceneMutex.lock();
}

void releaseSceneLock() {
    sceneMutex.unlock();
}

unsigned paintRequestEventType() {
    static const Uint32 type = SDL_RegisterEvents(1);
    return type;
}

void deliverPaintRequest() {
    if (platformWindow() == nullptr || paintPending.exchange(true)) {
        return;
    }
    SDL_Event event{};
    event.type = paintRequestEventType();
    if (SDL_PushEvent(&event) != 1) {
        paintPending = false;
    }
}

void paintRequestTaken() {
    paintPending = false;
}
