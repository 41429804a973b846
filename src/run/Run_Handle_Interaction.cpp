// The input phases: events by key code, joystick direction and button, mouse button, position
// and wheel, delivered in the per-event object order; and the special keys.
#include "run/Run_Handle_Interaction.h"

#include "data/Option_Main.h"
#include "graphics/Graphics_Window.h"
#include "graphics/Room_Draw.h"
#include "platform/Platform_App.h"
#include "resources/Object_Class.h"
#include "run/IO_Main.h"
#include "run/Run_Collision.h"
#include "run/Run_Event.h"
#include "run/Run_Main.h"
#include "run/Run_Save.h"

namespace {

constexpr int kMaxKeyEvent = 128; // key codes above have no events of their own
constexpr int kNoKey = 0, kAnyKey = 1;

// Mouse event numbers.
constexpr int kMouseNoButton = 3, kMousePressed = 4, kMouseReleased = 7, kMouseEnter = 10, kMouseLeave = 11;
constexpr int kMouseAnyPressed = 12, kMouseAnyReleased = 13, kMouseGlobal = 50, kMouseGlobalPressed = 53;
constexpr int kMouseGlobalReleased = 56, kMouseWheelUp = 60, kMouseWheelDown = 61;

void DeliverIfListened(int type, int number) {
    if (Event_HasListeners(type, number)) Event_Deliver(type, number);
}

// One of the three key passes: the event of every flagged key up to 128, then "no key" or "any key".
void KeyPass(int type, const bool* flag, const bool* alsoFlag) {
    bool any = false;
    for (int k = 8; k < kKeyCount && !Run_Stopping(); ++k) {
        if (!flag[k] && !(alsoFlag && alsoFlag[k])) continue;
        any = true;
        if (k <= kMaxKeyEvent) DeliverIfListened(type, k);
    }
    DeliverIfListened(type, any ? kAnyKey : kNoKey);
}

void DeliverAtMouse(int number, double x, double y) {
    if (!Event_HasListeners(kEvMouse, number)) return;
    Event_DeliverIf(kEvMouse, number, [x, y](CInstance* inst) { return Collision_Point(*inst, x, y, true); });
}

// F1: the game information window is not built; the key still clears the input as it would after it.
void ShowGameInformation() {
    Platform_Trace("The game information cannot be shown: its window is not available yet.");
    IO_Clear();
}

} // namespace

void Interaction_SpecialKeys() {
    RInputValues& v = Run_Input();
    const int key = v.keyboardLastKey;
    if (key == 112 && opt_keyf1) {
        v.keyboardLastKey = 0;
        ShowGameInformation();
    } else if (key == 27 && opt_keyesc) {
        v.keyboardLastKey = 0;
        Run_SetStopRequest(kStopEnd);
    } else if (key == 115 && opt_keyf4) {
        v.keyboardLastKey = 0;
        Window_SetFullScreen(!Window_GetFullScreen());
    } else if (key == 116 && opt_keyf5) {
        v.keyboardLastKey = 0;
        Run_QuickSave();
    } else if (key == 117 && opt_keyf5) {
        v.keyboardLastKey = 0;
        Run_QuickLoad();
    } else if (key == 120 && opt_keyf9) {
        v.keyboardLastKey = 0;
        if (Room_SaveScreenshot().empty()) Platform_Trace("The screenshot could not be saved.");
    }
}

void Interaction_Keyboard() {
    const RInputState& s = IO_State();
    KeyPass(kEvKeyboard, s.keyDown, s.keyPressed);
    if (!Run_Stopping()) KeyPass(kEvKeyPress, s.keyPressed, nullptr);
    if (!Run_Stopping()) KeyPass(kEvKeyRelease, s.keyReleased, nullptr);
}

void Interaction_Joysticks() {
    for (int j = 0; j < 2 && !Run_Stopping(); ++j) {
        const RJoystickState& js = IO_State().joy[j];
        if (!js.present) continue;
        const int base = j == 0 ? 16 : 31;
        if (js.axis[0] < 20000) DeliverIfListened(kEvMouse, base);
        if (js.axis[0] > 44000) DeliverIfListened(kEvMouse, base + 1);
        if (js.axis[1] < 20000) DeliverIfListened(kEvMouse, base + 2);
        if (js.axis[1] > 44000) DeliverIfListened(kEvMouse, base + 3);
        for (int b = 0; b < 8; ++b)
            if (js.buttonMask & (1u << b)) DeliverIfListened(kEvMouse, base + 5 + b);
    }
}

void Interaction_Mouse() {
    RInputState& s = IO_State();
    const double px = s.prevMouseX, py = s.prevMouseY;
    double x, y;
    IO_UpdateMouse(x, y);
    s.prevMouseX = x;
    s.prevMouseY = y;
    bool any = false;
    for (int b = 1; b <= 3; ++b) {
        if (!s.buttonDown[b] && !s.buttonPressed[b]) continue;
        any = true;
        DeliverAtMouse(b - 1, x, y);
        DeliverIfListened(kEvMouse, kMouseGlobal + b - 1);
    }
    if (!any) DeliverAtMouse(kMouseNoButton, x, y);
    for (int b = 1; b <= 3; ++b) {
        if (!s.buttonPressed[b]) continue;
        DeliverAtMouse(kMousePressed + b - 1, x, y);
        DeliverIfListened(kEvMouse, kMouseAnyPressed);
        DeliverIfListened(kEvMouse, kMouseGlobalPressed + b - 1);
    }
    for (int b = 1; b <= 3; ++b) {
        if (!s.buttonReleased[b]) continue;
        DeliverAtMouse(kMouseReleased + b - 1, x, y);
        DeliverIfListened(kEvMouse, kMouseAnyReleased);
        DeliverIfListened(kEvMouse, kMouseGlobalReleased + b - 1);
    }
    if (Event_HasListeners(kEvMouse, kMouseEnter))
        Event_DeliverIf(kEvMouse, kMouseEnter, [=](CInstance* i) {
            return Collision_Point(*i, x, y, true) && !Collision_Point(*i, px, py, true);
        });
    if (Event_HasListeners(kEvMouse, kMouseLeave))
        Event_DeliverIf(kEvMouse, kMouseLeave, [=](CInstance* i) {
            return Collision_Point(*i, px, py, true) && !Collision_Point(*i, x, y, true);
        });
    if (s.wheelUp) DeliverIfListened(kEvMouse, kMouseWheelUp);
    if (s.wheelDown) DeliverIfListened(kEvMouse, kMouseWheelDown);
}
