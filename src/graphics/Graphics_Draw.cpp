// Draw state and 2D primitives. Fans, strips and loops become triangle and line lists so that
// consecutive shapes share one batch of the device.
#include "graphics/Graphics_Draw.h"

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Texture.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int kMaxPrimitiveVertices = 1001;

int32_t g_colour = 0;
double g_alpha = 1.0;
uint32_t g_argb = 0xFF000000u;
int g_precision = 24;
double g_cos[65], g_sin[65];
int g_primKind = 0;
int g_primTexture = -1;
int g_primCount = 0;
RVertex g_prim[kMaxPrimitiveVertices];

void BuildTables() {
    for (int i = 0; i <= g_precision; i++) {
        g_cos[i] = std::cos(2 * std::numbers::pi * i / g_precision);
        g_sin[i] = std::sin(2 * std::numbers::pi * i / g_precision);
    }
}

struct TInit {
    TInit() { BuildTables(); }
} g_init;

uint32_t WithDrawAlpha(int32_t col) {
    return GR_Colour(col, g_alpha);
}

RVertex V(double x, double y, uint32_t c) {
    return RVertex{float(x), float(y), 0.0f, c, 0.0f, 0.0f};
}

// A fan (centre first) as a triangle list.
void Fan(const RVertex* v, int n, int texture = -1) {
    if (n < 3) return;
    std::vector<RVertex> t;
    t.reserve(size_t(n - 2) * 3);
    for (int i = 1; i + 1 < n; i++) {
        t.push_back(v[0]);
        t.push_back(v[i]);
        t.push_back(v[i + 1]);
    }
    GR_Device_Draw(EPrimitive::Triangles, texture, t.data(), int(t.size()));
}

// A line strip as a line list.
void Strip(const RVertex* v, int n, int texture = -1) {
    if (n < 2) return;
    std::vector<RVertex> l;
    l.reserve(size_t(n - 1) * 2);
    for (int i = 0; i + 1 < n; i++) {
        l.push_back(v[i]);
        l.push_back(v[i + 1]);
    }
    GR_Device_Draw(EPrimitive::Lines, texture, l.data(), int(l.size()));
}

void Sort(double& a, double& b) {
    if (a > b) std::swap(a, b);
}

// The rectangle rule: sorted, and a whole right or bottom edge moved by 0.01.
void RectBox(double& x1, double& y1, double& x2, double& y2) {
    Sort(x1, x2);
    Sort(y1, y2);
    if (x2 == std::floor(x2)) x2 += 0.01;
    if (y2 == std::floor(y2)) y2 += 0.01;
}

void Rect(double x1, double y1, double x2, double y2, const uint32_t c[4], bool outline) {
    RectBox(x1, y1, x2, y2);
    RVertex v[5] = {V(x1, y1, c[0]), V(x2, y1, c[1]), V(x2, y2, c[2]), V(x1, y2, c[3]), V(x1, y1, c[0])};
    if (outline)
        Strip(v, 5);
    else
        Fan(v, 4);
}

void EllipseShape(double x1, double y1, double x2, double y2, uint32_t centre, uint32_t rim, bool outline) {
    const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2, rx = std::fabs(x2 - x1) / 2,
                 ry = std::fabs(y2 - y1) / 2;
    const int n = g_precision;
    std::vector<RVertex> v;
    v.reserve(size_t(n) + 2);
    if (outline) {
        v.push_back(V(cx + rx * g_cos[n - 1], cy + ry * g_sin[n - 1], rim));
        for (int i = 0; i < n; i++) v.push_back(V(cx + rx * g_cos[i], cy + ry * g_sin[i], rim));
        Strip(v.data(), int(v.size()));
    } else {
        v.push_back(V(cx, cy, centre));
        for (int i = 0; i <= n; i++) v.push_back(V(cx + rx * g_cos[i], cy + ry * g_sin[i], rim));
        Fan(v.data(), int(v.size()));
    }
}

void RoundRect(double x1, double y1, double x2, double y2, uint32_t centre, uint32_t border, bool outline) {
    RectBox(x1, y1, x2, y2);
    const double bw = x2 - x1, bh = y2 - y1;
    const double cw = std::min(10.0, bw), ch = std::min(10.0, bh);
    const double rx = cw / 2, ry = ch / 2;
    const double mx = (x1 + x2) / 2, my = (y1 + y2) / 2;
    const double sx = (bw - cw) / 2, sy = (bh - ch) / 2;
    const int n = g_precision, q = n / 4;
    // Corner centres: bottom-right, bottom-left, top-left, top-right.
    const double ccx[4] = {mx + sx, mx - sx, mx - sx, mx + sx}, ccy[4] = {my + sy, my + sy, my - sy, my - sy};
    std::vector<RVertex> arc;
    arc.reserve(size_t(n) + 6);
    for (int k = 0; k < 4; k++)
        for (int i = k * q; i <= (k + 1) * q; i++)
            arc.push_back(V(ccx[k] + rx * g_cos[i], ccy[k] + ry * g_sin[i], border));
    arc.push_back(arc.front());
    if (outline) {
        Strip(arc.data(), int(arc.size()));
    } else {
        std::vector<RVertex> fan;
        fan.reserve(arc.size() + 1);
        fan.push_back(V(mx, my, centre));
        fan.insert(fan.end(), arc.begin(), arc.end());
        Fan(fan.data(), int(fan.size()));
    }
}

