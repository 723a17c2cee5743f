// The error message and the close request, on SDL2.

#include "platform/native.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"

#include <SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace {

std::atomic<SDL_Window*> mainWindow{nullptr};

} // namespace

void setPlatformWindow(SDL_Window* window) {
    mainWindow = window;
}
SDL_Window* platformWindow() {
    return mainWindow;
}

unsigned closeRequestEventType() {
    static const Uint32 type = SDL_RegisterEvents(1);
    return type;
}

// SDL draws its X11 message box in a child process that it forks, and it
// places the box by its video subsystem's display data, as the child reads
// it. Forked from this program, with its window open and the frame thread
// running, that child was seen to crash on those data about once in 30 runs,
// and the message went to standard error, where no user sees it. So the box
// is shown by a fresh copy of this program instead, started for it alone:
// with no video subsystem started, SDL places the box by the X screen's own
// size. The program waits until the box is dismissed.
//
// While it waits, SIGINT and SIGTERM end the wait: SDL would only turn them
// into a quit event, which nobody reads until the box is gone. The box's
// process runs in a process group of its own (with the child SDL forks to
// draw the box), and the whole group is ended with the same signal.
namespace {

constexpr const char* messageBoxVariable = "GALLOP_MESSAGE_BOX";
constexpr int waitSignals[] = {SIGINT, SIGTERM};

// Set by the signal handler, on whichever thread the signal reaches; the
// write end of a pipe wakes the waiting thread at once.
std::atomic<int> boxInterruption{0};
std::atomic<int> wakeWriteEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void interruptBoxWait(int signal) {
    boxInterruption = signal;
    const int saved = errno;
    const char byte = 0;
    if (write(wakeWriteEnd, &byte, 1) < 0) {
        // The pipe is full: the waiting thread is woken already.
    }
    errno = saved;
}

pid_t spawnBoxProcess() {
    char program[] = "/proc/self/exe";
    char* arguments[] = {program, nullptr};
    std::string flag = std::string(messageBoxVariable) + "=1";
    std::vector<char*> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        environment.push_back(*entry);
    }
    environment.push_back(flag.data());
    environment.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t child = 0;
    const int error =
        posix_spawn(&child, program, nullptr, &attributes, arguments, environment.data());
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        std::fprintf(stderr, "gallop: cannot start the message box: %s\n", std::strerror(error));
        return -1;
    }
    return child;
}

// Waits for the box's process to end, or for SIGINT or SIGTERM, which end
// its process group. False when the box was not shown and dismissed.
bool waitForBox(pid_t child, int wakeReadEnd) {
    int status = 0;
    while (true) {
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) {
            break;
        }
        if (ended == -1 && errno != EINTR) {
            return false;
        }
        if (const int signal = boxInterruption.load()) {
            kill(-child, signal);
            while (waitpid(child, &status, 0) == -1 && errno == EINTR) {
            }
            return false;
        }
        // Woken by a signal at once; the box's end is seen within 50 ms.
        pollfd wake{wakeReadEnd, POLLIN, 0};
        poll(&wake, 1, 50);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "gallop: the message box ended with status %d\n", status);
        return false;
    }
    return true;
}

bool showBoxInFreshProcess() {
    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    wakeWriteEnd = wake[1];
    // SDL's own handlers (or whatever was there) come back after the wait. A
    // signal ignored since the start stays ignored, as SDL leaves it: a
    // program started in the background is not meant to hear SIGINT.
    struct sigaction ours {};
    ours.sa_handler = interruptBoxWait;
    sigemptyset(&ours.sa_mask);
    struct sigaction previous[std::size(waitSignals)];
    for (size_t i = 0; i < std::size(waitSignals); ++i) {
        sigaction(waitSignals[i], nullptr, &previous[i]);
        if (previous[i].sa_handler != SIG_IGN) {
            sigaction(waitSignals[i], &ours, nullptr);
        }
    }
    const pid_t child = spawnBoxProcess();
    const bool shown = child > 0 && waitForBox(child, wake[0]);
    for (size_t i = 0; i < std::size(waitSignals); ++i) {
        sigaction(waitSignals[i], &previous[i], nullptr);
    }
    wakeWriteEnd = -1;
    close(wake[0]);
    close(wake[1]);
    return shown;
}

} // namespace

int messageBoxInterruption() {
    return boxInterruption;
}

bool isMessageBoxProcess() {
    return SDL_getenv(messageBoxVariable) != nullptr;
}

int showMessageBoxProcess() {
    if (SDL_ShowSimpleMessageBox(0, "", dataFileErrorText, nullptr) != 0) {
        std::fprintf(stderr, "gallop: cannot show the message box: %s\n", SDL_GetError());
        return 1;
    }
    return 0;
}

void displayDataFileError() {
    // A program told to end while its box was up shows nothing more.
    if (boxInterruption.load() != 0) {
        return;
    }
    if ((mainWindow.load() == nullptr || !showBoxInFreshProcess()) && boxInterruption.load() == 0) {
        std::fprintf(stderr, "%s\n", dataFileErrorText);
    }
}

void deliverCloseRequest() {
    if (mainWindow.load() != nullptr) {
        SDL_Event event{};
        event.type = closeRequestEventType();
        SDL_PushEvent(&event);
    }
}

bool errorOutputIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}
