// Sprite folders: frames and mask settings in, frames, settings (or the exact masks) out.
#include "Pack_Sprites.h"

#include "Pack_Folder.h"
#include "Pack_Index.h"
#include "Pack_Project.h"
#include "graphics/BM32_Misc.h"
#include "resources/Sprite_Main.h"

using json = nlohmann::ordered_json;

namespace {

const char* const kShapes[] = {"precise", "rectangle", "ellipse", "diamond"};

std::string SpriteEntry(const std::string& entry, bool isDir) {
    return isDir ? entry : "";
}

void CheckKeys(const json& obj, const std::string& where, std::initializer_list<const char*> allowed) {
    Pack_CheckKeys(obj, where, allowed);
}

TRect Box(const json& j, const std::string& where) {
    if (!Pack_IsType<std::vector<int>>(j) || j.size() != 4)
        throw EProjectError(where + ": a box is [left, top, right, bottom] (integers), not " + j.dump());
    return TRect{j[0].get<int32_t>(), j[1].get<int32_t>(), j[2].get<int32_t>(), j[3].get<int32_t>()};
}

json BoxJson(const TRect& r) {
    return json::array({r.Left, r.Top, r.Right, r.Bottom});
}

// Solid cells as opaque white, the rest transparent.
TBitmap32 MaskImage(const TMask& m) {
    TBitmap32 img(m.i_w, m.i_h, 0);
    for (int y = 0; y < m.i_h; y++)
        for (int x = 0; x < m.i_w; x++)
            if (m.Get(x, y)) img.SetPixel(x, y, 0xFFFFFFFFu);
    return img;
}

void ReadMask(const json& mj, const std::string& dir, const std::string& where, CSprite& spr) {
    CheckKeys(mj, where + " mask", {"separate", "bbox", "shape", "tolerance", "files", "boxes"});
    bool sep = Pack_Get(mj, "separate", false, where);
    if (mj.contains("files")) {
        // Exact masks: one image per mask (opaque = solid) and its box.
        const json& files = mj["files"];
        const json& boxes = mj.at("boxes");
        size_t want = spr.i_numb == 0 ? 0 : sep ? size_t(spr.i_numb) : 1;
        if (!files.is_array() || !boxes.is_array() || files.size() != want || boxes.size() != want)
            throw EProjectError(where + ": mask needs " + std::to_string(want) + " files and boxes");
        spr.i_sepmasks = sep;
        spr.i_mask.clear();
        for (size_t k = 0; k < want; k++) {
            TBitmap32 img = Pack_ReadImage(dir + "/" + Pack_ListString(files, k, where + ": mask", "files"));
            TMask m;
            m.i_w = img.Width();
            m.i_h = img.Height();
            m.i_mask.assign(size_t(m.i_w) * m.i_h, 0);
            for (int y = 0; y < m.i_h; y++)
                for (int x = 0; x < m.i_w; x++) m.Set(x, y, (img.Pixel(x, y) >> 24) >= 128);
            m.i_bbox = Box(boxes[k], where);
            spr.i_mask.push_back(std::move(m));
        }
        spr.ComputeBoundingBox();
        return;
    }
    int bbmode = 0;
    TRect box;
    if (mj.contains("bbox")) {
        const json& b = mj["bbox"];
        if (b == "auto")
            bbmode = 0;
        else if (b == "full")
            bbmode = 1;
        else {
            bbmode = 2;
            box = Box(b, where);
        }
    }
    int kind = 0;
    if (mj.contains("shape")) {
        std::string s = Pack_Get(mj, "shape", std::string(), where + ": mask");
        kind = -1;
        for (int k = 0; k < 4; k++)
            if (s == kShapes[k]) kind = k;
        if (kind < 0) throw EProjectError(where + ": mask shape is precise, rectangle, ellipse or diamond");
    }
    int tolerance = Pack_Get(mj, "tolerance", 0, where);
    if (tolerance < 0 || tolerance > 255) throw EProjectError(where + ": mask tolerance is 0..255");
    spr.ComputeMask(sep, bbmode, box, kind, tolerance);
}

} // namespace

