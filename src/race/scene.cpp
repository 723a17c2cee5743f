// The race as the program's one scene: setup, then the slots, then the images.

#include "race/scene.h"

#include "race/setup.h"
#include "race/update.h"
#include "shell/shell.h"
#include "view/view.h"

void startScene() {
    // The frame thread is already running: with every slot empty it cannot
    // touch the race while setup builds it.
    updateProc = nullptr;
    drawProc = nullptr;
    leftClickProc = nullptr;
    rightClickProc = nullptr;
    if (setupRace()) {
        bindScene();
    }
}

void bindScene() {
    updateProc = updateRace;
    drawProc = drawScene;
    leftClickProc = nullptr;
    rightClickProc = nullptr;
    // The update may already run while the images load; it never touches them.
    loadImageSet();
}
