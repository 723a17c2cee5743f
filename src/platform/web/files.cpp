// The error message and the close request in a browser page or under node.
// Files are read through the C library from Emscripten's file system: in the
// page the data and sheets fetched from the server and the files the user
// gives, under node the real file system.

#include "platform/native.h"
#include "platform/platform.h"
#include "platform/web/web_platform.h"

#include <emscripten/emscripten.h>

namespace {

// One thread, so plain flags do.
bool closeDelivered = false;

} // namespace

// The page installs Module.showDataFileError to show the message in the page;
// without it (the recorder under node) the text goes to standard error.
EM_JS(void, showMessageOutside, (const char* text), {
    const message = UTF8ToString(text);
    if (typeof Module["showDataFileError"] == "function") {
        Module["showDataFileError"](message);
    } else {
        err(message);
    }
});

void displayDataFileError() {
    showMessageOutside(dataFileErrorText);
}

// The page cannot close its tab: it ends the race, keeps the last frame and
// offers to run it again.
void deliverCloseRequest() {
    closeDelivered = true;
}

bool closeRequested() {
    return closeDelivered;
}

void clearCloseRequest() {
    closeDelivered = false;
}

// Under node, whether its standard error is a terminal; never in a page.
EM_JS(int, errorStreamIsTerminal, (),
      { return typeof process == "object" && process.stderr && process.stderr.isTTY ? 1 : 0; });

bool errorOutputIsTerminal() {
    return errorStreamIsTerminal() != 0;
}
