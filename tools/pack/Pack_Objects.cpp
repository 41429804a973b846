// Objects, events and actions: JSON to records and back.
#include "Pack_Objects.h"

#include "code/Code_Constant.h"
#include "resources/Object_Main.h"
#include "resources/Trigger_Class.h"

namespace {

const char* const kTypeNames[kEventTypes] = {"create",    "destroy",  "alarm",      "step",
                                             "collision", "keyboard", "mouse",      "other",
                                             "draw",      "keypress", "keyrelease", "trigger"};

// A code action as the editor makes it: library 1, action 603, applies to self.
bool IsPlainCode(const CAction& a) {
    return a.act_libid == 1 && a.act_id == 603 && a.act_kind == kActionCode && !a.act_userelative &&
           !a.act_isquestion && a.act_useapplyto && a.act_exetype == 2 && a.act_functionname.empty() &&
           a.act_codestring.empty() && a.act_argumentcount == 1 && a.act_argtypecount == 1 &&
           a.act_argtype[0] == 1 && a.act_who == -1 && !a.act_relative && a.act_argstringcount == 1 &&
           !a.act_isnot;
}

void WriteAction(CStream& s, const json& a, const PackEventSite& site, size_t index) {
    const std::string pointer = Pack_Pointer(site.pointer, index);
    const std::string where = Pack_Where(site.file, pointer);
    if (!a.is_object()) throw EProjectError(where + ": each action must be an object, not " + a.dump());
    const std::string key = site.key + " action " + std::to_string(index);
    site.game->codeOrigins[key] = PackCodeOrigin{site.file, pointer};
    // A code action: its code (inline or in a file of its own) and whom it runs for.
    const bool shorthand = !a.contains("kind") && (a.contains("code") || a.contains("file"));
    PackCodeOrigin origin;
    if (shorthand) {
        Pack_CheckKeys(a, where, {"code", "file", "who", "use_apply_to"});
        std::string code = Pack_CodeText(a, "code", "file", site.dir, where, site.file, pointer, &origin);
        site.game->codeOrigins[key + " code"] = origin;
        s.WriteInteger(440);
        for (int v : {1, 603, int(kActionCode)}) s.WriteInteger(v);
        s.WriteBoolean(false);
        s.WriteBoolean(false);
        s.WriteBoolean(Pack_Get(a, "use_apply_to", true, where));
        s.WriteInteger(2);
        s.WriteString("");
        s.WriteString("");
        for (int v : {1, 1, 1}) s.WriteInteger(v);
        s.WriteInteger(Pack_Get(a, "who", -1, where)); // the instances the code runs for
        s.WriteBoolean(false);
        s.WriteInteger(1);
        s.WriteString(code);
        s.WriteBoolean(false);
        return;
    }
    Pack_CheckKeys(a, where,
                   {"lib", "id", "kind", "use_relative", "question", "use_apply_to", "exe", "function",
                    "codestring", "argcount", "argtypes", "who", "relative", "args", "not", "code", "file"});
    const int kind = Pack_Get(a, "kind", 0, where);
    std::vector<std::string> args;
    if (a.contains("code") || a.contains("file")) {
        // The code of a full action is its first argument.
        if (a.contains("args")) throw EProjectError(where + ": give \"args\" or the code, not both");
        args.push_back(Pack_CodeText(a, "code", "file", site.dir, where, site.file, pointer, &origin));
        site.game->codeOrigins[key + " code"] = origin;
    } else {
        json list = Pack_GetList(a, "args", where);
        for (size_t i = 0; i < list.size(); i++) {
            args.push_back(Pack_ListString(list, i, where, "args"));
            PackCodeOrigin o{site.file, Pack_Pointer(Pack_Pointer(pointer, "args"), i)};
            site.game->codeOrigins[key + " arg " + std::to_string(i)] = o;
            if (i == 0) site.game->codeOrigins[key + " code"] = o;
        }
    }
    std::vector<int> types = Pack_Get(a, "argtypes", std::vector<int>(args.size(), 0), where);
    if (args.size() > 8 || types.size() > 8)
        throw EProjectError(where + ": an action has at most 8 arguments");
    const std::string function = Pack_Get(a, "function", std::string(), where);
    // Set-variable and code actions run code; an action naming a function calls it.
    const int exe = Pack_Get(a, "exe",
                             kind == kActionVariable || kind == kActionCode ? 2
                             : function.empty()                             ? 0
                                                                            : 1,
                             where);
    s.WriteInteger(440);
    s.WriteInteger(Pack_Get(a, "lib", 0, where));
    s.WriteInteger(Pack_Get(a, "id", 0, where));
    s.WriteInteger(kind);
    s.WriteBoolean(Pack_Get(a, "use_relative", false, where));
    s.WriteBoolean(Pack_Get(a, "question", false, where));
    s.WriteBoolean(Pack_Get(a, "use_apply_to", false, where));
    s.WriteInteger(exe);
    s.WriteString(function);
    s.WriteString(Pack_Get(a, "codestring", std::string(), where));
    s.WriteInteger(Pack_Get(a, "argcount", int(args.size()), where));
    s.WriteInteger(int32_t(types.size()));
    for (int t : types) s.WriteInteger(t);
    s.WriteInteger(Pack_Get(a, "who", -1, where));
    s.WriteBoolean(Pack_Get(a, "relative", false, where));
    s.WriteInteger(int32_t(args.size()));
    for (const std::string& t : args) s.WriteString(t);
    s.WriteBoolean(Pack_Get(a, "not", false, where));
}

json ActionJson(const CAction& a, PackCodeFolder& folder, const std::string& stem) {
    json out = json::object();
    if (IsPlainCode(a)) {
        folder.Put(out, "code", "file", a.act_argstring[0], stem);
        return out;
    }
    json types = json::array();
    for (int i = 0; i < a.act_argtypecount; i++) types.push_back(a.act_argtype[size_t(i)]);
    out = {{"lib", a.act_libid},
           {"id", a.act_id},
           {"kind", a.act_kind},
           {"use_relative", a.act_userelative},
           {"question", a.act_isquestion},
           {"use_apply_to", a.act_useapplyto},
           {"exe", a.act_exetype},
           {"function", a.act_functionname},
           {"codestring", a.act_codestring},
           {"argcount", a.act_argumentcount},
           {"argtypes", types},
           {"who", a.act_who},
           {"relative", a.act_relative},
           {"not", a.act_isnot}};
    // The code of a code action (its one argument) may go to a file like a plain code action's.
    if (a.act_kind == kActionCode && a.act_argstringcount == 1) {
        folder.Put(out, "code", "file", a.act_argstring[0], stem);
    } else {
        json args = json::array();
        for (int i = 0; i < a.act_argstringcount; i++) args.push_back(a.act_argstring[size_t(i)]);
        out["args"] = args;
    }
    return out;
}

// A trigger named in an event: its index among the project's triggers (packed before objects).
int TriggerIndex(const GameImage& g, const std::string& name, const std::string& where) {
    for (size_t t = 0; t < g.triggers.size(); t++) {
        if (!g.triggers[t]) continue;
        CStream r(*g.triggers[t]);
        r.ReadInteger();
        if (r.ReadString() == name) return int(t);
    }
    throw EProjectError(where + ": no trigger named \"" + name + "\"");
}

// A built-in constant's value as an integer (event types and numbers may be written as names
// such as ev_step, ev_step_begin, vk_left).
bool ConstantInteger(const std::string& name, int& out) {
    RValue v;
    if (!Constant_Find(name, v) || v.IsString()) return false;
    out = int(v.val);
    return true;
}

int EventType(const json& e, const std::string& where) {
    if (!e.contains("type")) throw EProjectError(where + ": an event needs \"type\"");
    const json& v = e["type"];
    if (v.is_string()) {
        for (int t = 0; t < kEventTypes; t++)
            if (v == kTypeNames[t]) return t;
        int t = -1;
        if (v.get<std::string>().rfind("ev_", 0) == 0 && ConstantInteger(v.get<std::string>(), t) && t >= 0 &&
            t < kEventTypes)
            return t;
        throw EProjectError(where + ": unknown event type " + v.dump() +
                            " (create, destroy, alarm, step, collision, keyboard, mouse, other, draw, "
                            "keypress, keyrelease, trigger, an ev_ constant or 0 to 11)");
    }
    if (!Pack_IsType<int>(v) || v.get<int>() < 0 || v.get<int>() >= kEventTypes)
        throw EProjectError(where + ": \"type\" must be an event type name or 0 to 11, not " + v.dump());
    return v.get<int>();
}

// The name a key has in file names: its vk_ constant, a letter or digit, else its number.
std::string KeyName(int key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, char(key));
    for (int i = 0; i < Constant_Count(); i++) {
        const std::string& name = Constant_GetName(i);
        const RValue& v = Constant_GetValue(i);
        if (name.rfind("vk_", 0) == 0 && !v.IsString() && int(v.val) == key) return name;
    }
    return std::to_string(key);
}

