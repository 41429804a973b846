// Instance, room and game functions: finding, counting, creating, copying, changing, destroying,
// deactivating and reactivating instances; room changes; ending and restarting the game.
#include "functions/Function_World.h"

#include "functions/Function_File.h"

#include "code/Variable_Main.h"
#include "resources/Object_Main.h"
#include "resources/Room_Main.h"
#include "resources/Sprite_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_Collision.h"
#include "run/Run_Event.h"
#include "run/Run_Main.h"
#include "run/Run_Room.h"
#include "run/Run_Save.h"

#include <cmath>
#include <string>

namespace {

bool Live(const CInstance* i) {
    return i && !i->i_marked;
}

// Calls fn(instance) for the unmarked active instances an object argument selects (all, an id,
// or an object with its descendants), in order, until fn returns false. Self and other select
// nothing here; callers that understand them handle them first.
template <class Fn>
void ForEach(int obj, Fn fn) {
    CLiveRoom* room = Run_Room();
    if (!room) return;
    if (obj == kSelAll) {
        const int n = room->InstanceCount();
        for (int k = 0; k < n; ++k)
            if (CInstance* i = room->InstanceAt(k); Live(i) && !fn(i)) return;
    } else if (obj >= kFirstInstanceId) {
        if (CInstance* i = room->FindInstance(obj)) fn(i);
    } else if (obj >= 0) {
        const int n = room->ObjNumberRecursive(obj);
        for (int k = 0; k < n; ++k)
            if (CInstance* i = room->ObjInstanceRecursive(obj, k); Live(i) && !fn(i)) return;
    }
}

CInstance* SelfOrOther(int obj, CInstance* self, CInstance* other) {
    return obj == kSelSelf ? self : obj == kSelOther ? other : nullptr;
}

// Makes inst a copy of src while inst keeps its own id.
void CopyKeepingId(CInstance* inst, const CInstance& src) {
    const int fresh = inst->i_id;
    inst->Assign(src);
    inst->i_id = fresh;
}

// Whether the instance touches the region (its box, or its position without sprite and mask).
bool Touches(const CInstance* i, double left, double top, double width, double height) {
    if (i->HasBox())
        return left <= i->i_bbox.Right && left + width >= i->i_bbox.Left && top <= i->i_bbox.Bottom &&
               top + height >= i->i_bbox.Top;
    return left <= i->i_x && i->i_x <= left + width && top <= i->i_y && i->i_y <= top + height;
}

void Nearest(double x, double y, int obj, bool furthest, RValue& result) {
    result.SetReal(kSelNoone);
    if (obj < 0 || obj >= kFirstInstanceId) {
        if (obj != kSelAll) return;
    }
    double best = furthest ? -1 : 1e10;
    ForEach(obj, [&](CInstance* i) {
        const double d = (i->i_x - x) * (i->i_x - x) + (i->i_y - y) * (i->i_y - y);
        if (furthest ? d > best : d < best) {
            best = d;
            result.SetReal(i->i_id);
        }
        return true;
    });
}

void ChangeInto(CLiveRoom& room, CInstance* inst, int obj, bool events) {
    if (events) Event_PerformInstance(inst, inst, kEvDestroy, 0);
    CInstance* n = Run_AddInstance(inst->i_x, inst->i_y, obj);
    if (!n) return;
    // The new instance takes the old one's id and everything else, then the new object's fields.
    const int fresh = n->i_id;
    n->Assign(*inst);
    const int keep = n->i_id;
    n->i_id = fresh;
    room.SetInstanceId(n, keep);
    n->i_marked = false;
    n->SetObjectIndex(obj);
    inst->Mark();
    if (events) Event_PerformInstance(n, n, kEvCreate, 0);
}

void SetRoom(int r) {
    Run_GotoRoom(r);
}

} // namespace

QV_FUNCTION(F_InstanceFind) {
    const int obj = Arg_Int(args[0]);
    const int n = Arg_Int(args[1]);
    result.SetReal(kSelNoone);
    int k = 0;
    ForEach(obj, [&](CInstance* i) {
        if (k++ == n) {
            result.SetReal(i->i_id);
            return false;
        }
        return true;
    });
}

QV_FUNCTION(F_InstanceExists) {
    const int obj = Arg_Int(args[0]);
    bool found = false;
    if (obj == kSelSelf || obj == kSelOther) {
        found = Live(SelfOrOther(obj, self, other));
    } else {
        ForEach(obj, [&](CInstance*) {
            found = true;
            return false;
        });
    }
    result.SetReal(found ? 1 : 0);
}

QV_FUNCTION(F_InstanceNumber) {
    const int obj = Arg_Int(args[0]);
    int n = 0;
    if (obj == kSelSelf || obj == kSelOther) {
        n = Live(SelfOrOther(obj, self, other)) ? 1 : 0;
    } else {
        ForEach(obj, [&](CInstance*) {
            ++n;
            return true;
        });
    }
    result.SetReal(n);
}

