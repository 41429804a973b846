// CPath: control points, the straight and smooth polylines built from them, and lookups along them.
#include "resources/Path_Class.h"

#include "support/Support_Stream.h"

#include <algorithm>
#include <cmath>

namespace {
RIntPoint Mid(const RIntPoint& a, const RIntPoint& b) {
    return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.speed + b.speed) / 2, 0};
}
RIntPoint FromWay(const RWayPoint& p) {
    return {p.x, p.y, p.speed, 0};
}
} // namespace

void CPath::Clear() {
    i_points.clear();
    ComputeInternal();
}

void CPath::Assign(const CPath& path) {
    i_kind = path.i_kind;
    i_closed = path.i_closed;
    i_precision = path.i_precision;
    i_points = path.i_points;
    ComputeInternal();
}

bool CPath::LoadFromStream(CStream& str) {
    if (str.ReadInteger() != 530) return false;
    // Kind and precision as their setters take them: a stored precision of thousands would
    // subdivide each curve 2^precision times.
    const int32_t kind = str.ReadInteger();
    i_kind = kind == 0 || kind == 1 ? kind : 0;
    i_closed = str.ReadBoolean();
    i_precision = std::clamp(str.ReadInteger(), 0, 8);
    int32_t count = str.ReadInteger();
    if (count < 0 || size_t(count) > str.Remaining() / 24) return false;
    i_points.assign(size_t(count), RWayPoint{});
    for (RWayPoint& p : i_points) {
        p.x = str.ReadReal();
        p.y = str.ReadReal();
        p.speed = str.ReadReal();
    }
    ComputeInternal();
    return true;
}

int CPath::AddPoint(double x, double y, double speed) {
    i_points.push_back({x, y, speed});
    ComputeInternal();
    return Count() - 1;
}

void CPath::InsertPoint(int ind, double x, double y, double speed) {
    if (ind < 0 || ind > Count()) return;
    i_points.insert(i_points.begin() + ind, RWayPoint{x, y, speed});
    ComputeInternal();
}

void CPath::ChangePoint(int ind, double x, double y, double speed) {
    if (ind < 0 || ind >= Count()) return;
    i_points[size_t(ind)] = {x, y, speed};
    ComputeInternal();
}

void CPath::DeletePoint(int ind) {
    if (ind < 0 || ind >= Count()) return;
    i_points.erase(i_points.begin() + ind);
    ComputeInternal();
}

void CPath::SetKind(int kind) {
    i_kind = kind == 0 || kind == 1 ? kind : 0;
    ComputeInternal();
}

void CPath::SetClosed(bool closed) {
    i_closed = closed;
    ComputeInternal();
}

void CPath::SetPrecision(int precision) {
    i_precision = std::clamp(precision, 0, 8);
    ComputeInternal();
}

void CPath::ComputeInternal() {
    i_intpoints.clear();
    if (i_kind == 1)
        ComputeSmooth();
    else
        ComputeStraight();
    ComputeLength();
}

void CPath::ComputeStraight() {
    for (const RWayPoint& p : i_points) i_intpoints.push_back(FromWay(p));
    if (i_closed && !i_points.empty()) i_intpoints.push_back(FromWay(i_points[0]));
}

void CPath::ComputeSmooth() {
    int n = Count();
    if (n < 1) return;
    auto P = [&](int i) { return FromWay(i_points[size_t(i % n)]); };
    if (!i_closed) i_intpoints.push_back(P(0));
    int last = i_closed ? n - 1 : n - 3;
    for (int i = 0; i <= last; i++)
        SubdivideCurve(i_precision, Mid(P(i), P(i + 1)), P(i + 1), Mid(P(i + 1), P(i + 2)));
    if (i_closed) {
        // With nothing emitted (precision 0) there is no first point to repeat: the path stays empty.
        if (!i_intpoints.empty()) i_intpoints.push_back(i_intpoints[0]);
    } else {
        i_intpoints.push_back(P(n - 1));
    }
}

void CPath::SubdivideCurve(int depth, const RIntPoint& start, const RIntPoint& control,
                           const RIntPoint& end) {
    if (depth <= 0) return;
    RIntPoint mid{(start.x + 2 * control.x + end.x) / 4, (start.y + 2 * control.y + end.y) / 4,
                  (start.speed + 2 * control.speed + end.speed) / 4, 0};
    double dx = control.x - start.x, dy = control.y - start.y;
    if (dx * dx + dy * dy > 16) SubdivideCurve(depth - 1, start, Mid(start, control), mid);
    i_intpoints.push_back(mid);
    dx = control.x - end.x;
    dy = control.y - end.y;
    if (dx * dx + dy * dy > 16) SubdivideCurve(depth - 1, mid, Mid(control, end), end);
}

