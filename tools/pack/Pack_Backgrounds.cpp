// Background files: the JSON and its image in, both out.
#include "Pack_Backgrounds.h"

#include "Pack_Folder.h"
#include "Pack_Index.h"
#include "Pack_Project.h"
#include "resources/Background_Main.h"

using json = nlohmann::ordered_json;

namespace {
std::string BackgroundEntry(const std::string& entry, bool isDir) {
    return isDir || entry == "index.json" ? "" : Pack_StemWithExt(entry, ".json");
}
} // namespace

void Pack_ReadBackgrounds(const std::string& projectDir, GameImage& g) {
    const std::string kindDir = projectDir + "/backgrounds";
    auto& items = g.named[int(EChunk::Backgrounds)];
    for (const auto& name : Pack_ReadIndex(kindDir, BackgroundEntry, Pack_ExpectJsonFile)) {
        if (!name) {
            items.emplace_back();
            continue;
        }
        const std::string where = kindDir + "/" + *name + ".json";
        json j = Pack_ReadJson(where);
        CBackground bg;
        try {
            if (!j.is_object()) throw EProjectError(where + ": must hold a JSON object");
            Pack_CheckKeys(j, where, {"image", "removeback", "smooth"});
            if (!j.contains("image")) throw EProjectError(where + ": needs \"image\" (a file name, or null)");
            if (!j["image"].is_null()) {
                TBitmap32 img = Pack_ReadImage(kindDir + "/" + Pack_Get(j, "image", std::string(), where));
                bool removeback = Pack_Get(j, "removeback", false, where),
                     smooth = Pack_Get(j, "smooth", false, where);
                if (removeback || smooth)
                    bg.CreateFromBitmap(img, removeback, smooth);
                else
                    bg.i_bitmap = std::move(img);
            }
        } catch (const json::exception& e) {
            throw EProjectError(where + ": " + e.what());
        }
        CStream rec;
        bg.SaveToStream(rec);
        items.push_back(PackItem{*name, rec.Bytes()});
    }
}

void Pack_UnpackBackgrounds(const std::string& projectDir) {
    const std::string kindDir = projectDir + "/backgrounds";
    std::vector<std::optional<std::string>> names;
    for (int i = 0; i < Background_Count(); i++) {
        const CBackground* bg = Background_Get(i);
        if (!bg) {
            names.emplace_back();
            continue;
        }
        std::string name = Background_GetName(i);
        Pack_CheckName("background " + std::to_string(i), name);
        names.emplace_back(name);
        Pack_MakeDirs(kindDir);
        json j;
        if (bg->i_bitmap.Empty()) {
            j["image"] = nullptr;
        } else {
            Pack_WriteImage(kindDir + "/" + name + ".png", bg->i_bitmap);
            j["image"] = name + ".png";
        }
        Pack_WriteJson(kindDir + "/" + name + ".json", j);
    }
    if (!names.empty()) Pack_WriteIndex(kindDir, names);
}
