// Rooms: JSON files to room records (version 820, 8 layers, 8 views) and back.
#include "Pack_Rooms.h"

#include "resources/Room_Main.h"

#include <algorithm>
#include <cmath>

namespace {

uint32_t ColourWord(int blend, double alpha) {
    long a = std::lround(std::clamp(alpha, 0.0, 1.0) * 255);
    return (uint32_t(blend) & 0xFFFFFFu) | (uint32_t(a) << 24);
}

template <typename T>
const json& Nth(const json& list, size_t i, const T&) {
    static const json empty = json::object();
    return list.is_array() && i < list.size() ? list[i] : empty;
}

} // namespace

void Pack_ReadRooms(const std::string& projectDir, GameImage& g) {
    const std::string folder = projectDir + "/rooms";
    auto& items = g.named[int(EChunk::Rooms)];
    int32_t lastInstance = g.lastInstanceId, lastTile = g.lastTileId;
    for (const auto& name : Pack_FolderIndex(folder, ".json")) {
        if (!name) {
            items.emplace_back();
            continue;
        }
        const std::string file = folder + "/" + *name + ".json";
        json r = Pack_LoadJsonFile(file);
        Pack_CheckKeys(r, file,
                       {"caption", "width", "height", "speed", "persistent", "color", "show_color",
                        "clear_view_background", "code", "code_file", "backgrounds", "enable_views", "views",
                        "instances", "tiles"});
        const std::string roomKey = Pack_CodeKey("room", int(items.size()));
        CStream s;
        s.WriteInteger(820);
        s.WriteString(Pack_Get(r, "caption", std::string(), file));
        s.WriteInteger(Pack_Get(r, "width", 640, file));
        s.WriteInteger(Pack_Get(r, "height", 480, file));
        s.WriteInteger(Pack_Get(r, "speed", 30, file));
        s.WriteBoolean(Pack_Get(r, "persistent", false, file));
        s.WriteInteger(Pack_Get(r, "color", 0xC0C0C0, file));
        s.WriteInteger((Pack_Get(r, "show_color", true, file) ? 1 : 0) |
                       (Pack_Get(r, "clear_view_background", true, file) ? 0 : 2));
        PackCodeOrigin origin;
        s.WriteString(Pack_CodeText(r, "code", "code_file", folder, file, file, "", &origin));
        g.codeOrigins[roomKey] = origin;
        json backs = Pack_GetList(r, "backgrounds", file);
        json views = Pack_GetList(r, "views", file);
        if (backs.size() > 8 || views.size() > 8)
            throw EProjectError(file + ": a room has at most 8 backgrounds and 8 views");
        s.WriteInteger(kRoomLayers);
        for (size_t i = 0; i < kRoomLayers; i++) {
            const json& b = Nth(backs, i, 0);
            const std::string where = Pack_Where(file, "/backgrounds/" + std::to_string(i));
            Pack_CheckKeys(b, where,
                           {"visible", "foreground", "background", "x", "y", "htiled", "vtiled", "hspeed",
                            "vspeed", "stretch"});
            s.WriteBoolean(Pack_Get(b, "visible", false, where));
            s.WriteBoolean(Pack_Get(b, "foreground", false, where));
            s.WriteInteger(Pack_Ref(b, "background", g, EChunk::Backgrounds, where));
            s.WriteInteger(Pack_Get(b, "x", 0, where));
            s.WriteInteger(Pack_Get(b, "y", 0, where));
            s.WriteBoolean(Pack_Get(b, "htiled", true, where));
            s.WriteBoolean(Pack_Get(b, "vtiled", true, where));
            s.WriteInteger(Pack_Get(b, "hspeed", 0, where));
            s.WriteInteger(Pack_Get(b, "vspeed", 0, where));
            s.WriteBoolean(Pack_Get(b, "stretch", false, where));
        }
        s.WriteBoolean(Pack_Get(r, "enable_views", false, file));
        s.WriteInteger(kRoomViews);
        for (size_t i = 0; i < kRoomViews; i++) {
            const json& v = Nth(views, i, 0);
            const std::string where = Pack_Where(file, "/views/" + std::to_string(i));
            Pack_CheckKeys(v, where,
                           {"visible", "xview", "yview", "wview", "hview", "xport", "yport", "wport", "hport",
                            "hborder", "vborder", "hspeed", "vspeed", "follow"});
            s.WriteBoolean(Pack_Get(v, "visible", false, where));
            for (auto [key, def] : {std::pair{"xview", 0},
                                    {"yview", 0},
                                    {"wview", 640},
                                    {"hview", 480},
                                    {"xport", 0},
                                    {"yport", 0},
                                    {"wport", 640},
                                    {"hport", 480},
                                    {"hborder", 32},
                                    {"vborder", 32},
                                    {"hspeed", -1},
                                    {"vspeed", -1}})
                s.WriteInteger(Pack_Get(v, key, def, where));
            s.WriteInteger(Pack_Ref(v, "follow", g, EChunk::Objects, where));
        }
        json insts = Pack_GetList(r, "instances", file);
        s.WriteInteger(int32_t(insts.size()));
        for (size_t k = 0; k < insts.size(); k++) {
            const json& in = insts[k];
            const std::string pointer = "/instances/" + std::to_string(k);
            const std::string where = Pack_Where(file, pointer);
            Pack_CheckKeys(in, where,
                           {"x", "y", "object", "id", "code", "code_file", "xscale", "yscale", "blend",
                            "alpha", "angle"});
            s.WriteInteger(Pack_Get(in, "x", 0, where));
            s.WriteInteger(Pack_Get(in, "y", 0, where));
            s.WriteInteger(Pack_Ref(in, "object", g, EChunk::Objects, where, 0));
            int32_t id = Pack_Get(in, "id", lastInstance + 1, where);
            lastInstance = std::max(lastInstance, id);
            s.WriteInteger(id);
            s.WriteString(Pack_CodeText(in, "code", "code_file", folder, where, file, pointer, &origin));
            g.codeOrigins[roomKey + " instance " + std::to_string(k)] = origin;
            s.WriteReal(Pack_Get(in, "xscale", 1.0, where));
            s.WriteReal(Pack_Get(in, "yscale", 1.0, where));
            s.WriteInteger(int32_t(
                ColourWord(Pack_Get(in, "blend", 0xFFFFFF, where), Pack_Get(in, "alpha", 1.0, where))));
            s.WriteReal(Pack_Get(in, "angle", 0.0, where));
        }
        json tiles = Pack_GetList(r, "tiles", file);
        s.WriteInteger(int32_t(tiles.size()));
        for (size_t k = 0; k < tiles.size(); k++) {
            const json& t = tiles[k];
            const std::string where = Pack_Where(file, "/tiles/" + std::to_string(k));
            Pack_CheckKeys(t, where,
                           {"x", "y", "background", "xo", "yo", "w", "h", "depth", "id", "xscale", "yscale",
                            "blend", "alpha"});
            s.WriteInteger(Pack_Get(t, "x", 0, where));
            s.WriteInteger(Pack_Get(t, "y", 0, where));
            s.WriteInteger(Pack_Ref(t, "background", g, EChunk::Backgrounds, where));
            for (const char* key : {"xo", "yo", "w", "h", "depth"})
                s.WriteInteger(Pack_Get(t, key, 0, where));
            int32_t id = Pack_Get(t, "id", lastTile + 1, where);
            lastTile = std::max(lastTile, id);
            s.WriteInteger(id);
            s.WriteReal(Pack_Get(t, "xscale", 1.0, where));
            s.WriteReal(Pack_Get(t, "yscale", 1.0, where));
            s.WriteInteger(
                int32_t(ColourWord(Pack_Get(t, "blend", 0xFFFFFF, where), Pack_Get(t, "alpha", 1.0, where))));
        }
        s.WriteBoolean(false);
        for (int i = 0; i < 7; i++) s.WriteInteger(0);
        items.push_back(PackItem{*name, s.Bytes()});
    }
    g.lastInstanceId = lastInstance;
    g.lastTileId = lastTile;
}