void Channels(int64_t c, int& r, int& g, int& b) {
    r = int(c & 255);
    g = int((c >> 8) & 255);
    b = int((c >> 16) & 255);
}

} // namespace

void GR_Draw_Reset() {
    g_colour = 0;
    g_alpha = 1.0;
    g_argb = 0xFF000000u;
    g_precision = 24;
    BuildTables();
    g_primKind = 0;
    g_primTexture = -1;
    g_primCount = 0;
}

void GR_Draw_SetColor(int32_t col) {
    g_colour = col;
    g_argb = GR_Colour(col, g_alpha);
}

int32_t GR_Draw_GetColor() {
    const uint32_t c = g_argb;
    return int32_t(((c >> 16) & 255) | (c & 0xFF00) | ((c & 255) << 16));
}

void GR_Draw_SetAlpha(double a) {
    if (a < 0)
        a = 0;
    else if (!(a <= 1))
        a = 1;
    g_alpha = a;
    g_argb = GR_Colour(g_colour, a);
}

double GR_Draw_GetAlpha() {
    return g_alpha;
}

uint32_t GR_Draw_Argb() {
    return g_argb;
}

void GR_Draw_Clear(int32_t col) {
    GR_Device_Clear(0xFF000000u | (GR_Colour(col, 1.0) & 0x00FFFFFFu));
}

void GR_Draw_ClearAlpha(int32_t col, double alpha) {
    GR_Device_Clear(GR_Colour(col, alpha));
}

void GR_Draw_Point(double x, double y) {
    const RVertex v = V(x, y, g_argb);
    GR_Device_Draw(EPrimitive::Points, -1, &v, 1);
}

void GR_Draw_PointColor(double x, double y, int32_t col) {
    const RVertex v = V(x + 0.01, y + 0.01, WithDrawAlpha(col));
    GR_Device_Draw(EPrimitive::Points, -1, &v, 1);
}

void GR_Draw_Line(double x1, double y1, double x2, double y2) {
    const RVertex v[2] = {V(x1 + 0.01, y1 + 0.01, g_argb), V(x2 + 0.01, y2 + 0.01, g_argb)};
    GR_Device_Draw(EPrimitive::Lines, -1, v, 2);
}

void GR_Draw_LineColor(double x1, double y1, double x2, double y2, int32_t c1, int32_t c2) {
    const RVertex v[2] = {V(x1 + 0.01, y1 + 0.01, WithDrawAlpha(c1)),
                          V(x2 + 0.01, y2 + 0.01, WithDrawAlpha(c2))};
    GR_Device_Draw(EPrimitive::Lines, -1, v, 2);
}

namespace {
void WideLine(double x1, double y1, double x2, double y2, double w, uint32_t c1, uint32_t c2) {
    const double d = std::hypot(x2 - x1, y2 - y1);
    if (!(d > 0)) return;
    const double ox = (y2 - y1) * (w / 2) / d, oy = (x2 - x1) * (w / 2) / d;
    const RVertex v[4] = {V(x1 - ox, y1 + oy, c1), V(x2 - ox, y2 + oy, c2), V(x2 + ox, y2 - oy, c2),
                          V(x1 + ox, y1 - oy, c1)};
    Fan(v, 4);
}
} // namespace

void GR_Draw_LineWidth(double x1, double y1, double x2, double y2, double w) {
    WideLine(x1, y1, x2, y2, w, g_argb, g_argb);
}

void GR_Draw_LineWidthColor(double x1, double y1, double x2, double y2, double w, int32_t c1, int32_t c2) {
    WideLine(x1, y1, x2, y2, w, WithDrawAlpha(c1), WithDrawAlpha(c2));
}

void GR_Draw_Rectangle(double x1, double y1, double x2, double y2, bool outline) {
    const uint32_t c[4] = {g_argb, g_argb, g_argb, g_argb};
    Rect(x1, y1, x2, y2, c, outline);
}

void GR_Draw_RectangleColor(double x1, double y1, double x2, double y2, int32_t c1, int32_t c2, int32_t c3,
                            int32_t c4, bool outline) {
    const uint32_t c[4] = {WithDrawAlpha(c1), WithDrawAlpha(c2), WithDrawAlpha(c3), WithDrawAlpha(c4)};
    Rect(x1, y1, x2, y2, c, outline);
}

