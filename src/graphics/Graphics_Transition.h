// Room transitions: a picture of the old room and one of the new room, shown as a passage of
// (steps + 1) frames composed by kind (1..21 built in, others defined by the game's scripts).
#pragma once

#include <string>

// Before leaving a room: when the pending kind is valid, draws the old room into picture A and
// makes picture B the drawing target, so that the new room's first drawing goes into B.
void Transition_Prepare();
// After the new room was drawn: shows the passage (or, with none pending, presents the frame).
void Transition_Run();
// Drops a prepared transition that will not run (drawing goes to the render area again).
void Transition_Cancel();
// Whether a transition is prepared and waits for its run.
bool Transition_Pending();

// transition_define: stores the function named `name` for kind (0 < kind < 1000000); false when
// the name names no function.
bool Transition_Define(int kind, const std::string& name);
// transition_exists: 1..21, or a kind defined by the game.
bool Transition_Exists(int kind);
// Forgets every defined kind (game start).
void Transition_Reset();
