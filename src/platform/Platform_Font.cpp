// Font rasterising on fontconfig + FreeType. One FreeType library for the process, opened on
// first use; faces live as long as their TPlatformFont.
#include "platform/Platform_Font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

namespace {

FT_Library Library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) l = nullptr;
        return l;
    }();
    return lib;
}

constexpr int kDpi = 96;

class FreeTypeFont : public TPlatformFont {
  public:
    FreeTypeFont(FT_Face face, std::string family) : m_face(face), m_family(std::move(family)) {
        const FT_Size_Metrics& m = face->size->metrics;
        m_metrics.ascent = int((m.ascender + 63) >> 6);
        int descent = int((-m.descender + 63) >> 6);
        m_metrics.height = m_metrics.ascent + descent;
        m_metrics.maxWidth = int((m.max_advance + 63) >> 6);
        // The average width of the lower-case letters, as text metrics report it.
        int sum = 0, n = 0;
        for (char c = 'a'; c <= 'z'; c++)
            if (FT_Load_Char(face, FT_ULong(c), FT_LOAD_DEFAULT) == 0) {
                sum += int((face->glyph->advance.x + 32) >> 6);
                n++;
            }
        m_metrics.avgWidth = n ? (sum + n / 2) / n : m_metrics.maxWidth;
    }
    ~FreeTypeFont() override { FT_Done_Face(m_face); }

    TFontMetrics Metrics() const override { return m_metrics; }
    std::string Family() const override { return m_family; }

    TGlyph Glyph(uint32_t cp) const override {
        TGlyph g;
        FT_UInt index = FT_Get_Char_Index(m_face, cp);
        if (index == 0 || FT_Load_Glyph(m_face, index, FT_LOAD_DEFAULT) != 0) return g;
        FT_GlyphSlot slot = m_face->glyph;
        g.advance = int((slot->advance.x + 32) >> 6);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return g;
        const FT_Bitmap& bm = slot->bitmap;
        if (bm.width == 0 || bm.rows == 0 || bm.pixel_mode != FT_PIXEL_MODE_GRAY) return g;
        g.width = int(bm.width);
        g.height = int(bm.rows);
        g.originX = slot->bitmap_left;
        g.originY = slot->bitmap_top;
        g.levels.resize(size_t(g.width) * g.height);
        int grays = std::max(int(bm.num_grays) - 1, 1);
        for (int y = 0; y < g.height; y++) {
            const uint8_t* row = bm.buffer + ptrdiff_t(y) * bm.pitch;
            for (int x = 0; x < g.width; x++)
                g.levels[size_t(y) * g.width + x] = uint8_t((row[x] * 64 + grays / 2) / grays);
        }
        return g;
    }

  private:
    FT_Face m_face;
    std::string m_family;
    TFontMetrics m_metrics;
};

// The file and face index fontconfig picks for the request.
bool Match(const std::string& family, bool bold, bool italic, std::string& file, int& index,
           std::string& got) {
    if (!FcInit()) return false;
    FcPattern* pat = FcPatternCreate();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res;
    FcPattern* m = FcFontMatch(nullptr, pat, &res);
    FcPatternDestroy(pat);
    if (!m) return false;
    FcChar8* f = nullptr;
    FcChar8* fam = nullptr;
    bool ok = FcPatternGetString(m, FC_FILE, 0, &f) == FcResultMatch;
    if (ok) {
        file = reinterpret_cast<const char*>(f);
        if (FcPatternGetInteger(m, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        // The face's own name for the family asked for when it has one (a face may carry
        // several: "DejaVu Sans" and "DejaVu Sans Condensed"), else its first family.
        got.clear();
        for (int i = 0; FcPatternGetString(m, FC_FAMILY, i, &fam) == FcResultMatch; i++) {
            if (i == 0) got = reinterpret_cast<const char*>(fam);
            if (FcStrCmpIgnoreCase(fam, reinterpret_cast<const FcChar8*>(family.c_str())) == 0) {
                got = reinterpret_cast<const char*>(fam);
                break;
            }
        }
    }
    FcPatternDestroy(m);
    return ok;
}

} // namespace

std::unique_ptr<TPlatformFont> Platform_OpenFont(const std::string& family, int size, bool bold,
                                                 bool italic) {
    FT_Library lib = Library();
    std::string file, got;
    int index = 0;
    if (!lib || !Match(family, bold, italic, file, index, got)) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(lib, file.c_str(), index, &face) != 0) return nullptr;
    if (FT_Set_Char_Size(face, 0, FT_F26Dot6(std::max(size, 1)) * 64, kDpi, kDpi) != 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    return std::make_unique<FreeTypeFont>(face, got);
}

std::string Platform_FontFamilyUsed(const std::string& family, bool bold, bool italic) {
    std::string file, got;
    int index = 0;
    if (!Match(family, bold, italic, file, index, got)) return std::string();
    return got;
}