std::string MouseName(int n) {
    static const char* const kButtons[] = {"left_button",   "right_button",   "middle_button", "no_button",
                                           "left_press",    "right_press",    "middle_press",  "left_release",
                                           "right_release", "middle_release", "mouse_enter",   "mouse_leave",
                                           "global_press",  "global_release"};
    static const char* const kStick[] = {"left", "right", "up", "down"};
    static const char* const kGlobal[] = {"left_button",  "right_button",  "middle_button",
                                          "left_press",   "right_press",   "middle_press",
                                          "left_release", "right_release", "middle_release"};
    if (n >= 0 && n < 14) return kButtons[n];
    for (int j = 1; j <= 2; j++) {
        const int base = j == 1 ? 16 : 31;
        const std::string stick = "joystick" + std::to_string(j) + "_";
        if (n >= base && n < base + 4) return stick + kStick[n - base];
        if (n >= base + 5 && n < base + 13) return stick + "button" + std::to_string(n - base - 4);
    }
    if (n >= 50 && n < 59) return std::string("global_") + kGlobal[n - 50];
    if (n == 60) return "mouse_wheel_up";
    if (n == 61) return "mouse_wheel_down";
    return std::to_string(n);
}

std::string OtherName(int n) {
    static const char* const kOther[] = {"outside",     "boundary",      "game_start",    "game_end",
                                         "room_start",  "room_end",      "no_more_lives", "animation_end",
                                         "end_of_path", "no_more_health"};
    if (n >= 0 && n < 10) return kOther[n];
    if (n >= 10 && n < 26) return "user" + std::to_string(n - 10);
    if (n == 30) return "close_button";
    return std::to_string(n);
}

