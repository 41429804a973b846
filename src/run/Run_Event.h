// Event dispatch: the per-event object lists that fix delivery order, finding an event along the
// parent chain, the current-event context, and running action lists (blocks, questions, else,
// repeat, exit, applies-to) with the execution of single actions.
#pragma once

#include "run/Run_World.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

class CInstance;
class CEvent;
class CAction;
struct RValue;

// Event numbers with a per-event object list, per type (collisions have none).
inline constexpr int kOtherNoMoreLives = 6;
inline constexpr int kOtherGameStart = 2;
inline constexpr int kOtherGameEnd = 3;
inline constexpr int kOtherRoomStart = 4;
inline constexpr int kOtherRoomEnd = 5;
inline constexpr int kOtherAnimationEnd = 7;
inline constexpr int kOtherNoMoreHealth = 9;
inline constexpr int kOtherUser0 = 10;
inline constexpr int kOtherCloseButton = 30;

// Events performed inside each other deeper than this report kMessageEventsTooDeep and the
// nested chain unwinds without performing anything more.
inline constexpr int kMaxEventNesting = 512;
inline constexpr const char* kMessageEventsTooDeep = "Events are nested too deeply.";

// The current-event context (object, type, number, action); object -1 outside events.
REventContext& Event_Context();
// Code outside events (creation code, library initialisation code, trigger conditions) runs
// with a named place that error headings show; events clear it while they run. Returns the
// previous place.
const std::string* Event_SetPlace(const std::string* place);
const std::string* Event_Place();
// The relative flag of the action being run (argument_relative).
bool Event_Relative();

// Builds the per-event object lists and the objects' ancestor lists; again whenever objects
// change their parent or events.
void Event_BuildLists();
// The object pairs (a, b), a <= b, where a answers a collision with b or b with a (through
// parents), ordered by a, then b: the collision pass walks them.
const std::vector<std::pair<int, int>>& Event_CollisionPairs();

// Performs event (type, number) for self, looking it up from object obj along its parent chain.
// Nothing happens while a room change is pending or when no object in the chain answers.
void Event_Perform(CInstance* self, CInstance* other, int obj, int type, int number);
// The same starting at self's own object.
void Event_PerformInstance(CInstance* self, CInstance* other, int type, int number);
// For every unmarked active instance of the live room in list order (count fixed at the start),
// with self = other = the instance.
void Event_PerformAll(int type, int number);
// List-driven delivery: for each object of the event's list in increasing index, its own
// unmarked instances in list order (counts fixed when each object's turn begins).
void Event_Deliver(int type, int number);
// The same, performing on an instance only when pred(instance) says so.
void Event_DeliverIf(int type, int number, const std::function<bool(CInstance*)>& pred);
// Whether any object answers the event (through parents too).
bool Event_HasListeners(int type, int number);
// Performs event (type, number) for self = other = inst when its object answers it (through
// parents), found through the per-event lists in constant time. False when it does not answer.
bool Event_PerformListed(CInstance* inst, int type, int number);
// Runs moment index of time line tl for self, with the moment's context.
void Event_PerformMoment(CInstance* self, CInstance* other, int tl, int moment);
// event_inherited: the current event from the parent of the current event object.
void Event_Inherited(CInstance* self, CInstance* other);

// Runs an event's action list for (self, other) in the current context.
void Event_RunActions(CInstance* self, CInstance* other, const CEvent* ev);
// Executes one action for one target; result is the function's or code's value.
void Event_ExecuteAction(CInstance* self, CInstance* other, const CAction& act, RValue& result);
