// Collision checking: mask pixel tests with their three mappings (direct, scaled, rotated), the
// instance tests, the place search and the collision pass over a hashed uniform grid.
#include "run/Run_Collision.h"

#include "resources/Object_Class.h"
#include "resources/Path_Main.h"
#include "resources/Sprite_Main.h"
#include "run/Run_Event.h"
#include "run/Run_Motion.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Scans of more room pixels than this sample with a stride no wider than half a mask cell, so
// that huge scales cannot hang a test.
constexpr int64_t kScanLimit = int64_t(1) << 22;
constexpr int64_t kSampleCap = int64_t(1) << 24;

// Round to nearest, ties to even; false for values that fit no pixel coordinate.
bool RoundPixel(double v, int64_t& out) {
    const double r = std::nearbyint(v);
    if (!(r >= -1e15 && r <= 1e15)) return false;
    out = int64_t(r);
    return true;
}

// The cell at real mask coordinates (u, v) after flooring; outside (or NaN) is empty.
inline bool Cell(const TMask& m, double u, double v) {
    if (!(u >= 0 && v >= 0 && u < m.i_w && v < m.i_h)) return false;
    return m.i_mask[size_t(int(v)) * size_t(m.i_w) + size_t(int(u))] != 0;
}

inline bool CellInt(const TMask& m, int64_t u, int64_t v) {
    return u >= 0 && v >= 0 && u < m.i_w && v < m.i_h && m.i_mask[size_t(v) * size_t(m.i_w) + size_t(u)] != 0;
}

// An instance's mask placed in the room: the frame's mask, its rounded position, origin, scales
// and the angle's cosine and sine.
struct RPose {
    const TMask* m = nullptr;
    int64_t X = 0, Y = 0;
    double xo = 0, yo = 0;
    double sx = 1, sy = 1;
    double angle = 0;
    double c = 1, s = 0;
    bool Unit() const { return sx == 1 && sy == 1 && angle == 0; }
    // Mask cell of room pixel (px, py) by each mapping.
    bool Direct(int64_t px, int64_t py) const {
        return CellInt(*m, px - X + int64_t(xo), py - Y + int64_t(yo));
    }
    bool Scaled(double px, double py) const {
        return Cell(*m, std::floor((px - X) / sx + xo), std::floor((py - Y) / sy + yo));
    }
    bool Rotated(double px, double py) const {
        const double dx = px - X, dy = py - Y;
        return Cell(*m, std::floor(xo + (c * dx - s * dy) / sx), std::floor(yo + (s * dx + c * dy) / sy));
    }
};

const CSprite* CollisionSprite(const CInstance& i) {
    return Sprite_Get(i.i_maskindex >= 0 ? i.i_maskindex : i.i_spriteindex);
}

// The pose of inst's frame mask with inst at (x, y); false when it has no collision sprite, no
// frames or no mask.
bool PoseAt(const CInstance& inst, double x, double y, RPose& p) {
    const CSprite* spr = CollisionSprite(inst);
    if (!spr || spr->i_numb <= 0 || spr->i_mask.empty()) return false;
    double f = std::floor(inst.i_imageindex);
    if (!std::isfinite(f)) f = 0;
    f = std::fmod(f, double(spr->i_numb));
    if (f < 0) f += spr->i_numb;
    const size_t k = spr->i_sepmasks ? size_t(f) : 0;
    if (k >= spr->i_mask.size()) return false;
    p.m = &spr->i_mask[k];
    if (p.m->i_w <= 0 || p.m->i_h <= 0 || p.m->i_mask.empty()) return false;
    if (!RoundPixel(x, p.X) || !RoundPixel(y, p.Y)) return false;
    p.xo = spr->i_xorig;
    p.yo = spr->i_yorig;
    p.sx = inst.i_imagescalex;
    p.sy = inst.i_imagescaley;
    p.angle = inst.i_imageangle;
    // Quarter turns use exact values, so that a turned mask maps onto whole pixels.
    const double q = std::fmod(p.angle, 360.0);
    if (q == 0 || q == 90 || q == -270 || q == 180 || q == -180 || q == 270 || q == -90) {
        const int k = int(q < 0 ? q + 360 : q) / 90;
        p.c = k == 0 ? 1 : k == 2 ? -1 : 0;
        p.s = k == 1 ? 1 : k == 3 ? -1 : 0;
    } else {
        const double a = p.angle * kPi / 180.0;
        p.c = std::cos(a);
        p.s = std::sin(a);
    }
    return true;
}

bool PoseOf(const CInstance& inst, RPose& p) {
    return PoseAt(inst, inst.i_x, inst.i_y, p);
}

struct RArea {
    int64_t L, T, R, B;
    bool Empty() const { return L > R || T > B; }
};

