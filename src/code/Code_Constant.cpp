// The constant table, the built-in constants, Constant_Define and Name_Lookup.
#include "code/Code_Constant.h"

#include "platform/Platform_Dialog.h"
#include "resources/Script_Main.h"

#include <array>
#include <unordered_map>
#include <vector>

namespace {

struct RBuiltinConstant {
    const char* name;
    double value;
};

constexpr double kPi = 3.141592653589793;

// 334 constants, defined in this order before any other.
// clang-format off
const RBuiltinConstant kBuiltinConstants[] = {
    // Instance selectors, truth values and pi (9)
    {"self",                     -1},
    {"other",                    -2},
    {"all",                      -3},
    {"noone",                    -4},
    {"global",                   -5},
    {"local",                    -7},
    {"true",                     1},
    {"false",                    0},
    {"pi",                       kPi},
    // Primitive kinds (6)
    {"pr_pointlist",             1},
    {"pr_linelist",              2},
    {"pr_linestrip",             3},
    {"pr_trianglelist",          4},
    {"pr_trianglestrip",         5},
    {"pr_trianglefan",           6},
    // Colours, 0xBBGGRR (19)
    {"c_aqua",                   16776960},
    {"c_black",                  0},
    {"c_blue",                   16711680},
    {"c_dkgray",                 4210752},
    {"c_fuchsia",                16711935},
    {"c_gray",                   8421504},
    {"c_green",                  32768},
    {"c_lime",                   65280},
    {"c_ltgray",                 12632256},
    {"c_maroon",                 128},
    {"c_navy",                   8388608},
    {"c_olive",                  32896},
    {"c_purple",                 8388736},
    {"c_red",                    255},
    {"c_silver",                 12632256},
    {"c_teal",                   8421376},
    {"c_white",                  16777215},
    {"c_yellow",                 65535},
    {"c_orange",                 4235519},
    // Blend modes and blend factors (15)
    {"bm_normal",                0},
    {"bm_add",                   1},
    {"bm_max",                   2},
    {"bm_subtract",              3},
    {"bm_zero",                  1},
    {"bm_one",                   2},
    {"bm_src_color",             3},
    {"bm_inv_src_color",         4},
    {"bm_src_alpha",             5},
    {"bm_inv_src_alpha",         6},
    {"bm_dest_alpha",            7},
    {"bm_inv_dest_alpha",        8},
    {"bm_dest_color",            9},
    {"bm_inv_dest_color",        10},
    {"bm_src_alpha_sat",         11},
    // Sound effects, bit flags (8)
    {"se_none",                  0},
    {"se_chorus",                1},
    {"se_echo",                  2},
    {"se_flanger",               4},
    {"se_gargle",                8},
    {"se_reverb",                16},
    {"se_compressor",            32},
    {"se_equalizer",             64},
    // Text alignment and file attributes, bit flags (12)
    {"fa_left",                  0},
    {"fa_center",                1},
    {"fa_right",                 2},
    {"fa_top",                   0},
    {"fa_middle",                1},
    {"fa_bottom",                2},
    {"fa_readonly",              1},
    {"fa_hidden",                2},
    {"fa_sysfile",               4},
    {"fa_volumeid",              8},
    {"fa_directory",             16},
    {"fa_archive",               32},
    // Mouse buttons (5)
    {"mb_any",                   -1},
    {"mb_none",                  0},
    {"mb_left",                  1},
    {"mb_right",                 2},
    {"mb_middle",                3},
    // Virtual keys (56)
    {"vk_nokey",                 0},
    {"vk_anykey",                1},
    {"vk_enter",                 13},
    {"vk_return",                13},
    {"vk_shift",                 16},
    {"vk_control",               17},
    {"vk_alt",                   18},
    {"vk_escape",                27},
    {"vk_space",                 32},
    {"vk_backspace",             8},
    {"vk_tab",                   9},
    {"vk_pause",                 19},
    {"vk_printscreen",           44},
    {"vk_left",                  37},
    {"vk_right",                 39},
    {"vk_up",                    38},
    {"vk_down",                  40},
    {"vk_home",                  36},
    {"vk_end",                   35},
    {"vk_delete",                46},
    {"vk_insert",                45},
    {"vk_pageup",                33},
    {"vk_pagedown",              34},
    {"vk_f1",                    112},
    {"vk_f2",                    113},
    {"vk_f3",                    114},
    {"vk_f4",                    115},
    {"vk_f5",                    116},
    {"vk_f6",                    117},
    {"vk_f7",                    118},
    {"vk_f8",                    119},
    {"vk_f9",                    120},
    {"vk_f10",                   121},
    {"vk_f11",                   122},
    {"vk_f12",                   123},
    {"vk_numpad0",               96},
    {"vk_numpad1",               97},
    {"vk_numpad2",               98},
    {"vk_numpad3",               99},
    {"vk_numpad4",               100},
    {"vk_numpad5",               101},
    {"vk_numpad6",               102},
    {"vk_numpad7",               103},
    {"vk_numpad8",               104},
    {"vk_numpad9",               105},
    {"vk_divide",                111},
    {"vk_multiply",              106},
    {"vk_subtract",              109},
    {"vk_add",                   107},
    {"vk_decimal",               110},
    {"vk_lshift",                160},
    {"vk_lcontrol",              162},
    {"vk_lalt",                  164},
    {"vk_rshift",                161},
    {"vk_rcontrol",              163},
    {"vk_ralt",                  165},
    // Event types, mouse, joystick and other event numbers, step kinds (91)
    {"ev_create",                0},
    {"ev_destroy",               1},
    {"ev_step",                  3},
    {"ev_alarm",                 2},
    {"ev_keyboard",              5},
    {"ev_mouse",                 6},
    {"ev_collision",             4},
    {"ev_other",                 7},
    {"ev_draw",                  8},
    {"ev_keypress",              9},
    {"ev_keyrelease",            10},
    {"ev_trigger",               11},
    {"ev_left_button",           0},
    {"ev_right_button",          1},
    {"ev_middle_button",         2},
    {"ev_no_button",             3},
    {"ev_left_press",            4},
    {"ev_right_press",           5},
    {"ev_middle_press",          6},
    {"ev_left_release",          7},
    {"ev_right_release",         8},
    {"ev_middle_release",        9},
    {"ev_mouse_enter",           10},
    {"ev_mouse_leave",           11},
    {"ev_global_press",          12},
    {"ev_global_release",        13},
    {"ev_joystick1_left",        16},
    {"ev_joystick1_right",       17},
    {"ev_joystick1_up",          18},
    {"ev_joystick1_down",        19},
    {"ev_joystick1_button1",     21},
    {"ev_joystick1_button2",     22},
    {"ev_joystick1_button3",     23},
    {"ev_joystick1_button4",     24},
    {"ev_joystick1_button5",     25},
    {"ev_joystick1_button6",     26},
    {"ev_joystick1_button7",     27},
    {"ev_joystick1_button8",     28},
    {"ev_joystick2_left",        31},
    {"ev_joystick2_right",       32},
    {"ev_joystick2_up",          33},
    {"ev_joystick2_down",        34},
    {"ev_joystick2_button1",     36},
    {"ev_joystick2_button2",     37},
    {"ev_joystick2_button3",     38},
    {"ev_joystick2_button4",     39},
    {"ev_joystick2_button5",     40},
    {"ev_joystick2_button6",     41},
    {"ev_joystick2_button7",     42},
    {"ev_joystick2_button8",     43},
    {"ev_global_left_button",    50},
    {"ev_global_right_button",   51},
    {"ev_global_middle_button",  52},
    {"ev_global_left_press",     53},
    {"ev_global_right_press",    54},
    {"ev_global_middle_press",   55},
    {"ev_global_left_release",   56},
    {"ev_global_right_release",  57},
    {"ev_global_middle_release", 58},
    {"ev_mouse_wheel_up",        60},
    {"ev_mouse_wheel_down",      61},
    {"ev_outside",               0},
    {"ev_boundary",              1},
    {"ev_game_start",            2},
    {"ev_game_end",              3},
    {"ev_room_start",            4},
    {"ev_room_end",              5},
    {"ev_no_more_lives",         6},
    {"ev_animation_end",         7},
    {"ev_end_of_path",           8},
    {"ev_no_more_health",        9},
    {"ev_user0",                 10},
    {"ev_user1",                 11},
    {"ev_user2",                 12},
    {"ev_user3",                 13},
    {"ev_user4",                 14},
    {"ev_user5",                 15},
    {"ev_user6",                 16},
    {"ev_user7",                 17},
    {"ev_user8",                 18},
    {"ev_user9",                 19},
    {"ev_user10",                20},
    {"ev_user11",                21},
    {"ev_user12",                22},
    {"ev_user13",                23},
    {"ev_user14",                24},
    {"ev_user15",                25},
    {"ev_close_button",          30},
    {"ev_step_normal",           0},
    {"ev_step_begin",            1},
    {"ev_step_end",              2},
    // External function value types (2)
    {"ty_real",                  0},
    {"ty_string",                1},
    // External function calling conventions (2)
    {"dll_cdecl",                0},
    {"dll_stdcall",              1},
    // Cursors (23)
    {"cr_default",               0},
    {"cr_none",                  -1},
    {"cr_arrow",                 -2},
    {"cr_arrrow",                -2}, // a second spelling of cr_arrow
    {"cr_cross",                 -3},
    {"cr_beam",                  -4},
    {"cr_size_nesw",             -6},
    {"cr_size_ns",               -7},
    {"cr_size_nwse",             -8},
    {"cr_size_we",               -9},
    {"cr_uparrow",               -10},
    {"cr_hourglass",             -11},
    {"cr_drag",                  -12},
    {"cr_nodrop",                -13},
    {"cr_hsplit",                -14},
    {"cr_vsplit",                -15},
    {"cr_multidrag",             -16},
    {"cr_sqlwait",               -17},
    {"cr_no",                    -18},
    {"cr_appstart",              -19},
    {"cr_help",                  -20},
    {"cr_handpoint",             -21},
    {"cr_size_all",              -22},
    // Particle shapes (14)
    {"pt_shape_pixel",           0},
    {"pt_shape_disk",            1},
    {"pt_shape_square",          2},
    {"pt_shape_line",            3},
    {"pt_shape_star",            4},
    {"pt_shape_circle",          5},
    {"pt_shape_ring",            6},
    {"pt_shape_sphere",          7},
    {"pt_shape_flare",           8},
    {"pt_shape_spark",           9},
    {"pt_shape_explosion",       10},
    {"pt_shape_cloud",           11},
    {"pt_shape_smoke",           12},
    {"pt_shape_snow",            13},
    // Particle emitter distributions and shapes, attractor forces, deflector kinds, changer kinds (15)
    {"ps_distr_linear",          0},
    {"ps_distr_gaussian",        1},
    {"ps_distr_invgaussian",     2},
    {"ps_shape_rectangle",       0},
    {"ps_shape_ellipse",         1},
    {"ps_shape_diamond",         2},
    {"ps_shape_line",            3},
    {"ps_force_constant",        0},
    {"ps_force_linear",          1},
    {"ps_force_quadratic",       2},
    {"ps_deflect_vertical",      0},
    {"ps_deflect_horizontal",    1},
    {"ps_change_all",            0},
    {"ps_change_shape",          1},
    {"ps_change_motion",         2},
    // Effect kinds (12)
    {"ef_explosion",             0},
    {"ef_ring",                  1},
    {"ef_ellipse",               2},
    {"ef_firework",              3},
    {"ef_smoke",                 4},
    {"ef_smokeup",               5},
    {"ef_star",                  6},
    {"ef_spark",                 7},
    {"ef_flare",                 8},
    {"ef_cloud",                 9},
    {"ef_rain",                  10},
    {"ef_snow",                  11},
    // Operating system types, the values of `os_type` (9)
    {"os_unknown",               -1},
    {"os_win32",                 0},
    {"os_windows",               0},
    {"os_macosx",                1},
    {"os_psp",                   2},
    {"os_ios",                   3},
    {"os_android",               4},
    {"os_symbian",               5},
    {"os_linux",                 6},
    // Device types, the values of `os_device` (4)
    {"device_ios_unknown",       -1},
    {"device_ios_iphone",        0},
    {"device_ios_iphone_retina", 1},
    {"device_ios_ipad",          2},
    // Display orientations, the values of `display_get_orientation` (2)
    {"display_landscape",        0},
    {"display_portrait",         1},
    // Browser types, the values of `os_browser` (8)
    {"browser_not_a_browser",    -1},
    {"browser_unknown",          0},
    {"browser_ie",               1},
    {"browser_firefox",          2},
    {"browser_chrome",           3},
    {"browser_safari",           4},
    {"browser_safari_mobile",    5},
    {"browser_opera",            6},
    // Further constants (3)
    {"text_type",                0},
    {"button_type",              1},
    {"input_type",               2},
    // Font character sets (19)
    {"ANSI_CHARSET",             0},
    {"DEFAULT_CHARSET",          1},
    {"EASTEUROPE_CHARSET",       238},
    {"RUSSIAN_CHARSET",          204},
    {"SYMBOL_CHARSET",           2},
    {"SHIFTJIS_CHARSET",         128},
    {"HANGEUL_CHARSET",          129},
    {"GB2312_CHARSET",           134},
    {"CHINESEBIG5_CHARSET",      136},
    {"JOHAB_CHARSET",            130},
    {"HEBREW_CHARSET",           177},
    {"ARABIC_CHARSET",           178},
    {"GREEK_CHARSET",            161},
    {"TURKISH_CHARSET",          162},
    {"VIETNAMESE_CHARSET",       163},
    {"THAI_CHARSET",             222},
    {"MAC_CHARSET",              77},
    {"BALTIC_CHARSET",           186},
    {"OEM_CHARSET",              255},
};
// clang-format on

// The pairs in order of definition, plus an index from each name to its latest definition so
// that a lookup costs the same as the search from the last entry back that it stands for.
struct TConstantTable {
    std::vector<std::string> names;
    std::vector<RValue> values;
    std::unordered_map<std::string, int> latest;

