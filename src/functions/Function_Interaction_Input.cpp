// The keyboard, mouse, joystick and io functions over the run-time's input state.
#include "functions/Function_Interaction_Input.h"

#include "run/IO_Main.h"
#include "run/Run_Main.h"

#include <cmath>

namespace {

// Key argument: 0 "no key held", 1 "any key held", 2..255 that key; anything else answers 0.
bool CheckKeys(const RValue& arg, const bool* flag, const bool* alsoFlag = nullptr) {
    const int k = Arg_Int(arg);
    const auto set = [&](int i) { return flag[i] || (alsoFlag && alsoFlag[i]); };
    if (k == 0 || k == 1) {
        bool any = false;
        for (int i = 0; i < kKeyCount && !any; ++i) any = set(i);
        return k == 1 ? any : !any;
    }
    return k >= 2 && k < kKeyCount && set(k);
}

// Button argument: -1 any, 0 none, 1..3 that button; anything else answers 0.
bool CheckButtons(const RValue& arg, const bool* flag) {
    const int b = Arg_Int(arg);
    const bool any = flag[1] || flag[2] || flag[3];
    if (b == -1) return any;
    if (b == 0) return !any;
    return b >= 1 && b <= 3 && flag[b];
}

// Joystick 2 for argument 2, joystick 1 for anything else.
const RJoystickState& Joy(const RValue& arg) {
    return IO_State().joy[Arg_Int(arg) == 2 ? 1 : 0];
}

double Axis(const RValue& arg, int axis) {
    const RJoystickState& j = Joy(arg);
    return j.present ? j.axis[axis] / 32767.0 - 1 : 0;
}

} // namespace

QV_FUNCTION(F_KeyboardGetNumlock) {
    result.SetReal(IO_State().numLock);
}

QV_FUNCTION(F_KeyboardSetNumlock) {
    IO_SetNumLock(Arg_Bool(args[0]));
}

QV_FUNCTION(F_KeyboardKeyPress) {
    IO_SendKey(Arg_Int(args[0]), true);
}

QV_FUNCTION(F_KeyboardKeyRelease) {
    IO_SendKey(Arg_Int(args[0]), false);
}

QV_FUNCTION(F_KeyboardSetMap) {
    const int k = Arg_Int(args[0]);
    if (k >= 0 && k < kKeyCount) IO_State().keyMap[k] = Arg_Int(args[1]);
}

QV_FUNCTION(F_KeyboardGetMap) {
    const int k = Arg_Int(args[0]);
    if (k >= 0 && k < kKeyCount)
        result.SetReal(IO_State().keyMap[k]);
    else
        result.SetReal(std::isfinite(Arg_Real(args[0])) ? std::nearbyint(Arg_Real(args[0])) : 0);
}

QV_FUNCTION(F_KeyboardUnsetMap) {
    for (int k = 0; k < kKeyCount; ++k) IO_State().keyMap[k] = k;
}

QV_FUNCTION(F_KeyboardCheck) {
    result.SetReal(CheckKeys(args[0], IO_State().keyDown));
}

QV_FUNCTION(F_KeyboardCheckPressed) {
    result.SetReal(CheckKeys(args[0], IO_State().keyPressed));
}

QV_FUNCTION(F_KeyboardCheckReleased) {
    result.SetReal(CheckKeys(args[0], IO_State().keyReleased));
}

QV_FUNCTION(F_KeyboardCheckDirect) {
    const int k = Arg_Int(args[0]);
    const RInputState& s = IO_State();
    // Codes 1, 2 and 4 are the left, right and middle mouse buttons.
    if (k == 1 || k == 2 || k == 4) {
        result.SetReal(s.buttonDown[k == 4 ? 3 : k]);
        return;
    }
    result.SetReal(k >= 0 && k < kKeyCount && s.keyDirect[k]);
}

QV_FUNCTION(F_MouseCheckButton) {
    result.SetReal(CheckButtons(args[0], IO_State().buttonDown));
}

QV_FUNCTION(F_MouseCheckButtonPressed) {
    result.SetReal(CheckButtons(args[0], IO_State().buttonPressed));
}

QV_FUNCTION(F_MouseCheckButtonReleased) {
    result.SetReal(CheckButtons(args[0], IO_State().buttonReleased));
}

QV_FUNCTION(F_MouseWheelUp) {
    result.SetReal(IO_State().wheelUp);
}

QV_FUNCTION(F_MouseWheelDown) {
    result.SetReal(IO_State().wheelDown);
}

QV_FUNCTION(F_JoystickExists) {
    result.SetReal(Joy(args[0]).present);
}

QV_FUNCTION(F_JoystickDirection) {
    const RJoystickState& j = Joy(args[0]);
    if (!j.present) {
        result.SetReal(101);
        return;
    }
    const int col = j.axis[0] < 20000 ? 1 : j.axis[0] > 44000 ? 3 : 2;
    const int row = j.axis[1] < 20000 ? 6 : j.axis[1] > 44000 ? 0 : 3;
    result.SetReal(96 + col + row);
}

QV_FUNCTION(F_JoystickName) {
    const RJoystickState& j = Joy(args[0]);
    result.SetString(TRefString(j.present ? j.name : std::string()));
}

QV_FUNCTION(F_JoystickAxes) {
    const RJoystickState& j = Joy(args[0]);
    result.SetReal(j.present ? j.axes : 0);
}

QV_FUNCTION(F_JoystickButtons) {
    const RJoystickState& j = Joy(args[0]);
    result.SetReal(j.present ? j.buttons : 0);
}

QV_FUNCTION(F_JoystickHasPov) {
    const RJoystickState& j = Joy(args[0]);
    result.SetReal(j.present && j.hasPov);
}

QV_FUNCTION(F_JoystickCheckButton) {
    const RJoystickState& j = Joy(args[0]);
    const int n = Arg_Int(args[1]);
    result.SetReal(j.present && n >= 1 && n <= 32 && (j.buttonMask >> (n - 1)) & 1u);
}

QV_FUNCTION(F_JoystickXpos) {
    result.SetReal(Axis(args[0], 0));
}
QV_FUNCTION(F_JoystickYpos) {
    result.SetReal(Axis(args[0], 1));
}
QV_FUNCTION(F_JoystickZpos) {
    result.SetReal(Axis(args[0], 2));
}
QV_FUNCTION(F_JoystickRpos) {
    result.SetReal(Axis(args[0], 3));
}
QV_FUNCTION(F_JoystickUpos) {
    result.SetReal(Axis(args[0], 4));
}
QV_FUNCTION(F_JoystickVpos) {
    result.SetReal(Axis(args[0], 5));
}

QV_FUNCTION(F_JoystickPov) {
    const RJoystickState& j = Joy(args[0]);
    const bool centred = !j.present || !j.hasPov || j.pov < 0 || j.pov / 100 > 360;
    result.SetReal(centred ? -1 : j.pov / 100);
}

QV_FUNCTION(F_KeyboardClear) {
    IO_Poll();
    IO_ClearKey(Arg_Int(args[0]));
}

QV_FUNCTION(F_MouseClear) {
    IO_Poll();
    IO_ClearButton(Arg_Int(args[0]));
}

QV_FUNCTION(F_IoClear) {
    IO_Poll();
    IO_Clear();
}

QV_FUNCTION(F_IoHandle) {
    IO_Poll();
}

QV_FUNCTION(F_KeyboardWait) {
    IO_WaitKey();
}

QV_FUNCTION(F_MouseWait) {
    IO_WaitButton();
}