RArea Meet(const RInstanceBox& b, int64_t L, int64_t T, int64_t R, int64_t B) {
    return {std::max<int64_t>(b.Left, L), std::max<int64_t>(b.Top, T), std::min<int64_t>(b.Right, R),
            std::min<int64_t>(b.Bottom, B)};
}

// Strides for scanning area: 1 unless the area is huge, then at most half the smallest mask
// cell in room pixels (so every cell is still sampled) and, past that, whatever keeps the number
// of samples bounded.
void Strides(const RArea& a, double cellx, double celly, int64_t& stx, int64_t& sty) {
    stx = sty = 1;
    const int64_t w = a.R - a.L + 1, h = a.B - a.T + 1;
    if (w <= 0 || h <= 0 || double(w) * double(h) <= double(kScanLimit)) return;
    stx = std::max<int64_t>(1, int64_t(std::min(cellx / 2, 1e9)));
    sty = std::max<int64_t>(1, int64_t(std::min(celly / 2, 1e9)));
    while (double((w + stx - 1) / stx) * double((h + sty - 1) / sty) > double(kSampleCap)) {
        stx *= 2;
        sty *= 2;
    }
}

template <class Hit>
bool ScanArea(const RArea& a, int64_t stx, int64_t sty, Hit hit) {
    for (int64_t px = a.L; px <= a.R; px += stx)
        for (int64_t py = a.T; py <= a.B; py += sty)
            if (hit(px, py)) return true;
    return false;
}

double MinCell(double s1, double s2) {
    const double a = std::fabs(s1), b = std::fabs(s2);
    return std::isfinite(a) && std::isfinite(b) ? std::min(a, b) : 1;
}

// Pixel tests of a pose against shapes; area is already clipped to the instance's box.
bool MaskRectangle(const RPose& p, const RArea& a) {
    if (a.Empty()) return false;
    if (p.Unit()) return ScanArea(a, 1, 1, [&](int64_t x, int64_t y) { return p.Direct(x, y); });
    const double cell = MinCell(p.sx, p.sy);
    int64_t stx, sty;
    Strides(a, cell, cell, stx, sty);
    return ScanArea(a, stx, sty, [&](int64_t x, int64_t y) { return p.Rotated(double(x), double(y)); });
}

bool MaskEllipse(const RPose& p, const RArea& a, double cx, double cy, double rx, double ry) {
    if (a.Empty()) return false;
    auto inside = [&](int64_t x, int64_t y) {
        const double ex = (double(x) - cx) / rx, ey = (double(y) - cy) / ry;
        return ex * ex + ey * ey <= 1;
    };
    if (p.Unit())
        return ScanArea(a, 1, 1, [&](int64_t x, int64_t y) { return inside(x, y) && p.Direct(x, y); });
    const double cell = MinCell(p.sx, p.sy);
    int64_t stx, sty;
    Strides(a, cell, cell, stx, sty);
    return ScanArea(a, stx, sty,
                    [&](int64_t x, int64_t y) { return inside(x, y) && p.Rotated(double(x), double(y)); });
}

bool MaskLine(const RPose& p, const RInstanceBox& bb, int64_t xl, int64_t yl, int64_t xr, int64_t yr) {
    if (xl == xr || yl == yr)
        return MaskRectangle(
            p, Meet(bb, std::min(xl, xr), std::min(yl, yr), std::max(xl, xr), std::max(yl, yr)));
    int64_t step = 1;
    if (std::llabs(xr - xl) < std::llabs(yr - yl)) {
        int64_t xa = xl, ya = yl, xb = xr, yb = yr;
        if (yb < ya) std::swap(xa, xb), std::swap(ya, yb);
        const double k = double(xb - xa) / double(yb - ya);
        const int64_t from = std::max<int64_t>(bb.Top, ya), to = std::min<int64_t>(bb.Bottom, yb);
        if (to - from > kSampleCap) step = (to - from) / kSampleCap + 1;
        for (int64_t py = from; py <= to; py += step)
            if (p.Rotated(double(xa) + double(py - ya) * k, double(py))) return true;
    } else {
        if (xr < xl) std::swap(xl, xr), std::swap(yl, yr);
        const double k = double(yr - yl) / double(xr - xl);
        const int64_t from = std::max<int64_t>(bb.Left, xl), to = std::min<int64_t>(bb.Right, xr);
        if (to - from > kSampleCap) step = (to - from) / kSampleCap + 1;
        for (int64_t px = from; px <= to; px += step)
            if (p.Rotated(double(px), double(yl) + double(px - xl) * k)) return true;
    }
    return false;
}

