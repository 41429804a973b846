// Objects, events and actions: JSON to records and back.
#include "Pack_Objects.h"

#include "resources/Object_Main.h"

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

void WriteAction(CStream& s, const json& a, const std::string& where) {
    if (!a.is_object()) throw EProjectError(where + ": each action must be an object");
    bool shorthand = a.contains("code") && !a.contains("kind");
    json args = shorthand ? json::array({a["code"]}) : Pack_Get(a, "args", json::array(), where);
    json types = shorthand ? json::array({1}) : Pack_Get(a, "argtypes", json(), where);
    if (types.is_null()) types = json(std::vector<int>(args.size(), 0));
    if (args.size() > 8 || types.size() > 8)
        throw EProjectError(where + ": an action has at most 8 arguments");
    s.WriteInteger(440);
    s.WriteInteger(Pack_Get(a, "lib", shorthand ? 1 : 0, where));
    s.WriteInteger(Pack_Get(a, "id", shorthand ? 603 : 0, where));
    s.WriteInteger(shorthand ? kActionCode : Pack_Get(a, "kind", 0, where));
    s.WriteBoolean(Pack_Get(a, "use_relative", false, where));
    s.WriteBoolean(Pack_Get(a, "question", false, where));
    s.WriteBoolean(Pack_Get(a, "use_apply_to", shorthand, where));
    s.WriteInteger(shorthand ? 2 : Pack_Get(a, "exe", 0, where));
    s.WriteString(Pack_Get(a, "function", std::string(), where));
    s.WriteString(Pack_Get(a, "codestring", std::string(), where));
    s.WriteInteger(Pack_Get(a, "argcount", int(args.size()), where));
    s.WriteInteger(int32_t(types.size()));
    for (const json& t : types) s.WriteInteger(t.get<int>());
    s.WriteInteger(Pack_Get(a, "who", -1, where));
    s.WriteBoolean(Pack_Get(a, "relative", false, where));
    s.WriteInteger(int32_t(args.size()));
    for (const json& t : args) s.WriteString(t.get<std::string>());
    s.WriteBoolean(Pack_Get(a, "not", false, where));
}

json ActionJson(const CAction& a) {
    if (IsPlainCode(a)) return {{"code", a.act_argstring[0]}};
    json args = json::array(), types = json::array();
    for (int i = 0; i < a.act_argstringcount; i++) args.push_back(a.act_argstring[size_t(i)]);
    for (int i = 0; i < a.act_argtypecount; i++) types.push_back(a.act_argtype[size_t(i)]);
    return {{"lib", a.act_libid},
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
            {"args", args},
            {"not", a.act_isnot}};
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

int EventType(const json& e, const std::string& where) {
    if (e.contains("type") && e["type"].is_string()) {
        for (int t = 0; t < kEventTypes; t++)
            if (e["type"] == kTypeNames[t]) return t;
        throw EProjectError(where + ": unknown event type " + e["type"].dump());
    }
    int t = Pack_Get(e, "type", -1, where);
    if (t < 0 || t >= kEventTypes) throw EProjectError(where + ": event type must be 0 to 11 or its name");
    return t;
}

} // namespace

void Pack_WriteEvent(CStream& s, const json& actions, const std::string& where) {
    if (!actions.is_array()) throw EProjectError(where + ": actions must be a list");
    s.WriteInteger(400);
    s.WriteInteger(int32_t(actions.size()));
    for (const json& a : actions) WriteAction(s, a, where);
}

json Pack_EventJson(const CEvent& ev) {
    json list = json::array();
    for (const auto& a : ev.e_actions) list.push_back(ActionJson(*a));
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
        std::vector<std::pair<int, std::pair<int, const json*>>> events;
        json list = Pack_Get(o, "events", json::array(), file);
        for (const json& e : list) {
            int type = EventType(e, file);
            int number;
            if (type == kEvCollision)
                number = Pack_Ref(e, "number", g, EChunk::Objects, file, 0);
            else if (type == kEvTrigger && e.contains("number") && e["number"].is_string())
                number = TriggerIndex(g, e["number"].get<std::string>(), file);
            else
                number = Pack_Get(e, "number", 0, file);
            if (number < 0) throw EProjectError(file + ": event numbers are 0 or more");
            if (!e.contains("actions") || e["actions"].empty()) continue;
            events.push_back({type, {number, &e["actions"]}});
        }
        std::stable_sort(events.begin(), events.end(), [](const auto& a, const auto& b) {
            return a.first < b.first || (a.first == b.first && a.second.first < b.second.first);
        });
        s.WriteInteger(kEventTypes - 1);
        size_t at = 0;
        for (int t = 0; t < kEventTypes; t++) {
            for (; at < events.size() && events[at].first == t; at++) {
                if (at > 0 && events[at - 1].first == t &&
                    events[at - 1].second.first == events[at].second.first)
                    throw EProjectError(file + ": event " + kTypeNames[t] + " " +
                                        std::to_string(events[at].second.first) + " is given twice");
                s.WriteInteger(events[at].second.first);
                Pack_WriteEvent(s, *events[at].second.second, file);
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
        json events = json::array();
        for (int t = 0; t < kEventTypes; t++)
            for (size_t n = 0; n < o->o_events[size_t(t)].size(); n++) {
                const CEvent& ev = *o->o_events[size_t(t)][n];
                if (ev.Count() == 0) continue;
                json number =
                    t == kEvCollision ? Pack_RefJson(int(n), objects.names, objects.exists) : json(n);
                events.push_back(
                    {{"type", kTypeNames[t]}, {"number", number}, {"actions", Pack_EventJson(ev)}});
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
