// Project folder reader. The manifest holds the settings, the game id and debug flag, the
// game's constants, library init code and room order; each resource kind adds its own folder.
#include "Pack_Project.h"

#include "Pack_Folder.h"
#include "Pack_Media.h"
#include "Pack_Unpack.h"
#include "data/Option_Main.h"
#include "graphics/BM32_Bitmap.h"
#include "resources/Room_Main.h"

#include <nlohmann/json.hpp>
#include <stb/stb_image.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

using json = nlohmann::ordered_json;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EProjectError(path + ": cannot be read");
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::unique_ptr<TBitmap32> LoadImageFile(const std::string& path) {
    std::string bytes = ReadText(path);
    int w = 0, h = 0, comp = 0;
    stbi_uc* px = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), int(bytes.size()), &w,
                                        &h, &comp, 4);
    if (!px) throw EProjectError(path + ": not a PNG, BMP, JPEG or GIF image");
    auto bmp = std::make_unique<TBitmap32>(w, h);
    for (int i = 0; i < w * h; i++) {
        const stbi_uc* p = px + i * 4;
        bmp->Pixels()[i] = (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
    stbi_image_free(px);
    return bmp;
}

// Every settings key of the manifest and the option it sets.
struct SettingKey {
    const char* key;
    std::function<void(const json&, const std::string& dir)> apply;
    // The current option as its JSON value (image files are written into dir).
    std::function<json(const std::string& dir)> get;
};

template <typename T>
SettingKey Flag(const char* key, T& opt) {
    return {key,
            [&opt, key](const json& v, const std::string&) {
                if (!v.is_boolean())
                    throw EProjectError(std::string("game.json: settings.") + key + " must be true or false");
                opt = v.get<bool>();
            },
            [&opt](const std::string&) { return json(bool(opt)); }};
}

SettingKey Number(const char* key, int& opt) {
    return {key,
            [&opt, key](const json& v, const std::string&) {
                if (!v.is_number_integer())
                    throw EProjectError(std::string("game.json: settings.") + key + " must be an integer");
                opt = v.get<int>();
            },
            [&opt](const std::string&) { return json(opt); }};
}

SettingKey Image(const char* key, std::unique_ptr<TBitmap32>& opt) {
    return {key,
            [&opt, key](const json& v, const std::string& dir) {
                if (v.is_null()) {
                    opt.reset();
                    return;
                }
                if (!v.is_string())
                    throw EProjectError(std::string("game.json: settings.") + key +
                                        " must name an image file");
                opt = LoadImageFile(dir + "/" + v.get<std::string>());
            },
            [&opt, key](const std::string& dir) {
                if (!opt) return json(nullptr);
                std::string name = std::string(key) + ".bmp";
                std::vector<uint8_t> bmp = opt->ToBMP();
                std::ofstream out(dir + "/" + name, std::ios::binary | std::ios::trunc);
                out.write(reinterpret_cast<const char*>(bmp.data()), std::streamsize(bmp.size()));
                if (!out.flush()) throw EProjectError(dir + "/" + name + ": cannot be written");
                return json(name);
            }};
}

const std::vector<SettingKey>& SettingKeys() {
    static const std::vector<SettingKey> keys = {
        Flag("fullscreen", opt_fullscreen),
        Flag("interpolate", opt_interpolate),
        Flag("noborder", opt_noborder),
        Flag("showcursor", opt_showcursor),
        Number("scale", opt_scale),
        Flag("sizeable", opt_sizeable),
        Flag("stayontop", opt_stayontop),
        Number("windowcolor", opt_windowcolor),
        Flag("setresolution", opt_setresolution),
        Number("colordepth", opt_colordepth),
        Number("resolution", opt_resolution),
        Number("frequency", opt_frequency),
        Flag("nobuttons", opt_nobuttons),
        Number("graphicsflags", opt_graphicsflags),
        Flag("noscreensaver", opt_noscreensaver),
        Flag("keyf4", opt_keyf4),
        Flag("keyf1", opt_keyf1),
        Flag("keyesc", opt_keyesc),
        Flag("keyf5", opt_keyf5),
        Flag("keyf9", opt_keyf9),
        Flag("closeasesc", opt_closeasesc),
        Number("priority", opt_priority),
        Flag("freeze", opt_freeze),
        Flag("showprogress", opt_showprogress),
        Image("loadbarback", opt_loadbarback),
        Image("loadbarfront", opt_loadbarfront),
        Image("loadimage", opt_loadimage),
        Flag("loadtransparent", opt_loadtransparent),
        Number("loadalpha", opt_loadalpha),
        Flag("scaleprogress", opt_scaleprogress),
        Flag("displayerrors", opt_displayerrors),
        Flag("writeerrors", opt_writeerrors),
        Flag("aborterrors", opt_aborterrors),
        Flag("uninitzero", opt_uninitzero),
        Flag("checkargs", opt_checkargs),
        Flag("createfirst", opt_createfirst),
    };
    return keys;
}

void ParseGuid(const std::string& text, std::array<uint8_t, 16>& guid) {
    std::string hex;
    for (char c : text)
        if (c != '-' && c != '{' && c != '}') hex.push_back(c);
    if (hex.size() != 32) throw EProjectError("game.json: guid must have 32 hexadecimal digits");
    CStream s;
    try {
        s.ConvertFromString(hex);
    } catch (const EConvertError&) {
        throw EProjectError("game.json: guid must have 32 hexadecimal digits");
    }
    std::copy(s.Bytes().begin(), s.Bytes().end(), guid.begin());
}

// The room order: room indices or names. Without "room_order" every room in index order; an
// explicit [] means a game without rooms. The stored order is never empty (the container
// requires an entry), so a game without rooms stores [0], which names no room.
void ReadRoomOrder(const json& m, const std::string& manifestPath, GameImage& g) {
    const auto& rooms = g.named[int(EChunk::Rooms)];
    if (!m.contains("room_order")) {
        for (size_t r = 0; r < rooms.size(); r++)
            if (rooms[r]) g.roomOrder.push_back(int32_t(r));
    } else {
        g.roomOrderGiven = true;
        const json& order = m["room_order"];
        if (!order.is_array())
            throw EProjectError(manifestPath +
                                ": \"room_order\" must be a list of room names or indices, not " +
                                order.dump());
        for (size_t k = 0; k < order.size(); k++) {
            const json& e = order[k];
            const std::string where = manifestPath + ": room_order[" + std::to_string(k) + "]";
            if (e.is_string()) {
                int found = -1;
                for (size_t r = 0; r < rooms.size() && found < 0; r++)
                    if (rooms[r] && rooms[r]->name == e.get<std::string>()) found = int(r);
                if (found < 0) throw EProjectError(where + ": there is no room named " + e.dump());
                g.roomOrder.push_back(found);
            } else if (Pack_IsType<int32_t>(e)) {
                int r = e.get<int>();
                if (r < 0 || size_t(r) >= rooms.size() || !rooms[size_t(r)])
                    throw EProjectError(where + ": there is no room " + std::to_string(r) +
                                        " (the project has " + std::to_string(rooms.size()) + " room slot" +
                                        (rooms.size() == 1 ? "" : "s") + ")");
                g.roomOrder.push_back(r);
            } else {
                throw EProjectError(where + ": must be a room name or index, not " + e.dump());
            }
        }
    }
    if (g.roomOrder.empty()) g.roomOrder.push_back(0);
}

} // namespace

