// CInstance: creation, copying, the coupled motion values and the bounding box.
#include "run/Instance_Class.h"

#include "resources/Object_Main.h"
#include "resources/Sprite_Main.h"
#include "support/Support_Stream.h"

#include <algorithm>
#include <cmath>

uint64_t g_instanceBoxChanges = 0;
uint64_t g_instanceMarks = 0;
uint64_t g_instanceDepthChanges = 0;
uint64_t g_indexGeneration = 1; // links start at 0: not indexed
std::vector<CInstance*> g_indexMoved;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSnap = 0.0001;

double Snap(double v) {
    const double r = std::round(v);
    return std::fabs(v - r) < kSnap ? r : v;
}

// Round to nearest, ties to even, as the box sides need.
int32_t RoundBox(double v) {
    const double r = std::nearbyint(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) return kNoBox;
    return int32_t(r);
}

double Wrap360(double v) {
    return v - std::floor(v / 360.0) * 360.0;
}

} // namespace

void CInstance::Create(double x, double y, int id, int objectind) {
    *this = CInstance();
    i_spriteindex = 0;
    i_maskindex = 0;
    i_objectindex = objectind;
    i_object = Object_Get(objectind);
    if (i_object) {
        i_spriteindex = i_object->o_spriteindex;
        i_maskindex = i_object->o_mask;
        i_depth = i_object->o_depth;
        i_solid = i_object->o_solid;
        i_visible = i_object->o_visible;
        i_persistent = i_object->o_persistent;
    }
    ++g_instanceDepthChanges;
    i_x = i_xstart = i_xprevious = x;
    i_y = i_ystart = i_yprevious = y;
    i_id = id;
    ComputeBoundingBox();
}

void CInstance::Assign(const CInstance& inst) {
    if (this != &inst) {
        *this = inst;
        // The box came along with the rest.
        NoteBoxChanged();
    }
    if (i_marked) ++g_instanceMarks;
    ++g_instanceDepthChanges;
}

void CInstance::SetPosition(double nx, double ny) {
    if (nx == i_x && ny == i_y) return;
    i_x = nx;
    i_y = ny;
    ComputeBoundingBox();
}

void CInstance::SetObjectIndex(int objectind) {
    i_objectindex = objectind;
    i_object = Object_Get(objectind);
    if (i_object) {
        SetSpriteIndex(i_object->o_spriteindex);
        i_maskindex = i_object->o_mask;
        SetDepth(i_object->o_depth);
        i_solid = i_object->o_solid;
        i_visible = i_object->o_visible;
        i_persistent = i_object->o_persistent;
    }
    ComputeBoundingBox();
}

void CInstance::SetSpriteIndex(int v) {
    i_spriteindex = v;
    const CSprite* s = Sprite_Get(v);
    const int n = s ? s->i_numb : 0;
    if (!(std::floor(i_imageindex) < n)) i_imageindex = 0;
    ComputeBoundingBox();
}

void CInstance::SetMaskIndex(int v) {
    i_maskindex = v;
    ComputeBoundingBox();
}

void CInstance::SetImageScaleX(double v) {
    if (v == i_imagescalex) return;
    i_imagescalex = v;
    ComputeBoundingBox();
}

void CInstance::SetImageScaleY(double v) {
    if (v == i_imagescaley) return;
    i_imagescaley = v;
    ComputeBoundingBox();
}

void CInstance::SetImageAngle(double v) {
    if (v == i_imageangle) return;
    i_imageangle = v;
    ComputeBoundingBox();
}

void CInstance::ComputeHVSpeed() {
    const double a = i_direction * kPi / 180.0;
    i_hspeed = Snap(std::cos(a) * i_speed);
    i_vspeed = Snap(-std::sin(a) * i_speed);
}

void CInstance::ComputeDirSpeed() {
    if (i_hspeed != 0) {
        const double t = std::atan2(i_vspeed, i_hspeed) * 180.0 / kPi;
        i_direction = t > 0 ? 360.0 - t : -t;
    } else {
        i_direction = i_vspeed > 0 ? 270 : i_vspeed < 0 ? 90 : 0;
    }
    i_direction = Wrap360(Snap(i_direction));
    i_speed = Snap(std::sqrt(i_hspeed * i_hspeed + i_vspeed * i_vspeed));
}

