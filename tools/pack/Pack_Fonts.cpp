// Font files: settings in (rasterised here) or a ready atlas; settings, or the atlas, out.
#include "Pack_Fonts.h"

#include "Pack_Folder.h"
#include "Pack_Index.h"
#include "Pack_Project.h"
#include "platform/Platform_Font.h"
#include "resources/Font_Main.h"

#include <cstdio>
#include <strings.h>

using json = nlohmann::ordered_json;

namespace {

std::string FontEntry(const std::string& entry, bool isDir) {
    return isDir || entry == "index.json" ? "" : Pack_StemWithExt(entry, ".json");
}

// The coverage atlas as white pixels whose alpha is the coverage.
TBitmap32 AtlasImage(const CFont& f) {
    TBitmap32 img(f.s_bw, f.s_bh, 0);
    for (size_t i = 0; i < f.s_bytes.size(); i++)
        img.Pixels()[i] = (uint32_t(f.s_bytes[i]) << 24) | 0x00FFFFFFu;
    return img;
}

// warn: report a family that is not installed with the family used in its place.
void ReadFont(const json& j, const std::string& kindDir, const std::string& where, CFont& f, bool warn) {
    if (!j.is_object()) throw EProjectError(where + ": must hold a JSON object");
    Pack_CheckKeys(
        j, where,
        {"family", "size", "bold", "italic", "first", "last", "charset", "antialias", "atlas", "glyphs"});
    if (!j.contains("family")) throw EProjectError(where + ": a font needs \"family\"");
    std::string family = Pack_Get(j, "family", std::string(), where);
    int size = Pack_Get(j, "size", 12, where), first = Pack_Get(j, "first", 32, where),
        last = Pack_Get(j, "last", 127, where);
    bool bold = Pack_Get(j, "bold", false, where), italic = Pack_Get(j, "italic", false, where);
    int charset = Pack_Get(j, "charset", 1, where);
    if (charset < 0 || charset > 255) throw EProjectError(where + ": charset is 0..255");
    if (j.contains("atlas")) {
        // A ready atlas: the image's alpha is the coverage, the glyph table gives every cell.
        TBitmap32 img = Pack_ReadImage(kindDir + "/" + Pack_Get(j, "atlas", std::string(), where));
        if (!j.contains("glyphs")) throw EProjectError(where + ": a font with \"atlas\" needs \"glyphs\"");
        const json& glyphs = j.at("glyphs");
        if (!glyphs.is_array() || glyphs.size() != 256)
            throw EProjectError(where + ": glyphs holds 256 entries [x, y, w, h, shift, offset]");
        f.Clear();
        f.s_name = family;
        f.s_size = size;
        f.s_bold = bold;
        f.s_italic = italic;
        f.s_first = first;
        f.s_last = last;
        for (size_t c = 0; c < 256; c++) {
            const json& g = glyphs[c];
            if (!Pack_IsType<std::vector<int>>(g) || g.size() != 6)
                throw EProjectError(where + ": glyphs holds 256 entries [x, y, w, h, shift, offset]");
            f.s_x[c] = g[0];
            f.s_y[c] = g[1];
            f.s_w[c] = g[2];
            f.s_h[c] = g[3];
            f.s_shift[c] = g[4];
            f.s_offset[c] = g[5];
        }
        f.s_bw = img.Width();
        f.s_bh = img.Height();
        f.s_bytes.resize(size_t(f.s_bw) * f.s_bh);
        for (size_t i = 0; i < f.s_bytes.size(); i++) f.s_bytes[i] = uint8_t(img.Pixels()[i] >> 24);
    } else if (!f.CreateFontCharset(family, size, bold, italic, first, last, charset)) {
        throw EProjectError(where + ": no installed font for \"" + family +
                            "\", or its characters do not fit a 2048 x 2048 atlas");
    } else if (warn) {
        // The atlas holds the face fontconfig fell back to: say which one.
        const std::string used = Platform_FontFamilyUsed(family, bold, italic);
        if (strcasecmp(used.c_str(), family.c_str()) != 0)
            std::fprintf(stderr, "%s: warning: font family \"%s\" is not installed; \"%s\" is used instead\n",
                         where.c_str(), family.c_str(), used.c_str());
    }
    // The stored word keeps first in 16 bits.
    if (f.s_first < 0 || f.s_first > 0xFFFF) throw EProjectError(where + ": first is 0..255");
    f.s_charset = charset;
    f.s_AntiAlias = Pack_Get(j, "antialias", 3, where);
}

json Settings(const CFont& f) {
    json j;
    j["family"] = f.s_name;
    j["size"] = f.s_size;
    j["bold"] = f.s_bold;
    j["italic"] = f.s_italic;
    j["first"] = f.s_first;
    j["last"] = f.s_last;
    j["charset"] = f.s_charset;
    j["antialias"] = f.s_AntiAlias;
    return j;
}

} // namespace

void Pack_ReadFonts(const std::string& projectDir, GameImage& g) {
    const std::string kindDir = projectDir + "/fonts";
    auto& items = g.named[int(EChunk::Fonts)];
    for (const auto& name : Pack_ReadIndex(kindDir, FontEntry, Pack_ExpectJsonFile)) {
        if (!name) {
            items.emplace_back();
            continue;
        }
        const std::string where = kindDir + "/" + *name + ".json";
        CFont f;
        try {
            ReadFont(Pack_ReadJson(where), kindDir, where, f, true);
        } catch (const json::exception& e) {
            throw EProjectError(where + ": " + e.what());
        }
        CStream rec;
        f.SaveToStream(rec);
        items.push_back(PackItem{*name, rec.Bytes()});
    }
}

void Pack_UnpackFonts(const std::string& projectDir) {
    const std::string kindDir = projectDir + "/fonts";
    std::vector<std::optional<std::string>> names;
    for (int i = 0; i < Font_Count(); i++) {
        const CFont* f = Font_Get(i);
        if (!f) {
            names.emplace_back();
            continue;
        }
        std::string name = Font_GetName(i);
        Pack_CheckName("font " + std::to_string(i), name);
        names.emplace_back(name);
        Pack_MakeDirs(kindDir);
        json j = Settings(*f);
        // Settings alone when rasterising them here gives this very record.
        CFont probe;
        bool same = false;
        try {
            ReadFont(j, kindDir, kindDir + "/" + name + ".json", probe, false);
            CStream a, b;
            probe.SaveToStream(a);
            f->SaveToStream(b);
            same = a.Bytes() == b.Bytes();
        } catch (const EProjectError&) {
        }
        if (!same) {
            Pack_WriteImage(kindDir + "/" + name + ".png", AtlasImage(*f));
            j["atlas"] = name + ".png";
            json glyphs = json::array();
            for (size_t c = 0; c < 256; c++)
                glyphs.push_back(
                    json::array({f->s_x[c], f->s_y[c], f->s_w[c], f->s_h[c], f->s_shift[c], f->s_offset[c]}));
            j["glyphs"] = glyphs;
        }
        Pack_WriteJson(kindDir + "/" + name + ".json", j);
    }
    if (!names.empty()) Pack_WriteIndex(kindDir, names);
}