// The readable name of an event for its code files: create, step_begin, alarm0,
// collision_o_wall, keypress_vk_left, mouse_left_press, other_room_start, trigger_tr_cleared.
std::string EventStem(int type, int number) {
    const std::string t = kTypeNames[type];
    switch (type) {
    case kEvAlarm:
        return t + std::to_string(number);
    case kEvStep:
        return number == 0   ? t
               : number == 1 ? "step_begin"
               : number == 2 ? "step_end"
                             : t + "_" + std::to_string(number);
    case kEvCollision: {
        const CNamedList& objects = g_game.named[int(EChunk::Objects)];
        json ref = Pack_RefJson(number, objects.names, objects.exists);
        return t + "_" + (ref.is_string() ? Pack_FileName(ref.get<std::string>()) : std::to_string(number));
    }
    case kEvKeyboard:
    case kEvKeyPress:
    case kEvKeyRelease:
        return t + "_" + KeyName(number);
    case kEvMouse:
        return t + "_" + MouseName(number);
    case kEvOther:
        return t + "_" + OtherName(number);
    case kEvTrigger: {
        CTrigger* tr = Trigger_Get(number);
        return t + "_" + (tr ? Pack_FileName(tr->i_name) : std::to_string(number));
    }
    default:
        return number == 0 ? t : t + "_" + std::to_string(number);
    }
}

} // namespace

void Pack_WriteEvent(CStream& s, const json& actions, const PackEventSite& site) {
    if (!actions.is_array())
        throw EProjectError(Pack_Where(site.file, site.pointer) + " must be a list of actions, not " +
                            actions.dump());
    s.WriteInteger(400);
    s.WriteInteger(int32_t(actions.size()));
    for (size_t i = 0; i < actions.size(); i++) WriteAction(s, actions[i], site, i);
}

json Pack_EventJson(const CEvent& ev, PackCodeFolder& folder, const std::string& stem) {
    json list = json::array();
    for (const auto& a : ev.e_actions) list.push_back(ActionJson(*a, folder, stem));
    return list;
}

