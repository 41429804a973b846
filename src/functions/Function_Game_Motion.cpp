// Movement and collision functions: setting motion, moving to contact and out of instances,
// bouncing, wrapping, snapping, random placement, distances, starting and ending paths, and the
// collision, place and position searches.
#include "functions/Function_World.h"

#include "code/Variable_Main.h"
#include "graphics/Graphics_Draw.h"
#include "resources/Path_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_Collision.h"
#include "run/Run_Main.h"
#include "run/Run_Motion.h"
#include "run/Run_Room.h"
#include "support/Support_Random.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// move_contact_* and move_outside_* move at most this many pixels, whatever maxdist asks.
constexpr int64_t kMaxMoveSteps = 100000;
constexpr int kPrimitiveLineStrip = 3;

double Rad(double deg) {
    return deg * kPi / 180.0;
}

// The place test of the moving functions: free of solid instances, or of every instance.
bool PlaceFree(CInstance& inst, double x, double y, bool solidOnly) {
    return !Collision_PlaceFind(inst, x, y, kSelAll, solidOnly);
}

int64_t MoveSteps(double maxdist) {
    if (!(maxdist > 0)) return 1000;
    return int64_t(std::min(std::nearbyint(maxdist), double(kMaxMoveSteps)));
}

// Moves towards contact; true when it stopped against an instance (the next pixel is taken).
bool MoveContact(CInstance& inst, double dir, double maxdist, bool solidOnly) {
    if (!PlaceFree(inst, inst.i_x, inst.i_y, solidOnly)) return false;
    const double ux = std::cos(Rad(dir)), uy = -std::sin(Rad(dir));
    const int64_t n = MoveSteps(maxdist);
    for (int64_t k = 0; k < n; ++k) {
        if (!PlaceFree(inst, inst.i_x + ux, inst.i_y + uy, solidOnly)) return true;
        inst.SetPosition(inst.i_x + ux, inst.i_y + uy);
    }
    return false;
}

// Moves out of instances; true when the place is free at the end.
bool MoveOutside(CInstance& inst, double dir, double maxdist, bool solidOnly) {
    const double ux = std::cos(Rad(dir)), uy = -std::sin(Rad(dir));
    const int64_t n = MoveSteps(maxdist);
    bool free = PlaceFree(inst, inst.i_x, inst.i_y, solidOnly);
    for (int64_t k = 0; !free && k < n; ++k) {
        inst.SetPosition(inst.i_x + ux, inst.i_y + uy);
        free = PlaceFree(inst, inst.i_x, inst.i_y, solidOnly);
    }
    return free;
}

void Bounce(CInstance& inst, bool adv, bool solidOnly) {
    bool bounce = false;
    if (!PlaceFree(inst, inst.i_x, inst.i_y, solidOnly)) {
        inst.SetPosition(inst.i_xprevious, inst.i_yprevious);
        bounce = true;
    }
    if (adv) {
        const double m = 10 * std::nearbyint(inst.i_direction / 10);
        const double sp = inst.i_speed;
        auto free = [&](double d) {
            return PlaceFree(inst, inst.i_x + std::cos(Rad(d)) * sp, inst.i_y - std::sin(Rad(d)) * sp,
                             solidOnly);
        };
        double o = m, r = m;
        for (int k = 0; k < 35; ++k) {
            o -= 10;
            if (free(o)) break;
            bounce = true;
        }
        for (int k = 0; k < 35; ++k) {
            r += 10;
            if (free(r)) break;
            bounce = true;
        }
        if (bounce) inst.SetDirection(o + r + 180 - m);
        return;
    }
    const double x = inst.i_x, y = inst.i_y, hs = inst.i_hspeed, vs = inst.i_vspeed;
    const bool h = PlaceFree(inst, x + hs, y, solidOnly);
    const bool v = PlaceFree(inst, x, y + vs, solidOnly);
    const bool d = PlaceFree(inst, x + hs, y + vs, solidOnly);
    if ((!h && !v) || (h && v && !d)) {
        inst.SetHSpeed(-inst.i_hspeed);
        inst.SetVSpeed(-inst.i_vspeed);
    } else if (!h) {
        inst.SetHSpeed(-inst.i_hspeed);
    } else if (!v) {
        inst.SetVSpeed(-inst.i_vspeed);
    }
}

// An integer in 0 .. n-1 from the game's generator (0 when n < 1).
double RandomBelow(double n) {
    if (!(n >= 1)) return 0;
    return Random_Below(uint64_t(std::min(n, 4294967296.0)));
}

