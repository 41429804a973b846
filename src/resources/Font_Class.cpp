// Fonts: the record, the run-time atlas builder with its test packing, sprite fonts, and the
// code pages of the character sets (through iconv).
#include "resources/Font_Class.h"

#include "graphics/BM32_Bitmap.h"
#include "platform/Platform_Font.h"
#include "resources/Resource_Texture.h"
#include "resources/Sprite_Main.h"
#include "support/Support_Stream.h"

#include <algorithm>
#include <cstring>
#include <iconv.h>
#include <map>
#include <unordered_map>

namespace {

constexpr int kFontVersion = 800;
constexpr int kAtlasMax = 2048;
constexpr int kGap = 2;

// Places cells left to right in rows of width W, a new row when the next cell would not end
// before W; returns the height used. Positions go to pos when given.
int PackRows(const std::vector<std::pair<int, int>>& cells, int W, int gap,
             std::vector<std::pair<int, int>>* pos) {
    int x = 0, y = 0, tallest = 0;
    for (const auto& [w, h] : cells) {
        if (x + w >= W) {
            x = 0;
            y += tallest + gap;
            tallest = 0;
        }
        if (pos) pos->emplace_back(x, y);
        tallest = std::max(tallest, h);
        x += w + gap;
    }
    return y + tallest;
}

bool Fits(const std::vector<std::pair<int, int>>& cells, int W, int H, int gap) {
    for (const auto& c : cells)
        if (c.first > W) return false;
    return PackRows(cells, W, gap, nullptr) <= H;
}

// Byte -> code point for every byte of a code page; built once per code page.
const std::array<uint32_t, 256>& CodePageTable(int codepage) {
    static std::map<int, std::array<uint32_t, 256>> tables;
    auto it = tables.find(codepage);
    if (it != tables.end()) return it->second;
    std::array<uint32_t, 256> t{};
    for (int c = 0; c < 128; c++) t[size_t(c)] = uint32_t(c);
    std::string name = codepage == 1361 ? "JOHAB" : "CP" + std::to_string(codepage);
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd != iconv_t(-1)) {
        for (int c = 0; c < 256; c++) {
            char in = char(c);
            uint32_t out = 0;
            char* ip = &in;
            char* op = reinterpret_cast<char*>(&out);
            size_t il = 1, ol = 4;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            t[size_t(c)] = iconv(cd, &ip, &il, &op, &ol) == size_t(-1) || ol != 0 ? 0 : out;
        }
        iconv_close(cd);
    }
    return tables.emplace(codepage, t).first->second;
}

// Decodes one UTF-8 sequence at s[i]; advances i. Malformed bytes read as U+FFFD.
uint32_t NextCodePoint(const std::string& s, size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80) return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0) return 0xFFFD;
    uint32_t cp = c & (0x3F >> extra);
    for (int k = 0; k < extra; k++) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return cp;
}

} // namespace

int Font_CodePage(int charset) {
    switch (charset) {
    case 0:
        return 1252;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    default:
        return 1252; // the system's code page
    }
}

uint32_t Font_CharToUnicode(uint8_t c, int codepage) {
    return CodePageTable(codepage)[c];
}

std::string Font_TextToCodePage(const std::string& utf8, int codepage) {
    // Code point -> byte, the lowest byte when several share a code point; built once per page.
    static std::map<int, std::unordered_map<uint32_t, char>> reverse;
    auto it0 = reverse.find(codepage);
    if (it0 == reverse.end()) {
        const std::array<uint32_t, 256>& t = CodePageTable(codepage);
        std::unordered_map<uint32_t, char> m;
        for (int c = 255; c >= 0; c--)
            if (t[size_t(c)] || c == 0) m[t[size_t(c)]] = char(c);
        it0 = reverse.emplace(codepage, std::move(m)).first;
    }
    const std::unordered_map<uint32_t, char>& back = it0->second;
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        auto it = back.find(NextCodePoint(utf8, i));
        out.push_back(it == back.end() ? '?' : it->second);
    }
    return out;
}

bool Font_ChooseAtlasSize(const std::vector<std::pair<int, int>>& cells, int gap, int& bw, int& bh) {
    int W = kAtlasMax, H = kAtlasMax;
    bool any = false;
    for (int pass = 1; W >= 1 && H >= 1; pass++) {
        if (!Fits(cells, W, H, gap)) break;
        bw = W;
        bh = H;
        any = true;
        if (pass % 2)
            H /= 2;
        else
            W /= 2;
    }
    return any;
}

CFont::~CFont() {
    FreeTexture();
}

