// Game options: defaults, the settings block reader and writer, and secure mode.
#include "data/Option_Main.h"

#include "graphics/BM32_Bitmap.h"
#include "platform/Platform_Store.h"
#include "support/Support_Stream.h"

bool opt_fullscreen;
bool opt_interpolate;
bool opt_noborder;
bool opt_showcursor = true;
int opt_scale = 100;
bool opt_sizeable;
bool opt_stayontop;
int opt_windowcolor = 0xFFFFFF;
bool opt_setresolution;
int opt_colordepth;
int opt_resolution;
int opt_frequency;
bool opt_nobuttons;
int opt_graphicsflags;
bool opt_noscreensaver = true;
bool opt_keyf4 = true;
bool opt_keyf1 = true;
bool opt_keyesc = true;
bool opt_keyf5 = true;
bool opt_keyf9 = true;
bool opt_closeasesc = true;
int opt_priority;
bool opt_freeze;
bool opt_showprogress = true;
std::unique_ptr<TBitmap32> opt_loadbarback;
std::unique_ptr<TBitmap32> opt_loadbarfront;
std::unique_ptr<TBitmap32> opt_loadimage;
bool opt_loadtransparent;
int opt_loadalpha = 255;
bool opt_scaleprogress = true;
bool opt_displayerrors = true;
bool opt_writeerrors;
bool opt_aborterrors;
bool opt_uninitzero;
bool opt_checkargs = true;
bool opt_createfirst;
bool opt_secure;

void Option_SetDefaults() {
    opt_fullscreen = false;
    opt_interpolate = false;
    opt_noborder = false;
    opt_showcursor = true;
    opt_scale = 100;
    opt_sizeable = false;
    opt_stayontop = false;
    opt_windowcolor = 0xFFFFFF;
    opt_setresolution = false;
    opt_colordepth = 0;
    opt_resolution = 0;
    opt_frequency = 0;
    opt_nobuttons = false;
    opt_graphicsflags = 0;
    opt_noscreensaver = true;
    opt_keyf4 = true;
    opt_keyf1 = true;
    opt_keyesc = true;
    opt_keyf5 = true;
    opt_keyf9 = true;
    opt_closeasesc = true;
    opt_priority = 0;
    opt_freeze = false;
    opt_showprogress = true;
    opt_loadbarback.reset();
    opt_loadbarfront.reset();
    opt_loadimage.reset();
    opt_loadtransparent = false;
    opt_loadalpha = 255;
    opt_scaleprogress = true;
    opt_displayerrors = true;
    opt_writeerrors = false;
    opt_aborterrors = false;
    opt_uninitzero = false;
    opt_checkargs = true;
    opt_createfirst = false;
}

bool Option_Read(CStream& s) {
    Option_SetDefaults();
    int32_t version = s.ReadInteger();
    if (version < 800) return false;
    std::unique_ptr<CStream> f = s.ReadStreamC();
    return Option_ReadFields(*f, version);
}

bool Option_ReadFields(CStream& s, int version) {
    Option_SetDefaults();
    CStream* f = &s;
    opt_fullscreen = f->ReadBoolean();
    opt_interpolate = f->ReadBoolean();
    opt_noborder = f->ReadBoolean();
    opt_showcursor = f->ReadBoolean();
    opt_scale = f->ReadInteger();
    opt_sizeable = f->ReadBoolean();
    opt_stayontop = f->ReadBoolean();
    opt_windowcolor = f->ReadInteger();
    opt_setresolution = f->ReadBoolean();
    opt_colordepth = f->ReadInteger();
    opt_resolution = f->ReadInteger();
    opt_frequency = f->ReadInteger();
    opt_nobuttons = f->ReadBoolean();
    opt_graphicsflags = f->ReadInteger();
    opt_noscreensaver = f->ReadBoolean();
    opt_keyf4 = f->ReadBoolean();
    opt_keyf1 = f->ReadBoolean();
    opt_keyesc = f->ReadBoolean();
    opt_keyf5 = f->ReadBoolean();
    opt_keyf9 = f->ReadBoolean();
    opt_closeasesc = f->ReadBoolean();
    opt_priority = f->ReadInteger();
    opt_freeze = f->ReadBoolean();
    opt_showprogress = f->ReadBoolean();
    if (opt_showprogress) {
        opt_loadbarback = f->ReadBitmap();
        opt_loadbarfront = f->ReadBitmap();
    }
    opt_loadimage = f->ReadBitmap();
    opt_loadtransparent = f->ReadBoolean();
    opt_loadalpha = f->ReadInteger();
    opt_scaleprogress = f->ReadBoolean();
    opt_displayerrors = f->ReadBoolean();
    opt_writeerrors = f->ReadBoolean();
    opt_aborterrors = f->ReadBoolean();
    int32_t flags = f->ReadInteger();
    opt_uninitzero = (flags & 1) != 0;
    opt_checkargs = (flags & 2) != 0;
    if (version >= 820) {
        f->ReadInteger(); // reserved
        opt_createfirst = f->ReadBoolean();
    }
    return true;
}

void Option_Write(CStream& s, int version) {
    s.WriteInteger(version);
    CStream f;
    f.WriteBoolean(opt_fullscreen);
    f.WriteBoolean(opt_interpolate);
    f.WriteBoolean(opt_noborder);
    f.WriteBoolean(opt_showcursor);
    f.WriteInteger(opt_scale);
    f.WriteBoolean(opt_sizeable);
    f.WriteBoolean(opt_stayontop);
    f.WriteInteger(opt_windowcolor);
    f.WriteBoolean(opt_setresolution);
    f.WriteInteger(opt_colordepth);
    f.WriteInteger(opt_resolution);
    f.WriteInteger(opt_frequency);
    f.WriteBoolean(opt_nobuttons);
    f.WriteInteger(opt_graphicsflags);
    f.WriteBoolean(opt_noscreensaver);
    f.WriteBoolean(opt_keyf4);
    f.WriteBoolean(opt_keyf1);
    f.WriteBoolean(opt_keyesc);
    f.WriteBoolean(opt_keyf5);
    f.WriteBoolean(opt_keyf9);
    f.WriteBoolean(opt_closeasesc);
    f.WriteInteger(opt_priority);
    f.WriteBoolean(opt_freeze);
    f.WriteBoolean(opt_showprogress);
    if (opt_showprogress) {
        f.WriteBitmap(opt_loadbarback.get());
        f.WriteBitmap(opt_loadbarfront.get());
    }
    f.WriteBitmap(opt_loadimage.get());
    f.WriteBoolean(opt_loadtransparent);
    f.WriteInteger(opt_loadalpha);
    f.WriteBoolean(opt_scaleprogress);
    f.WriteBoolean(opt_displayerrors);
    f.WriteBoolean(opt_writeerrors);
    f.WriteBoolean(opt_aborterrors);
    f.WriteInteger((opt_uninitzero ? 1 : 0) | (opt_checkargs ? 2 : 0));
    if (version >= 820) {
        f.WriteInteger(0);
        f.WriteBoolean(opt_createfirst);
    }
    s.WriteStreamC(f);
}

void Option_ReadSecure() {
    static const char* const kKey = "\\Software\\Quarvel\\Version 8.1\\Preferences";
    opt_secure = false;
    if (!Store_KeyExists(kKey)) return;
    int64_t v = 0;
    if (Store_ReadInt(kKey, "Warning", v)) opt_secure = v != 0;
    if (Store_ReadInt(kKey, "QuarvelRunning", v)) opt_secure = opt_secure && v != 0;
}