bool MaskMask(const RPose& p1, const RInstanceBox& b1, const RPose& p2, const RInstanceBox& b2) {
    const RArea a = Meet(b1, b2.Left, b2.Top, b2.Right, b2.Bottom);
    if (a.Empty()) return false;
    if (p1.Unit() && p2.Unit()) {
        // Direct case: pure integer offsets, column by column.
        const int64_t ox1 = int64_t(p1.xo) - p1.X, oy1 = int64_t(p1.yo) - p1.Y;
        const int64_t ox2 = int64_t(p2.xo) - p2.X, oy2 = int64_t(p2.yo) - p2.Y;
        for (int64_t px = a.L; px <= a.R; ++px)
            for (int64_t py = a.T; py <= a.B; ++py)
                if (CellInt(*p1.m, px + ox1, py + oy1) && CellInt(*p2.m, px + ox2, py + oy2)) return true;
        return false;
    }
    int64_t stx, sty;
    if (p1.angle == 0 && p2.angle == 0) {
        Strides(a, MinCell(p1.sx, p2.sx), MinCell(p1.sy, p2.sy), stx, sty);
        return ScanArea(a, stx, sty, [&](int64_t x, int64_t y) {
            return p1.Scaled(double(x), double(y)) && p2.Scaled(double(x), double(y));
        });
    }
    const double cell = std::min(MinCell(p1.sx, p1.sy), MinCell(p2.sx, p2.sy));
    Strides(a, cell, cell, stx, sty);
    return ScanArea(a, stx, sty, [&](int64_t x, int64_t y) {
        return p1.Rotated(double(x), double(y)) && p2.Rotated(double(x), double(y));
    });
}

// The rectangle normalised and rounded; false when a side fits no pixel coordinate.
bool RoundRect(double x1, double y1, double x2, double y2, int64_t& L, int64_t& T, int64_t& R, int64_t& B) {
    return RoundPixel(std::min(x1, x2), L) && RoundPixel(std::min(y1, y2), T) &&
           RoundPixel(std::max(x1, x2), R) && RoundPixel(std::max(y1, y2), B);
}

// An instance without a collision sprite has no box to meet (its box fields hold a placeholder).
bool BoxMissesRect(const CInstance& i, double xmin, double ymin, double xmax, double ymax) {
    const RInstanceBox& b = i.i_bbox;
    return i.i_marked || xmin >= b.Right + 1.0 || b.Left > xmax || ymin >= b.Bottom + 1.0 || b.Top > ymax ||
           std::isnan(xmin) || std::isnan(ymin) || std::isnan(xmax) || std::isnan(ymax) || !i.HasBox();
}

} // namespace

bool Collision_Point(const CInstance& inst, double x, double y, bool prec) {
    const RInstanceBox& b = inst.i_bbox;
    if (inst.i_marked || !(b.Left <= x && x < b.Right + 1.0 && b.Top <= y && y < b.Bottom + 1.0) ||
        !inst.HasBox())
        return false;
    if (!prec) return true;
    RPose p;
    int64_t px, py;
    if (!PoseOf(inst, p) || !RoundPixel(x, px) || !RoundPixel(y, py)) return false;
    if (p.angle != 0) return p.Rotated(double(px), double(py));
    return p.Scaled(double(px), double(py));
}

bool Collision_Rectangle(const CInstance& inst, double x1, double y1, double x2, double y2, bool prec) {
    if (BoxMissesRect(inst, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)))
        return false;
    if (!prec) return true;
    // Only the part over the box counts: sides far out (even infinite ones) are brought to it.
    const RInstanceBox& b = inst.i_bbox;
    auto cx = [&](double v) { return std::clamp(v, b.Left - 1.0, b.Right + 1.0); };
    auto cy = [&](double v) { return std::clamp(v, b.Top - 1.0, b.Bottom + 1.0); };
    RPose p;
    int64_t L, T, R, B;
    if (!PoseOf(inst, p) || !RoundRect(cx(x1), cy(y1), cx(x2), cy(y2), L, T, R, B)) return false;
    return MaskRectangle(p, Meet(b, L, T, R, B));
}

bool Collision_Ellipse(const CInstance& inst, double x1, double y1, double x2, double y2, bool prec) {
    if (BoxMissesRect(inst, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)))
        return false;
    // An ellipse needs finite bounds; far ones are fine (its centre and radii stay finite).
    for (double v : {x1, y1, x2, y2})
        if (!std::isfinite(v)) return false;
    const double L = std::nearbyint(std::min(x1, x2)), R = std::nearbyint(std::max(x1, x2));
    const double T = std::nearbyint(std::min(y1, y2)), B = std::nearbyint(std::max(y1, y2));
    if (L == R || T == B) return Collision_Rectangle(inst, x1, y1, x2, y2, prec);
    const double cx = L / 2 + R / 2, cy = T / 2 + B / 2;
    const double rx = R / 2 - L / 2, ry = B / 2 - T / 2;
    const RInstanceBox& b = inst.i_bbox;
    auto inside = [&](double px, double py) {
        const double ex = (px - cx) / rx, ey = (py - cy) / ry;
        return ex * ex + ey * ey <= 1;
    };
    if ((cx < b.Left || cx > b.Right) && (cy < b.Top || cy > b.Bottom) && !inside(b.Left, b.Top) &&
        !inside(b.Left, b.Bottom) && !inside(b.Right, b.Top) && !inside(b.Right, b.Bottom))
        return false;
    if (!prec) return true;
    RPose p;
    if (!PoseOf(inst, p)) return false;
    auto kx = [&](double v) { return int64_t(std::clamp(v, b.Left - 1.0, b.Right + 1.0)); };
    auto ky = [&](double v) { return int64_t(std::clamp(v, b.Top - 1.0, b.Bottom + 1.0)); };
    return MaskEllipse(p, Meet(b, kx(L), ky(T), kx(R), ky(B)), cx, cy, rx, ry);
}