double BoxDistance(const RInstanceBox& a, const RInstanceBox& b) {
    double dx = 0, dy = 0;
    if (a.Right < b.Left)
        dx = double(b.Left) - a.Right;
    else if (b.Right < a.Left)
        dx = double(b.Right) - a.Left;
    if (a.Bottom < b.Top)
        dy = double(b.Top) - a.Bottom;
    else if (b.Bottom < a.Top)
        dy = double(b.Bottom) - a.Top;
    return std::sqrt(dx * dx + dy * dy);
}

// The search region of a rectangle given by any two corners.
RSearchArea Area(double x1, double y1, double x2, double y2) {
    return {std::fmin(x1, x2), std::fmin(y1, y2), std::fmax(x1, x2), std::fmax(y1, y2)};
}

void SetId(RValue& result, const CInstance* i) {
    result.SetReal(i ? i->i_id : kSelNoone);
}

// self and other as the instance ids that place_meeting and position_meeting test.
int Translate(int obj, CInstance* self, CInstance* other) {
    if (obj == kSelSelf) return self ? self->i_id : kSelNoone;
    if (obj == kSelOther) return other ? other->i_id : kSelNoone;
    return obj;
}

} // namespace

QV_FUNCTION(F_MoveRandom) {
    CLiveRoom* room = Run_Room();
    if (!self || !room) return;
    const double hsnap = Arg_Real(args[0]), vsnap = Arg_Real(args[1]);
    double l = 0, t = 0, w = room->r_width, h = room->r_height;
    if (self->HasBox()) {
        const RInstanceBox& b = self->i_bbox;
        l = std::nearbyint(self->i_x - b.Left);
        t = std::nearbyint(self->i_y - b.Top);
        w = std::nearbyint(self->i_x + room->r_width - b.Right);
        h = std::nearbyint(room->r_height + self->i_y - b.Bottom);
    }
    for (int k = 0; k < 100; ++k) {
        double nx = l + RandomBelow(w - l);
        if (std::nearbyint(hsnap) > 0) nx = hsnap * std::floor(nx / hsnap);
        double ny = t + RandomBelow(h - t);
        if (std::nearbyint(vsnap) > 0) ny = vsnap * std::floor(ny / vsnap);
        if (PlaceFree(*self, nx, ny, true)) {
            self->SetPosition(nx, ny);
            return;
        }
    }
}

QV_FUNCTION(F_PlaceFree) {
    if (self) result.SetReal(PlaceFree(*self, Arg_Real(args[0]), Arg_Real(args[1]), true) ? 1 : 0);
}

QV_FUNCTION(F_PlaceEmpty) {
    if (self) result.SetReal(PlaceFree(*self, Arg_Real(args[0]), Arg_Real(args[1]), false) ? 1 : 0);
}

QV_FUNCTION(F_PlaceMeeting) {
    if (!self) return;
    const int obj = Translate(Arg_Int(args[2]), self, other);
    result.SetReal(Collision_PlaceFind(*self, Arg_Real(args[0]), Arg_Real(args[1]), obj, false) ? 1 : 0);
}

QV_FUNCTION(F_InstancePlace) {
    result.SetReal(kSelNoone);
    if (self)
        SetId(result,
              Collision_PlaceFind(*self, Arg_Real(args[0]), Arg_Real(args[1]), Arg_Int(args[2]), false));
}

QV_FUNCTION(F_PlaceSnapped) {
    if (!self) return;
    auto snapped = [](double v, double snap) {
        if (!(snap > 0)) return true;
        return std::fabs(v - snap * std::nearbyint(v / snap)) < 0.001;
    };
    result.SetReal(snapped(self->i_x, Arg_Real(args[0])) && snapped(self->i_y, Arg_Real(args[1])) ? 1 : 0);
}

QV_FUNCTION(F_MoveSnap) {
    if (!self) return;
    const double hs = Arg_Real(args[0]), vs = Arg_Real(args[1]);
    double x = self->i_x, y = self->i_y;
    if (hs > 0) x = hs * std::nearbyint(x / hs);
    if (vs > 0) y = vs * std::nearbyint(y / vs);
    self->SetPosition(x, y);
}

QV_FUNCTION(F_MoveTowardsPoint) {
    if (!self) return;
    self->SetHSpeed(Arg_Real(args[0]) - self->i_x);
    self->SetVSpeed(Arg_Real(args[1]) - self->i_y);
    self->SetSpeed(Arg_Real(args[2]));
}