void GR_Draw_RoundRect(double x1, double y1, double x2, double y2, bool outline) {
    RoundRect(x1, y1, x2, y2, g_argb, g_argb, outline);
}

void GR_Draw_RoundRectColor(double x1, double y1, double x2, double y2, int32_t c1, int32_t c2,
                            bool outline) {
    RoundRect(x1, y1, x2, y2, WithDrawAlpha(c1), WithDrawAlpha(c2), outline);
}

namespace {
void Tri(double x1, double y1, double x2, double y2, double x3, double y3, uint32_t c1, uint32_t c2,
         uint32_t c3, bool outline) {
    const RVertex v[4] = {V(x1, y1, c1), V(x2, y2, c2), V(x3, y3, c3), V(x1, y1, c1)};
    if (outline)
        Strip(v, 4);
    else
        GR_Device_Draw(EPrimitive::Triangles, -1, v, 3);
}
} // namespace

void GR_Draw_Triangle(double x1, double y1, double x2, double y2, double x3, double y3, bool outline) {
    Tri(x1, y1, x2, y2, x3, y3, g_argb, g_argb, g_argb, outline);
}

void GR_Draw_TriangleColor(double x1, double y1, double x2, double y2, double x3, double y3, int32_t c1,
                           int32_t c2, int32_t c3, bool outline) {
    Tri(x1, y1, x2, y2, x3, y3, WithDrawAlpha(c1), WithDrawAlpha(c2), WithDrawAlpha(c3), outline);
}

void GR_Draw_Ellipse(double x1, double y1, double x2, double y2, bool outline) {
    EllipseShape(x1, y1, x2, y2, g_argb, g_argb, outline);
}

void GR_Draw_EllipseColor(double x1, double y1, double x2, double y2, int32_t c1, int32_t c2, bool outline) {
    EllipseShape(x1, y1, x2, y2, WithDrawAlpha(c1), WithDrawAlpha(c2), outline);
}

void GR_Draw_SetCirclePrecision(int n) {
    n = std::clamp(n, 4, 64);
    g_precision = n / 4 * 4;
    BuildTables();
}

int GR_Draw_GetCirclePrecision() {
    return g_precision;
}

void GR_Draw_Arrow(double x1, double y1, double x2, double y2, double size) {
    const double d = std::hypot(x2 - x1, y2 - y1);
    if (!(d > 0)) return;
    const double s = std::min(d, size);
    const double gx = (x2 - x1) * s / d, gy = (y2 - y1) * s / d;
    GR_Draw_Line(x1, y1, x2, y2);
    const RVertex v[3] = {V(x2 - gx - gy / 3, y2 - gy + gx / 3, g_argb), V(x2, y2, g_argb),
                          V(x2 - gx + gy / 3, y2 - gy - gx / 3, g_argb)};
    GR_Device_Draw(EPrimitive::Triangles, -1, v, 3);
}

void GR_Draw_Button(double x1, double y1, double x2, double y2, bool up) {
    const uint32_t light = WithDrawAlpha(up ? 0xFFFFFF : 0x808080),
                   dark = WithDrawAlpha(up ? 0x808080 : 0xFFFFFF);
    const RVertex v[6] = {V(x1, y1, light), V(x2, y1, light), V(x1, y2, light),
                          V(x1, y2, dark),  V(x2, y1, dark),  V(x2, y2, dark)};
    GR_Device_Draw(EPrimitive::Triangles, -1, v, 6);
    GR_Draw_Rectangle(x1 + 2, y1 + 2, x2 - 2, y2 - 2, false);
}

void GR_Draw_Healthbar(double x1, double y1, double x2, double y2, double amount, int32_t backcol,
                       int32_t mincol, int32_t maxcol, int direction, bool showback, bool showborder) {
    const int32_t midcol = Color_Merge(mincol, maxcol, 0.5);
    const uint32_t black = WithDrawAlpha(0);
    const uint32_t blackC[4] = {black, black, black, black};
    if (showback) {
        const uint32_t b = WithDrawAlpha(backcol);
        const uint32_t c[4] = {b, b, b, b};
        Rect(x1, y1, x2, y2, c, false);
        if (showborder) Rect(x1, y1, x2, y2, blackC, true);
    }
    if (!(amount >= 0)) amount = 0;
    if (amount > 100) amount = 100;
    const double f = amount / 100;
    switch (direction) {
    case 1:
        x1 = x2 - (x2 - x1) * f;
        break;
    case 2:
        y2 = y1 + (y2 - y1) * f;
        break;
    case 3:
        y1 = y2 - (y2 - y1) * f;
        break;
    default:
        x2 = x1 + (x2 - x1) * f;
        break;
    }
    const int32_t barcol = amount > 50 ? Color_Merge(midcol, maxcol, (amount - 50) / 50)
                                       : Color_Merge(mincol, midcol, amount / 50);
    const uint32_t b = WithDrawAlpha(barcol);
    const uint32_t c[4] = {b, b, b, b};
    Rect(x1, y1, x2, y2, c, false);
    if (showborder) Rect(x1, y1, x2, y2, blackC, true);
}