bool Collision_Line(const CInstance& inst, double x1, double y1, double x2, double y2, bool prec) {
    const RInstanceBox& b = inst.i_bbox;
    if (BoxMissesRect(inst, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)))
        return false;
    // Clipped to the box's columns, then (when an end is still too far out to be a pixel, as on
    // a steep or vertical line) to its rows. A level line keeps its row exactly.
    if (x2 < x1) std::swap(x1, x2), std::swap(y1, y2);
    if (x1 < b.Left) {
        if (y2 != y1) y1 += (b.Left - x1) * (y2 - y1) / (x2 - x1);
        x1 = b.Left;
    }
    if (x2 > b.Right + 1.0) {
        if (y2 != y1) y2 = y1 + (b.Right + 1.0 - x1) * (y2 - y1) / (x2 - x1);
        x2 = b.Right + 1.0;
    }
    constexpr double kFar = 1e15;
    if (!(std::fabs(y1) < kFar && std::fabs(y2) < kFar)) {
        if (y2 < y1) std::swap(x1, x2), std::swap(y1, y2);
        if (y1 < b.Top - 1.0) {
            if (x2 != x1) x1 += (b.Top - 1.0 - y1) * (x2 - x1) / (y2 - y1);
            y1 = b.Top - 1.0;
        }
        if (y2 > b.Bottom + 1.0) {
            if (x2 != x1) x2 = x1 + (b.Bottom + 1.0 - y1) * (x2 - x1) / (y2 - y1);
            y2 = b.Bottom + 1.0;
        }
    }
    // Ends that are still not numbers (a slanted line with infinite ends) touch nothing.
    if (!(std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2))) return false;
    if ((y1 < b.Top && y2 < b.Top) || (y1 >= b.Bottom + 1.0 && y2 >= b.Bottom + 1.0)) return false;
    if (!prec) return true;
    RPose p;
    int64_t xl, yl, xr, yr;
    if (!PoseOf(inst, p) || !RoundPixel(x1, xl) || !RoundPixel(y1, yl) || !RoundPixel(x2, xr) ||
        !RoundPixel(y2, yr))
        return false;
    return MaskLine(p, b, xl, yl, xr, yr);
}

namespace {

// Whether a, standing at (ax, ay) with box A, overlaps b.
bool InstanceMeets(const CInstance& a, const RInstanceBox& A, double ax, double ay, const CInstance& b,
                   bool prec) {
    const RInstanceBox& B = b.i_bbox;
    if (&a == &b || a.i_marked || b.i_marked || B.Left >= A.Right + 1 || A.Left >= B.Right + 1 ||
        B.Top >= A.Bottom + 1 || A.Top >= B.Bottom + 1 || !a.HasBox() || !b.HasBox())
        return false;
    if (!prec) return true;
    RPose pa, pb;
    if (!PoseAt(a, ax, ay, pa) || !PoseOf(b, pb)) return false;
    return MaskMask(pa, A, pb, B);
}

} // namespace

bool Collision_Instance(const CInstance& a, const CInstance& b, bool prec) {
    return InstanceMeets(a, a.i_bbox, a.i_x, a.i_y, b, prec);
}

CInstance* Collision_PlaceFind(CInstance& inst, double x, double y, int obj, bool solidOnly) {
    // The instance is tested where it would stand without being moved there, so the search
    // index and the collision pass see no change.
    const RInstanceBox box = x == inst.i_x && y == inst.i_y ? inst.i_bbox : inst.BoxAt(x, y);
    const RSearchArea area{double(box.Left), double(box.Top), double(box.Right), double(box.Bottom)};
    return Collision_Find(obj, nullptr, area, [&](const CInstance& c) {
        return (!solidOnly || c.i_solid) && InstanceMeets(inst, box, x, y, c, true);
    });
}

// ---- the search index ----

