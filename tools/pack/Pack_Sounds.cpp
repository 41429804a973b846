// Sound files: the JSON and the original sound file in, both out.
#include "Pack_Sounds.h"

#include "Pack_Folder.h"
#include "Pack_Index.h"
#include "Pack_Project.h"
#include "sound/Sound_Main.h"
#include "support/Support_Stream.h"

using json = nlohmann::ordered_json;

namespace {

const char* const kKinds[] = {"normal", "music", "3d", "multimedia"};

std::string SoundEntry(const std::string& entry, bool isDir) {
    return isDir || entry == "index.json" ? "" : Pack_StemWithExt(entry, ".json");
}

// A stored extension as a safe file-name suffix: the dot and letters or digits only.
std::string SafeExtension(const std::string& ext) {
    std::string out = ".";
    for (char c : ext)
        if (std::isalnum(static_cast<unsigned char>(c))) out += c;
    // ".json" would clash with the sound's own settings file.
    return out == "." || out == ".json" ? ".bin" : out;
}

} // namespace

void Pack_ReadSounds(const std::string& projectDir, GameImage& g) {
    const std::string kindDir = projectDir + "/sounds";
    auto& items = g.named[int(EChunk::Sounds)];
    for (const auto& name : Pack_ReadIndex(kindDir, SoundEntry, Pack_ExpectJsonFile)) {
        if (!name) {
            items.emplace_back();
            continue;
        }
        const std::string where = kindDir + "/" + *name + ".json";
        json j = Pack_ReadJson(where);
        CSound snd;
        try {
            if (!j.is_object()) throw EProjectError(where + ": must hold a JSON object");
            Pack_CheckKeys(j, where,
                           {"file", "kind", "effects", "volume", "pan", "preload", "extension", "origname"});
            if (j.contains("file") && !j["file"].is_null()) {
                std::string file = Pack_Get(j, "file", std::string(), where);
                if (!snd.LoadFromFile(kindDir + "/" + file, 0, true))
                    throw EProjectError(kindDir + "/" + file + ": cannot be read");
            }
            snd.s_kind = 0;
            if (j.contains("kind")) {
                const json& k = j["kind"];
                if (k.is_number_integer()) {
                    snd.s_kind = Pack_Get(j, "kind", 0, where);
                    if (snd.s_kind < 0 || snd.s_kind > 3)
                        throw EProjectError(where + ": kind is normal, music, 3d or multimedia (or 0 to 3)");
                } else {
                    snd.s_kind = -1;
                    for (int i = 0; i < 4; i++)
                        if (k == kKinds[i]) snd.s_kind = i;
                    if (snd.s_kind < 0)
                        throw EProjectError(where + ": kind is normal, music, 3d or multimedia");
                }
            }
            snd.s_effects = Pack_Get(j, "effects", 0, where);
            snd.s_volume = Pack_Get(j, "volume", 1.0, where);
            snd.s_pan = Pack_Get(j, "pan", 0.0, where);
            snd.s_preload = Pack_Get(j, "preload", true, where);
            snd.s_extension = Pack_Get(j, "extension", snd.s_extension, where);
            snd.s_origname = Pack_Get(j, "origname", snd.s_origname, where);
        } catch (const json::exception& e) {
            throw EProjectError(where + ": " + e.what());
        }
        CStream rec;
        snd.SaveToStream(rec);
        items.push_back(PackItem{*name, rec.Bytes()});
    }
}

void Pack_UnpackSounds(const std::string& projectDir) {
    const std::string kindDir = projectDir + "/sounds";
    std::vector<std::optional<std::string>> names;
    for (int i = 0; i < Sound_Count(); i++) {
        const CSound* snd = Sound_Get(i);
        if (!snd) {
            names.emplace_back();
            continue;
        }
        std::string name = Sound_GetName(i);
        Pack_CheckName("sound " + std::to_string(i), name);
        names.emplace_back(name);
        Pack_MakeDirs(kindDir);
        json j;
        if (snd->s_sound) {
            std::string file = name + SafeExtension(snd->s_extension);
            if (!snd->s_sound->SaveToFile(kindDir + "/" + file))
                throw EProjectError(kindDir + "/" + file + ": cannot be written");
            j["file"] = file;
        } else {
            j["file"] = nullptr;
        }
        if (snd->s_kind >= 0 && snd->s_kind < 4)
            j["kind"] = kKinds[snd->s_kind];
        else
            j["kind"] = snd->s_kind;
        j["effects"] = snd->s_effects;
        j["volume"] = snd->s_volume;
        j["pan"] = snd->s_pan;
        j["preload"] = snd->s_preload;
        j["extension"] = snd->s_extension;
        j["origname"] = snd->s_origname;
        Pack_WriteJson(kindDir + "/" + name + ".json", j);
    }
    if (!names.empty()) Pack_WriteIndex(kindDir, names);
}
