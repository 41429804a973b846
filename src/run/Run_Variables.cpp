// The built-in variables of the game language: the instance variables, then the game
// variables, in table order (an entry's position is its variable id).
#include "run/Run_Variables.h"

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Operator.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "data/DataNew_Class.h"
#include "data/Option_Main.h"
#include "platform/Platform_App.h"
#include "resources/Background_Class.h"
#include "resources/Background_Main.h"
#include "resources/Object_Class.h"
#include "resources/Room_Main.h"
#include "resources/Sprite_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_Event.h"
#include "run/Run_Main.h"
#include "run/Run_Room.h"
#include "support/Support_File.h"

#include <ctime>
#include <unistd.h>

namespace {

using G = TBuiltinGetter;
using S = TBuiltinSetter;

int32_t Int(const RValue& v) {
    return int32_t(Operator_RoundInt64(v.val)); // truncated to 32 bits
}
bool Bool(const RValue& v) {
    return Operator_RoundInt64(v.val) >= 1;
}
bool Put(RValue& out, double v) {
    out.SetReal(v);
    return true;
}
bool PutStr(RValue& out, const std::string& s) {
    out = RValue::String(s);
    return true;
}
int Index8(int32_t arr) {
    return arr >= 0 && arr < 8 ? arr : 0;
}

void Add(const char* name, G g, S s = nullptr) {
    BuiltinVar_Add(name, g, s, s != nullptr);
}

template <double CInstance::*F>
bool GetField(CInstance* i, int32_t, RValue& r) {
    return Put(r, i->*F);
}

// A variable whose value is the real field F of the instance: its getter reads the field, and
// quick code reads the field straight.
template <double CInstance::*F>
void AddField(const char* name, S s = nullptr) {
    BuiltinVar_SetField(BuiltinVar_Add(name, GetField<F>, s, s != nullptr), F);
}

const CSprite* SpriteOf(const CInstance* inst) {
    return Sprite_Get(inst->i_spriteindex);
}

// ---- instance variables ----

void AddInstanceVariables() {
    // clang-format off
    AddField<&CInstance::i_x>("x",
        [](CInstance* i, int32_t, const RValue& v) { i->SetPosition(v.val, i->i_y); return true; });
    AddField<&CInstance::i_y>("y",
        [](CInstance* i, int32_t, const RValue& v) { i->SetPosition(i->i_x, v.val); return true; });
    AddField<&CInstance::i_xprevious>("xprevious",
        [](CInstance* i, int32_t, const RValue& v) { i->i_xprevious = v.val; return true; });
    AddField<&CInstance::i_yprevious>("yprevious",
        [](CInstance* i, int32_t, const RValue& v) { i->i_yprevious = v.val; return true; });
    AddField<&CInstance::i_xstart>("xstart",
        [](CInstance* i, int32_t, const RValue& v) { i->i_xstart = v.val; return true; });
    AddField<&CInstance::i_ystart>("ystart",
        [](CInstance* i, int32_t, const RValue& v) { i->i_ystart = v.val; return true; });
    AddField<&CInstance::i_hspeed>("hspeed",
        [](CInstance* i, int32_t, const RValue& v) { i->SetHSpeed(v.val); return true; });
    AddField<&CInstance::i_vspeed>("vspeed",
        [](CInstance* i, int32_t, const RValue& v) { i->SetVSpeed(v.val); return true; });
    AddField<&CInstance::i_direction>("direction",
        [](CInstance* i, int32_t, const RValue& v) { i->SetDirection(v.val); return true; });
    AddField<&CInstance::i_speed>("speed",
        [](CInstance* i, int32_t, const RValue& v) { i->SetSpeed(v.val); return true; });
    AddField<&CInstance::i_friction>("friction",
        [](CInstance* i, int32_t, const RValue& v) { i->i_friction = v.val; return true; });
    AddField<&CInstance::i_gravity>("gravity",
        [](CInstance* i, int32_t, const RValue& v) { i->i_gravity = v.val; return true; });
    AddField<&CInstance::i_gravitydir>("gravity_direction",
        [](CInstance* i, int32_t, const RValue& v) { i->i_gravitydir = v.val; return true; });
    Add("object_index", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_objectindex); });
    Add("id", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_id); });
    Add("alarm", [](CInstance* i, int32_t a, RValue& r) { return Put(r, i->GetAlarm(a >= 0 && a < kAlarmCount ? a : 0)); },
        [](CInstance* i, int32_t a, const RValue& v) { i->SetAlarm(a >= 0 && a < kAlarmCount ? a : 0, Int(v)); return true; });
    Add("solid", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_solid); },
        [](CInstance* i, int32_t, const RValue& v) { i->i_solid = Bool(v); return true; });
    Add("visible", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_visible); },
        [](CInstance* i, int32_t, const RValue& v) { i->i_visible = Bool(v); return true; });
    Add("persistent", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_persistent); },
        [](CInstance* i, int32_t, const RValue& v) { i->i_persistent = Bool(v); return true; });
    AddField<&CInstance::i_depth>("depth",
        [](CInstance* i, int32_t, const RValue& v) { i->SetDepth(v.val); return true; });
    Add("bbox_left", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_bbox.Left); });
    Add("bbox_right", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_bbox.Right); });
    Add("bbox_top", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_bbox.Top); });
    Add("bbox_bottom", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_bbox.Bottom); });
    Add("sprite_index", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_spriteindex); },
        [](CInstance* i, int32_t, const RValue& v) { i->SetSpriteIndex(Int(v)); return true; });
    AddField<&CInstance::i_imageindex>("image_index",
        [](CInstance* i, int32_t, const RValue& v) { i->i_imageindex = v.val; return true; });
    Add("image_single", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_imagespeed != 0 ? -1 : i->i_imageindex); },
        [](CInstance* i, int32_t, const RValue& v) {
            if (v.val >= 0) { i->i_imageindex = v.val; i->i_imagespeed = 0; } else { i->i_imagespeed = 1; }
            return true; });
    Add("image_number", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->ImageNumber()); });
    Add("sprite_width", [](CInstance* i, int32_t, RValue& r) {
        const CSprite* s = SpriteOf(i); return Put(r, s ? s->GetWidth() * i->i_imagescalex : 0); });
    Add("sprite_height", [](CInstance* i, int32_t, RValue& r) {
        const CSprite* s = SpriteOf(i); return Put(r, s ? s->GetHeight() * i->i_imagescaley : 0); });
    Add("sprite_xoffset", [](CInstance* i, int32_t, RValue& r) {
        const CSprite* s = SpriteOf(i); return Put(r, s ? s->i_xorig * i->i_imagescalex : 0); });
    Add("sprite_yoffset", [](CInstance* i, int32_t, RValue& r) {
        const CSprite* s = SpriteOf(i); return Put(r, s ? s->i_yorig * i->i_imagescaley : 0); });
    AddField<&CInstance::i_imagescalex>("image_xscale",
        [](CInstance* i, int32_t, const RValue& v) { i->SetImageScaleX(v.val); return true; });
    AddField<&CInstance::i_imagescaley>("image_yscale",
        [](CInstance* i, int32_t, const RValue& v) { i->SetImageScaleY(v.val); return true; });
    AddField<&CInstance::i_imageangle>("image_angle",
        [](CInstance* i, int32_t, const RValue& v) { i->SetImageAngle(v.val); return true; });
    AddField<&CInstance::i_imagealpha>("image_alpha",
        [](CInstance* i, int32_t, const RValue& v) { i->i_imagealpha = v.val; return true; });
    Add("image_blend", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_imageblend); },
        [](CInstance* i, int32_t, const RValue& v) { i->i_imageblend = uint32_t(Int(v)); return true; });
    AddField<&CInstance::i_imagespeed>("image_speed",
        [](CInstance* i, int32_t, const RValue& v) { i->i_imagespeed = v.val; return true; });
    Add("mask_index", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_maskindex); },
        [](CInstance* i, int32_t, const RValue& v) { i->SetMaskIndex(Int(v)); return true; });
    Add("path_index", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_pathindex); });
    AddField<&CInstance::i_pathposition>("path_position",
        [](CInstance* i, int32_t, const RValue& v) { i->SetPathPosition(v.val); return true; });
    AddField<&CInstance::i_pathpositionprevious>("path_positionprevious",
        [](CInstance* i, int32_t, const RValue& v) { i->SetPathPositionPrevious(v.val); return true; });
    AddField<&CInstance::i_pathspeed>("path_speed",
        [](CInstance* i, int32_t, const RValue& v) { i->i_pathspeed = v.val; return true; });
    AddField<&CInstance::i_pathscale>("path_scale",
        [](CInstance* i, int32_t, const RValue& v) { i->i_pathscale = v.val; return true; });
    AddField<&CInstance::i_pathorientation>("path_orientation",
        [](CInstance* i, int32_t, const RValue& v) { i->i_pathorientation = v.val; return true; });
    Add("path_endaction", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_pathend); },
        [](CInstance* i, int32_t, const RValue& v) { i->i_pathend = Int(v); return true; });
    Add("timeline_index", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_timelineindex); },
        [](CInstance* i, int32_t, const RValue& v) { i->i_timelineindex = Int(v); return true; });
    AddField<&CInstance::i_timelineposition>("timeline_position",
        [](CInstance* i, int32_t, const RValue& v) { i->i_timelineposition = v.val; return true; });
    AddField<&CInstance::i_timelinespeed>("timeline_speed",
        [](CInstance* i, int32_t, const RValue& v) { i->i_timelinespeed = v.val; return true; });
    Add("timeline_running", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_timelinerunning); },
        [](CInstance* i, int32_t, const RValue& v) { i->i_timelinerunning = Bool(v); return true; });
    Add("timeline_loop", [](CInstance* i, int32_t, RValue& r) { return Put(r, i->i_timelineloop); },
        [](CInstance* i, int32_t, const RValue& v) { i->i_timelineloop = Bool(v); return true; });
    // clang-format on
}