void Pack_ReadSprite(const std::string& dir, CSprite& spr) {
    const std::string where = dir + "/sprite.json";
    json j = Pack_FileExists(where) ? Pack_ReadJson(where) : json::object();
    CheckKeys(j, where, {"origin", "frames", "strip", "gif", "removeback", "smooth", "mask"});
    try {
        bool removeback = Pack_Get(j, "removeback", false, where),
             smooth = Pack_Get(j, "smooth", false, where);
        int sources = int(j.contains("frames")) + int(j.contains("strip")) + int(j.contains("gif"));
        if (sources > 1) throw EProjectError(where + ": give frames, strip or gif, not several");
        spr.Clear();
        if (j.contains("strip")) {
            const json& s = j["strip"];
            CheckKeys(s, where + " strip", {"file", "frames"});
            if (!s.contains("file")) throw EProjectError(where + ": strip needs \"file\"");
            if (!spr.LoadStripFromFile(dir + "/" + Pack_Get(s, "file", std::string(), where + ": strip"),
                                       Pack_Get(s, "frames", 1, where), removeback, smooth))
                throw EProjectError(where + ": strip image cannot be read");
        } else if (j.contains("gif")) {
            if (!spr.LoadGifFromFile(dir + "/" + Pack_Get(j, "gif", std::string(), where), removeback,
                                     smooth))
                throw EProjectError(where + ": GIF cannot be read");
        } else {
            std::vector<std::string> files;
            if (j.contains("frames")) {
                json frames = Pack_GetList(j, "frames", where);
                for (size_t k = 0; k < frames.size(); k++)
                    files.push_back(Pack_ListString(frames, k, where, "frames"));
            } else
                for (int i = 0; Pack_FileExists(dir + "/" + std::to_string(i) + ".png"); i++)
                    files.push_back(std::to_string(i) + ".png");
            for (const std::string& f : files) {
                TBitmap32 img = Pack_ReadImage(dir + "/" + f);
                if (!spr.i_bitmap.empty() &&
                    (img.Width() != spr.i_bitmap[0].Width() || img.Height() != spr.i_bitmap[0].Height()))
                    throw EProjectError(dir + "/" + f + ": every frame must be as large as the first");
                if (removeback) BM32_RemoveBackground(img);
                if (smooth) BM32_SmoothEdges(img);
                if (removeback) BM32_FillTransparentColors(img);
                spr.i_bitmap.push_back(std::move(img));
            }
            spr.i_numb = int32_t(spr.i_bitmap.size());
            spr.i_tex.assign(size_t(spr.i_numb), -1);
        }
        if (j.contains("origin")) {
            const json& o = j["origin"];
            if (!Pack_IsType<std::vector<int>>(o) || o.size() != 2)
                throw EProjectError(where + ": origin is [x, y] (integers), not " + o.dump());
            spr.i_xorig = o[0].get<int32_t>();
            spr.i_yorig = o[1].get<int32_t>();
        }
        ReadMask(j.value("mask", json::object()), dir, where, spr);
    } catch (const json::exception& e) {
        throw EProjectError(where + ": " + e.what());
    }
}

void Pack_ReadSprites(const std::string& projectDir, GameImage& g) {
    auto& items = g.named[int(EChunk::Sprites)];
    for (const auto& name : Pack_ReadIndex(projectDir + "/sprites", SpriteEntry, Pack_ExpectFolder)) {
        if (!name) {
            items.emplace_back();
            continue;
        }
        CSprite spr;
        Pack_ReadSprite(projectDir + "/sprites/" + *name, spr);
        CStream rec;
        spr.SaveToStream(rec);
        items.push_back(PackItem{*name, rec.Bytes()});
    }
}

void Pack_UnpackSprites(const std::string& projectDir) {
    const std::string kindDir = projectDir + "/sprites";
    std::vector<std::optional<std::string>> names;
    for (int i = 0; i < Sprite_Count(); i++) {
        const CSprite* spr = Sprite_Get(i);
        if (!spr) {
            names.emplace_back();
            continue;
        }
        std::string name = Sprite_GetName(i);
        Pack_CheckName("sprite " + std::to_string(i), name);
        names.emplace_back(name);
        const std::string dir = kindDir + "/" + name;
        Pack_MakeDirs(dir);
        json j;
        j["origin"] = json::array({spr->i_xorig, spr->i_yorig});
        json frames = json::array();
        for (int f = 0; f < spr->i_numb; f++) {
            std::string file = std::to_string(f) + ".png";
            Pack_WriteImage(dir + "/" + file, spr->i_bitmap[size_t(f)]);
            frames.push_back(file);
        }
        j["frames"] = frames;
        // Settings when the usual ones give these very masks; else the masks themselves.
        CSprite probe;
        probe.i_numb = spr->i_numb;
        probe.i_bitmap = spr->i_bitmap;
        probe.ComputeMask(spr->i_sepmasks, 0, TRect{}, 0, 0);
        bool same = probe.i_mask.size() == spr->i_mask.size() && probe.i_bbox == spr->i_bbox;
        for (size_t k = 0; same && k < probe.i_mask.size(); k++) {
            const TMask &a = probe.i_mask[k], &b = spr->i_mask[k];
            same = a.i_w == b.i_w && a.i_h == b.i_h && a.i_mask == b.i_mask && a.i_bbox == b.i_bbox;
        }
        json mj;
        mj["separate"] = spr->i_sepmasks;
        if (!same) {
            json files = json::array(), boxes = json::array();
            for (size_t k = 0; k < spr->i_mask.size(); k++) {
                std::string file = "mask" + std::to_string(k) + ".png";
                Pack_WriteImage(dir + "/" + file, MaskImage(spr->i_mask[k]));
                files.push_back(file);
                boxes.push_back(BoxJson(spr->i_mask[k].i_bbox));
            }
            mj["files"] = files;
            mj["boxes"] = boxes;
        }
        j["mask"] = mj;
        Pack_WriteJson(dir + "/sprite.json", j);
    }
    if (!names.empty()) Pack_WriteIndex(kindDir, names);
}
