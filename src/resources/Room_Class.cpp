// CRoom: the room record.
#include "resources/Room_Class.h"

#include "support/Support_Stream.h"

namespace {
TBackgroundSize g_backgroundSize = nullptr;
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
