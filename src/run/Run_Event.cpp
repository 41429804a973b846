// Event dispatch and the running of action lists.
#include "run/Run_Event.h"

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "code/Variable_Main.h"
#include "resources/Object_Main.h"
#include "resources/TimeLine_Main.h"
#include "resources/Trigger_Class.h"
#include "run/Instance_Class.h"
#include "run/Run_Main.h"
#include "run/Run_Room.h"

#include <array>
#include <vector>

namespace {

REventContext g_ctx{0, 0, -1, 0};
bool g_relative = false;
const std::string* g_place = nullptr; // where code outside events runs, for error headings
int g_depth = 0;
bool g_unwinding = false; // the nesting limit was hit: perform nothing until the chain unwinds

// One object of a per-event list with the event it answers with and the owner of that event.
struct REntry {
    int object;
    const CEvent* event;
    int owner;
};

constexpr int kListNumbers[kEventTypes] = {1, 1, 13, 17, 0, 129, 129, 129, 1, 129, 129, 0};
std::array<std::vector<std::vector<REntry>>, kEventTypes> g_lists;
// For each non-empty list: object index -> its entry's position in the list (-1: none).
std::array<std::vector<std::vector<int>>, kEventTypes> g_entryOf;
// The same as views, looked up for every instance at every step (the draw event): per type, per
// number, the positions by object index and their count (0 for an empty list).
struct RPositions {
    const int* at = nullptr;
    size_t count = 0;
};
std::array<std::vector<RPositions>, kEventTypes> g_positions;
std::vector<std::pair<int, int>> g_colPairs;

const CEvent* FindEvent(int start, int type, int number, int& owner) {
    const CObject* o = Object_Get(start);
    if (!o) return nullptr;
    if (const CEvent* ev = o->GetEventDirect(type, number)) {
        owner = start;
        return ev;
    }
    const auto& chain = Room_Ancestors(start);
    for (int a : chain) {
        if (const CEvent* ev = Object_Get(a)->GetEventDirect(type, number)) {
            owner = a;
            return ev;
        }
    }
    if (type == kEvCollision && Object_Exists(number)) {
        for (int anc : Room_Ancestors(number)) {
            if (const CEvent* ev = o->GetEventDirect(type, anc)) {
                owner = start;
                return ev;
            }
            for (int a : chain) {
                if (const CEvent* ev = Object_Get(a)->GetEventDirect(type, anc)) {
                    owner = a;
                    return ev;
                }
            }
        }
    }
    return nullptr;
}

void RunActions(CInstance* self, CInstance* other, const CEvent* ev);

// Performs an event with its context saved around it: run runs its actions.
template <class Runner>
[[gnu::always_inline]] inline void PerformWith(int owner, int type, int number, const Runner& run) {
    if (Run_Stopping() || g_unwinding) return;
    if (g_depth >= kMaxEventNesting) {
        Error_ShowInEvent(kMessageEventsTooDeep, false);
        g_unwinding = true;
        return;
    }
    const int sObject = g_ctx.object, sType = g_ctx.type, sNumber = g_ctx.number;
    const std::string* sPlace = g_place;
    g_place = nullptr;
    g_ctx.object = owner;
    g_ctx.type = type;
    g_ctx.number = number;
    ++g_depth;
    run();
    // The runaway chain has unwound to the outermost event, whose code goes on.
    if (--g_depth <= 1) g_unwinding = false;
    g_ctx.object = sObject;
    g_ctx.type = sType;
    g_ctx.number = sNumber;
    g_place = sPlace;
}

// Performs a found event with its context saved around it.
[[gnu::always_inline]] inline void PerformFound(CInstance* self, CInstance* other, const CEvent* ev,
                                                int owner, int type, int number) {
    PerformWith(owner, type, number, [&] { RunActions(self, other, ev); });
}

// A code action without arguments: its code runs with the action's relative flag.
[[gnu::always_inline]] inline void RunCode(CInstance* self, CInstance* other, const CAction& act,
                                           RValue& result) {
    const bool savedRelative = g_relative;
    g_relative = act.act_userelative && act.act_relative;
    if (!Code_ExecuteEvent(self, other, act.act_codecode.get(), result)) [[unlikely]] {
        Error_ShowInEvent(Error_Buffer(), false);
        Error_ClearFlag();
    }
    g_relative = savedRelative;
}

// ---- action lists ----

constexpr int kEnd = -1;

const CAction* At(const CEvent* ev, int p) {
    return ev->e_actions[size_t(p)].get();
}

// The position after the action or block at p.
int After(const CEvent* ev, int p) {
    const int n = ev->Count();
    if (p < 0 || p >= n) return kEnd;
    const CAction* a = At(ev, p);
    if (a->act_kind == kActionBegin) {
        int depth = 0;
        for (int q = p; q < n; ++q) {
            const int k = At(ev, q)->act_kind;
            if (k == kActionBegin) ++depth;
            if (k == kActionEnd && --depth == 0) return q + 1;
        }
        return n;
    }
    if (a->act_isquestion || a->act_kind == kActionRepeat) return After(ev, p + 1);
    return p + 1;
}

bool AnswerOf(const CAction& act, const RValue& r) {
    const bool yes = r.kind == RValue::kReal && r.val >= 0.5;
    return act.act_isnot ? !yes : yes;
}

// Runs act for its targets; for a question, returns the combined answer.
bool ForTargets(CInstance* self, CInstance* other, const CAction& act) {
    RValue r;
    if (!act.act_useapplyto || act.act_who == kSelSelf) {
        Event_ExecuteAction(self, other, act, r);
        return AnswerOf(act, r);
    }
    if (act.act_who == kSelOther) {
        if (!other) return false;
        Event_ExecuteAction(other, self, act, r);
        return AnswerOf(act, r);
    }
    CLiveRoom* room = Run_Room();
    const int obj = act.act_who;
    if (!room || obj < 0) return true;
    const int count = room->ObjNumberRecursive(obj);
    for (int k = 0; k < count && !Run_Stopping(); ++k) {
        CInstance* inst = room->ObjInstanceRecursive(obj, k);
        if (!inst || inst->i_marked) continue;
        r = RValue();
        Event_ExecuteAction(inst, other, act, r);
        if (act.act_isquestion && !AnswerOf(act, r)) return false;
    }
    return true;
}

int Step(CInstance* self, CInstance* other, const CEvent* ev, int a) {
    const int n = ev->Count();
    if (a < 0 || a >= n || Run_Stopping()) return kEnd;
    const CAction& act = *At(ev, a);
    if (act.act_kind == kActionBegin) {
        int p = a + 1;
        while (p < n && At(ev, p)->act_kind != kActionEnd) {
            p = Step(self, other, ev, p);
            if (p == kEnd || Run_Stopping()) return kEnd;
        }
        return p < n ? p + 1 : n;
    }
    if (act.act_kind == kActionRepeat) {
        g_ctx.action = a;
        RValue v;
        if (act.act_argumentcount > 0) {
            if (act.act_argtype[0] == -1) {
                v = act.act_argvalue[0];
            } else if (act.act_argcode[0]) {
                if (!Code_Execute(self, other, act.act_argcode[0].get(), v)) {
                    Error_ShowInEvent(Error_Buffer(), false);
                    Error_ClearFlag();
                }
            }
        }
        if (Run_Stopping()) return kEnd;
        const int64_t count = v.kind == RValue::kReal ? Operator_RoundInt64(v.val) : 0;
        for (int64_t k = 0; k < count; ++k)
            if (Step(self, other, ev, a + 1) == kEnd) return kEnd;
        return After(ev, a + 1);
    }
    if (act.act_isquestion) {
        g_ctx.action = a;
        const bool yes = ForTargets(self, other, act);
        if (Run_Stopping()) return kEnd;
        int r = yes ? Step(self, other, ev, a + 1) : After(ev, a + 1);
        if (r == kEnd || Run_Stopping()) return kEnd;
        if (r < n && At(ev, r)->act_kind == kActionElse)
            r = yes ? After(ev, r + 1) : Step(self, other, ev, r + 1);
        return Run_Stopping() ? kEnd : r;
    }
    if (act.act_kind == kActionExit) return kEnd;
    if (act.act_kind != kActionNormal) return a + 1;
    g_ctx.action = a;
    ForTargets(self, other, act);
    return Run_Stopping() ? kEnd : a + 1;
}

void EvaluateArgs(CInstance* self, CInstance* other, const CAction& act, RValue* out) {
    for (int i = 0; i < act.act_argumentcount; ++i) {
        if (act.act_argtype[size_t(i)] == -1) {
            out[i] = act.act_argvalue[size_t(i)];
        } else if (const CCode* code = act.act_argcode[size_t(i)].get()) {
            if (!Code_Execute(self, other, const_cast<CCode*>(code), out[i])) {
                Error_ShowInEvent(Error_Buffer(), false);
                Error_ClearFlag();
            }
        }
    }
}

} // namespace

