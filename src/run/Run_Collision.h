// Collision checking: the pixel tests of an instance's collision mask against a point, a
// rectangle, an ellipse, a line or another instance's mask; the instance searches that the
// collision, place and position functions share; and the per-step collision pass with its solid
// rule, driven by a broad phase so that it is not quadratic in the number of instances.
#pragma once

#include <vector>

class CInstance;
class CLiveRoom;

// Instance tests. Each first rejects on the instance's integer box (and on a marked instance);
// prec false answers there, prec true goes on to the mask of the frame shown.
bool Collision_Point(const CInstance& inst, double x, double y, bool prec);
bool Collision_Rectangle(const CInstance& inst, double x1, double y1, double x2, double y2, bool prec);
bool Collision_Ellipse(const CInstance& inst, double x1, double y1, double x2, double y2, bool prec);
bool Collision_Line(const CInstance& inst, double x1, double y1, double x2, double y2, bool prec);
// Whether a and b overlap (false for the same instance or when either is marked).
bool Collision_Instance(const CInstance& a, const CInstance& b, bool prec);

// The region a search looks at: an instance can only be found when its box meets the pixels
// floor(x1)..floor(x2), floor(y1)..floor(y2) (x1 <= x2, y1 <= y2).
struct RSearchArea {
    double x1, y1, x2, y2;
};

// The first unmarked active instance selected by obj (all, an instance id, or an object with its
// descendants; self, other and noone select nothing) for which test holds, in list order; null
// when none. notme skips self. test must reject every instance whose box misses area: the room's
// search index then offers only the instances near it, in the same order.
template <class Test>
CInstance* Collision_Find(int obj, const CInstance* notme, const RSearchArea& area, Test test);
// The same over every active instance of the room, in the room's order.
template <class Test>
CInstance* Collision_FindAny(const RSearchArea& area, Test test);
// The same without a region: every instance selected is offered to test.
template <class Test>
CInstance* Collision_Walk(int obj, const CInstance* notme, Test test);

// The instances whose box meets area, from the active list (obj kSelAll) or from object obj's
// list (its descendants included), in that list's order; null when the index cannot narrow the
// search (a region of very many cells, a bound that is not a number) and the list must be walked.
const std::vector<CInstance*>* Collision_Candidates(CLiveRoom& room, int obj, const RSearchArea& area);

// Whether inst, moved to (x, y) for the test, overlaps an instance that test accepts (solid only,
// any, or of an object); inst is put back afterwards. The instance found, or null.
CInstance* Collision_PlaceFind(CInstance& inst, double x, double y, int obj, bool solidOnly);

// The collision pass of one step over the live room.
void Collision_Pass(CLiveRoom& room);

// ---- template bodies ----

#include "code/Variable_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_Main.h"
#include "run/Run_Room.h"

template <class Test>
CInstance* Collision_Find(int obj, const CInstance* notme, const RSearchArea& area, Test test) {
    CLiveRoom* room = Run_Room();
    if (!room) return nullptr;
    if (obj == kSelAll || (obj >= 0 && obj < kFirstInstanceId)) {
        if (const std::vector<CInstance*>* cand = Collision_Candidates(*room, obj, area)) {
            for (CInstance* i : *cand)
                if (!i->i_marked && i != notme && test(*i)) return i;
            return nullptr;
        }
    }
    return Collision_Walk(obj, notme, test);
}

template <class Test>
CInstance* Collision_Walk(int obj, const CInstance* notme, Test test) {
    CLiveRoom* room = Run_Room();
    if (!room) return nullptr;
    auto take = [&](CInstance* i) { return i && !i->i_marked && i != notme && test(*i); };
    if (obj == kSelAll) {
        const int n = room->InstanceCount();
        for (int k = 0; k < n && k < room->InstanceCount(); ++k)
            if (CInstance* i = room->InstanceAt(k); take(i)) return i;
    } else if (obj >= kFirstInstanceId) {
        if (CInstance* i = room->FindInstance(obj); take(i)) return i;
    } else if (obj >= 0) {
        const int n = room->ObjNumberRecursive(obj);
        for (int k = 0; k < n && k < room->ObjNumberRecursive(obj); ++k)
            if (CInstance* i = room->ObjInstanceRecursive(obj, k); take(i)) return i;
    }
    return nullptr;
}

template <class Test>
CInstance* Collision_FindAny(const RSearchArea& area, Test test) {
    return Collision_Find(kSelAll, nullptr, area, test);
}