void Pack_WriteManifest(const std::string& dir, const CGameData& game,
                        const std::vector<std::pair<std::string, std::string>>& constants) {
    json m;
    m["format"] = 1;
    m["game_id"] = game.gameId;
    CStream guid;
    guid.Write(game.guid.data(), game.guid.size());
    m["guid"] = guid.ConvertToString();
    m["debug"] = game.debug;
    m["settings_version"] = game.settingsVersion;
    json settings = json::object();
    for (const SettingKey& k : SettingKeys()) settings[k.key] = k.get(dir);
    m["settings"] = settings;
    json c = json::array();
    for (const auto& [name, value] : constants) c.push_back({{"name", name}, {"value", value}});
    m["constants"] = c;
    json init = json::array();
    PackCodeFolder code{dir, "", {}};
    for (const std::string& text : game.initCode) {
        json piece = json::object();
        code.Put(piece, "code", "file", text, "init");
        init.push_back(piece.contains("code") ? piece["code"] : piece);
    }
    m["init_code"] = init;
    // A game without rooms stores [0] naming no room: in the project that is [].
    bool noRooms = game.roomOrder.size() == 1 && game.roomOrder[0] == 0 && !Room_Exists(0);
    m["room_order"] = noRooms ? std::vector<int32_t>() : game.roomOrder;
    std::ofstream out(dir + "/game.json", std::ios::binary | std::ios::trunc);
    out << m.dump(2) << "\n";
    if (!out.flush()) throw EProjectError(dir + "/game.json: cannot be written");
}

