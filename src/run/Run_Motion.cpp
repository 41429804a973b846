// Motion: friction and gravity, path following, the movement phase and the outside events.
#include "run/Run_Motion.h"

#include "resources/Object_Class.h"
#include "resources/Path_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_Event.h"
#include "run/Run_Main.h"
#include "run/Run_Room.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The path an instance follows when it can be followed: it exists and has a length.
const CPath* FollowedPath(const CInstance& inst) {
    if (inst.i_pathindex < 0) return nullptr;
    const CPath* p = Path_Get(inst.i_pathindex);
    return p && p->PathLength() > 0 ? p : nullptr;
}

// (dx, dy) of the path turned by the instance's orientation and scaled by its scale.
void Orient(const CInstance& inst, double dx, double dy, double& ox, double& oy) {
    const double a = inst.i_pathorientation * kPi / 180.0;
    const double c = std::cos(a), s = std::sin(a), k = inst.i_pathscale;
    ox = (c * dx + s * dy) * k;
    oy = (c * dy - s * dx) * k;
}

} // namespace

void Motion_AdaptSpeed(CInstance& inst) {
    if (inst.i_friction != 0) {
        const double sp = inst.i_speed;
        const double n = sp > 0 ? sp - inst.i_friction : sp + inst.i_friction;
        if ((sp > 0 && n < 0) || (sp < 0 && n > 0))
            inst.SetSpeed(0);
        else if (sp != 0)
            inst.SetSpeed(n);
    }
    if (inst.i_gravity != 0) inst.AddToSpeed(inst.i_gravitydir, inst.i_gravity);
}

void Motion_AssignPath(CInstance& inst, int ind, double speed, double scale, double orient, bool relative,
                       int endact) {
    inst.i_pathindex = ind;
    if (ind < 0) return;
    const CPath* path = Path_Get(ind);
    if (!path || !(path->PathLength() > 0)) {
        inst.i_pathindex = -1;
        return;
    }
    inst.i_pathspeed = speed;
    inst.i_pathposition = inst.i_pathpositionprevious = speed < 0 ? 1 : 0;
    inst.i_pathscale = scale;
    // A scale of 0 would make every step infinitely long; it stops following like a negative one.
    if (!(scale > 0)) {
        inst.i_pathindex = -1;
        return;
    }
    inst.i_pathorientation = orient;
    inst.i_pathend = endact;
    const double at = speed < 0 ? 1 : 0;
    if (!relative) inst.SetPosition(path->XPosition(at), path->YPosition(at));
    // The start point is where the path's first point lies. Going backwards the instance stands
    // at the path's last point, so the start is set back by the turned and scaled P(1) - P(0):
    // the first step moves along the path instead of jumping.
    double ox = 0, oy = 0;
    if (speed < 0)
        Orient(inst, path->XPosition(1) - path->XPosition(0), path->YPosition(1) - path->YPosition(0), ox,
               oy);
    inst.i_pathxstart = inst.i_x - ox;
    inst.i_pathystart = inst.i_y - oy;
}

bool Motion_AdaptPath(CInstance& inst) {
    const CPath* path = FollowedPath(inst);
    const double k = inst.i_pathscale;
    if (!path || inst.i_pathspeed == 0 || !(k > 0)) return false;
    const double len = path->PathLength();
    const double sp = path->Speed(inst.i_pathposition) / (100 * k);
    inst.i_pathposition += inst.i_pathspeed * sp / len;
    const double p = inst.i_pathposition;
    // The end is judged by the direction of travel, so a backward run that lands exactly on 0
    // ends at the start.
    const bool forward = inst.i_pathspeed > 0;
    const bool ended = p >= 1 || !(p > 0);
    if (ended) {
        switch (inst.i_pathend) {
        case kPathRestart:
            inst.i_pathposition = forward ? p - 1 : p + 1;
            break;
        case kPathContinue: {
            double ox, oy;
            Orient(inst, path->XPosition(1) - path->XPosition(0), path->YPosition(1) - path->YPosition(0), ox,
                   oy);
            if (forward) {
                inst.i_pathxstart += ox;
                inst.i_pathystart += oy;
                inst.i_pathposition = p - 1;
            } else {
                inst.i_pathxstart -= ox;
                inst.i_pathystart -= oy;
                inst.i_pathposition = p + 1;
            }
            break;
        }
        case kPathReverse:
            if (forward) {
                inst.i_pathposition = 2 - p;
                inst.i_pathspeed = -std::fabs(inst.i_pathspeed);
            } else {
                inst.i_pathposition = -p;
                inst.i_pathspeed = std::fabs(inst.i_pathspeed);
            }
            break;
        default:
            inst.i_pathposition = forward ? 1 : 0;
            inst.i_pathindex = -1;
            break;
        }
    }
    const double x0 = path->XPosition(0), y0 = path->YPosition(0);
    double ox, oy;
    Orient(inst, path->XPosition(inst.i_pathposition) - x0, path->YPosition(inst.i_pathposition) - y0, ox,
           oy);
    const double tx = ox + inst.i_pathxstart, ty = oy + inst.i_pathystart;
    inst.SetHSpeed(tx - inst.i_x);
    inst.SetVSpeed(ty - inst.i_y);
    inst.SetSpeed(0);
    inst.SetPosition(tx, ty);
    return ended;
}

