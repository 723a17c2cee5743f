// What the web implementation of the platform layer adds for the page: the
// page's frame pass asks here whether a paint or the close request is waiting.
// The same layer, without a page, serves the recorder under node.
#pragma once

#include "platform/platform.h"

// True once a paint has been requested since the last call; clears it.
bool takePaintRequest();

// True once the close request has been delivered; cleared by clearCloseRequest
// when the page starts a race again.
bool closeRequested();
void clearCloseRequest();