GameImage Pack_ReadProject(const std::string& dir) {
    const std::string manifestPath = dir + "/game.json";
    json m;
    try {
        m = json::parse(ReadText(manifestPath));
    } catch (const json::parse_error& e) {
        throw EProjectError(manifestPath + ": " + e.what());
    }
    if (!m.is_object()) throw EProjectError(manifestPath + ": must hold a JSON object");
    Pack_CheckKeys(m, manifestPath,
                   {"format", "game_id", "guid", "debug", "settings_version", "settings", "constants",
                    "init_code", "room_order"});

    GameImage g;
    try {
        if (m.contains("format") && m["format"] != 1)
            throw EProjectError("game.json: unsupported format (expected 1)");
        g.gameId = Pack_Get(m, "game_id", 0, manifestPath);
        g.debug = Pack_Get(m, "debug", false, manifestPath);
        if (m.contains("guid")) ParseGuid(Pack_Get(m, "guid", std::string(), manifestPath), g.guid);

        Option_SetDefaults();
        if (m.contains("settings")) {
            const json& s = m["settings"];
            if (!s.is_object()) throw EProjectError("game.json: settings must be an object");
            for (auto it = s.begin(); it != s.end(); ++it) {
                bool known = false;
                for (const SettingKey& k : SettingKeys())
                    if (it.key() == k.key) {
                        k.apply(it.value(), dir);
                        known = true;
                    }
                if (!known) {
                    std::vector<std::string> keys;
                    for (const SettingKey& k : SettingKeys()) keys.push_back(k.key);
                    std::string nearest = Pack_NearestKey(it.key(), keys);
                    throw EProjectError(
                        "game.json: unknown setting \"" + it.key() + "\"" +
                        (nearest.empty() ? "" : " (nearest known setting: \"" + nearest + "\")"));
                }
            }
        }
        int settingsVersion = Pack_Get(m, "settings_version", 820, manifestPath);
        if (settingsVersion < 800) throw EProjectError("game.json: settings_version must be 800 or more");
        CStream settings;
        Option_Write(settings, settingsVersion);
        g.settingsBlock = settings.Bytes();
        Option_SetDefaults();

        json constants = Pack_GetList(m, "constants", manifestPath);
        for (size_t k = 0; k < constants.size(); k++) {
            const json& c = constants[k];
            const std::string where = Pack_Where(manifestPath, "/constants/" + std::to_string(k));
            Pack_CheckKeys(c, where, {"name", "value"});
            if (!c.contains("name") || !c.contains("value"))
                throw EProjectError(where + ": each constant needs a name and a value");
            const json& v = c["value"];
            if (!v.is_string() && !v.is_number() && !v.is_boolean())
                throw EProjectError(where + ": \"value\" must be a string or a number, not " + v.dump());
            std::string text = v.is_string() ? v.get<std::string>() : v.dump();
            g.constants.emplace_back(Pack_Get(c, "name", std::string(), where), text);
            g.codeOrigins[Pack_CodeKey("constant", int(k))] =
                PackCodeOrigin{manifestPath, "/constants/" + std::to_string(k) + "/value"};
        }
        json init = Pack_GetList(m, "init_code", manifestPath);
        for (size_t k = 0; k < init.size(); k++) {
            const std::string pointer = "/init_code/" + std::to_string(k);
            const std::string where = Pack_Where(manifestPath, pointer);
            PackCodeOrigin origin{manifestPath, pointer};
            if (init[k].is_string()) {
                g.initCode.push_back(init[k].get<std::string>());
            } else if (init[k].is_object()) {
                Pack_CheckKeys(init[k], where, {"code", "file"});
                g.initCode.push_back(
                    Pack_CodeText(init[k], "code", "file", dir, where, manifestPath, pointer, &origin));
            } else {
                throw EProjectError(where +
                                    ": each piece of init code is a string or {\"file\": NAME.qvs}, not " +
                                    init[k].dump());
            }
            g.codeOrigins[Pack_CodeKey("init", int(k))] = origin;
        }
    } catch (const json::exception& e) {
        throw EProjectError(manifestPath + ": " + e.what());
    }
    Pack_ReadMedia(dir, g);
    Pack_ReadCodeResources(dir, g);
    ReadRoomOrder(m, manifestPath, g);
    return g;
}
