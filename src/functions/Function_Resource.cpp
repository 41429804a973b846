// Resource functions: querying, adding, replacing and deleting sprites, backgrounds, sounds, fonts,
// scripts, paths, time lines, objects and rooms while the game runs.
// The script functions (Code_Function), the path functions and the sound list are built; the other
// handlers come with the resource functions. An entry without a handler reports that it is not
// available yet.
#include "functions/Function_Args.h"
#include "functions/Function_Families.h"

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "functions/Function_Resource.h"
#include "functions/Function_Resource_Script.h"
#include "resources/Path_Main.h"

#include <cmath>

namespace {

// Path functions. Index arguments round to the nearest integer, ties to even; a missing path makes
// getters return -1 and setters do nothing.
int Ind(const RValue& v) {
    return Arg_Int(v);
}

CPath* PathArg(const RValue& v) {
    return Path_Get(Ind(v));
}

void PathMissing(const char* message) {
    Error_ShowInEvent(message, false);
}

void F_PathExists(CInstance*, CInstance*, int, RValue& r, RValue* a) {
    r.SetReal(Path_Exists(Ind(a[0])) ? 1 : 0);
}
void F_PathName(CInstance*, CInstance*, int, RValue& r, RValue* a) {
    r = RValue::String(Path_GetName(Ind(a[0])));
}

// A getter of one path property: -1 for a missing path.
template <double (*Get)(const CPath&)>
void F_PathGet(CInstance*, CInstance*, int, RValue& r, RValue* a) {
    CPath* p = PathArg(a[0]);
    r.SetReal(p ? Get(*p) : -1);
}
double Length(const CPath& p) {
    return p.PathLength();
}
double Kind(const CPath& p) {
    return p.Kind();
}
double Closed(const CPath& p) {
    return p.Closed() ? 1 : 0;
}
double Precision(const CPath& p) {
    return p.Precision();
}
double Number(const CPath& p) {
    return p.Count();
}

// Control point n: x 0, y 0, speed 1 outside the points.
template <int Field>
void F_PathPoint(CInstance*, CInstance*, int, RValue& r, RValue* a) {
    CPath* p = PathArg(a[0]);
    if (!p) return r.SetReal(-1);
    int n = Ind(a[1]);
    if (n < 0 || n >= p->Count()) return r.SetReal(Field == 2 ? 1 : 0);
    const RWayPoint& w = p->Points()[size_t(n)];
    r.SetReal(Field == 0 ? w.x : Field == 1 ? w.y : w.speed);
}

template <int Field>
void F_PathPos(CInstance*, CInstance*, int, RValue& r, RValue* a) {
    CPath* p = PathArg(a[0]);
    if (!p) return r.SetReal(-1);
    double x, y, sp;
    p->GetPosition(a[1].val, x, y, sp);
    r.SetReal(Field == 0 ? x : Field == 1 ? y : sp);
}

void F_PathSetKind(CInstance*, CInstance*, int, RValue&, RValue* a) {
    if (CPath* p = PathArg(a[0])) p->SetKind(Ind(a[1]));
}
void F_PathSetClosed(CInstance*, CInstance*, int, RValue&, RValue* a) {
    if (CPath* p = PathArg(a[0])) p->SetClosed(a[1].val >= 0.5);
}
void F_PathSetPrecision(CInstance*, CInstance*, int, RValue&, RValue* a) {
    if (CPath* p = PathArg(a[0])) p->SetPrecision(Ind(a[1]));
}
void F_PathAdd(CInstance*, CInstance*, int, RValue& r, RValue*) {
    r.SetReal(Path_Add());
}
void F_PathDuplicate(CInstance*, CInstance*, int, RValue& r, RValue* a) {
    int k = Path_Duplicate(Ind(a[0]));
    if (k < 0) PathMissing("Trying to duplicate non-existing path.");
    r.SetReal(k < 0 ? 0 : k);
}
void F_PathAssign(CInstance*, CInstance*, int, RValue&, RValue* a) {
    if (!Path_Assign(Ind(a[0]), Ind(a[1]))) PathMissing("Error assigning a path.");
}
void F_PathAppend(CInstance*, CInstance*, int, RValue&, RValue* a) {
    CPath *p = PathArg(a[0]), *src = PathArg(a[1]);
    if (!p) return PathMissing("Appending to non-existing path.");
    if (!src) return PathMissing("Appending a non-existing path.");
    p->Append(src);
}
void F_PathDelete(CInstance*, CInstance*, int, RValue& r, RValue* a) {
    bool ok = Path_Delete(Ind(a[0]));
    if (!ok) PathMissing("Trying to delete non-existing path.");
    r.SetReal(ok ? 1 : 0);
}
void F_PathAddPoint(CInstance*, CInstance*, int, RValue&, RValue* a) {
    if (CPath* p = PathArg(a[0])) p->AddPoint(a[1].val, a[2].val, a[3].val);
}
void F_PathInsertPoint(CInstance*, CInstance*, int, RValue&, RValue* a) {
    if (CPath* p = PathArg(a[0])) p->InsertPoint(Ind(a[1]), a[2].val, a[3].val, a[4].val);
}
void F_PathChangePoint(CInstance*, CInstance*, int, RValue&, RValue* a) {
    if (CPath* p = PathArg(a[0])) p->ChangePoint(Ind(a[1]), a[2].val, a[3].val, a[4].val);
}
void F_PathDeletePoint(CInstance*, CInstance*, int, RValue&, RValue* a) {
    if (CPath* p = PathArg(a[0])) p->DeletePoint(Ind(a[1]));
}

// The operations on a whole path that take no further arguments.
template <void (CPath::*Op)()>
void F_PathOp(CInstance*, CInstance*, int, RValue&, RValue* a) {
    if (CPath* p = PathArg(a[0])) (p->*Op)();
}
void F_PathRotate(CInstance*, CInstance*, int, RValue&, RValue* a) {
    if (CPath* p = PathArg(a[0])) p->Rotate(a[1].val);
}
void F_PathScale(CInstance*, CInstance*, int, RValue&, RValue* a) {
    if (CPath* p = PathArg(a[0])) p->Scale(a[1].val, a[2].val);
}
void F_PathShift(CInstance*, CInstance*, int, RValue&, RValue* a) {
    if (CPath* p = PathArg(a[0])) p->Shift(a[1].val, a[2].val);
}

} // namespace