void Pack_ReadObjects(const std::string& projectDir, GameImage& g) {
    const std::string folder = projectDir + "/objects";
    auto& items = g.named[int(EChunk::Objects)];
    const auto names = Pack_FolderIndex(folder, ".json");
    // Names first, so that objects can name each other (parents, collisions).
    size_t first = items.size();
    for (const auto& name : names) {
        if (name)
            items.push_back(PackItem{*name, {}});
        else
            items.emplace_back();
    }
    for (size_t k = 0; k < names.size(); k++) {
        if (!names[k]) continue;
        const std::string file = folder + "/" + *names[k] + ".json";
        json o = Pack_LoadJsonFile(file);
        Pack_CheckKeys(o, file,
                       {"sprite", "solid", "visible", "depth", "persistent", "parent", "mask", "events"});
        CStream s;
        s.WriteInteger(820);
        s.WriteInteger(Pack_Ref(o, "sprite", g, EChunk::Sprites, file));
        s.WriteBoolean(Pack_Get(o, "solid", false, file));
        s.WriteBoolean(Pack_Get(o, "visible", true, file));
        s.WriteInteger(Pack_Get(o, "depth", 0, file));
        s.WriteBoolean(Pack_Get(o, "persistent", false, file));
        s.WriteInteger(Pack_Ref(o, "parent", g, EChunk::Objects, file));
        s.WriteInteger(Pack_Ref(o, "mask", g, EChunk::Sprites, file));
        // Events by type, each type's numbers ascending; only events with actions are stored.
        struct REventItem {
            int type;
            int number;
            const json* actions;
            size_t at; // index in the file's list
        };
        std::vector<REventItem> events;
        json list = Pack_GetList(o, "events", file);
        for (size_t e = 0; e < list.size(); e++) {
            const json& ev = list[e];
            const std::string where = Pack_Where(file, "/events/" + std::to_string(e));
            Pack_CheckKeys(ev, where, {"type", "number", "actions"});
            int type = EventType(ev, where);
            int number = 0;
            const json* nv = ev.contains("number") ? &ev["number"] : nullptr;
            if (type == kEvCollision)
                number = Pack_Ref(ev, "number", g, EChunk::Objects, where, 0);
            else if (type == kEvTrigger && nv && nv->is_string())
                number = TriggerIndex(g, nv->get<std::string>(), where);
            else if (nv && nv->is_string()) {
                if (!ConstantInteger(nv->get<std::string>(), number))
                    throw EProjectError(where + ": \"number\" " + nv->dump() +
                                        " is not a built-in constant (such as ev_step_begin or vk_left)");
            } else
                number = Pack_Get(ev, "number", 0, where);
            if (number < 0) throw EProjectError(where + ": event numbers are 0 or more");
            if (Pack_GetList(ev, "actions", where).empty()) continue;
            events.push_back({type, number, &ev["actions"], e});
        }
        std::stable_sort(events.begin(), events.end(), [](const REventItem& a, const REventItem& b) {
            return a.type < b.type || (a.type == b.type && a.number < b.number);
        });
        s.WriteInteger(kEventTypes - 1);
        size_t at = 0;
        for (int t = 0; t < kEventTypes; t++) {
            for (; at < events.size() && events[at].type == t; at++) {
                const REventItem& ev = events[at];
                if (at > 0 && events[at - 1].type == t && events[at - 1].number == ev.number)
                    throw EProjectError(file + ": event " + kTypeNames[t] + " " + std::to_string(ev.number) +
                                        " is given twice");
                s.WriteInteger(ev.number);
                Pack_WriteEvent(s, *ev.actions,
                                PackEventSite{&g, file, folder,
                                              "/events/" + std::to_string(ev.at) + "/actions",
                                              Pack_CodeKey("object", int(first + k)) + " event " +
                                                  std::to_string(t) + " " + std::to_string(ev.number)});
            }
            s.WriteInteger(-1);
        }
        s.WriteBoolean(false);
        s.WriteBoolean(false);
        for (int i = 0; i < 6; i++) s.WriteInteger(0);
        items[first + k]->record = s.Bytes();
    }
}

void Pack_UnpackObjects(const std::string& projectDir) {
    const std::string folder = projectDir + "/objects";
    const CNamedList& sprites = g_game.named[int(EChunk::Sprites)];
    const CNamedList& objects = g_game.named[int(EChunk::Objects)];
    std::vector<std::optional<std::string>> names;
    for (int i = 0; i < Object_Count(); i++) {
        CObject* o = Object_Get(i);
        if (!o) {
            names.emplace_back();
            continue;
        }
        names.emplace_back(Pack_FileName(Object_GetName(i)));
        PackCodeFolder code{folder, Object_GetName(i), {}};
        json events = json::array();
        for (int t = 0; t < kEventTypes; t++)
            for (size_t n = 0; n < o->o_events[size_t(t)].size(); n++) {
                const CEvent& ev = *o->o_events[size_t(t)][n];
                if (ev.Count() == 0) continue;
                json number =
                    t == kEvCollision ? Pack_RefJson(int(n), objects.names, objects.exists) : json(n);
                events.push_back({{"type", kTypeNames[t]},
                                  {"number", number},
                                  {"actions", Pack_EventJson(ev, code, EventStem(t, int(n)))}});
            }
        Pack_SaveJsonFile(folder + "/" + Object_GetName(i) + ".json",
                          {{"sprite", Pack_RefJson(o->o_spriteindex, sprites.names, sprites.exists)},
                           {"solid", o->o_solid},
                           {"visible", o->o_visible},
                           {"depth", o->o_depth},
                           {"persistent", o->o_persistent},
                           {"parent", Pack_RefJson(o->o_parent, objects.names, objects.exists)},
                           {"mask", Pack_RefJson(o->o_mask, sprites.names, sprites.exists)},
                           {"events", events}});
    }
    if (!names.empty()) Pack_WriteFolderIndex(folder, names);
}