QV_FUNCTION(F_MoveContact) {
    if (!self) return;
    const double dir = Arg_Real(args[0]);
    if (PlaceFree(*self, self->i_x, self->i_y, true))
        result.SetReal(MoveContact(*self, dir, -1, true) ? 1 : 0);
    else
        result.SetReal(MoveOutside(*self, dir, -1, true) ? 1 : 0);
}

QV_FUNCTION(F_MoveContactSolid) {
    if (self) result.SetReal(MoveContact(*self, Arg_Real(args[0]), Arg_Real(args[1]), true) ? 1 : 0);
}

QV_FUNCTION(F_MoveContactAll) {
    if (self) result.SetReal(MoveContact(*self, Arg_Real(args[0]), Arg_Real(args[1]), false) ? 1 : 0);
}

QV_FUNCTION(F_MoveOutsideSolid) {
    if (self) result.SetReal(MoveOutside(*self, Arg_Real(args[0]), Arg_Real(args[1]), true) ? 1 : 0);
}

QV_FUNCTION(F_MoveOutsideAll) {
    if (self) result.SetReal(MoveOutside(*self, Arg_Real(args[0]), Arg_Real(args[1]), false) ? 1 : 0);
}

QV_FUNCTION(F_MoveBounceSolid) {
    if (self) Bounce(*self, Arg_Bool(args[0]), true);
}

QV_FUNCTION(F_MoveBounceAll) {
    if (self) Bounce(*self, Arg_Bool(args[0]), false);
}

QV_FUNCTION(F_MoveWrap) {
    CLiveRoom* room = Run_Room();
    if (!self || !room) return;
    const double margin = Arg_Real(args[2]);
    double x = self->i_x, y = self->i_y;
    if (Arg_Bool(args[0])) {
        if (x < -margin) x += room->r_width + 2 * margin;
        if (x > room->r_width + margin) x -= room->r_width + 2 * margin;
    }
    if (Arg_Bool(args[1])) {
        if (y < -margin) y += room->r_height + 2 * margin;
        if (y > room->r_height + margin) y -= room->r_height + 2 * margin;
    }
    self->SetPosition(x, y);
}

QV_FUNCTION(F_MotionSet) {
    if (!self) return;
    self->SetDirection(Arg_Real(args[0]));
    self->SetSpeed(Arg_Real(args[1]));
}

QV_FUNCTION(F_MotionAdd) {
    if (self) self->AddToSpeed(Arg_Real(args[0]), Arg_Real(args[1]));
}

QV_FUNCTION(F_DistanceToPoint) {
    if (!self) return;
    const double x = Arg_Real(args[0]), y = Arg_Real(args[1]);
    const RInstanceBox& b = self->i_bbox;
    const double dx = x > b.Right ? x - b.Right : x < b.Left ? x - b.Left : 0;
    const double dy = y > b.Bottom ? y - b.Bottom : y < b.Top ? y - b.Top : 0;
    result.SetReal(std::sqrt(dx * dx + dy * dy));
}

QV_FUNCTION(F_DistanceToObject) {
    result.SetReal(1000000);
    if (!self) return;
    int obj = Arg_Int(args[0]);
    double best = 1000000;
    auto consider = [&](const CInstance& c) {
        if (&c != self && !c.i_marked) best = std::min(best, BoxDistance(self->i_bbox, c.i_bbox));
        return false;
    };
    if (obj == kSelOther) {
        if (other) consider(*other);
    } else if (obj != kSelSelf) {
        Collision_Walk(obj, nullptr, consider);
    }
    result.SetReal(best);
}

QV_FUNCTION(F_PathStart) {
    if (!self) return;
    Motion_AssignPath(*self, Arg_Int(args[0]), Arg_Real(args[1]), 1, 0, !Arg_Bool(args[3]), Arg_Int(args[2]));
}

QV_FUNCTION(F_PathEnd) {
    if (self) self->i_pathindex = -1;
}

QV_FUNCTION(F_CollisionPoint) {
    const double x = Arg_Real(args[0]), y = Arg_Real(args[1]);
    const bool prec = Arg_Bool(args[3]);
    SetId(result, Collision_Find(Arg_Int(args[2]), Arg_Bool(args[4]) ? self : nullptr, {x, y, x, y},
                                 [&](const CInstance& i) { return Collision_Point(i, x, y, prec); }));
}

QV_FUNCTION(F_CollisionRectangle) {
    const double x1 = Arg_Real(args[0]), y1 = Arg_Real(args[1]), x2 = Arg_Real(args[2]),
                 y2 = Arg_Real(args[3]);
    const bool prec = Arg_Bool(args[5]);
    SetId(result,
          Collision_Find(Arg_Int(args[4]), Arg_Bool(args[6]) ? self : nullptr, Area(x1, y1, x2, y2),
                         [&](const CInstance& i) { return Collision_Rectangle(i, x1, y1, x2, y2, prec); }));
}