QV_FUNCTION(F_InstanceNearest) {
    Nearest(Arg_Real(args[0]), Arg_Real(args[1]), Arg_Int(args[2]), false, result);
}

QV_FUNCTION(F_InstanceFurthest) {
    Nearest(Arg_Real(args[0]), Arg_Real(args[1]), Arg_Int(args[2]), true, result);
}

QV_FUNCTION(F_InstanceCreate) {
    const int obj = Arg_Int(args[2]);
    result.SetReal(kSelNoone);
    if (!Object_Exists(obj)) {
        Function_Error("Creating instance for non-existing object: " + std::to_string(obj));
        return;
    }
    CInstance* inst = Run_AddInstance(Arg_Real(args[0]), Arg_Real(args[1]), obj);
    if (!inst) return;
    const int id = inst->i_id;
    Event_PerformInstance(inst, inst, kEvCreate, 0);
    result.SetReal(id);
}

QV_FUNCTION(F_InstanceCopy) {
    result.SetReal(kSelNoone);
    CLiveRoom* room = Run_Room();
    if (!room || !self) return;
    CInstance* copy = Run_AddInstance(self->i_x, self->i_y, self->i_objectindex);
    if (!copy) return;
    CopyKeepingId(copy, *self);
    copy->i_marked = false;
    const int id = copy->i_id;
    if (Arg_Bool(args[0])) Event_PerformInstance(copy, copy, kEvCreate, 0);
    result.SetReal(id);
}

QV_FUNCTION(F_InstanceChange) {
    const int obj = Arg_Int(args[0]);
    if (!Object_Exists(obj)) {
        Function_Error("Asking to change into non-existing object: " + std::to_string(obj));
        return;
    }
    CLiveRoom* room = Run_Room();
    if (room && self) ChangeInto(*room, self, obj, Arg_Bool(args[1]));
}

QV_FUNCTION(F_InstanceDestroy) {
    if (!self) return;
    Event_PerformInstance(self, self, kEvDestroy, 0);
    self->Mark();
}

QV_FUNCTION(F_PositionDestroy) {
    CLiveRoom* room = Run_Room();
    if (!room) return;
    const double x = Arg_Real(args[0]), y = Arg_Real(args[1]);
    const int count = room->InstanceCount();
    for (int k = 0; k < count && k < room->InstanceCount() && !Run_Stopping(); ++k) {
        CInstance* i = room->InstanceAt(k);
        if (!i || !Collision_Point(*i, x, y, true)) continue;
        Event_PerformInstance(i, i, kEvDestroy, 0);
        i->Mark();
    }
}

QV_FUNCTION(F_PositionChange) {
    CLiveRoom* room = Run_Room();
    if (!room) return;
    const double x = Arg_Real(args[0]), y = Arg_Real(args[1]);
    const int obj = Arg_Int(args[2]);
    if (!Object_Exists(obj)) {
        Function_Error("Asking to change into non-existing object: " + std::to_string(obj));
        return;
    }
    const bool events = Arg_Bool(args[3]);
    const int count = room->InstanceCount();
    for (int k = 0; k < count && k < room->InstanceCount() && !Run_Stopping(); ++k) {
        CInstance* i = room->InstanceAt(k);
        if (i && Collision_Point(*i, x, y, true)) ChangeInto(*room, i, obj, events);
    }
}

QV_FUNCTION(F_InstanceSprite) {
    const int spr = Arg_Int(args[0]);
    if (!Sprite_Exists(spr)) {
        Function_Error("Setting instance to non-existing sprite: " + std::to_string(spr));
        return;
    }
    if (self) self->SetSpriteIndex(spr);
}

QV_FUNCTION(F_InstanceDeactivateAll) {
    CLiveRoom* room = Run_Room();
    if (!room) return;
    for (int k = 0; k < room->InstanceCount(); ++k) room->InstanceAt(k)->i_deactivated = true;
    if (Arg_Bool(args[0]) && self) self->i_deactivated = false;
    room->UpdateActive();
}

QV_FUNCTION(F_InstanceDeactivateObject) {
    CLiveRoom* room = Run_Room();
    if (!room) return;
    const int obj = Arg_Int(args[0]);
    if (obj == kSelSelf || obj == kSelOther) {
        if (CInstance* i = SelfOrOther(obj, self, other)) i->i_deactivated = true;
    } else if (obj == kSelAll || obj >= kFirstInstanceId) {
        for (int k = 0; k < room->InstanceCount(); ++k)
            if (CInstance* i = room->InstanceAt(k); obj == kSelAll || i->i_id == obj) i->i_deactivated = true;
    } else if (obj >= 0) {
        for (int k = 0; k < room->ObjNumberRecursive(obj); ++k)
            room->ObjInstanceRecursive(obj, k)->i_deactivated = true;
    }
    room->UpdateActive();
}

