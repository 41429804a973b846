// Text layout and drawing with glyph-page and sprite fonts.
#include "graphics/Graphics_Text.h"

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Sprite.h"
#include "graphics/Graphics_Texture.h"
#include "resources/Font_Class.h"
#include "resources/Font_Main.h"
#include "resources/Sprite_Class.h"
#include "resources/Sprite_Main.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace {

int g_font = -1;
int g_halign = 0;
int g_valign = 0;
std::unique_ptr<CFont> g_default;

// '#' breaks (an escaped "\#" stays a '#'), then CR LF / LF / CR line ends.
std::vector<std::string> SplitLines(const std::string& text) {
    std::string s;
    s.reserve(text.size());
    for (size_t i = 0; i < text.size(); i++) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && text[i + 1] == '#') {
            s.push_back('#');
            i++;
        } else if (c == '#') {
            s.push_back('\r');
        } else if (c == '\n') {
            if (i == 0 || text[i - 1] != '\r') s.push_back('\r');
        } else {
            s.push_back(c);
        }
    }
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] == '\r') {
            lines.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < s.size()) lines.push_back(s.substr(start));
    return lines;
}

struct RPen {
    double x, y;
};

// Draws one line of code-page bytes, the glyph at the pen; transformed when xs, ys, angle say.
void DrawLine(const CFont& f, const std::string& line, double x, double y, double xs, double ys, double angle,
              bool transformed, const uint32_t* corners /* c1..c4 as vertex colours, or null */, int32_t col,
              double alpha, int32_t gc[4]) {
    const CSprite* spr = f.IsSpriteFont() ? Sprite_Get(f.s_spr) : nullptr;
    if (f.IsSpriteFont() && !spr) return;
    const double th = angle * std::numbers::pi / 180.0, C = std::cos(th), S = std::sin(th);
    const double W = corners ? Text_LineWidth(f, line) : 0;
    double p = 0; // advance so far
    RPen pen{x, y};
    for (unsigned char c : line) {
        const int a = f.GetShift(c);
        if (c >= f.s_first && c <= f.s_last) {
            const int off = f.s_offset[c];
            double gx, gy;
            if (transformed) {
                gx = pen.x + xs * off * C;
                gy = pen.y - xs * off * S;
            } else {
                gx = pen.x + off;
                gy = pen.y;
            }
            if (corners) {
                const double f0 = W != 0 ? p / W : 0, f1 = W != 0 ? (p + a) / W : 0;
                const uint32_t tl = GR_Colour(Color_Merge(gc[0], gc[1], f0), alpha);
                const uint32_t tr = GR_Colour(Color_Merge(gc[0], gc[1], f1), alpha);
                const uint32_t br = GR_Colour(Color_Merge(gc[3], gc[2], f1), alpha);
                const uint32_t bl = GR_Colour(Color_Merge(gc[3], gc[2], f0), alpha);
                if (spr) {
                    const int img = c - f.s_first;
                    const int tex = spr->GetTexture(img);
                    GR_Texture_DrawGeneralArgb(tex, 0, 0, spr->GetWidth(), spr->GetHeight(), gx, gy, xs, ys,
                                               transformed ? angle : 0, tl, tr, br, bl);
                } else {
                    GR_Texture_DrawGeneralArgb(f.s_tex, f.s_x[c], f.s_y[c], f.s_w[c], f.s_h[c], gx, gy, xs,
                                               ys, transformed ? angle : 0, tl, tr, br, bl);
                }
            } else if (spr) {
                Sprite_Draw(*spr, c - f.s_first, gx, gy, xs, ys, transformed ? angle : 0, col, alpha);
            } else if (transformed) {
                const uint32_t v = GR_Colour(col, alpha);
                GR_Texture_DrawGeneralArgb(f.s_tex, f.s_x[c], f.s_y[c], f.s_w[c], f.s_h[c], gx, gy, xs, ys,
                                           angle, v, v, v, v);
            } else {
                GR_Texture_DrawPart(f.s_tex, f.s_x[c], f.s_y[c], f.s_w[c], f.s_h[c], gx, gy, 1, 1, col,
                                    alpha);
            }
        }
        p += a;
        if (transformed) {
            pen.x += a * C * xs;
            pen.y -= a * S * xs;
        } else {
            pen.x += a;
        }
    }
}

void Place(double x, double y, const std::string& text, int sep, int w, double xs, double ys, double angle,
           bool transformed, const int32_t* colours, double alpha) {
    const CFont* fp = Text_Font();
    if (!fp) return;
    const CFont& f = *fp;
    const std::vector<std::string> lines = Text_Lines(f, text, w);
    const int L = int(lines.size());
    if (L == 0) return;
    const int s = sep < 0 ? f.s_FontHeight : sep;
    int32_t gc[4] = {};
    uint32_t corners[4] = {};
    if (colours) std::copy(colours, colours + 4, gc);
    const int32_t col = colours ? 0 : GR_Draw_GetColor();
    const double al = colours ? alpha : GR_Draw_GetAlpha();
    if (!transformed) {
        double top = y;
        if (g_valign == 1)
            top -= double((long long)L * s / 2);
        else if (g_valign == 2)
            top -= double((long long)L * s);
        for (const std::string& line : lines) {
            const int lw = Text_LineWidth(f, line);
            const int off = g_halign == 1 ? -(lw / 2) : g_halign == 2 ? -lw : 0;
            DrawLine(f, line, x + off, top, 1, 1, 0, false, colours ? corners : nullptr, col, al, gc);
            top += s;
        }
        return;
    }
    const double th = angle * std::numbers::pi / 180.0, S = std::sin(th), C = std::cos(th);
    const double dx = S * ys * s, dy = C * ys * s;
    if (g_valign == 1) {
        y -= std::nearbyint(L * dy / 2);
        x -= std::nearbyint(L * dx / 2);
    } else if (g_valign == 2) {
        y -= std::nearbyint(L * dy);
        x -= std::nearbyint(L * dx);
    }
    for (const std::string& line : lines) {
        const int lw = Text_LineWidth(f, line);
        const double o = g_halign == 1   ? -std::nearbyint(xs * lw / 2)
                         : g_halign == 2 ? -std::nearbyint(xs * lw)
                                         : 0.0;
        DrawLine(f, line, x + o * C, y - o * S, xs, ys, angle, true, colours ? corners : nullptr, col, al,
                 gc);
        x += dx;
        y += dy;
    }
}

} // namespace

