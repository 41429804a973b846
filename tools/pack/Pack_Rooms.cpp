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
        s.WriteString(Pack_Get(r, "code", std::string(), file));
        json backs = Pack_Get(r, "backgrounds", json::array(), file);
        json views = Pack_Get(r, "views", json::array(), file);
        if (backs.size() > 8 || views.size() > 8)
            throw EProjectError(file + ": a room has at most 8 backgrounds and 8 views");
        s.WriteInteger(kRoomLayers);
        for (size_t i = 0; i < kRoomLayers; i++) {
            const json& b = Nth(backs, i, 0);
            s.WriteBoolean(Pack_Get(b, "visible", false, file));
            s.WriteBoolean(Pack_Get(b, "foreground", false, file));
            s.WriteInteger(Pack_Ref(b, "background", g, EChunk::Backgrounds, file));
            s.WriteInteger(Pack_Get(b, "x", 0, file));
            s.WriteInteger(Pack_Get(b, "y", 0, file));
            s.WriteBoolean(Pack_Get(b, "htiled", true, file));
            s.WriteBoolean(Pack_Get(b, "vtiled", true, file));
            s.WriteInteger(Pack_Get(b, "hspeed", 0, file));
            s.WriteInteger(Pack_Get(b, "vspeed", 0, file));
            s.WriteBoolean(Pack_Get(b, "stretch", false, file));
        }
        s.WriteBoolean(Pack_Get(r, "enable_views", false, file));
        s.WriteInteger(kRoomViews);
        for (size_t i = 0; i < kRoomViews; i++) {
            const json& v = Nth(views, i, 0);
            s.WriteBoolean(Pack_Get(v, "visible", false, file));
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
                s.WriteInteger(Pack_Get(v, key, def, file));
            s.WriteInteger(Pack_Ref(v, "follow", g, EChunk::Objects, file));
        }
        json insts = Pack_Get(r, "instances", json::array(), file);
        s.WriteInteger(int32_t(insts.size()));
        for (const json& in : insts) {
            s.WriteInteger(Pack_Get(in, "x", 0, file));
            s.WriteInteger(Pack_Get(in, "y", 0, file));
            s.WriteInteger(Pack_Ref(in, "object", g, EChunk::Objects, file, 0));
            int32_t id = Pack_Get(in, "id", lastInstance + 1, file);
            lastInstance = std::max(lastInstance, id);
            s.WriteInteger(id);
            s.WriteString(Pack_Get(in, "code", std::string(), file));
            s.WriteReal(Pack_Get(in, "xscale", 1.0, file));
            s.WriteReal(Pack_Get(in, "yscale", 1.0, file));
            s.WriteInteger(
                int32_t(ColourWord(Pack_Get(in, "blend", 0xFFFFFF, file), Pack_Get(in, "alpha", 1.0, file))));
            s.WriteReal(Pack_Get(in, "angle", 0.0, file));
        }
        json tiles = Pack_Get(r, "tiles", json::array(), file);
        s.WriteInteger(int32_t(tiles.size()));
        for (const json& t : tiles) {
            s.WriteInteger(Pack_Get(t, "x", 0, file));
            s.WriteInteger(Pack_Get(t, "y", 0, file));
            s.WriteInteger(Pack_Ref(t, "background", g, EChunk::Backgrounds, file));
            for (const char* key : {"xo", "yo", "w", "h", "depth"}) s.WriteInteger(Pack_Get(t, key, 0, file));
            int32_t id = Pack_Get(t, "id", lastTile + 1, file);
            lastTile = std::max(lastTile, id);
            s.WriteInteger(id);
            s.WriteReal(Pack_Get(t, "xscale", 1.0, file));
            s.WriteReal(Pack_Get(t, "yscale", 1.0, file));
            s.WriteInteger(
                int32_t(ColourWord(Pack_Get(t, "blend", 0xFFFFFF, file), Pack_Get(t, "alpha", 1.0, file))));
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
        for (const RRoomInstance& in : r->r_instances)
            ji.push_back({{"x", in.x},
                          {"y", in.y},
                          {"object", Pack_RefJson(in.object, objects.names, objects.exists)},
                          {"id", in.id},
                          {"code", in.code},
                          {"xscale", in.xscale},
                          {"yscale", in.yscale},
                          {"blend", in.blend},
                          {"alpha", in.alpha},
                          {"angle", in.angle}});
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
        Pack_SaveJsonFile(folder + "/" + Room_GetName(i) + ".json",
                          {{"caption", r->r_caption},
                           {"width", r->r_width},
                           {"height", r->r_height},
                           {"speed", r->r_speed},
                           {"persistent", r->r_persistent},
                           {"color", r->r_color},
                           {"show_color", r->r_showcolor},
                           {"clear_view_background", r->r_clearViewBackground},
                           {"code", r->r_code},
                           {"backgrounds", jb},
                           {"enable_views", r->r_enableviews},
                           {"views", jv},
                           {"instances", ji},
                           {"tiles", jt}});
    }
    if (!names.empty()) Pack_WriteFolderIndex(folder, names);
}