// ---- game variables ----

// A room field of the live room: reads 0 and writes nothing outside a game.
CLiveRoom* Room() {
    return Run_Room();
}

#define ROOM_GET(expr)                                                                                       \
    [](CInstance*, int32_t a, RValue& r) {                                                                   \
        (void)a;                                                                                             \
        CLiveRoom* rm = Room();                                                                              \
        return Put(r, rm ? double(expr) : 0.0);                                                              \
    }
#define ROOM_SET(stmt)                                                                                       \
    [](CInstance*, int32_t a, const RValue& v) {                                                             \
        (void)a;                                                                                             \
        (void)v;                                                                                             \
        if (CLiveRoom* rm = Room()) stmt;                                                                    \
        return true;                                                                                         \
    }
#define BACK(field) rm->r_background[size_t(Index8(a))].field
#define VIEW(field) rm->r_view[size_t(Index8(a))].field

double BackgroundSize(int index, bool width) {
    const CBackground* b = Background_Get(index);
    if (!b) return 0;
    return width ? b->GetWidth() : b->GetHeight();
}

void LocalTime(std::tm& out) {
    std::time_t t = std::time(nullptr);
    localtime_r(&t, &out);
}

std::string WorkingDirectory() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

void AddGameVariables() {
    RGameValues& g = Run_Values();
    (void)g;
    // clang-format off
    Add("argument_relative", [](CInstance*, int32_t, RValue& r) { return Put(r, Event_Relative()); });
    Code_AddArgumentVariables(); // argument0 .. argument15, argument, argument_count
    Add("room", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_CurrentRoom()); },
        [](CInstance*, int32_t, const RValue& v) { Run_GotoRoom(Int(v)); return true; });
    Add("room_first", [](CInstance*, int32_t, RValue& r) { return Put(r, RoomOrder_First()); });
    Add("room_last", [](CInstance*, int32_t, RValue& r) { return Put(r, RoomOrder_Last()); });
    Add("transition_kind", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Values().transitionKind); },
        [](CInstance*, int32_t, const RValue& v) { Run_Values().transitionKind = Int(v); return true; });
    Add("transition_steps", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Values().transitionSteps); },
        [](CInstance*, int32_t, const RValue& v) { const int s = Int(v); Run_Values().transitionSteps = s <= 0 ? 1 : s; return true; });
    Add("score", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Values().score); },
        [](CInstance*, int32_t, const RValue& v) { Run_Values().score = Int(v); return true; });
    Add("lives", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Values().lives); },
        [](CInstance*, int32_t, const RValue& v) {
            const int old = Run_Values().lives;
            Run_Values().lives = Int(v);
            if (old > 0 && Run_Values().lives <= 0) Event_PerformAll(kEvOther, kOtherNoMoreLives);
            return true; });
    Add("health", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Values().health); },
        [](CInstance*, int32_t, const RValue& v) {
            const double old = Run_Values().health;
            Run_Values().health = v.val;
            if (old > 0 && !(v.val > 0)) Event_PerformAll(kEvOther, kOtherNoMoreHealth);
            return true; });
    Add("game_id", [](CInstance*, int32_t, RValue& r) { return Put(r, g_game.gameId); });
    Add("working_directory", [](CInstance*, int32_t, RValue& r) { return PutStr(r, WorkingDirectory()); });
    Add("temp_directory", [](CInstance*, int32_t, RValue& r) { return PutStr(r, GetTempDirectory()); });
    Add("program_directory", [](CInstance*, int32_t, RValue& r) { return PutStr(r, Platform_ExeDir()); });
    Add("instance_count", ROOM_GET(rm->InstanceCount()));
    Add("instance_id", [](CInstance*, int32_t a, RValue& r) {
        CLiveRoom* rm = Room();
        CInstance* inst = rm ? rm->InstanceAt(a) : nullptr;
        return Put(r, inst ? inst->i_id : kSelNoone); });
    Add("room_width", ROOM_GET(rm->r_width));
    Add("room_height", ROOM_GET(rm->r_height));
    Add("room_caption", [](CInstance*, int32_t, RValue& r) { CLiveRoom* rm = Room(); return PutStr(r, rm ? rm->r_caption : ""); },
        [](CInstance*, int32_t, const RValue& v) {
            if (CLiveRoom* rm = Room()) rm->r_caption = v.IsString() ? v.str.str() : std::string();
            return true; });
    Add("room_speed", ROOM_GET(rm->r_speed),
        [](CInstance*, int32_t, const RValue& v) {
            const int s = Int(v);
            if (s <= 0) {
                Error_Show("Trying to set the room speed to a value <= 0.", false);
                return false;
            }
            if (CLiveRoom* rm = Room()) rm->r_speed = s;
            return true; });
    Add("room_persistent", ROOM_GET(rm->r_persistent), ROOM_SET(rm->r_persistent = Bool(v)));
    Add("background_color", ROOM_GET(rm->r_color), ROOM_SET(rm->r_color = Int(v)));
    Add("background_showcolor", ROOM_GET(rm->r_showcolor), ROOM_SET(rm->r_showcolor = Bool(v)));
    Add("background_visible", ROOM_GET(BACK(visible)), ROOM_SET(BACK(visible) = Bool(v)));
    Add("background_foreground", ROOM_GET(BACK(foreground)), ROOM_SET(BACK(foreground) = Bool(v)));
    Add("background_index", ROOM_GET(BACK(index)), ROOM_SET(BACK(index) = Int(v)));
    Add("background_x", ROOM_GET(BACK(x)), ROOM_SET(BACK(x) = v.val));
    Add("background_y", ROOM_GET(BACK(y)), ROOM_SET(BACK(y) = v.val));
    Add("background_width", ROOM_GET(BackgroundSize(BACK(index), true)));
    Add("background_height", ROOM_GET(BackgroundSize(BACK(index), false)));
    Add("background_htiled", ROOM_GET(BACK(htiled)), ROOM_SET(BACK(htiled) = Bool(v)));
    Add("background_vtiled", ROOM_GET(BACK(vtiled)), ROOM_SET(BACK(vtiled) = Bool(v)));
    Add("background_xscale", ROOM_GET(BACK(xscale)), ROOM_SET(BACK(xscale) = v.val));
    Add("background_yscale", ROOM_GET(BACK(yscale)), ROOM_SET(BACK(yscale) = v.val));
    Add("background_hspeed", ROOM_GET(BACK(hspeed)), ROOM_SET(BACK(hspeed) = v.val));
    Add("background_vspeed", ROOM_GET(BACK(vspeed)), ROOM_SET(BACK(vspeed) = v.val));
    Add("background_blend", ROOM_GET(BACK(blend)), ROOM_SET(BACK(blend) = Int(v)));
    Add("background_alpha", ROOM_GET(BACK(alpha)), ROOM_SET(BACK(alpha) = v.val));
    Add("view_enabled", ROOM_GET(rm->r_enableviews), ROOM_SET(rm->r_enableviews = Bool(v)));
    Add("view_current", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Values().viewCurrent); });
    Add("view_visible", ROOM_GET(VIEW(visible)), ROOM_SET(VIEW(visible) = Bool(v)));
    Add("view_xview", ROOM_GET(VIEW(xview)), ROOM_SET(VIEW(xview) = Int(v)));
    Add("view_yview", ROOM_GET(VIEW(yview)), ROOM_SET(VIEW(yview) = Int(v)));
    Add("view_wview", ROOM_GET(VIEW(wview)), ROOM_SET(VIEW(wview) = Int(v)));
    Add("view_hview", ROOM_GET(VIEW(hview)), ROOM_SET(VIEW(hview) = Int(v)));
    Add("view_xport", ROOM_GET(VIEW(xport)), ROOM_SET(VIEW(xport) = Int(v)));
    Add("view_yport", ROOM_GET(VIEW(yport)), ROOM_SET(VIEW(yport) = Int(v)));
    Add("view_wport", ROOM_GET(VIEW(wport)), ROOM_SET(VIEW(wport) = Int(v)));
    Add("view_hport", ROOM_GET(VIEW(hport)), ROOM_SET(VIEW(hport) = Int(v)));
    Add("view_angle", ROOM_GET(VIEW(angle)), ROOM_SET(VIEW(angle) = v.val));
    Add("view_hborder", ROOM_GET(VIEW(hborder)), ROOM_SET(VIEW(hborder) = Int(v)));
    Add("view_vborder", ROOM_GET(VIEW(vborder)), ROOM_SET(VIEW(vborder) = Int(v)));
    Add("view_hspeed", ROOM_GET(VIEW(hspeed)), ROOM_SET(VIEW(hspeed) = Int(v)));
    Add("view_vspeed", ROOM_GET(VIEW(vspeed)), ROOM_SET(VIEW(vspeed) = Int(v)));
    Add("view_object", ROOM_GET(VIEW(index)), ROOM_SET(VIEW(index) = Int(v)));
    Add("mouse_x", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Input().mouseX); });
    Add("mouse_y", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Input().mouseY); });
    Add("mouse_button", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Input().mouseButton); },
        [](CInstance*, int32_t, const RValue& v) { const int b = Int(v); if (b >= 1 && b <= 3) Run_Input().mouseButton = b; return true; });
    Add("mouse_lastbutton", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Input().mouseLastButton); },
        [](CInstance*, int32_t, const RValue& v) { const int b = Int(v); if (b >= 1 && b <= 3) Run_Input().mouseLastButton = b; return true; });
    Add("keyboard_key", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Input().keyboardKey); },
        [](CInstance*, int32_t, const RValue& v) { const int k = Int(v); if (k >= 0 && k <= 255) Run_Input().keyboardKey = k; return true; });
    Add("keyboard_lastkey", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Input().keyboardLastKey); },
        [](CInstance*, int32_t, const RValue& v) { const int k = Int(v); if (k >= 0 && k <= 255) Run_Input().keyboardLastKey = k; return true; });
    Add("keyboard_lastchar", [](CInstance*, int32_t, RValue& r) { return PutStr(r, Run_Input().keyboardLastChar); },
        [](CInstance*, int32_t, const RValue& v) {
            if (v.IsString() && v.str.size() > 0) Run_Input().keyboardLastChar = std::string(1, v.str.view()[0]);
            return true; });
    Add("keyboard_string", [](CInstance*, int32_t, RValue& r) { return PutStr(r, Run_Input().keyboardString); },
        [](CInstance*, int32_t, const RValue& v) { Run_Input().keyboardString = v.IsString() ? v.str.str() : std::string(); return true; });
    Add("cursor_sprite", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Values().cursorSprite); },
        [](CInstance*, int32_t, const RValue& v) { Run_Values().cursorSprite = Int(v); return true; });
    Add("show_score", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Values().showScore); },
        [](CInstance*, int32_t, const RValue& v) { Run_Values().showScore = Bool(v); Run_Values().scoreShownInCaption = true; return true; });
    Add("show_lives", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Values().showLives); },
        [](CInstance*, int32_t, const RValue& v) { Run_Values().showLives = Bool(v); return true; });
    Add("show_health", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Values().showHealth); },
        [](CInstance*, int32_t, const RValue& v) { Run_Values().showHealth = Bool(v); return true; });
    Add("caption_score", [](CInstance*, int32_t, RValue& r) { return PutStr(r, Run_Values().captionScore); },
        [](CInstance*, int32_t, const RValue& v) { Run_Values().captionScore = v.IsString() ? v.str.str() : std::string(); return true; });
    Add("caption_lives", [](CInstance*, int32_t, RValue& r) { return PutStr(r, Run_Values().captionLives); },
        [](CInstance*, int32_t, const RValue& v) { Run_Values().captionLives = v.IsString() ? v.str.str() : std::string(); return true; });
    Add("caption_health", [](CInstance*, int32_t, RValue& r) { return PutStr(r, Run_Values().captionHealth); },
        [](CInstance*, int32_t, const RValue& v) { Run_Values().captionHealth = v.IsString() ? v.str.str() : std::string(); return true; });
    Add("fps", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Values().fps); });
    Add("current_time", [](CInstance*, int32_t, RValue& r) { return Put(r, double(Platform_TimeMicros() / 1000)); });
    Add("current_year", [](CInstance*, int32_t, RValue& r) { std::tm t; LocalTime(t); return Put(r, t.tm_year + 1900); });
    Add("current_month", [](CInstance*, int32_t, RValue& r) { std::tm t; LocalTime(t); return Put(r, t.tm_mon + 1); });
    Add("current_day", [](CInstance*, int32_t, RValue& r) { std::tm t; LocalTime(t); return Put(r, t.tm_mday); });
    Add("current_weekday", [](CInstance*, int32_t, RValue& r) { std::tm t; LocalTime(t); return Put(r, t.tm_wday + 1); });
    Add("current_hour", [](CInstance*, int32_t, RValue& r) { std::tm t; LocalTime(t); return Put(r, t.tm_hour); });
    Add("current_minute", [](CInstance*, int32_t, RValue& r) { std::tm t; LocalTime(t); return Put(r, t.tm_min); });
    Add("current_second", [](CInstance*, int32_t, RValue& r) { std::tm t; LocalTime(t); return Put(r, t.tm_sec); });
    Add("event_type", [](CInstance*, int32_t, RValue& r) { return Put(r, Event_Context().type); });
    Add("event_number", [](CInstance*, int32_t, RValue& r) { return Put(r, Event_Context().number); });
    Add("event_object", [](CInstance*, int32_t, RValue& r) { return Put(r, Event_Context().object); });
    Add("event_action", [](CInstance*, int32_t, RValue& r) { return Put(r, Event_Context().action); });
    Add("secure_mode", [](CInstance*, int32_t, RValue& r) { return Put(r, opt_secure); });
    Add("debug_mode", [](CInstance*, int32_t, RValue& r) { return Put(r, g_game.debug); });
    Add("error_occurred", [](CInstance*, int32_t, RValue& r) { return Put(r, Error_Occurred()); },
        [](CInstance*, int32_t, const RValue& v) { Error_SetOccurred(v.val >= 0.5); return true; });
    Add("error_last", [](CInstance*, int32_t, RValue& r) { return PutStr(r, Error_Last()); },
        [](CInstance*, int32_t, const RValue& v) { Error_SetLast(v.IsString() ? v.str.str() : std::string()); return true; });
    Add("quarvel_version", [](CInstance*, int32_t, RValue& r) { return Put(r, 810); });
    Add("os_type", [](CInstance*, int32_t, RValue& r) { return Put(r, 0); });
    Add("os_device", [](CInstance*, int32_t, RValue& r) { return Put(r, -1); });
    Add("os_browser", [](CInstance*, int32_t, RValue& r) { return Put(r, -1); });
    Add("os_version", [](CInstance*, int32_t, RValue& r) { return Put(r, -1); });
    Add("browser_width", [](CInstance*, int32_t, RValue& r) { return Put(r, -1); });
    Add("browser_height", [](CInstance*, int32_t, RValue& r) { return Put(r, -1); });
    Add("display_aa", [](CInstance*, int32_t, RValue& r) { return Put(r, Run_Values().displayAA); });
    Add("async_load", [](CInstance*, int32_t, RValue& r) { return Put(r, -1); });
    // clang-format on
}

} // namespace

void Run_AddBuiltinVariables() {
    if (BuiltinVar_Find("async_load") >= 0) return;
    BuiltinVar_ClearAll();
    AddInstanceVariables();
    AddGameVariables();
}