void CInstance::SetDirection(double v) {
    if (v == i_direction) return;
    i_direction = Wrap360(v);
    ComputeHVSpeed();
}

void CInstance::SetSpeed(double v) {
    if (v == i_speed) return;
    i_speed = v;
    ComputeHVSpeed();
}

void CInstance::SetHSpeed(double v) {
    if (v == i_hspeed) return;
    i_hspeed = v;
    ComputeDirSpeed();
}

void CInstance::SetVSpeed(double v) {
    if (v == i_vspeed) return;
    i_vspeed = v;
    ComputeDirSpeed();
}

void CInstance::AddToSpeed(double dir, double amount) {
    const double a = dir * kPi / 180.0;
    i_hspeed += std::cos(a) * amount;
    i_vspeed -= std::sin(a) * amount;
    ComputeDirSpeed();
}

namespace {
double ClampUnit(double v) {
    if (!(v >= 0)) return 0;
    return v > 1 ? 1 : v;
}
} // namespace

void CInstance::SetPathPosition(double v) {
    i_pathposition = ClampUnit(v);
}

void CInstance::SetPathPositionPrevious(double v) {
    i_pathpositionprevious = ClampUnit(v);
}

int CInstance::ImageNumber() const {
    const CSprite* s = Sprite_Get(i_spriteindex);
    return s ? s->i_numb : 0;
}

bool CInstance::HasBox() const {
    return Sprite_Exists(i_maskindex >= 0 ? i_maskindex : i_spriteindex);
}

// One axis of an unrotated box: the rounded room span of mask cells lo..hi at scale s. A mirrored
// (negative) scale takes the mirrored rule, so the box holds exactly the cells' pixels.
void BoxSpan(double lo, double hi, double o, double s, double pos, int32_t& a, int32_t& b) {
    if (s >= 0) {
        a = RoundBox((lo - o) * s + pos);
        b = RoundBox((hi - o + 1) * s + pos - 1);
    } else {
        a = RoundBox((hi - o + 1) * s + pos);
        if (a != kNoBox) a += 1;
        b = RoundBox((lo - o) * s + pos);
    }
    if (a == kNoBox || b == kNoBox) a = b = kNoBox;
    if (b < a) std::swap(a, b);
}

void CInstance::ComputeBoundingBox() {
    i_bbox = BoxAt(i_x, i_y);
    NoteBoxChanged();
}

void CInstance::NoteBoxChanged() {
    ++g_instanceBoxChanges;
    if (i_link.gen == g_indexGeneration && !i_link.moved) {
        i_link.moved = true;
        g_indexMoved.push_back(this);
    }
}

RInstanceBox CInstance::BoxAt(double x, double y) const {
    const CSprite* s = Sprite_Get(i_maskindex >= 0 ? i_maskindex : i_spriteindex);
    if (!s) return RInstanceBox{};
    const double L = s->i_bbox.Left, T = s->i_bbox.Top, R = s->i_bbox.Right, B = s->i_bbox.Bottom;
    const double ox = s->i_xorig, oy = s->i_yorig;
    const double sx = i_imagescalex, sy = i_imagescaley;
    RInstanceBox b;
    if (i_imageangle == 0) {
        BoxSpan(L, R, ox, sx, x, b.Left, b.Right);
        BoxSpan(T, B, oy, sy, y, b.Top, b.Bottom);
    } else {
        // Local spans of the cells; the inclusive end is one pixel in from the far edge on the
        // side the scale points to.
        auto span = [](double lo, double hi, double o, double s, double& a, double& b) {
            if (s >= 0) {
                a = (lo - o) * s;
                b = (hi - o + 1) * s - 1;
            } else {
                a = (hi - o + 1) * s + 1;
                b = (lo - o) * s;
            }
        };
        double xl, xr, yt, yb;
        span(std::min(L, R), std::max(L, R), ox, sx, xl, xr);
        span(std::min(T, B), std::max(T, B), oy, sy, yt, yb);
        const double a = i_imageangle * kPi / 180.0;
        const double c = std::cos(a), sn = std::sin(a);
        b.Left = RoundBox(x + std::min(c * xl, c * xr) + std::min(sn * yt, sn * yb));
        b.Right = RoundBox(x + std::max(c * xl, c * xr) + std::max(sn * yt, sn * yb));
        b.Top = RoundBox(y + std::min(c * yt, c * yb) - std::max(sn * xl, sn * xr));
        b.Bottom = RoundBox(y + std::max(c * yt, c * yb) - std::min(sn * xl, sn * xr));
    }
    return b;
}