    void Add(const std::string& name, const RValue& value) {
        latest[name] = static_cast<int>(names.size());
        names.push_back(name);
        values.push_back(value);
    }
    void AddBuiltins() {
        for (const RBuiltinConstant& c : kBuiltinConstants) Add(c.name, RValue::Real(c.value));
    }
};

TConstantTable& Table() {
    static TConstantTable table = [] {
        TConstantTable t;
        t.AddBuiltins();
        return t;
    }();
    return table;
}

TConstantEvaluator g_evaluator = nullptr;
// The script table exists from the start; the other resource lists connect their finders when
// they are built.
std::array<TNameFinder, NAME_KIND_COUNT> g_finders = [] {
    std::array<TNameFinder, NAME_KIND_COUNT> finders{};
    finders[NAME_SCRIPT] = Script_Find;
    return finders;
}();

bool IsSpaceOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsLetterOrDigit(char c) {
    return IsLetter(c) || (c >= '0' && c <= '9');
}

bool IsIdentifier(const std::string& s) {
    if (s.empty() || !IsLetter(s[0])) return false;
    for (char c : s) {
        if (!IsLetterOrDigit(c)) return false;
    }
    return true;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsSpaceOrControl(s[b])) b++;
    while (e > b && IsSpaceOrControl(s[e - 1])) e--;
    return s.substr(b, e - b);
}

} // namespace

