// The input phases of a step: the special keys, the keyboard, key-press and key-release events,
// the joystick events and the mouse events, made from the input state.
#pragma once

class CInstance;

// Escape, F1, F4, F5, F6 and F9 against the last key, each when the game's settings allow it.
void Interaction_SpecialKeys();
void Interaction_Keyboard();
void Interaction_Joysticks();
void Interaction_Mouse();

// Whether the room point (x, y) lies on the instance's mask (box first, then the mask's pixel).
bool Interaction_InstanceHasPoint(const CInstance& inst, double x, double y);
