// The race as the program's one scene.
#pragma once

// Empties the scene slots, sets the race up and, when the data files could be
// read, binds the race into the slots.
void startScene();

// Installs the race's update and draw into the scene slots, then loads the images.
void bindScene();