void CFont::Clear() {
    FreeTexture();
    s_name.clear();
    s_size = 12;
    s_bold = s_italic = false;
    s_charset = 1;
    s_AntiAlias = 3;
    s_first = 32;
    s_last = 128;
    s_spr = -1;
    s_x.fill(0);
    s_y.fill(0);
    s_w.fill(0);
    s_h.fill(0);
    s_shift.fill(0);
    s_offset.fill(0);
    s_bw = s_bh = 0;
    s_bytes.clear();
    s_FontHeight = 0;
}

void CFont::Assign(const CFont& obj) {
    if (&obj == this) return;
    Clear();
    s_name = obj.s_name;
    s_size = obj.s_size;
    s_bold = obj.s_bold;
    s_italic = obj.s_italic;
    s_charset = obj.s_charset;
    s_AntiAlias = obj.s_AntiAlias;
    s_first = obj.s_first;
    s_last = obj.s_last;
    s_spr = obj.s_spr;
    s_x = obj.s_x;
    s_y = obj.s_y;
    s_w = obj.s_w;
    s_h = obj.s_h;
    s_shift = obj.s_shift;
    s_offset = obj.s_offset;
    s_FontHeight = obj.s_FontHeight;
    if (!obj.IsSpriteFont()) {
        s_bw = obj.s_bw;
        s_bh = obj.s_bh;
        s_bytes = obj.s_bytes;
    }
    InitTexture();
}

bool CFont::LoadFromStream(CStream& str) {
    Clear();
    if (str.ReadInteger() != kFontVersion) return false;
    s_name = str.ReadString();
    s_size = str.ReadInteger();
    s_bold = str.ReadBoolean();
    s_italic = str.ReadBoolean();
    uint32_t F = uint32_t(str.ReadInteger());
    s_first = int32_t(F & 0xFFFF);
    if ((F >> 16) & 0xFF) s_charset = int32_t((F >> 16) & 0xFF);
    if (F >> 24) s_AntiAlias = int32_t(F >> 24) - 1;
    s_last = str.ReadInteger();
    s_FontHeight = -1;
    for (int c = 0; c < 256; c++) {
        s_x[size_t(c)] = str.ReadInteger();
        s_y[size_t(c)] = str.ReadInteger();
        s_w[size_t(c)] = str.ReadInteger();
        s_h[size_t(c)] = str.ReadInteger();
        s_shift[size_t(c)] = str.ReadInteger();
        s_offset[size_t(c)] = str.ReadInteger();
        s_FontHeight = std::max(s_FontHeight, s_h[size_t(c)]);
    }
    int32_t bw = str.ReadInteger(), bh = str.ReadInteger();
    if (bw < 0 || bh < 0) return false;
    std::unique_ptr<CStream> atlas = str.ReadStream();
    if (uint64_t(atlas->Size()) != uint64_t(bw) * uint64_t(bh)) return false;
    // Drawing reads each non-empty cell from the atlas: every one must lie inside it.
    for (size_t c = 0; c < 256; c++) {
        if (s_w[c] <= 0 || s_h[c] <= 0) continue;
        if (s_x[c] < 0 || s_y[c] < 0 || int64_t(s_x[c]) + s_w[c] > bw || int64_t(s_y[c]) + s_h[c] > bh)
            return false;
    }
    s_bw = bw;
    s_bh = bh;
    s_bytes = std::move(atlas->Bytes());
    return true;
}

void CFont::SaveToStream(CStream& str) const {
    str.WriteInteger(kFontVersion);
    str.WriteString(s_name);
    str.WriteInteger(s_size);
    str.WriteBoolean(s_bold);
    str.WriteBoolean(s_italic);
    uint32_t F = uint32_t(s_first & 0xFFFF) | (uint32_t(s_charset & 0xFF) << 16) |
                 (uint32_t((s_AntiAlias + 1) & 0xFF) << 24);
    str.WriteInteger(int32_t(F));
    str.WriteInteger(s_last);
    for (size_t c = 0; c < 256; c++) {
        str.WriteInteger(s_x[c]);
        str.WriteInteger(s_y[c]);
        str.WriteInteger(s_w[c]);
        str.WriteInteger(s_h[c]);
        str.WriteInteger(s_shift[c]);
        str.WriteInteger(s_offset[c]);
    }
    str.WriteInteger(s_bw);
    str.WriteInteger(s_bh);
    CStream atlas(s_bytes);
    str.WriteStream(atlas);
}

bool CFont::CreateFont(const std::string& name, int size, bool bold, bool italic, int first, int last) {
    return CreateFontCharset(name, size, bold, italic, first, last, 1);
}

