// Handlers of the keyboard, mouse, joystick and io functions (interaction family).
#pragma once

#include "functions/Function_Args.h"

QV_FUNCTION(F_KeyboardGetNumlock);
QV_FUNCTION(F_KeyboardSetNumlock);
QV_FUNCTION(F_KeyboardKeyPress);
QV_FUNCTION(F_KeyboardKeyRelease);
QV_FUNCTION(F_KeyboardSetMap);
QV_FUNCTION(F_KeyboardGetMap);
QV_FUNCTION(F_KeyboardUnsetMap);
QV_FUNCTION(F_KeyboardCheck);
QV_FUNCTION(F_KeyboardCheckPressed);
QV_FUNCTION(F_KeyboardCheckReleased);
QV_FUNCTION(F_KeyboardCheckDirect);
QV_FUNCTION(F_MouseCheckButton);
QV_FUNCTION(F_MouseCheckButtonPressed);
QV_FUNCTION(F_MouseCheckButtonReleased);
QV_FUNCTION(F_MouseWheelUp);
QV_FUNCTION(F_MouseWheelDown);
QV_FUNCTION(F_JoystickExists);
QV_FUNCTION(F_JoystickDirection);
QV_FUNCTION(F_JoystickName);
QV_FUNCTION(F_JoystickAxes);
QV_FUNCTION(F_JoystickButtons);
QV_FUNCTION(F_JoystickHasPov);
QV_FUNCTION(F_JoystickCheckButton);
QV_FUNCTION(F_JoystickXpos);
QV_FUNCTION(F_JoystickYpos);
QV_FUNCTION(F_JoystickZpos);
QV_FUNCTION(F_JoystickRpos);
QV_FUNCTION(F_JoystickUpos);
QV_FUNCTION(F_JoystickVpos);
QV_FUNCTION(F_JoystickPov);
QV_FUNCTION(F_KeyboardClear);
QV_FUNCTION(F_MouseClear);
QV_FUNCTION(F_IoClear);
QV_FUNCTION(F_IoHandle);
QV_FUNCTION(F_KeyboardWait);
QV_FUNCTION(F_MouseWait);
