// Room drawing.
#include "graphics/Room_Draw.h"

#include "data/Option_Main.h"
#include "graphics/BM32_Bitmap.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Sprite.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_App.h"
#include "platform/Platform_Window.h"
#include "resources/Background_Class.h"
#include "resources/Background_Main.h"
#include "resources/Object_Class.h"
#include "resources/Sprite_Class.h"
#include "resources/Sprite_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_Event.h"
#include "run/Run_Main.h"
#include "run/Run_Room.h"
#include "run/Run_World.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sys/stat.h>

namespace {

constexpr int kDrawEvent = 8;

// The instance a view follows: an instance id, or the first unmarked instance of an object.
CInstance* Followed(CLiveRoom& room, int index) {
    if (index > 99999) return room.FindInstance(index);
    for (int k = 0, n = room.ObjNumberRecursive(index); k < n; k++) {
        CInstance* inst = room.ObjInstanceRecursive(index, k);
        if (inst && !inst->i_marked) return inst;
    }
    return nullptr;
}

// The new left (or top) of a view following the position pos.
int FollowAxis(double posReal, int view, int size, int border, int roomSize, int speed) {
    const double r = std::nearbyint(posReal);
    const int64_t pos = r > 4e9 ? int64_t(4e9) : r < -4e9 ? int64_t(-4e9) : int64_t(r);
    int64_t left;
    if (2 * int64_t(border) < size) {
        if (pos - border < view)
            left = pos - border;
        else if (pos + border > int64_t(view) + size)
            left = pos + border - size;
        else
            left = view;
    } else {
        left = pos - size / 2;
    }
    if (left < 0) left = 0;
    if (left + size > roomSize) left = int64_t(roomSize) - size;
    if (speed >= 0) left = std::clamp<int64_t>(left, int64_t(view) - speed, int64_t(view) + speed);
    return int(std::clamp<int64_t>(left, INT32_MIN, INT32_MAX));
}

void FollowViews(CLiveRoom& room) {
    if (!room.r_enableviews) return;
    for (CView& v : room.r_view) {
        if (!v.visible || v.index < 0) continue;
        CInstance* inst = Followed(room, v.index);
        if (!inst) continue;
        v.xview = FollowAxis(inst->i_x, v.xview, v.wview, v.hborder, room.r_width, v.hspeed);
        v.yview = FollowAxis(inst->i_y, v.yview, v.hview, v.vborder, room.r_height, v.vspeed);
    }
}

struct RRect {
    double left, top, right, bottom;
};

void DrawLayers(CLiveRoom& room, const RRect& r, bool foreground) {
    for (const CBack& b : room.r_background) {
        if (!b.visible || b.foreground != foreground) continue;
        const CBackground* back = Background_Get(b.index);
        if (!back) continue;
        Background_DrawTiled(*back, b.x, b.y, b.xscale, b.yscale, b.htiled, b.vtiled, r.left, r.top,
                             r.right - r.left, r.bottom - r.top, b.blend, b.alpha);
    }
}

void DrawTile(const RTile& t, const RRect& r) {
    const double x2 = t.x + t.w * t.xscale, y2 = t.y + t.h * t.yscale;
    if (!(std::min(t.x, x2) <= r.right && std::max(t.x, x2) >= r.left && std::min(t.y, y2) <= r.bottom &&
          std::max(t.y, y2) >= r.top))
        return;
    if (const CBackground* back = Background_Get(t.index))
        Background_DrawPart(*back, t.xo, t.yo, t.w, t.h, t.x, t.y, t.xscale, t.yscale, t.blend, t.alpha);
}

void DrawInstance(CInstance* inst) {
    if (Event_PerformListed(inst, kDrawEvent, 0)) return;
    const CSprite* spr = Sprite_Get(inst->i_spriteindex);
    if (!spr) return;
    const int img = int(std::floor(inst->i_imageindex));
    if (inst->i_imagescalex == 1 && inst->i_imagescaley == 1 && inst->i_imageangle == 0 &&
        inst->i_imageblend == 0xFFFFFF && inst->i_imagealpha == 1)
        Sprite_DrawSimple(*spr, img, inst->i_x, inst->i_y);
    else
        Sprite_Draw(*spr, img, inst->i_x, inst->i_y, inst->i_imagescalex, inst->i_imagescaley,
                    inst->i_imageangle, int32_t(inst->i_imageblend), inst->i_imagealpha);
}

// The room for the world rectangle r: colour, back layers, instances and tiles by depth (an
// instance before a tile of equal depth), front layers, cursor.
void DrawRoomRect(CLiveRoom& room, const RRect& r) {
    if (room.r_showcolor) GR_Draw_Clear(room.r_color);
    DrawLayers(room, r, false);
    int i = 0, j = 0;
    const int ni = room.InstanceCount();
    const int nt = int(room.r_tile.size());
    while ((i < ni && i < room.InstanceCount()) || j < nt) {
        CInstance* inst = i < room.InstanceCount() ? room.InstanceAt(i) : nullptr;
        if (inst && (inst->i_marked || !inst->i_visible)) {
            i++;
            continue;
        }
        if (j < nt && j < int(room.r_tile.size()) && !room.r_tile[size_t(j)].visible) {
            j++;
            continue;
        }
        const bool tileLeft = j < nt && j < int(room.r_tile.size());
        if (!inst || (tileLeft && room.r_tile[size_t(j)].depth > inst->i_depth)) {
            if (!tileLeft) break;
            // A copy: the Draw event of an earlier instance may have changed the tile list.
            const RTile t = room.r_tile[size_t(j++)];
            DrawTile(t, r);
        } else {
            i++;
            DrawInstance(inst);
            if (Run_Stopping()) return;
        }
    }
    DrawLayers(room, r, true);
    RGameValues& values = Run_Values();
    if (const CSprite* cursor = Sprite_Get(values.cursorSprite)) {
        Sprite_Draw(*cursor, values.cursorImage, Run_Input().mouseX, Run_Input().mouseY, 1, 1, 0, 0xFFFFFF,
                    1);
    }
}

// The mouse maps through the views as they are drawn now.
void RecordViews(const CLiveRoom& room) {
    if (!room.r_enableviews) {
        Window_UnrecordViews();
        return;
    }
    for (int k = 0; k < kRoomViews; k++) {
        const CView& v = room.r_view[size_t(k)];
        if (v.visible)
            Window_RecordView(k, v.xview, v.yview, v.wview, v.hview, v.xport, v.yport, v.wport, v.hport,
                              v.angle);
        else
            Window_UnrecordView(k);
    }
}

void SetCaption(const CLiveRoom& room) {
    const RGameValues& v = Run_Values();
    std::string c = room.r_caption;
    if (v.showScore && (v.scoreShownInCaption || v.score > 0))
        c += " " + v.captionScore + std::to_string(v.score);
    if (v.showLives) c += " " + v.captionLives + std::to_string(v.lives);
    if (v.showHealth) {
        const double h = std::nearbyint(v.health);
        c += " " + v.captionHealth +
             std::to_string(std::isfinite(h) ? (long long)std::clamp(h, -9e18, 9e18) : 0);
    }
    // The game may have set another caption since the last drawing: this one replaces it.
    if (c != Window_GetCaption()) Window_SetCaption(c);
}

} // namespace

