// Handlers of the world's built-in functions: instances, rooms and the game (game family), the
// event functions and show_debug_message (misc family), the message dialogs (interaction family).
#pragma once

#include "functions/Function_Args.h"

#include <string>

// Game family.
QV_FUNCTION(F_InstanceFind);
QV_FUNCTION(F_InstanceExists);
QV_FUNCTION(F_InstanceNumber);
QV_FUNCTION(F_InstanceNearest);
QV_FUNCTION(F_InstanceFurthest);
QV_FUNCTION(F_InstanceCreate);
QV_FUNCTION(F_InstanceCopy);
QV_FUNCTION(F_InstanceChange);
QV_FUNCTION(F_InstanceDestroy);
QV_FUNCTION(F_InstanceSprite);
QV_FUNCTION(F_InstanceDeactivateAll);
QV_FUNCTION(F_InstanceDeactivateObject);
QV_FUNCTION(F_InstanceDeactivateRegion);
QV_FUNCTION(F_InstanceActivateAll);
QV_FUNCTION(F_InstanceActivateObject);
QV_FUNCTION(F_InstanceActivateRegion);
QV_FUNCTION(F_RoomGoto);
QV_FUNCTION(F_RoomGotoPrevious);
QV_FUNCTION(F_RoomGotoNext);
QV_FUNCTION(F_RoomPrevious);
QV_FUNCTION(F_RoomNext);
QV_FUNCTION(F_RoomRestart);
QV_FUNCTION(F_GameEnd);
QV_FUNCTION(F_GameRestart);
QV_FUNCTION(F_GameSave); // also action_save_game
QV_FUNCTION(F_GameLoad); // also action_load_game
QV_FUNCTION(F_Sleep);
QV_FUNCTION(F_PlatformGetPlatform);
QV_FUNCTION(F_PlatformGetDevice);
QV_FUNCTION(F_PlatformZero);
QV_FUNCTION(F_PlatformGetDomain);

// Misc family.
QV_FUNCTION(F_EventInherited);
QV_FUNCTION(F_EventPerform);
QV_FUNCTION(F_EventUser);
QV_FUNCTION(F_EventPerformObject);
QV_FUNCTION(F_ShowDebugMessage);

// Interaction family.
QV_FUNCTION(F_ShowMessage);
QV_FUNCTION(F_ShowMessageExt);

// A value as dialogs show it: a string as it is; a real as an integer when integral, else with
// two decimals.
std::string Function_ValueText(const RValue& v);
// Dialog text: "#" breaks the line, "\#" is a "#".
std::string Function_DialogText(const RValue& v);