void CInstance::SaveToStream(CStream& str) const {
    str.WriteInteger(i_id);
    str.WriteInteger(i_spriteindex);
    for (double v : {i_imageindex, i_imagespeed, i_imagescalex, i_imagescaley, i_imageangle, i_imagealpha})
        str.WriteReal(v);
    str.WriteInteger(int32_t(i_imageblend));
    str.WriteInteger(i_maskindex);
    for (double v : {i_depth, i_x, i_y, i_xstart, i_ystart, i_xprevious, i_yprevious, i_direction, i_speed,
                     i_friction, i_gravitydir, i_gravity, i_hspeed, i_vspeed})
        str.WriteReal(v);
    for (int32_t v : {i_bbox.Left, i_bbox.Right, i_bbox.Top, i_bbox.Bottom}) str.WriteInteger(v);
    str.WriteBoolean(i_visible);
    str.WriteBoolean(i_solid);
    str.WriteBoolean(i_persistent);
    str.WriteInteger(i_objectindex);
    for (int32_t t : i_timer) str.WriteInteger(t);
    str.WriteBoolean(i_marked);
    str.WriteBoolean(i_deactivated);
    str.WriteInteger(i_pathindex);
    for (double v : {i_pathposition, i_pathpositionprevious, i_pathspeed, i_pathscale, i_pathorientation})
        str.WriteReal(v);
    str.WriteInteger(i_pathend);
    str.WriteReal(i_pathxstart);
    str.WriteReal(i_pathystart);
    str.WriteInteger(i_timelineindex);
    str.WriteReal(i_timelineposition);
    str.WriteReal(i_timelinespeed);
    str.WriteBoolean(i_timelinerunning);
    str.WriteBoolean(i_timelineloop);
    str.WriteString(i_initcode);
    i_vars.SaveToStream(str);
}

bool CInstance::LoadFromStream(CStream& str) {
    i_id = str.ReadInteger();
    i_spriteindex = str.ReadInteger();
    for (double* v :
         {&i_imageindex, &i_imagespeed, &i_imagescalex, &i_imagescaley, &i_imageangle, &i_imagealpha})
        *v = str.ReadReal();
    i_imageblend = uint32_t(str.ReadInteger());
    i_maskindex = str.ReadInteger();
    for (double* v : {&i_depth, &i_x, &i_y, &i_xstart, &i_ystart, &i_xprevious, &i_yprevious, &i_direction,
                      &i_speed, &i_friction, &i_gravitydir, &i_gravity, &i_hspeed, &i_vspeed})
        *v = str.ReadReal();
    for (int32_t* v : {&i_bbox.Left, &i_bbox.Right, &i_bbox.Top, &i_bbox.Bottom}) *v = str.ReadInteger();
    i_visible = str.ReadBoolean();
    i_solid = str.ReadBoolean();
    i_persistent = str.ReadBoolean();
    i_objectindex = str.ReadInteger();
    i_object = Object_Get(i_objectindex);
    for (int32_t& t : i_timer) t = str.ReadInteger();
    i_marked = str.ReadBoolean();
    if (i_marked) ++g_instanceMarks;
    ++g_instanceDepthChanges;
    i_deactivated = str.ReadBoolean();
    i_pathindex = str.ReadInteger();
    for (double* v :
         {&i_pathposition, &i_pathpositionprevious, &i_pathspeed, &i_pathscale, &i_pathorientation})
        *v = str.ReadReal();
    i_pathend = str.ReadInteger();
    i_pathxstart = str.ReadReal();
    i_pathystart = str.ReadReal();
    i_timelineindex = str.ReadInteger();
    i_timelineposition = str.ReadReal();
    i_timelinespeed = str.ReadReal();
    i_timelinerunning = str.ReadBoolean();
    i_timelineloop = str.ReadBoolean();
    i_initcode = str.ReadString();
    return i_vars.LoadFromStream(str);
}