void Pack_UnpackRooms(const std::string& projectDir) {
    const std::string folder = projectDir + "/rooms";
    const CNamedList& objects = g_game.named[int(EChunk::Objects)];
    const CNamedList& backs = g_game.named[int(EChunk::Backgrounds)];
    std::vector<std::optional<std::string>> names;
    for (int i = 0; i < Room_Count(); i++) {
        CRoom* r = Room_Get(i);
        if (!r) {
            names.emplace_back();
            continue;
        }
        names.emplace_back(Pack_FileName(Room_GetName(i)));
        PackCodeFolder code{folder, Room_GetName(i), {}};
        json jb = json::array(), jv = json::array(), ji = json::array(), jt = json::array();
        for (const CBack& b : r->r_background)
            jb.push_back({{"visible", b.visible},
                          {"foreground", b.foreground},
                          {"background", Pack_RefJson(b.index, backs.names, backs.exists)},
                          {"x", int(b.x)},
                          {"y", int(b.y)},
                          {"htiled", b.htiled},
                          {"vtiled", b.vtiled},
                          {"hspeed", int(b.hspeed)},
                          {"vspeed", int(b.vspeed)},
                          {"stretch", b.stretch}});
        for (const CView& v : r->r_view)
            jv.push_back({{"visible", v.visible},
                          {"xview", v.xview},
                          {"yview", v.yview},
                          {"wview", v.wview},
                          {"hview", v.hview},
                          {"xport", v.xport},
                          {"yport", v.yport},
                          {"wport", v.wport},
                          {"hport", v.hport},
                          {"hborder", v.hborder},
                          {"vborder", v.vborder},
                          {"hspeed", v.hspeed},
                          {"vspeed", v.vspeed},
                          {"follow", Pack_RefJson(v.index, objects.names, objects.exists)}});
        for (const RRoomInstance& in : r->r_instances) {
            json object = Pack_RefJson(in.object, objects.names, objects.exists);
            json j = {{"x", in.x},         {"y", in.y},           {"object", object},
                      {"id", in.id},       {"xscale", in.xscale}, {"yscale", in.yscale},
                      {"blend", in.blend}, {"alpha", in.alpha},   {"angle", in.angle}};
            // An instance's code file is named after its object and id: o_boss_100003.qvs.
            code.Put(j, "code", "code_file", in.code,
                     (object.is_string() ? Pack_FileName(object.get<std::string>()) : "instance") + "_" +
                         std::to_string(in.id));
            ji.push_back(j);
        }
        for (const RTile& t : r->r_tile)
            jt.push_back({{"x", int(t.x)},
                          {"y", int(t.y)},
                          {"background", Pack_RefJson(t.index, backs.names, backs.exists)},
                          {"xo", t.xo},
                          {"yo", t.yo},
                          {"w", t.w},
                          {"h", t.h},
                          {"depth", int(t.depth)},
                          {"id", t.id},
                          {"xscale", t.xscale},
                          {"yscale", t.yscale},
                          {"blend", t.blend},
                          {"alpha", t.alpha}});
        json room = {{"caption", r->r_caption},
                     {"width", r->r_width},
                     {"height", r->r_height},
                     {"speed", r->r_speed},
                     {"persistent", r->r_persistent},
                     {"color", r->r_color},
                     {"show_color", r->r_showcolor},
                     {"clear_view_background", r->r_clearViewBackground},
                     {"backgrounds", jb},
                     {"enable_views", r->r_enableviews},
                     {"views", jv},
                     {"instances", ji},
                     {"tiles", jt}};
        code.Put(room, "code", "code_file", r->r_code, "room");
        Pack_SaveJsonFile(folder + "/" + Room_GetName(i) + ".json", room);
    }
    if (!names.empty()) Pack_WriteFolderIndex(folder, names);
}
