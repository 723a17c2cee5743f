// The error message and the close request as every platform counts and
// routes them. The platform's own files show the message and deliver the
// close request to the main window.

#include "platform/close_hold.h"
#include "platform/platform.h"

#include <atomic>

namespace {

std::atomic<int> closeRequests{0};
std::atomic<int> dataFileErrors{0};

} // namespace

void showDataFileError() {
    ++dataFileErrors;
    displayDataFileError();
}

void sendCloseRequest() {
    ++closeRequests;
    if (!holdBackCloseRequest()) {
        deliverCloseRequest();
    }
}

int closeRequestCount() {
    return closeRequests;
}

int dataFileErrorCount() {
    return dataFileErrors;
}
