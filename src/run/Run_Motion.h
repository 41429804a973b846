// Motion: friction and gravity, following paths with their end actions, the per-step movement
// phase, and the outside-room, boundary and view events that follow it.
#pragma once

class CInstance;
class CLiveRoom;

// Path end actions.
inline constexpr int kPathStop = 0, kPathRestart = 1, kPathContinue = 2, kPathReverse = 3;
inline constexpr int kOtherOutsideRoom = 0;
inline constexpr int kOtherIntersectBoundary = 1;
inline constexpr int kOtherEndOfPath = 8;
inline constexpr int kOtherOutsideView0 = 40;
inline constexpr int kOtherBoundaryView0 = 50;

// Friction, then gravity, for one step.
void Motion_AdaptSpeed(CInstance& inst);
// Starts following path ind (a negative ind stops following). A path that does not exist or has
// no length, or a scale that is not above 0, stops following instead.
void Motion_AssignPath(CInstance& inst, int ind, double speed, double scale, double orient, bool relative,
                       int endact);
// Advances along the path for one step and places the instance; true when the path's end (its
// start, going backwards) was reached in this step.
bool Motion_AdaptPath(CInstance& inst);

// The movement phase: every active instance, in order, adapts speed and path and moves.
void Motion_Pass(CLiveRoom& room);
// The outside room, intersect boundary, outside view and boundary view events.
void Motion_OutsidePass(CLiveRoom& room);