QV_FUNCTION(F_InstanceDeactivateRegion) {
    CLiveRoom* room = Run_Room();
    if (!room) return;
    const double left = Arg_Real(args[0]), top = Arg_Real(args[1]), w = Arg_Real(args[2]),
                 h = Arg_Real(args[3]);
    const bool inside = Arg_Bool(args[4]);
    for (int k = 0; k < room->InstanceCount(); ++k) {
        CInstance* i = room->InstanceAt(k);
        if (Touches(i, left, top, w, h) == inside) i->i_deactivated = true;
    }
    if (Arg_Bool(args[5]) && self) self->i_deactivated = false;
    room->UpdateActive();
}

QV_FUNCTION(F_InstanceActivateAll) {
    CLiveRoom* room = Run_Room();
    if (!room) return;
    for (int k = 0; k < room->DeactivatedCount(); ++k) room->DeactivatedAt(k)->i_deactivated = false;
    room->UpdateActive();
}

QV_FUNCTION(F_InstanceActivateObject) {
    CLiveRoom* room = Run_Room();
    if (!room) return;
    const int obj = Arg_Int(args[0]);
    if (obj == kSelSelf || obj == kSelOther) {
        if (CInstance* i = SelfOrOther(obj, self, other)) i->i_deactivated = false;
    } else {
        for (int k = 0; k < room->DeactivatedCount(); ++k) {
            CInstance* i = room->DeactivatedAt(k);
            bool pick = obj == kSelAll || (obj >= kFirstInstanceId && i->i_id == obj);
            if (!pick && obj >= 0 && obj < kFirstInstanceId) {
                pick = i->i_objectindex == obj;
                for (int a : Room_Ancestors(i->i_objectindex))
                    if (a == obj) pick = true;
            }
            if (pick) i->i_deactivated = false;
        }
    }
    room->UpdateActive();
}

QV_FUNCTION(F_InstanceActivateRegion) {
    CLiveRoom* room = Run_Room();
    if (!room) return;
    const double left = Arg_Real(args[0]), top = Arg_Real(args[1]), w = Arg_Real(args[2]),
                 h = Arg_Real(args[3]);
    const bool inside = Arg_Bool(args[4]);
    for (int k = 0; k < room->DeactivatedCount(); ++k) {
        CInstance* i = room->DeactivatedAt(k);
        if (Touches(i, left, top, w, h) == inside) i->i_deactivated = false;
    }
    room->UpdateActive();
}

QV_FUNCTION(F_RoomGoto) {
    SetRoom(Arg_Int(args[0]));
}

QV_FUNCTION(F_RoomGotoPrevious) {
    const int cur = Run_CurrentRoom();
    if (cur == RoomOrder_First()) {
        Error_ShowInEvent("Moving to previous room before the first room.", true);
        Run_SetStopRequest(kStopAbort);
        return;
    }
    SetRoom(RoomOrder_Previous(cur));
}

QV_FUNCTION(F_RoomGotoNext) {
    const int cur = Run_CurrentRoom();
    if (cur == RoomOrder_Last()) {
        Error_ShowInEvent("Moving to next room after the last room.", true);
        Run_SetStopRequest(kStopAbort);
        return;
    }
    SetRoom(RoomOrder_Next(cur));
}

QV_FUNCTION(F_RoomPrevious) {
    const int r = Arg_Int(args[0]);
    result.SetReal(Room_Exists(r) ? RoomOrder_Previous(r) : -1);
}

QV_FUNCTION(F_RoomNext) {
    const int r = Arg_Int(args[0]);
    result.SetReal(Room_Exists(r) ? RoomOrder_Next(r) : -1);
}

QV_FUNCTION(F_RoomRestart) {
    SetRoom(Run_CurrentRoom());
}

QV_FUNCTION(F_GameEnd) {
    Run_SetStopRequest(kStopEnd);
}

QV_FUNCTION(F_GameRestart) {
    Run_SetStopRequest(kStopRestart);
}

QV_FUNCTION(F_GameSave) {
    const std::string fname(Arg_String(args[0]));
    if (File_SecureRefuses(fname)) {
        Function_Error("In secure mode you cannot save game to file " + fname);
        return;
    }
    Run_SaveGame(fname);
}

QV_FUNCTION(F_GameLoad) {
    Run_RequestLoad(std::string(Arg_String(args[0])));
}

QV_FUNCTION(F_Sleep) {
    const double us = std::nearbyint(Arg_Real(args[0]) * 1000);
    if (us > 0) Run_Wait(us > 1e12 ? int64_t(1e12) : int64_t(us));
}

QV_FUNCTION(F_PlatformGetPlatform) {
    result.SetReal(0);
}

QV_FUNCTION(F_PlatformGetDevice) {
    result.SetReal(-1);
}

QV_FUNCTION(F_PlatformZero) {
    result.SetReal(0);
}

QV_FUNCTION(F_PlatformGetDomain) {
    result = RValue::String("unknown");
}
