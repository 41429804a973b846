// CRoom: the room record.
#include "resources/Room_Class.h"

#include "data/DataNew_Class.h"
#include "support/Support_Stream.h"

#include <algorithm>

namespace {
TBackgroundSize g_backgroundSize = nullptr;

// The area a tile covers: x <= px < x + w * xscale (and the same for y).
bool Covers(const RTile& t, double px, double py) {
    return t.x <= px && px < t.x + t.w * t.xscale && t.y <= py && py < t.y + t.h * t.yscale;
}
} // namespace

int Room_NextTileId() {
    return ++g_game.lastTileId;
}

void CRoom::ScrollBackground() {
    for (CBack& b : r_background) {
        b.x += b.hspeed;
        b.y += b.vspeed;
    }
}

int CRoom::AddTile(const RTile& val) {
    r_tile.push_back(val);
    r_tile.back().id = Room_NextTileId();
    r_lasttile = int(r_tile.size()) - 1;
    return r_lasttile;
}

void CRoom::ClearTiles() {
    r_tile.clear();
    r_lasttile = -1;
}

int CRoom::FindTile(int id) {
    if (RTile* t = Tile(r_lasttile); t && t->id == id) return r_lasttile;
    for (size_t i = 0; i < r_tile.size(); i++)
        if (r_tile[i].id == id) return r_lasttile = int(i);
    return -1;
}

int CRoom::FindTileAt(double x, double y, bool foreground) {
    for (size_t i = 0; i < r_tile.size(); i++)
        if (Covers(r_tile[i], x, y) && (r_tile[i].depth < 0) == foreground) return r_lasttile = int(i);
    return -1;
}

void CRoom::DeleteTilesAt(double x, double y, bool foreground) {
    // Both edges count here, and a depth-0 tile is on either side.
    std::erase_if(r_tile, [&](const RTile& t) {
        return t.x <= x && x <= t.x + t.w * t.xscale && t.y <= y && y <= t.y + t.h * t.yscale &&
               (foreground ? t.depth <= 0 : t.depth >= 0);
    });
}

void CRoom::DeleteTile(int ind) {
    if (Tile(ind)) r_tile.erase(r_tile.begin() + ind);
}

void CRoom::SortTiles() {
    auto deeper = [](const RTile& a, const RTile& b) { return a.depth > b.depth; };
    if (!std::is_sorted(r_tile.begin(), r_tile.end(), deeper))
        std::stable_sort(r_tile.begin(), r_tile.end(), deeper);
}

void CRoom::HideTilesDepth(double depth) {
    for (RTile& t : r_tile)
        if (t.depth == depth) t.visible = false;
}

void CRoom::ShowTilesDepth(double depth) {
    for (RTile& t : r_tile)
        if (t.depth == depth) t.visible = true;
}

void CRoom::DeleteTilesDepth(double depth) {
    std::erase_if(r_tile, [depth](const RTile& t) { return t.depth == depth; });
}

void CRoom::ShiftTilesDepth(double depth, double x, double y) {
    for (RTile& t : r_tile)
        if (t.depth == depth) {
            t.x += x;
            t.y += y;
        }
}

int CRoom::FindTileAtDepth(double depth, double x, double y) {
    for (size_t i = 0; i < r_tile.size(); i++)
        if (r_tile[i].depth == depth && Covers(r_tile[i], x, y)) return r_lasttile = int(i);
    return -1;
}

void CRoom::DeleteTilesAtDepth(double depth, double x, double y) {
    std::erase_if(r_tile, [&](const RTile& t) { return t.depth == depth && Covers(t, x, y); });
}

void CRoom::ChangeTilesDepth(double olddepth, double newdepth) {
    for (RTile& t : r_tile)
        if (t.depth == olddepth) t.depth = newdepth;
}

void Room_SetBackgroundSize(TBackgroundSize size) {
    g_backgroundSize = size;
}