void Text_Reset() {
    g_font = -1;
    g_halign = 0;
    g_valign = 0;
}

void Text_Done() {
    g_default.reset();
}

void Text_SetFont(int font) {
    g_font = Font_Exists(font) ? font : -1;
    if (g_font < 0) Text_Font();
}

int Text_GetFont() {
    return g_font;
}

void Text_SetHAlign(int a) {
    g_halign = a == 1 || a == 2 ? a : 0;
}

void Text_SetVAlign(int a) {
    g_valign = a == 1 || a == 2 ? a : 0;
}

int Text_GetHAlign() {
    return g_halign;
}

int Text_GetVAlign() {
    return g_valign;
}

const CFont* Text_Font() {
    if (g_font >= 0 && Font_Exists(g_font)) return Font_Get(g_font);
    if (!g_default) {
        g_default = std::make_unique<CFont>();
        g_default->CreateFont("Arial", 12, false, false, 32, 127);
        g_default->InitTexture();
    } else if (GR_Device_Exists() && !GR_Texture_Exists(g_default->s_tex)) {
        // The device came (or came back) after the default font was made.
        g_default->InitTexture();
    }
    return g_default.get();
}

int Text_LineWidth(const CFont& font, const std::string& line) {
    long long w = 0;
    for (unsigned char c : line) w += font.GetShift(c);
    return int(std::clamp<long long>(w, -2147483647LL, 2147483647LL));
}

std::vector<std::string> Text_Lines(const CFont& font, const std::string& text, int w) {
    const int cp = Font_CodePage(font.s_charset);
    std::vector<std::string> out;
    for (const std::string& utf8 : SplitLines(text)) {
        std::string line = Font_TextToCodePage(utf8, cp);
        if (w < 0 || line.empty()) {
            out.push_back(std::move(line));
            continue;
        }
        // Pieces end after a space or a hyphen.
        std::vector<std::string> pieces;
        size_t start = 0;
        for (size_t i = 0; i < line.size(); i++) {
            if (line[i] == ' ' || line[i] == '-') {
                pieces.push_back(line.substr(start, i + 1 - start));
                start = i + 1;
            }
        }
        if (start < line.size()) pieces.push_back(line.substr(start));
        size_t k = 0;
        while (k < pieces.size()) {
            std::string cur = pieces[k++];
            int cw = Text_LineWidth(font, cur);
            while (k < pieces.size() && cw < w) {
                const int pw = Text_LineWidth(font, pieces[k]);
                if (cw + pw > w) break;
                cur += pieces[k++];
                cw += pw;
            }
            out.push_back(std::move(cur));
        }
    }
    return out;
}

int Text_StringWidthExt(const std::string& text, int /*sep*/, int w) {
    const CFont* f = Text_Font();
    int best = 0;
    if (f)
        for (const std::string& line : Text_Lines(*f, text, w))
            best = std::max(best, Text_LineWidth(*f, line));
    return std::max(best, 1);
}

int Text_StringHeightExt(const std::string& text, int sep, int w) {
    const CFont* f = Text_Font();
    if (!f) return 1;
    const long long L = (long long)Text_Lines(*f, text, w).size();
    if (L == 0) return 1;
    const long long s = sep < 0 ? f->s_FontHeight : sep;
    return int(std::clamp<long long>(f->s_FontHeight + s * (L - 1), -2147483647LL, 2147483647LL));
}

int Text_StringWidth(const std::string& text) {
    return Text_StringWidthExt(text, -1, -1);
}

int Text_StringHeight(const std::string& text) {
    return Text_StringHeightExt(text, -1, -1);
}

void Text_Draw(double x, double y, const std::string& text, int sep, int w) {
    Place(x, y, text, sep, w, 1, 1, 0, false, nullptr, 1);
}

void Text_DrawTransformed(double x, double y, const std::string& text, int sep, int w, double xscale,
                          double yscale, double angle) {
    Place(x, y, text, sep, w, xscale, yscale, angle, true, nullptr, 1);
}

void Text_DrawColor(double x, double y, const std::string& text, int sep, int w, int32_t c1, int32_t c2,
                    int32_t c3, int32_t c4, double alpha) {
    const int32_t c[4] = {c1, c2, c3, c4};
    Place(x, y, text, sep, w, 1, 1, 0, false, c, alpha);
}

void Text_DrawTransformedColor(double x, double y, const std::string& text, int sep, int w, double xscale,
                               double yscale, double angle, int32_t c1, int32_t c2, int32_t c3, int32_t c4,
                               double alpha) {
    const int32_t c[4] = {c1, c2, c3, c4};
    Place(x, y, text, sep, w, xscale, yscale, angle, true, c, alpha);
}