namespace {

// The grids below hash cell (cx, cy) into a power-of-two bucket table (mask = buckets - 1).
uint32_t GridHash(int64_t cx, int64_t cy, uint32_t mask) {
    const uint64_t h = uint64_t(cx) * 0x9E3779B97F4A7C15ull ^ (uint64_t(cy) * 0xC2B2AE3D27D4EB4Full);
    return uint32_t((h ^ (h >> 29)) & mask);
}

// Cell side as a shift: the power of two (8 .. 2^24) at least twice the mean box side, so most
// boxes touch one to four cells.
int GridShift(double meanSide) {
    int shift = 3;
    while (shift < 24 && double(int64_t(1) << shift) < 2 * meanSide) ++shift;
    return shift;
}

// A uniform grid hashed into buckets over every instance of the active list, kept up to date as
// instances move: an instance whose box changes lists itself (g_indexMoved) and is put into its
// new cells at the next search. Appended instances join at the next search; any other change of
// the room's lists (g_roomListChanges) or another room starts the index afresh. A search takes the
// instances of the cells its region covers, keeps those whose box meets the region and sorts them
// into list order: the position in the active list, or the order the room entered them into its
// per-object lists (each of those lists ascends by it).
class CSearchIndex {
  public:
    const std::vector<CInstance*>* Candidates(CLiveRoom& room, int obj, const RSearchArea& area) {
        if (!(area.x1 <= area.x2 && area.y1 <= area.y2)) return nullptr;
        const int64_t L = Pixel(area.x1), T = Pixel(area.y1), R = Pixel(area.x2), B = Pixel(area.y2);
        Sync(room);
        const int64_t cx0 = L >> m_shift, cx1 = R >> m_shift, cy0 = T >> m_shift, cy1 = B >> m_shift;
        const int64_t cells = (cx1 - cx0 + 1) * (cy1 - cy0 + 1);
        if (cells > kQueryCells || cells > int64_t(m_slots.size()) + 4) return nullptr;
        m_found.clear();
        auto consider = [&](int32_t slot) {
            const RInstanceBox& b = m_box[size_t(slot)];
            if (b.Left > R || b.Right < L || b.Top > B || b.Bottom < T) return;
            const RSlot& s = m_slots[size_t(slot)];
            if (obj == kSelAll)
                m_found.push_back({uint64_t(s.order), s.inst});
            else if (InObjectList(room, obj, *s.inst))
                m_found.push_back({s.entry, s.inst});
        };
        for (int64_t cx = cx0; cx <= cx1; ++cx)
            for (int64_t cy = cy0; cy <= cy1; ++cy)
                for (int32_t slot : m_buckets[Hash(cx, cy)]) consider(slot);
        for (int32_t slot : m_wide) consider(slot);
        std::sort(m_found.begin(), m_found.end(),
                  [](const RFound& a, const RFound& b) { return a.key < b.key; });
        m_out.clear();
        for (size_t k = 0; k < m_found.size(); ++k)
            if (k == 0 || m_found[k].key != m_found[k - 1].key) m_out.push_back(m_found[k].inst);
        return &m_out;
    }

  private:
    static constexpr int64_t kQueryCells = 256;
    static constexpr int64_t kWideCells = 16;

    struct RSlot {
        CInstance* inst;
        uint64_t entry;             // the order the room entered it into its per-object lists
        int32_t order;              // its position in the active list
        int64_t cx0, cy0, cx1, cy1; // the cells it is registered in
        bool wide;                  // in m_wide instead of cells
    };
    struct RFound {
        uint64_t key;
        CInstance* inst;
    };

    // A pixel coordinate clamped to the range of boxes (boxes are 32-bit): clamping keeps every
    // box that meets the region.
    static int64_t Pixel(double v) {
        return int64_t(std::clamp(std::floor(v), double(INT32_MIN), double(INT32_MAX)));
    }

    uint32_t Hash(int64_t cx, int64_t cy) const { return GridHash(cx, cy, m_mask); }

    // Whether i is in obj's per-object list: the list ascends by entry, so a binary search finds it.
    static bool InObjectList(const CLiveRoom& room, int obj, const CInstance& i) {
        int lo = 0, hi = room.ObjNumberRecursive(obj);
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (room.ObjInstanceRecursive(obj, mid)->i_link.entry < i.i_link.entry)
                lo = mid + 1;
            else
                hi = mid;
        }
        return room.ObjInstanceRecursive(obj, lo) == &i;
    }

    void Sync(CLiveRoom& room) {
        const int n = room.InstanceCount();
        if (&room != m_room || m_listStamp != g_roomListChanges || n < m_seen ||
            size_t(n) > 2 * m_buckets.size()) {
            Build(room);
            return;
        }
        for (int k = m_seen; k < n; ++k) Add(room.InstanceAt(k), k);
        m_seen = n;
        for (CInstance* i : g_indexMoved) {
            if (i->i_link.gen != g_indexGeneration) continue;
            i->i_link.moved = false;
            Place(i->i_link.slot);
        }
        g_indexMoved.clear();
    }

