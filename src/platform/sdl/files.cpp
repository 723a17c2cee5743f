// The error message and the close request, on SDL2.

#include "platform/native.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"

#include <SDL.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
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
namespace {

constexpr const char* messageBoxVariable = "GALLOP_MESSAGE_BOX";

bool showBoxInFreshProcess() {
    char program[] = "/proc/self/exe";
    char* arguments[] = {program, nullptr};
    std::string flag = std::string(messageBoxVariable) + "=1";
    std::vector<char*> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        environment.push_back(*entry);
    }
    environment.push_back(flag.data());
    environment.push_back(nullptr);
    pid_t child = 0;
    if (const int error =
            posix_spawn(&child, program, nullptr, nullptr, arguments, environment.data());
        error != 0) {
        std::fprintf(stderr, "gallop: cannot start the message box: %s\n", std::strerror(error));
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) == -1) {
        if (errno != EINTR) {
            return false;
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "gallop: the message box ended with status %d\n", status);
        return false;
    }
    return true;
}

} // namespace

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
    if (mainWindow.load() == nullptr || !showBoxInFreshProcess()) {
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