REventContext& Event_Context() {
    return g_ctx;
}

const std::string* Event_SetPlace(const std::string* place) {
    const std::string* old = g_place;
    g_place = place;
    return old;
}

const std::string* Event_Place() {
    return g_place;
}

bool Event_Relative() {
    return g_relative;
}

void Event_BuildLists() {
    Room_RebuildAncestors();
    const int objects = Object_Count();
    for (int t = 0; t < kEventTypes; ++t) {
        const int numbers = t == kEvTrigger ? Trigger_Count() : kListNumbers[t];
        auto& lists = g_lists[size_t(t)];
        lists.assign(size_t(numbers), {});
        auto& entryOf = g_entryOf[size_t(t)];
        entryOf.assign(size_t(numbers), {});
        for (int e = 0; e < numbers; ++e) {
            for (int o = 0; o < objects; ++o) {
                int owner = o;
                if (const CEvent* ev = FindEvent(o, t, e, owner)) lists[size_t(e)].push_back({o, ev, owner});
            }
            if (lists[size_t(e)].empty()) continue;
            entryOf[size_t(e)].assign(size_t(objects), -1);
            for (size_t k = 0; k < lists[size_t(e)].size(); ++k)
                entryOf[size_t(e)][size_t(lists[size_t(e)][k].object)] = int(k);
        }
        auto& positions = g_positions[size_t(t)];
        positions.assign(size_t(numbers), {});
        for (int e = 0; e < numbers; ++e)
            positions[size_t(e)] = {entryOf[size_t(e)].data(), entryOf[size_t(e)].size()};
    }
    g_colPairs.clear();
    for (int a = 0; a < objects; ++a) {
        if (!Object_Exists(a)) continue;
        for (int b = a; b < objects; ++b) {
            if (!Object_Exists(b)) continue;
            int owner = a;
            if (FindEvent(a, kEvCollision, b, owner) || FindEvent(b, kEvCollision, a, owner))
                g_colPairs.emplace_back(a, b);
        }
    }
}