    void Build(CLiveRoom& room) {
        // Listed instances may be gone with the old lists: dropped unread.
        g_indexMoved.clear();
        ++g_indexGeneration;
        m_room = &room;
        m_listStamp = g_roomListChanges;
        m_slots.clear();
        m_box.clear();
        m_wide.clear();
        const int n = room.InstanceCount();
        // Cells about twice the mean box side: most boxes then touch one to four cells.
        double extent = 0;
        for (int k = 0; k < n; ++k) {
            const RInstanceBox& b = room.InstanceAt(k)->i_bbox;
            extent +=
                std::min(double(b.Right) - b.Left + 1, 1e6) + std::min(double(b.Bottom) - b.Top + 1, 1e6);
        }
        const double mean = n ? extent / (2.0 * n) : 16;
        m_shift = GridShift(mean);
        size_t buckets = 64;
        while (buckets < 2 * size_t(n) + 64) buckets *= 2;
        m_buckets.assign(buckets, {});
        m_mask = uint32_t(buckets - 1);
        for (int k = 0; k < n; ++k) Add(room.InstanceAt(k), k);
        m_seen = n;
    }

    void Add(CInstance* i, int order) {
        RIndexLink& l = i->i_link;
        l.gen = g_indexGeneration;
        l.slot = int32_t(m_slots.size());
        l.moved = false;
        m_slots.push_back({i, l.entry, order, 0, 0, -1, -1, false});
        m_box.push_back(i->i_bbox);
        Place(l.slot);
    }

    // Puts the slot into the cells of its instance's box, leaving it where it is when they are
    // the same cells.
    void Place(int32_t slot) {
        RSlot& s = m_slots[size_t(slot)];
        // A box whose side could not be placed may be inverted: its cells span both sides.
        const RInstanceBox& b = s.inst->i_bbox;
        m_box[size_t(slot)] = b;
        const int64_t cx0 = std::min(b.Left, b.Right) >> m_shift, cx1 = std::max(b.Left, b.Right) >> m_shift;
        const int64_t cy0 = std::min(b.Top, b.Bottom) >> m_shift, cy1 = std::max(b.Top, b.Bottom) >> m_shift;
        if (cx0 == s.cx0 && cy0 == s.cy0 && cx1 == s.cx1 && cy1 == s.cy1) return;
        // Out of the old cells.
        if (s.wide) {
            auto it = std::find(m_wide.begin(), m_wide.end(), slot);
            if (it != m_wide.end()) {
                *it = m_wide.back();
                m_wide.pop_back();
            }
        } else {
            for (int64_t cx = s.cx0; cx <= s.cx1; ++cx)
                for (int64_t cy = s.cy0; cy <= s.cy1; ++cy) {
                    std::vector<int32_t>& v = m_buckets[Hash(cx, cy)];
                    auto it = std::find(v.begin(), v.end(), slot);
                    if (it != v.end()) {
                        *it = v.back();
                        v.pop_back();
                    }
                }
        }
        s.cx0 = cx0;
        s.cy0 = cy0;
        s.cx1 = cx1;
        s.cy1 = cy1;
        s.wide = (cx1 - cx0 + 1) * (cy1 - cy0 + 1) > kWideCells;
        if (s.wide) {
            m_wide.push_back(slot);
            return;
        }
        for (int64_t cx = cx0; cx <= cx1; ++cx)
            for (int64_t cy = cy0; cy <= cy1; ++cy) m_buckets[Hash(cx, cy)].push_back(slot);
    }

    const CLiveRoom* m_room = nullptr;
    uint64_t m_listStamp = 0;
    int m_seen = 0;
    int m_shift = 4;
    uint32_t m_mask = 0;
    std::vector<RSlot> m_slots;
    // The boxes as of the last look, apart from the instances: what a search reads of every
    // entry of its cells.
    std::vector<RInstanceBox> m_box;
    std::vector<std::vector<int32_t>> m_buckets;
    std::vector<int32_t> m_wide;
    std::vector<RFound> m_found;
    std::vector<CInstance*> m_out;
};

CSearchIndex g_search;

} // namespace

const std::vector<CInstance*>* Collision_Candidates(CLiveRoom& room, int obj, const RSearchArea& area) {
    return g_search.Candidates(room, obj, area);
}

// ---- the collision pass ----

namespace {

// A uniform grid hashed into buckets, over the instances of the objects that some pair tests
// against. Each entry records the instance's object and its position in that object's own list,
// so that a query yields candidates in exactly the order the pass visits them. Instances moved by
// the pass itself are listed aside and are candidates everywhere until the next build; any other
// box change since the build (seen through the global box counter), or a per-object list that
// changed its length, makes the next query rebuild the grid.
class CBroadPhase {
  public:
    void Reset(const std::vector<int>& objects) {
        m_objects = objects;
        m_valid = false;
    }