void Constant_Add(const std::string& name, const RValue& value) {
    Table().Add(name, value);
}

void Constant_Reset() {
    TConstantTable& t = Table();
    t = TConstantTable();
    t.AddBuiltins();
}

int Constant_Count() {
    return static_cast<int>(Table().names.size());
}

const std::string& Constant_GetName(int index) {
    static const std::string none;
    const TConstantTable& t = Table();
    return index >= 0 && index < static_cast<int>(t.names.size()) ? t.names[index] : none;
}

const RValue& Constant_GetValue(int index) {
    static const RValue none;
    const TConstantTable& t = Table();
    return index >= 0 && index < static_cast<int>(t.values.size()) ? t.values[index] : none;
}

bool Constant_Find(const std::string& name, RValue& value) {
    const TConstantTable& t = Table();
    auto it = t.latest.find(name);
    if (it == t.latest.end()) return false;
    value = t.values[it->second];
    return true;
}

void Constant_SetEvaluator(TConstantEvaluator evaluator) {
    g_evaluator = evaluator;
}

bool Constant_Define(const std::string& nameText, const std::string& valueText) {
    std::string name = Trim(nameText);
    if (!IsIdentifier(name)) {
        Platform_ShowMessage("Constant name " + name + "  is not valid.");
        return false;
    }
    if (!g_evaluator) {
        Platform_ShowMessage("Value for constant " + name +
                             " cannot be computed: the code compiler is not available yet.");
        return false;
    }
    RValue value;
    if (!g_evaluator(valueText, value)) {
        Platform_ShowMessage("Value for constant " + name + "  is not valid.");
        return false;
    }
    Constant_Add(name, value);
    return true;
}

void Name_SetFinder(TNameKind kind, TNameFinder finder) {
    if (kind >= 0 && kind < NAME_KIND_COUNT) g_finders[kind] = finder;
}

bool Name_Lookup(const std::string& name, RValue& value) {
    for (TNameFinder find : g_finders) {
        if (!find) continue;
        int index = find(name);
        if (index >= 0) {
            value = RValue::Real(index);
            return true;
        }
    }
    return Constant_Find(name, value);
}