const std::vector<std::pair<int, int>>& Event_CollisionPairs() {
    return g_colPairs;
}

void Event_Perform(CInstance* self, CInstance* other, int obj, int type, int number) {
    if (Run_Stopping()) return;
    int owner = obj;
    if (const CEvent* ev = FindEvent(obj, type, number, owner))
        PerformFound(self, other, ev, owner, type, number);
}

void Event_PerformInstance(CInstance* self, CInstance* other, int type, int number) {
    if (self) Event_Perform(self, other, self->i_objectindex, type, number);
}

void Event_PerformAll(int type, int number) {
    CLiveRoom* room = Run_Room();
    if (!room) return;
    const int count = room->InstanceCount();
    for (int k = 0; k < count && !Run_Stopping(); ++k) {
        CInstance* inst = room->InstanceAt(k);
        if (inst && !inst->i_marked) Event_PerformInstance(inst, inst, type, number);
    }
}

bool Event_HasListeners(int type, int number) {
    if (type < 0 || type >= kEventTypes) return false;
    const auto& lists = g_lists[size_t(type)];
    return number >= 0 && number < int(lists.size()) && !lists[size_t(number)].empty();
}

bool Event_PerformListed(CInstance* inst, int type, int number) {
    if (type < 0 || type >= kEventTypes) return false;
    const std::vector<RPositions>& positions = g_positions[size_t(type)];
    if (size_t(uint32_t(number)) >= positions.size()) return false;
    const RPositions index = positions[size_t(number)];
    const size_t obj = size_t(uint32_t(inst->i_objectindex));
    if (obj >= index.count || index.at[obj] < 0) return false;
    const REntry entry = g_lists[size_t(type)][size_t(number)][size_t(index.at[obj])];
    PerformFound(inst, inst, entry.event, entry.owner, type, number);
    return true;
}

namespace {

// The code of an event that is one plain code action without arguments for self (most events),
// or nullptr.
const CAction* CodeAction(const CEvent* ev) {
    if (ev->Count() != 1) return nullptr;
    const CAction* a = At(ev, 0);
    if (a->act_kind != kActionNormal || a->act_isquestion || (a->act_useapplyto && a->act_who != kSelSelf) ||
        a->act_exetype != 2 || a->act_argumentcount != 0)
        return nullptr;
    return a;
}

// PerformFound for each instance of an entry whose event is the code action act: the same steps
// without looking the action up again for every instance.
void DeliverCode(CLiveRoom* room, const REntry& entry, const CAction& act, int type, int number) {
    const int count = room->ObjNumber(entry.object);
    for (int k = 0; k < count && !Run_Stopping(); ++k) {
        CInstance* inst = room->ObjInstance(entry.object, k);
        if (!inst || inst->i_marked) continue;
        PerformWith(entry.owner, type, number, [&] {
            g_ctx.action = 0;
            RValue r;
            RunCode(inst, inst, act, r);
        });
    }
}

template <bool All, class Pred>
void Deliver(int type, int number, const Pred& pred) {
    CLiveRoom* room = Run_Room();
    if (!room || !Event_HasListeners(type, number)) return;
    // Code may rebuild the lists while we walk them: look the entry up again at every turn.
    for (size_t e = 0; !Run_Stopping(); ++e) {
        const auto& lists = g_lists[size_t(type)];
        if (size_t(number) >= lists.size() || e >= lists[size_t(number)].size()) break;
        const REntry entry = lists[size_t(number)][e];
        if constexpr (All) {
            if (const CAction* act = CodeAction(entry.event)) {
                DeliverCode(room, entry, *act, type, number);
                continue;
            }
        }
        const int count = room->ObjNumber(entry.object);
        for (int k = 0; k < count && !Run_Stopping(); ++k) {
            CInstance* inst = room->ObjInstance(entry.object, k);
            if (inst && !inst->i_marked && pred(inst))
                PerformFound(inst, inst, entry.event, entry.owner, type, number);
        }
    }
}

} // namespace