    void Ensure(CLiveRoom& room) {
        if (m_valid && m_stamp == g_instanceBoxChanges && m_moved.size() <= kMovedMax) {
            bool same = true;
            for (size_t k = 0; k < m_objects.size() && same; ++k)
                same = room.ObjNumber(m_objects[k]) == m_counts[k];
            if (same) return;
        }
        Build(room);
    }

    // Moves the pass makes itself go between BeforeMoves and AfterMoves, each moved instance
    // named with Moved: a grid that was current stays current without a rebuild.
    void BeforeMoves() { m_current = m_valid && m_stamp == g_instanceBoxChanges; }
    void Moved(int obj, int pos) { m_moved.push_back({obj, pos}); }
    void AfterMoves() {
        if (m_current) m_stamp = g_instanceBoxChanges;
    }

    // The list positions of object obj's candidates near box, in [from, to), ascending, unique.
    void Query(const RInstanceBox& box, int obj, int from, int to, std::vector<int>& out) {
        out.clear();
        // Entries hold the boxes as they were at the build, which are the boxes now for every
        // instance not listed as moved: the box test runs here without touching the instances.
        auto add = [&](const REntry& e) {
            if (e.obj == obj && e.pos >= from && e.pos < to &&
                !(e.box.Left >= box.Right + 1 || box.Left >= e.box.Right + 1 || e.box.Top >= box.Bottom + 1 ||
                  box.Top >= e.box.Bottom + 1))
                out.push_back(e.pos);
        };
        const int64_t cx0 = box.Left >> m_shift, cx1 = box.Right >> m_shift;
        const int64_t cy0 = box.Top >> m_shift, cy1 = box.Bottom >> m_shift;
        if ((cx1 - cx0 + 1) * (cy1 - cy0 + 1) > kWideCells) {
            for (const REntry& e : m_entries) add(e);
        } else {
            for (int64_t cx = cx0; cx <= cx1; ++cx)
                for (int64_t cy = cy0; cy <= cy1; ++cy) {
                    const uint32_t h = Hash(cx, cy);
                    for (uint32_t k = m_start[h]; k < m_start[h + 1]; ++k) add(m_entries[m_items[k]]);
                }
            for (uint32_t k : m_wide) add(m_entries[k]);
        }
        for (const RMoved& m : m_moved)
            if (m.obj == obj && m.pos >= from && m.pos < to) out.push_back(m.pos);
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
    }

  private:
    static constexpr size_t kMovedMax = 64;
    static constexpr int64_t kWideCells = 64;

    struct REntry {
        int obj, pos;
        RInstanceBox box;
    };
    struct RMoved {
        int obj, pos;
    };

    uint32_t Hash(int64_t cx, int64_t cy) const { return GridHash(cx, cy, m_mask); }

    void Build(CLiveRoom& room) {
        m_entries.clear();
        m_wide.clear();
        m_moved.clear();
        m_counts.assign(m_objects.size(), 0);
        double extent = 0;
        for (size_t k = 0; k < m_objects.size(); ++k) {
            const int obj = m_objects[k];
            const int n = room.ObjNumber(obj);
            m_counts[k] = n;
            for (int pos = 0; pos < n; ++pos) {
                const CInstance* i = room.ObjInstance(obj, pos);
                // Instances without a collision sprite never collide in a precise test.
                if (!i || i->i_marked || !i->HasBox()) continue;
                m_entries.push_back({obj, pos, i->i_bbox});
                extent += double(i->i_bbox.Right - i->i_bbox.Left + 1) +
                          double(i->i_bbox.Bottom - i->i_bbox.Top + 1);
            }
        }
        // Cells about twice the mean box side: most boxes then touch one to four cells.
        const double mean = m_entries.empty() ? 16 : extent / double(2 * m_entries.size());
        m_shift = GridShift(mean);
        size_t buckets = 16;
        while (buckets < 2 * m_entries.size() + 16) buckets *= 2;
        m_mask = uint32_t(buckets - 1);
        m_start.assign(buckets + 1, 0);
        auto cells = [&](const REntry& e, auto fn) {
            const int64_t cx0 = e.box.Left >> m_shift, cx1 = e.box.Right >> m_shift;
            const int64_t cy0 = e.box.Top >> m_shift, cy1 = e.box.Bottom >> m_shift;
            for (int64_t cx = cx0; cx <= cx1; ++cx)
                for (int64_t cy = cy0; cy <= cy1; ++cy) fn(Hash(cx, cy));
        };
        auto wide = [&](const REntry& e) {
            const int64_t w = (e.box.Right >> m_shift) - (e.box.Left >> m_shift) + 1;
            const int64_t h = (e.box.Bottom >> m_shift) - (e.box.Top >> m_shift) + 1;
            return w * h > kWideCells;
        };
        for (uint32_t k = 0; k < m_entries.size(); ++k) {
            if (wide(m_entries[k])) {
                m_wide.push_back(k);
                continue;
            }
            cells(m_entries[k], [&](uint32_t h) { ++m_start[h + 1]; });
        }
        for (size_t h = 1; h <= buckets; ++h) m_start[h] += m_start[h - 1];
        m_items.assign(m_start[buckets], 0);
        std::vector<uint32_t> fill(m_start.begin(), m_start.end() - 1);
        for (uint32_t k = 0; k < m_entries.size(); ++k)
            if (!wide(m_entries[k])) cells(m_entries[k], [&](uint32_t h) { m_items[fill[h]++] = k; });
        m_stamp = g_instanceBoxChanges;
        m_valid = true;
    }