// 161 functions, in registration order.
// clang-format off
static const RFunctionEntry kResourceFunctions[] = {
    // name                                  handler          arguments
    {"sprite_name",                          nullptr,         1},
    {"sprite_exists",                        nullptr,         1},
    {"sprite_get_name",                      nullptr,         1},
    {"sprite_get_number",                    nullptr,         1},
    {"sprite_get_width",                     nullptr,         1},
    {"sprite_get_height",                    nullptr,         1},
    {"sprite_get_xoffset",                   nullptr,         1},
    {"sprite_get_yoffset",                   nullptr,         1},
    {"sprite_get_bbox_left",                 nullptr,         1},
    {"sprite_get_bbox_right",                nullptr,         1},
    {"sprite_get_bbox_top",                  nullptr,         1},
    {"sprite_get_bbox_bottom",               nullptr,         1},
    {"sprite_set_offset",                    nullptr,         3},
    {"sprite_set_alpha_from_sprite",         nullptr,         2},
    {"sprite_create_from_screen",            nullptr,         8},
    {"sprite_add_from_screen",               nullptr,         7},
    {"sprite_create_from_surface",           nullptr,         9},
    {"sprite_add_from_surface",              nullptr,         8},
    {"sprite_add",                           nullptr,         6},
    {"sprite_replace",                       nullptr,         7},
    {"sprite_add_sprite",                    nullptr,         1},
    {"sprite_replace_sprite",                nullptr,         2},
    {"sprite_delete",                        nullptr,         1},
    {"sprite_duplicate",                     nullptr,         1},
    {"sprite_assign",                        nullptr,         2},
    {"sprite_merge",                         nullptr,         2},
    {"sprite_save",                          F_SpriteSave,    3},
    {"sprite_save_strip",                    F_SpriteSaveStrip, 2},
    {"sprite_collision_mask",                nullptr,         9},
    {"sprite_set_cache_size",                nullptr,         2},
    {"sprite_set_cache_size_ext",            nullptr,         3},
    {"background_name",                      nullptr,         1},
    {"background_exists",                    nullptr,         1},
    {"background_get_name",                  nullptr,         1},
    {"background_get_width",                 nullptr,         1},
    {"background_get_height",                nullptr,         1},
    {"background_set_alpha_from_background", nullptr,         2},
    {"background_create_from_screen",        nullptr,         6},
    {"background_create_from_surface",       nullptr,         7},
    {"background_create_color",              nullptr,         3},
    {"background_create_gradient",           nullptr,         5},
    {"background_add",                       nullptr,         3},
    {"background_replace",                   nullptr,         4},
    {"background_add_background",            nullptr,         1},
    {"background_replace_background",        nullptr,         2},
    {"background_delete",                    nullptr,         1},
    {"background_duplicate",                 nullptr,         1},
    {"background_assign",                    nullptr,         2},
    {"background_save",                      F_BackgroundSave, 2},
    {"sound_name",                           F_SoundName,     1},
    {"sound_exists",                         F_SoundExists,   1},
    {"sound_get_name",                       F_SoundName,     1},
    {"sound_get_kind",                       F_SoundGetKind,  1},
    {"sound_get_preload",                    F_SoundGetPreload, 1},
    {"sound_discard",                        F_SoundDiscard,  1},
    {"sound_restore",                        F_SoundRestore,  1},
    {"sound_add",                            F_SoundAdd,      3},
    {"sound_replace",                        F_SoundReplace,  4},
    {"sound_delete",                         F_SoundDelete,   1},
    {"font_name",                            nullptr,         1},
    {"font_exists",                          nullptr,         1},
    {"font_get_name",                        nullptr,         1},
    {"font_get_fontname",                    nullptr,         1},
    {"font_get_size",                        nullptr,         1},
    {"font_get_bold",                        nullptr,         1},
    {"font_get_italic",                      nullptr,         1},
    {"font_get_first",                       nullptr,         1},
    {"font_get_last",                        nullptr,         1},
    {"font_add",                             nullptr,         6},
    {"font_replace",                         nullptr,         7},
    {"font_add_sprite",                      nullptr,         4},
    {"font_replace_sprite",                  nullptr,         5},
    {"font_delete",                          nullptr,         1},
    {"script_name",                          F_ScriptName,    1},
    {"script_exists",                        F_ScriptExists,  1},
    {"script_get_name",                      F_ScriptGetName, 1},
    {"script_get_text",                      F_ScriptGetText, 1},
    {"script_execute",                       F_ScriptExecute, kAnyArgCount},
    {"path_name",                            F_PathName,      1},
    {"path_exists",                          F_PathExists,    1},
    {"path_get_name",                        F_PathName,      1},
    {"path_get_length",                      F_PathGet<Length>, 1},
    {"path_get_kind",                        F_PathGet<Kind>, 1},
    {"path_get_closed",                      F_PathGet<Closed>, 1},
    {"path_get_precision",                   F_PathGet<Precision>, 1},
    {"path_get_number",                      F_PathGet<Number>, 1},
    {"path_get_point_x",                     F_PathPoint<0>,  2},
    {"path_get_point_y",                     F_PathPoint<1>,  2},
    {"path_get_point_speed",                 F_PathPoint<2>,  2},
    {"path_get_x",                           F_PathPos<0>,    2},
    {"path_get_y",                           F_PathPos<1>,    2},
    {"path_get_speed",                       F_PathPos<2>,    2},
    {"path_set_kind",                        F_PathSetKind,   2},
    {"path_set_closed",                      F_PathSetClosed, 2},
    {"path_set_precision",                   F_PathSetPrecision, 2},
    {"path_add",                             F_PathAdd,       0},
    {"path_duplicate",                       F_PathDuplicate, 1},
    {"path_assign",                          F_PathAssign,    2},
    {"path_append",                          F_PathAppend,    2},
    {"path_delete",                          F_PathDelete,    1},
    {"path_add_point",                       F_PathAddPoint,  4},
    {"path_insert_point",                    F_PathInsertPoint, 5},
    {"path_change_point",                    F_PathChangePoint, 5},
    {"path_delete_point",                    F_PathDeletePoint, 2},
    {"path_clear_points",                    F_PathOp<&CPath::Clear>, 1},
    {"path_reverse",                         F_PathOp<&CPath::Reverse>, 1},
    {"path_mirror",                          F_PathOp<&CPath::Mirror>, 1},
    {"path_flip",                            F_PathOp<&CPath::Flip>, 1},
    {"path_rotate",                          F_PathRotate,    2},
    {"path_scale",                           F_PathScale,     3},
    {"path_shift",                           F_PathShift,     3},
    {"timeline_name",                        nullptr,         1},
    {"timeline_exists",                      nullptr,         1},
    {"timeline_get_name",                    nullptr,         1},
    {"timeline_add",                         nullptr,         0},
    {"timeline_delete",                      nullptr,         1},
    {"timeline_clear",                       nullptr,         1},
    {"timeline_moment_clear",                nullptr,         2},
    {"timeline_moment_add",                  nullptr,         3},
    {"object_name",                          nullptr,         1},
    {"object_exists",                        nullptr,         1},
    {"object_get_name",                      nullptr,         1},
    {"object_get_sprite",                    nullptr,         1},
    {"object_get_solid",                     nullptr,         1},
    {"object_get_visible",                   nullptr,         1},
    {"object_get_depth",                     nullptr,         1},
    {"object_get_persistent",                nullptr,         1},
    {"object_get_mask",                      nullptr,         1},
    {"object_get_parent",                    nullptr,         1},
    {"object_is_ancestor",                   nullptr,         2},
    {"object_set_sprite",                    nullptr,         2},
    {"object_set_solid",                     nullptr,         2},
    {"object_set_visible",                   nullptr,         2},
    {"object_set_depth",                     nullptr,         2},
    {"object_set_persistent",                nullptr,         2},
    {"object_set_mask",                      nullptr,         2},
    {"object_set_parent",                    nullptr,         2},
    {"object_add",                           nullptr,         0},
    {"object_delete",                        nullptr,         1},
    {"object_event_clear",                   nullptr,         3},
    {"object_event_add",                     nullptr,         4},
    {"room_name",                            nullptr,         1},
    {"room_exists",                          nullptr,         1},
    {"room_get_name",                        nullptr,         1},
    {"room_set_width",                       nullptr,         2},
    {"room_set_height",                      nullptr,         2},
    {"room_set_caption",                     nullptr,         2},
    {"room_set_persistent",                  nullptr,         2},
    {"room_set_code",                        nullptr,         2},
    {"room_set_background_color",            nullptr,         3},
    {"room_set_background",                  nullptr,         12},
    {"room_set_view",                        nullptr,         16},
    {"room_set_view_enabled",                nullptr,         2},
    {"room_add",                             nullptr,         0},
    {"room_duplicate",                       nullptr,         1},
    {"room_assign",                          nullptr,         2},
    {"room_instance_add",                    nullptr,         4},
    {"room_instance_clear",                  nullptr,         1},
    {"room_tile_add",                        nullptr,         9},
    {"room_tile_add_ext",                    nullptr,         12},
    {"room_tile_clear",                      nullptr,         1},
};
// clang-format on

void Function_RegisterResource() {
    Function_AddTable(kResourceFunctions);
}
