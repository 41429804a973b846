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
QV_FUNCTION(F_PositionDestroy);
QV_FUNCTION(F_PositionChange);
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

// Game family: movement and collisions.
QV_FUNCTION(F_MoveRandom);
QV_FUNCTION(F_PlaceFree);
QV_FUNCTION(F_PlaceEmpty);
QV_FUNCTION(F_PlaceMeeting);
QV_FUNCTION(F_PlaceSnapped);
QV_FUNCTION(F_MoveSnap);
QV_FUNCTION(F_MoveTowardsPoint);
QV_FUNCTION(F_MoveContact);
QV_FUNCTION(F_MoveContactSolid);
QV_FUNCTION(F_MoveContactAll);
QV_FUNCTION(F_MoveOutsideSolid);
QV_FUNCTION(F_MoveOutsideAll);
QV_FUNCTION(F_MoveBounceSolid);
QV_FUNCTION(F_MoveBounceAll);
QV_FUNCTION(F_MoveWrap);
QV_FUNCTION(F_MotionSet);
QV_FUNCTION(F_MotionAdd);
QV_FUNCTION(F_DistanceToPoint);
QV_FUNCTION(F_DistanceToObject);
QV_FUNCTION(F_PathStart);
QV_FUNCTION(F_PathEnd);
QV_FUNCTION(F_CollisionPoint);
QV_FUNCTION(F_CollisionRectangle);
QV_FUNCTION(F_CollisionCircle);
QV_FUNCTION(F_CollisionEllipse);
QV_FUNCTION(F_CollisionLine);
QV_FUNCTION(F_InstancePosition);
QV_FUNCTION(F_InstancePlace);
QV_FUNCTION(F_PositionEmpty);
QV_FUNCTION(F_PositionMeeting);
QV_FUNCTION(F_DrawPath); // graphics family

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
