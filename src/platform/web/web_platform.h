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

// Decodes the sheet at `path` now, so that the load that follows (the race's
// start) finds it ready, as long as the file still holds the same bytes then;
// otherwise that load decodes the file as it finds it. The page decodes its
// sheets ahead, one a task, so that the start does not hold the page up.
void decodeSheetAhead(const char* path);