bool CFont::CreateFontCharset(const std::string& name, int size, bool bold, bool italic, int first, int last,
                              int charset) {
    Clear();
    s_first = std::max(first, 0);
    s_last = std::min(last, 255);
    s_charset = charset;
    s_AntiAlias = 3;
    s_name = name;
    s_size = size;
    s_bold = bold;
    s_italic = italic;
    std::unique_ptr<TPlatformFont> font = Platform_OpenFont(name, size, bold, italic);
    if (!font) {
        Clear();
        return false;
    }
    const TFontMetrics m = font->Metrics();
    const int codepage = Font_CodePage(charset);
    std::vector<TGlyph> glyphs(256);
    int spaceWidth = 0;
    for (int c = s_first; c <= s_last; c++) {
        uint32_t cp = Font_CharToUnicode(uint8_t(c), codepage);
        TGlyph g = cp >= 32 ? font->Glyph(cp) : TGlyph{}; // control characters stay blank
        size_t k = size_t(c);
        if (c == 32) spaceWidth = g.advance != 0 ? g.advance : std::min(m.avgWidth, m.maxWidth);
        if (g.levels.empty()) {
            s_w[k] = s_h[k] = s_shift[k] = s_offset[k] = 0;
        } else {
            s_w[k] = g.width;
            s_h[k] = m.ascent + g.height - g.originY;
            s_offset[k] = g.originX;
            s_shift[k] = g.advance - std::min(g.originX, 0);
            s_FontHeight = std::max(s_FontHeight, s_h[k]);
        }
        glyphs[k] = std::move(g);
    }
    if (s_h[32] == 0) s_h[32] = m.height;
    if (s_w[32] == 0) s_w[32] = s_shift[32] = spaceWidth;

    std::vector<int> order;
    for (int c = s_first; c <= s_last; c++) order.push_back(c);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return int64_t(s_w[size_t(a)]) * s_h[size_t(a)] > int64_t(s_w[size_t(b)]) * s_h[size_t(b)];
    });
    std::vector<std::pair<int, int>> cells;
    for (int c : order) cells.emplace_back(s_w[size_t(c)], s_h[size_t(c)]);
    int bw = 0, bh = 0;
    if (!Font_ChooseAtlasSize(cells, kGap, bw, bh)) {
        Clear();
        return false;
    }
    s_bw = bw;
    s_bh = bh;
    s_bytes.assign(size_t(bw) * bh, 0);
    std::vector<std::pair<int, int>> pos;
    PackRows(cells, bw, kGap, &pos);
    for (size_t i = 0; i < order.size(); i++) {
        size_t c = size_t(order[i]);
        auto [x, y] = pos[i];
        s_x[c] = x;
        s_y[c] = y;
        if (c == 32) continue;
        const TGlyph& g = glyphs[c];
        int top = y + m.ascent - g.originY;
        for (int r = 0; r < g.height; r++) {
            int ay = top + r;
            if (ay < y || ay >= bh) continue; // never outside the glyph's own cell rows
            for (int col = 0; col < g.width && x + col < bw; col++) {
                uint8_t v = g.levels[size_t(r) * g.width + col];
                s_bytes[size_t(ay) * bw + x + col] = v >= 64 ? 255 : uint8_t(v * 4);
            }
        }
    }
    InitTexture();
    return true;
}

void CFont::CreateFromSprite(int ind, int first, bool prop, int sep) {
    Clear();
    CSprite* spr = Sprite_Get(ind);
    if (!spr) return;
    s_spr = ind;
    s_first = std::clamp(first, 0, 255);
    s_last = std::min(s_first + spr->i_numb - 1, 255);
    s_charset = 1;
    s_AntiAlias = 0;
    s_FontHeight = spr->GetHeight();
    for (int c = s_first; c <= s_last; c++) {
        int left = 0, right = spr->GetWidth();
        if (prop) {
            TRect r = spr->GetBoundingBoxImg(c - s_first);
            left = r.Left;
            right = r.Right;
        }
        size_t k = size_t(c);
        s_h[k] = spr->GetHeight();
        s_shift[k] = right + sep - left;
        s_offset[k] = -left;
    }
}

int CFont::GetShift(uint8_t c) const {
    if (c >= s_first && c <= s_last) return s_shift[c];
    if (32 >= s_first && 32 <= s_last) return s_shift[32];
    return s_first >= 0 && s_first < 256 ? s_shift[size_t(s_first)] : 0;
}

void CFont::InitTexture() {
    FreeTexture();
    if (IsSpriteFont() || s_name.empty() || s_bytes.empty()) return;
    // The atlas as white pixels whose alpha is the coverage.
    TBitmap32 img(s_bw, s_bh);
    for (size_t i = 0; i < s_bytes.size(); i++) img.Pixels()[i] = (uint32_t(s_bytes[i]) << 24) | 0x00FFFFFFu;
    s_tex = Resource_CreateTexture(img);
}

void CFont::FreeTexture() {
    Resource_FreeTexture(s_tex);
}