void Motion_Pass(CLiveRoom& room) {
    const bool listened = Event_HasListeners(kEvOther, kOtherEndOfPath);
    const int count = room.InstanceCount();
    for (int k = 0; k < count && k < room.InstanceCount(); ++k) {
        CInstance* inst = room.InstanceAt(k);
        if (!inst) continue;
        // Most instances have no friction, gravity or path: they skip straight to the move.
        if (inst->i_friction != 0 || inst->i_gravity != 0) Motion_AdaptSpeed(*inst);
        if (inst->i_pathindex >= 0 && Motion_AdaptPath(*inst) && listened && !inst->i_marked &&
            !Run_Stopping())
            Event_PerformInstance(inst, inst, kEvOther, kOtherEndOfPath);
        if (inst->i_hspeed != 0 || inst->i_vspeed != 0)
            inst->SetPosition(inst->i_x + inst->i_hspeed, inst->i_y + inst->i_vspeed);
    }
}

namespace {

// "Outside" against the rectangle (l, t)..(r, b): the box entirely off it, or the point off it.
bool Outside(const CInstance& i, double l, double t, double r, double b) {
    if (i.HasBox())
        return !(i.i_bbox.Right >= l && i.i_bbox.Left <= r && i.i_bbox.Bottom >= t && i.i_bbox.Top <= b);
    return !(l <= i.i_x && i.i_x <= r && t <= i.i_y && i.i_y <= b);
}

// "Boundary": the box not entirely inside the rectangle (for a point, as Outside).
bool Boundary(const CInstance& i, double l, double t, double r, double b) {
    if (i.HasBox())
        return !(i.i_bbox.Left >= l && i.i_bbox.Right <= r && i.i_bbox.Top >= t && i.i_bbox.Bottom <= b);
    return Outside(i, l, t, r, b);
}

} // namespace

void Motion_OutsidePass(CLiveRoom& room) {
    const double w = room.r_width, h = room.r_height;
    if (Event_HasListeners(kEvOther, kOtherOutsideRoom))
        Event_DeliverIf(kEvOther, kOtherOutsideRoom, [&](CInstance* i) { return Outside(*i, 0, 0, w, h); });
    if (!Run_Stopping() && Event_HasListeners(kEvOther, kOtherIntersectBoundary))
        Event_DeliverIf(kEvOther, kOtherIntersectBoundary,
                        [&](CInstance* i) { return Boundary(*i, 0, 0, w, h); });
    if (!room.r_enableviews) return;
    for (int v = 0; v < kRoomViews && !Run_Stopping(); ++v) {
        // Read each time: an event may change the room's views.
        auto rect = [&room, v](double& l, double& t, double& r, double& b) {
            const CView& view = room.r_view[size_t(v)];
            l = view.xview;
            t = view.yview;
            r = double(view.xview) + view.wview;
            b = double(view.yview) + view.hview;
            return room.r_enableviews && view.visible;
        };
        double l, t, r, b;
        if (!rect(l, t, r, b)) continue;
        if (Event_HasListeners(kEvOther, kOtherOutsideView0 + v))
            Event_DeliverIf(kEvOther, kOtherOutsideView0 + v, [&](CInstance* i) {
                double l2, t2, r2, b2;
                return rect(l2, t2, r2, b2) && Outside(*i, l2, t2, r2, b2);
            });
        if (!Run_Stopping() && Event_HasListeners(kEvOther, kOtherBoundaryView0 + v))
            Event_DeliverIf(kEvOther, kOtherBoundaryView0 + v, [&](CInstance* i) {
                double l2, t2, r2, b2;
                return rect(l2, t2, r2, b2) && Boundary(*i, l2, t2, r2, b2);
            });
    }
}