void Room_Draw() {
    CLiveRoom* roomp = Run_Room();
    if (!roomp) return;
    if (!GR_Device_Exists()) {
        // Nothing is shown, but the mouse still maps through the views and the caption is set.
        RecordViews(*roomp);
        SetCaption(*roomp);
        return;
    }
    CLiveRoom& room = *roomp;
    RGameValues& values = Run_Values();
    FollowViews(room);
    room.SortInstances();
    room.SortTiles();
    int rw, rh;
    GR_Device_GetSize(rw, rh);
    if (room.r_enableviews) {
        if (room.r_clearViewBackground) {
            GR_Device_SetViewport(0, 0, rw, rh);
            GR_Draw_Clear(Window_GetColor());
        }
        for (int k = 0; k < kRoomViews; k++) {
            values.viewCurrent = k;
            const CView& v = room.r_view[size_t(k)];
            if (!v.visible) continue;
            GR_Device_SetViewport(v.xport, v.yport, v.wport, v.hport);
            GR_Device_SetView(v.xview, v.yview, v.wview, v.hview, v.angle);
            RRect r{double(v.xview), double(v.yview), double(v.xview) + v.wview, double(v.yview) + v.hview};
            if (std::fabs(v.angle) >= 0.01) {
                r.left -= v.hview / 2;
                r.right += v.hview / 2;
                r.top -= v.wview / 2;
                r.bottom += v.wview / 2;
            }
            DrawRoomRect(room, r);
            if (Run_Stopping()) break;
        }
        GR_Device_SetViewport(0, 0, rw, rh);
        GR_Device_SetView(0, 0, rw, rh, 0);
    } else {
        values.viewCurrent = 0;
        GR_Device_SetViewport(0, 0, room.r_width, room.r_height);
        GR_Device_SetView(0, 0, room.r_width, room.r_height, 0);
        DrawRoomRect(room, RRect{0, 0, double(room.r_width), double(room.r_height)});
    }
    RecordViews(room);
    SetCaption(room);
    values.viewCurrent = 0;
}