QV_FUNCTION(F_CollisionCircle) {
    const double xc = Arg_Real(args[0]), yc = Arg_Real(args[1]), r = Arg_Real(args[2]);
    const bool prec = Arg_Bool(args[4]);
    SetId(result, Collision_Find(Arg_Int(args[3]), Arg_Bool(args[5]) ? self : nullptr,
                                 Area(xc - r, yc - r, xc + r, yc + r), [&](const CInstance& i) {
                                     return Collision_Ellipse(i, xc - r, yc - r, xc + r, yc + r, prec);
                                 }));
}

QV_FUNCTION(F_CollisionEllipse) {
    const double x1 = Arg_Real(args[0]), y1 = Arg_Real(args[1]), x2 = Arg_Real(args[2]),
                 y2 = Arg_Real(args[3]);
    const bool prec = Arg_Bool(args[5]);
    SetId(result,
          Collision_Find(Arg_Int(args[4]), Arg_Bool(args[6]) ? self : nullptr, Area(x1, y1, x2, y2),
                         [&](const CInstance& i) { return Collision_Ellipse(i, x1, y1, x2, y2, prec); }));
}

QV_FUNCTION(F_CollisionLine) {
    const double x1 = Arg_Real(args[0]), y1 = Arg_Real(args[1]), x2 = Arg_Real(args[2]),
                 y2 = Arg_Real(args[3]);
    const bool prec = Arg_Bool(args[5]);
    SetId(result,
          Collision_Find(Arg_Int(args[4]), Arg_Bool(args[6]) ? self : nullptr, Area(x1, y1, x2, y2),
                         [&](const CInstance& i) { return Collision_Line(i, x1, y1, x2, y2, prec); }));
}

QV_FUNCTION(F_InstancePosition) {
    const double x = Arg_Real(args[0]), y = Arg_Real(args[1]);
    SetId(result, Collision_Find(Arg_Int(args[2]), nullptr, {x, y, x, y},
                                 [&](const CInstance& i) { return Collision_Point(i, x, y, true); }));
}

QV_FUNCTION(F_PositionEmpty) {
    const double x = Arg_Real(args[0]), y = Arg_Real(args[1]);
    result.SetReal(
        Collision_FindAny({x, y, x, y}, [&](const CInstance& i) { return Collision_Point(i, x, y, true); })
            ? 0
            : 1);
}

QV_FUNCTION(F_PositionMeeting) {
    const double x = Arg_Real(args[0]), y = Arg_Real(args[1]);
    const int obj = Translate(Arg_Int(args[2]), self, other);
    result.SetReal(Collision_Find(obj, nullptr, {x, y, x, y},
                                  [&](const CInstance& i) { return Collision_Point(i, x, y, true); })
                       ? 1
                       : 0);
}

QV_FUNCTION(F_DrawPath) {
    const CPath* path = Path_Get(Arg_Int(args[0]));
    if (!path) {
        Function_Error("Trying to drawn non-existing path.");
        return;
    }
    double xoff = Arg_Real(args[1]), yoff = Arg_Real(args[2]);
    if (Arg_Bool(args[3])) {
        xoff = yoff = 0;
    } else {
        xoff -= path->XPosition(0);
        yoff -= path->YPosition(0);
    }
    const double len = path->PathLength();
    // One vertex every 4 pixels along the path, in strips of at most 500 vertices.
    const double n = std::nearbyint(len / 4);
    if (!(n >= 1)) return;
    const int64_t count = int64_t(std::min(n, 1e6));
    const uint32_t argb = GR_Draw_Argb();
    int inStrip = 0;
    GR_Draw_PrimitiveBegin(kPrimitiveLineStrip, -1);
    for (int64_t i = 0; i <= count; ++i) {
        double x, y, sp;
        path->GetPosition(double(i) / double(count), x, y, sp);
        GR_Draw_Vertex(x + xoff, y + yoff, 0, 0, argb);
        if (++inStrip == 500 && i < count) {
            GR_Draw_PrimitiveEnd();
            GR_Draw_PrimitiveBegin(kPrimitiveLineStrip, -1);
            GR_Draw_Vertex(x + xoff, y + yoff, 0, 0, argb);
            inStrip = 1;
        }
    }
    GR_Draw_PrimitiveEnd();
}