    std::vector<int> m_objects;
    std::vector<int> m_counts;
    std::vector<REntry> m_entries;
    std::vector<uint32_t> m_start, m_items, m_wide;
    std::vector<RMoved> m_moved;
    uint32_t m_mask = 0;
    int m_shift = 5;
    uint64_t m_stamp = 0;
    bool m_valid = false, m_current = false;
};

CBroadPhase g_broad;

void PutBack(CInstance& i) {
    i.SetPosition(i.i_xprevious, i.i_yprevious);
    i.i_pathposition = i.i_pathpositionprevious;
}

// One colliding pair: the solid rule around the two events.
void HandlePair(CInstance* A, int a, int ka, CInstance* B, int b, int kb) {
    g_broad.BeforeMoves();
    if (A->i_solid || B->i_solid) {
        PutBack(*A);
        PutBack(*B);
        g_broad.Moved(a, ka);
        g_broad.Moved(b, kb);
        g_broad.AfterMoves();
    }
    // An instance destroyed or deactivated before its turn (by the other's event) receives
    // nothing.
    if (!A->i_marked && !A->i_deactivated)
        Event_Perform(A, B, A->i_objectindex, kEvCollision, B->i_objectindex);
    if (!B->i_marked && !B->i_deactivated)
        Event_Perform(B, A, B->i_objectindex, kEvCollision, A->i_objectindex);
    if (Run_Stopping()) return;
    if (A->i_solid || B->i_solid) {
        g_broad.BeforeMoves();
        Motion_AdaptPath(*A);
        Motion_AdaptPath(*B);
        A->SetPosition(A->i_x + A->i_hspeed, A->i_y + A->i_vspeed);
        B->SetPosition(B->i_x + B->i_hspeed, B->i_y + B->i_vspeed);
        if (Collision_Instance(*A, *B, true)) {
            PutBack(*A);
            PutBack(*B);
        }
        g_broad.Moved(a, ka);
        g_broad.Moved(b, kb);
        g_broad.AfterMoves();
    }
}

} // namespace

void Collision_Pass(CLiveRoom& room) {
    const auto& pairs = Event_CollisionPairs();
    if (pairs.empty()) return;
    std::vector<int> objects;
    for (const auto& pr : pairs) objects.push_back(pr.second);
    std::sort(objects.begin(), objects.end());
    objects.erase(std::unique(objects.begin(), objects.end()), objects.end());
    g_broad.Reset(objects);
    std::vector<int> cand;
    for (const auto& [a, b] : pairs) {
        const int na = room.ObjNumber(a);
        if (na == 0 || room.ObjNumber(b) == 0) continue;
        for (int ka = 0; ka < na && ka < room.ObjNumber(a); ++ka) {
            CInstance* A = room.ObjInstance(a, ka);
            if (!A || A->i_marked || !A->HasBox()) continue;
            const int nb = room.ObjNumber(b);
            int next = a == b ? ka : 0;
            bool again = true;
            while (again && !A->i_marked && !A->i_deactivated) {
                again = false;
                g_broad.Ensure(room);
                g_broad.Query(A->i_bbox, b, next, std::min(nb, room.ObjNumber(b)), cand);
                for (int kb : cand) {
                    next = kb + 1;
                    CInstance* B = room.ObjInstance(b, kb);
                    if (!B || B->i_deactivated || !Collision_Instance(*A, *B, true)) continue;
                    const uint64_t before = g_instanceBoxChanges;
                    HandlePair(A, a, ka, B, b, kb);
                    if (Run_Stopping()) return;
                    if (A->i_marked || A->i_deactivated) break;
                    // Anything moved: the remaining candidates are asked for again.
                    if (g_instanceBoxChanges != before) {
                        again = true;
                        break;
                    }
                }
            }
        }
    }
}
