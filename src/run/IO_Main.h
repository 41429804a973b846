// The input state the game sees: keys held, pressed and released, the key map, the typed text,
// mouse buttons, wheel and position, the joysticks, the window's focus. Input reaches it only at
// poll points (before every step, and when game code asks for pending input), from one source
// chosen at start: the input device, or a recording being replayed. Every poll's input can be
// recorded, so that a replay sees the same input at the same points.
#pragma once

#include "platform/Platform_Input.h"

#include <string>

inline constexpr int kKeyCount = 256;

struct RInputState {
    bool keyDown[kKeyCount] = {}, keyPressed[kKeyCount] = {}, keyReleased[kKeyCount] = {};
    bool keyDirect[kKeyCount] = {}; // physical keys held, before the key map
    int keyMap[kKeyCount] = {};     // identity unless the game maps keys
    bool buttonDown[4] = {}, buttonPressed[4] = {}, buttonReleased[4] = {}; // 1 left, 2 right, 3 middle
    bool wheelUp = false, wheelDown = false;
    double regionX = 0, regionY = 0;       // the cursor on the render area
    double prevMouseX = 0, prevMouseY = 0; // the mouse in the room at the last mouse phase
    bool active = true;                    // the game window has the focus
    bool numLock = false;
    bool closeRequested = false; // the close button was used (and does not act as Escape)
    RJoystickState joy[2];
};
RInputState& IO_State();

// Chooses the input source for a game run, once: the recording named by QUARVEL_REPLAY, else the
// headless device in a headless run, else the real device; starts recording to the file named by
// QUARVEL_RECORD. Resets the input state (the key map too). False with a message for the player
// when a recording cannot be read or written.
bool IO_Start(std::string& error);
// Ends the recording (its file is complete from then on) and drops the input source.
void IO_Stop();

// Whether input comes from the game window (not headless, not a replay).
bool IO_FromWindow();

// A poll point: input that arrived since the last one changes the state (and is recorded).
void IO_Poll();
// Clears typed text, last and current key and button, last character, all key and button flags
// and the wheel (the key map stays).
void IO_Clear();
// Clears the pressed and released flags of keys and buttons and the wheel flags.
void IO_ClearPressed();
void IO_ClearKey(int key);
void IO_ClearButton(int button);
// Queues a key going down or up, as if typed, for the next poll (never recorded: the game code
// that asked for it asks again when replayed).
void IO_SendKey(int key, bool down);
void IO_SetNumLock(bool on);
// The close button was used since the last call (and does not act as Escape).
bool IO_TakeCloseRequest();
// keyboard_wait / mouse_wait: polls until a key or button goes down. Returns at once when no input
// can come any more (headless, the recording has ended) or the game is asked to stop.
void IO_WaitKey();
void IO_WaitButton();

// The mouse in the room: the cursor mapped through the views as last drawn (mouse_x, mouse_y).
// Sets the built-in values and returns them.
void IO_UpdateMouse(double& x, double& y);