void GR_Draw_PrimitiveBegin(int kind, int texture) {
    g_primKind = kind;
    g_primTexture = texture;
    g_primCount = 0;
}

void GR_Draw_Vertex(double x, double y, double u, double v, uint32_t argb) {
    if (g_primCount >= kMaxPrimitiveVertices) return;
    g_prim[g_primCount++] = RVertex{float(x), float(y), 0.0f, argb, float(u), float(v)};
}

int GR_Draw_PrimitiveCount() {
    return g_primCount;
}

void GR_Draw_PrimitiveEnd() {
    const int n = g_primCount;
    const int tex = g_primTexture;
    g_primCount = 0;
    switch (g_primKind) {
    case 1:
        GR_Device_Draw(EPrimitive::Points, tex, g_prim, n);
        break;
    case 2:
        GR_Device_Draw(EPrimitive::Lines, tex, g_prim, n / 2 * 2);
        break;
    case 3:
        Strip(g_prim, n, tex);
        break;
    case 4:
        GR_Device_Draw(EPrimitive::Triangles, tex, g_prim, n / 3 * 3);
        break;
    case 5: {
        std::vector<RVertex> t;
        for (int i = 0; i + 2 < n; i++) {
            t.push_back(g_prim[i]);
            t.push_back(g_prim[i + 1]);
            t.push_back(g_prim[i + 2]);
        }
        GR_Device_Draw(EPrimitive::Triangles, tex, t.data(), int(t.size()));
        break;
    }
    case 6:
        Fan(g_prim, n, tex);
        break;
    default:
        break;
    }
}

int64_t Color_MakeRGB(int64_t r, int64_t g, int64_t b) {
    // Wrapping arithmetic: parts are not limited, and no value may overflow.
    return int64_t(uint64_t(r) + 256u * uint64_t(g) + 65536u * uint64_t(b));
}

void Color_ToHSV(int64_t col, int& H, int& S, int& V) {
    int rb, gb, bb;
    Channels(col, rb, gb, bb);
    const double r = rb / 255.0, g = gb / 255.0, b = bb / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const double v = mx;
    const double s = mx == 0 ? 0 : (mx - mn) / mx;
    double h = 0;
    if (s != 0) {
        if (r == mx)
            h = (g - b) * 60 / (mx - mn);
        else if (g == mx)
            h = (b - r) * 60 / (mx - mn) + 120;
        else
            h = (r - g) * 60 / (mx - mn) + 240;
        if (h < 0) h += 360;
    }
    H = int(std::trunc(h * 255 / 360));
    S = int(std::trunc(s * 255));
    V = int(std::trunc(v * 255));
}

int32_t Color_MakeHSV(int H, int S, int Vb) {
    double h = (H & 255) * 360.0 / 255, s = (S & 255) / 255.0, v = (Vb & 255) / 255.0;
    if (h == 360) h = 0;
    double r, g, b;
    if (s == 0) {
        r = g = b = v;
    } else {
        const int i = int(std::trunc(h / 60));
        const double f = h / 60 - i, p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
        switch (i) {
        case 0:
            r = v, g = t, b = p;
            break;
        case 1:
            r = q, g = v, b = p;
            break;
        case 2:
            r = p, g = v, b = t;
            break;
        case 3:
            r = p, g = q, b = v;
            break;
        case 4:
            r = t, g = p, b = v;
            break;
        default:
            r = v, g = p, b = q;
            break;
        }
    }
    return int32_t(std::trunc(r * 255)) | (int32_t(std::trunc(g * 255)) << 8) |
           (int32_t(std::trunc(b * 255)) << 16);
}

int32_t Color_Merge(int64_t c1, int64_t c2, double amount) {
    int r1, g1, b1, r2, g2, b2;
    Channels(c1, r1, g1, b1);
    Channels(c2, r2, g2, b2);
    // An amount outside 0..1 extrapolates; each channel stays a byte.
    auto mix = [amount](int a, int b) {
        const double m = std::nearbyint((1 - amount) * a + amount * b);
        return m >= 0 ? (m <= 255 ? int32_t(m) : 255) : 0;
    };
    return mix(r1, r2) | (mix(g1, g2) << 8) | (mix(b1, b2) << 16);
}