void Room_PresentFrame() {
    GR_Device_End_Frame();
    if (GR_Device_TakeResetRequest()) {
        Platform_DisplayRestore();
        // A device that cannot be made again ends the game (its message has been shown).
        if (!GR_Device_Reset()) Run_SetStopRequest(kStopAbort);
    }
    GR_Device_Start_Frame();
}

void Room_SetRenderSize(const CLiveRoom& room, bool gameStart) {
    int w = 0, h = 0;
    if (room.r_enableviews) {
        for (const CView& v : room.r_view) {
            if (!v.visible) continue;
            w = std::max<int>(w, int(std::clamp<int64_t>(int64_t(v.xport) + v.wport, 0, INT32_MAX)));
            h = std::max<int>(h, int(std::clamp<int64_t>(int64_t(v.yport) + v.hport, 0, INT32_MAX)));
        }
        w = std::max(w, 8);
        h = std::max(h, 8);
    } else {
        w = room.r_width;
        h = room.r_height;
    }
    int mw, mh;
    GameWindow_MaxClientSize(mw, mh);
    Window_SizeForRoom(std::clamp(w, 1, mw), std::clamp(h, 1, mh), gameStart);
}

std::string Room_SaveScreenshot() {
    int w, h;
    GR_Device_GetSize(w, h);
    TBitmap32 bm;
    if (!GR_Device_GrabScreen(0, 0, w, h, bm)) return "";
    for (int n = 100; n < 100000; n++) {
        const std::string name = "screenshot" + std::to_string(n) + ".png";
        struct stat st;
        if (stat(name.c_str(), &st) == 0) continue;
        uint32_t* p = bm.Pixels();
        for (size_t i = 0, k = size_t(bm.Width()) * size_t(bm.Height()); i < k; i++) p[i] |= 0xFF000000u;
        return bm.SaveToImageFile(name) ? name : "";
    }
    return "";
}

void Room_SetAutomaticDraw(bool b) {
    Run_Values().automaticDraw = b;
}

bool Room_AutomaticDraw() {
    return Run_Values().automaticDraw;
}

int Room_SubImage(const CInstance* self, int subimg) {
    if (subimg >= 0 || !self) return subimg;
    const double f = std::floor(self->i_imageindex);
    return f >= INT32_MIN && f <= INT32_MAX ? int(f) : 0;
}

CRoom* Room_Live() {
    return Run_Room();
}

void Room_RegionSize(int& w, int& h) {
    if (const CLiveRoom* room = Run_Room()) {
        w = room->r_width;
        h = room->r_height;
    } else {
        GR_Device_GetSize(w, h);
    }
}