void Event_Deliver(int type, int number) {
    Deliver<true>(type, number, [](CInstance*) { return true; });
}

void Event_DeliverIf(int type, int number, const std::function<bool(CInstance*)>& pred) {
    Deliver<false>(type, number, pred);
}

void Event_PerformMoment(CInstance* self, CInstance* other, int tl, int moment) {
    const CTimeLine* line = TimeLine_Get(tl);
    if (!line || Run_Stopping()) return;
    const CEvent* ev = line->Event(moment);
    if (ev) PerformFound(self, other, ev, tl, kTimeLineEventType, line->Step(moment));
}

void Event_Inherited(CInstance* self, CInstance* other) {
    if (g_ctx.type == kTimeLineEventType) return;
    const CObject* o = Object_Get(g_ctx.object);
    if (!o || !Object_Exists(o->o_parent)) return;
    Event_Perform(self, other, o->o_parent, g_ctx.type, g_ctx.number);
}

namespace {

void RunActions(CInstance* self, CInstance* other, const CEvent* ev) {
    // The common event, one plain action for self, runs without the list walk; one of code
    // without arguments (most events) straight.
    if (ev->Count() == 1) {
        const CAction& a = *At(ev, 0);
        if (a.act_kind == kActionNormal && !a.act_isquestion &&
            (!a.act_useapplyto || a.act_who == kSelSelf)) {
            if (Run_Stopping()) return;
            g_ctx.action = 0;
            RValue r;
            if (a.act_exetype == 2 && a.act_argumentcount == 0)
                RunCode(self, other, a, r);
            else
                Event_ExecuteAction(self, other, a, r);
            return;
        }
    }
    int p = 0;
    while (p != kEnd && p < ev->Count()) p = Step(self, other, ev, p);
}

} // namespace

void Event_RunActions(CInstance* self, CInstance* other, const CEvent* ev) {
    RunActions(self, other, ev);
}

void Event_ExecuteAction(CInstance* self, CInstance* other, const CAction& act, RValue& result) {
    if (act.act_exetype == 2) {
        const int n = act.act_argumentcount;
        if (n == 0) {
            RunCode(self, other, act, result);
            return;
        }
        const bool savedRelative = g_relative;
        g_relative = act.act_userelative && act.act_relative;
        // The action's arguments are argument0.. and argument_count while its code runs.
        RValue saved[kActionArgs];
        const int savedCount = arg_count, savedHigh = arg_high;
        RValue values[kActionArgs];
        EvaluateArgs(self, other, act, values);
        for (int i = 0; i < n; ++i) {
            saved[i] = arg_slots[i];
            arg_slots[i] = values[i];
        }
        arg_count = n;
        if (arg_high < n) arg_high = n;
        if (!Code_Execute(self, other, act.act_codecode.get(), result)) {
            Error_ShowInEvent(Error_Buffer(), false);
            Error_ClearFlag();
        }
        for (int i = 0; i < n; ++i) arg_slots[i] = saved[i];
        // Slots the code wrote above both its own arguments and the caller's are real 0 again,
        // as slots from arg_high on must be.
        for (int i = n > savedHigh ? n : savedHigh; i < arg_high; ++i) arg_slots[i] = RValue();
        arg_count = savedCount;
        arg_high = savedHigh;
        g_relative = savedRelative;
        return;
    }
    if (act.act_exetype != 1) return;
    g_relative = act.act_userelative && act.act_relative;
    RValue args[kArgumentSlots];
    EvaluateArgs(self, other, act, args);
    const int id = act.act_functionid;
    const int n = act.act_argumentcount;
    if (id < 0) return;
    if (id >= kExtensionIdBase) {
        Error_ShowInEvent("Extension functions are not available yet.", false);
    } else if (id >= kScriptIdBase) {
        if (!Script_Call(id - kScriptIdBase, self, other, result, true, args, n) && Error_IsSet()) {
            Error_ShowInEvent(Error_Buffer(), false);
            Error_ClearFlag();
        }
    } else {
        Function_Call(id, self, other, n, result, args);
    }
}
