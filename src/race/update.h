// The per-tick update of the race: gait, movement, fatigue, drift and timeline.
#pragma once

// One tick of the race: advanceGait, then moveRunners, then advanceTimeline.
void updateRace();

// Cycles the course's gaitFrame 0..3 and every runner's strideFrame 0..9.
void advanceGait();

// One movement step while the race is running: movement and fatigue, the
// lane snapshot, the drift toward the inside rail, the end test.
void moveRunners();

// Counts the tick, opens the gate after tick 100, locks the camera once the
// leader is past the camera point, and asks the window to close after tick 700.
void advanceTimeline();