// Record: version; caption, width, height, speed, persistent, colour; flags (bit 0 show colour,
// bit 1 do not clear behind views); code; layers; enable views; views; instances; tiles; version
// 820 adds a Boolean and seven integers that are not used.
bool CRoom::LoadFromStream(CStream& str) {
    r_version = str.ReadInteger();
    if (r_version != 541 && r_version != 810 && r_version != 811 && r_version != 820) return false;
    const bool scaled = r_version >= 810, angled = r_version >= 811;
    r_caption = str.ReadString();
    r_width = str.ReadInteger();
    r_height = str.ReadInteger();
    r_speed = str.ReadInteger();
    r_persistent = str.ReadBoolean();
    r_color = str.ReadInteger();
    int32_t flags = str.ReadInteger();
    r_showcolor = (flags & 1) != 0;
    r_clearViewBackground = (flags & 2) == 0;
    r_code = str.ReadString();

    r_nbackgrounds = str.ReadInteger();
    if (r_nbackgrounds < 0 || r_nbackgrounds > kRoomLayers) return false;
    for (int i = 0; i < r_nbackgrounds; i++) {
        CBack& b = r_background[size_t(i)];
        b.visible = str.ReadBoolean();
        b.foreground = str.ReadBoolean();
        b.index = str.ReadInteger();
        b.x = str.ReadInteger();
        b.y = str.ReadInteger();
        b.htiled = str.ReadBoolean();
        b.vtiled = str.ReadBoolean();
        b.hspeed = str.ReadInteger();
        b.vspeed = str.ReadInteger();
        b.stretch = str.ReadBoolean();
        b.blend = 0xFFFFFF;
        b.alpha = 1;
        int w = 0, h = 0;
        if (b.stretch && g_backgroundSize && g_backgroundSize(b.index, w, h)) {
            if (w > 0) b.xscale = double(r_width) / w;
            if (h > 0) b.yscale = double(r_height) / h;
        }
    }
    r_enableviews = str.ReadBoolean();
    r_nviews = str.ReadInteger();
    if (r_nviews < 0 || r_nviews > kRoomViews) return false;
    for (int i = 0; i < r_nviews; i++) {
        CView& v = r_view[size_t(i)];
        v.visible = str.ReadBoolean();
        for (int* f : {&v.xview, &v.yview, &v.wview, &v.hview, &v.xport, &v.yport, &v.wport, &v.hport,
                       &v.hborder, &v.vborder, &v.hspeed, &v.vspeed, &v.index})
            *f = str.ReadInteger();
        v.angle = 0;
    }

    int32_t ni = str.ReadInteger();
    if (ni < 0 || size_t(ni) > str.Remaining() / 20) return false;
    r_instances.resize(size_t(ni));
    for (RRoomInstance& in : r_instances) {
        in.x = str.ReadInteger();
        in.y = str.ReadInteger();
        in.object = str.ReadInteger();
        in.id = str.ReadInteger();
        in.code = str.ReadString();
        if (scaled) {
            in.xscale = str.ReadReal();
            in.yscale = str.ReadReal();
            uint32_t word = uint32_t(str.ReadInteger());
            in.blend = Room_ColourBlend(word);
            in.alpha = Room_ColourAlpha(word);
        }
        if (angled) in.angle = str.ReadReal();
    }

    int32_t nt = str.ReadInteger();
    if (nt < 0 || size_t(nt) > str.Remaining() / 36) return false;
    r_tile.resize(size_t(nt));
    for (RTile& t : r_tile) {
        t.x = str.ReadInteger();
        t.y = str.ReadInteger();
        t.index = str.ReadInteger();
        t.xo = str.ReadInteger();
        t.yo = str.ReadInteger();
        t.w = str.ReadInteger();
        t.h = str.ReadInteger();
        t.depth = str.ReadInteger();
        t.id = str.ReadInteger();
        if (scaled) {
            t.xscale = str.ReadReal();
            t.yscale = str.ReadReal();
            uint32_t word = uint32_t(str.ReadInteger());
            t.blend = Room_ColourBlend(word);
            t.alpha = Room_ColourAlpha(word);
        }
        t.visible = true;
    }
    if (r_version == 820) {
        str.ReadBoolean();
        for (int i = 0; i < 7; i++) str.ReadInteger();
    }
    return true;
}