void CPath::ComputeLength() {
    i_length = 0;
    for (size_t i = 0; i < i_intpoints.size(); i++) {
        if (i > 0) {
            double dx = i_intpoints[i].x - i_intpoints[i - 1].x, dy = i_intpoints[i].y - i_intpoints[i - 1].y;
            i_length += std::sqrt(dx * dx + dy * dy);
        }
        i_intpoints[i].l = i_length;
    }
}

void CPath::GetPosition(double ind, double& x, double& y, double& sp) const {
    x = 0;
    y = 0;
    sp = 100;
    if (i_intpoints.empty()) return;
    const RIntPoint* p = &i_intpoints[0];
    if (i_intpoints.size() > 1 && i_length != 0) {
        if (!(ind >= 0)) ind = 0;
        if (ind > 1) ind = 1;
        if (ind == 1) {
            p = &i_intpoints.back();
        } else if (ind != 0) {
            double d = i_length * ind;
            size_t i = 0;
            while (i + 2 < i_intpoints.size() && i_intpoints[i + 1].l <= d) i++;
            const RIntPoint &a = i_intpoints[i], &b = i_intpoints[i + 1];
            x = a.x;
            y = a.y;
            sp = a.speed;
            double seg = b.l - a.l;
            if (seg != 0) {
                double f = (d - a.l) / seg;
                x += (b.x - a.x) * f;
                y += (b.y - a.y) * f;
                sp += (b.speed - a.speed) * f;
            }
            return;
        }
    }
    x = p->x;
    y = p->y;
    sp = p->speed;
}

double CPath::XPosition(double ind) const {
    double x, y, sp;
    GetPosition(ind, x, y, sp);
    return x;
}

double CPath::YPosition(double ind) const {
    double x, y, sp;
    GetPosition(ind, x, y, sp);
    return y;
}

double CPath::Speed(double ind) const {
    double x, y, sp;
    GetPosition(ind, x, y, sp);
    return sp;
}

void CPath::Center(double& x, double& y) const {
    double minx = 1e8, maxx = -1e8, miny = 1e8, maxy = -1e8;
    for (const RWayPoint& p : i_points) {
        minx = std::min(minx, p.x);
        maxx = std::max(maxx, p.x);
        miny = std::min(miny, p.y);
        maxy = std::max(maxy, p.y);
    }
    x = (minx + maxx) / 2;
    y = (miny + maxy) / 2;
}

template <typename F>
void CPath::TransformAboutCenter(F f) {
    double cx, cy;
    Center(cx, cy);
    for (RWayPoint& p : i_points) {
        double x = p.x - cx, y = p.y - cy;
        f(x, y);
        p.x = x + cx;
        p.y = y + cy;
    }
    ComputeInternal();
}

void CPath::Mirror() {
    TransformAboutCenter([](double& x, double&) { x = -x; });
}

void CPath::Flip() {
    TransformAboutCenter([](double&, double& y) { y = -y; });
}

void CPath::Rotate(double angle) {
    double a = angle * M_PI / 180, c = std::cos(a), s = std::sin(a);
    TransformAboutCenter([c, s](double& x, double& y) {
        double nx = c * x + s * y, ny = c * y - s * x;
        x = nx;
        y = ny;
    });
}

void CPath::Scale(double xscale, double yscale) {
    TransformAboutCenter([xscale, yscale](double& x, double& y) {
        x *= xscale;
        y *= yscale;
    });
}

void CPath::Shift(double xtr, double ytr) {
    for (RWayPoint& p : i_points) {
        p.x += xtr;
        p.y += ytr;
    }
    ComputeInternal();
}

void CPath::Reverse() {
    if (Count() < 2) return;
    std::reverse(i_points.begin(), i_points.end());
    ComputeInternal();
}

void CPath::Append(const CPath* path) {
    if (!path || path->i_points.empty()) return;
    std::vector<RWayPoint> more = path->i_points; // path may be this one
    i_points.insert(i_points.end(), more.begin(), more.end());
    ComputeInternal();
}
