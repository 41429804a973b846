// Checking and preparing a game's code in the packer.
#include "Pack_GameCode.h"

#include "Pack_Folder.h"
#include "Pack_Source.h"

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "data/DataNew_Main.h"
#include "resources/Action_Class.h"
#include "resources/Object_Main.h"
#include "resources/Resource_Readers.h"
#include "resources/Room_Main.h"
#include "resources/Script_Main.h"
#include "resources/TimeLine_Main.h"
#include "resources/Trigger_Class.h"
#include "run/Event_Name.h"
#include "runner/Runner_Load.h"
#include "support/Support_File.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

void Prepare() {
    if (GetTempDirectory().empty()) InitTempDirectory(); // extension files unpack there
    Resource_RegisterReaders();
}

const PackCodeOrigin* Origin(const GameImage& g, const std::string& key) {
    auto it = g.codeOrigins.find(key);
    return it == g.codeOrigins.end() ? nullptr : &it->second;
}

// One piece of code: compiled as the runner compiles it; a failure reported where it was written.
bool CheckPiece(const GameImage& g, const std::string& key, const std::string& fallbackFile, CCode& code,
                const std::string& heading) {
    if (code.Compile()) return true;
    Pack_ReportCompileError(Origin(g, key), fallbackFile, code.i_str, heading, Error_Buffer());
    Error_ClearFlag();
    return false;
}

// The actions of one event: each compiled on its own so that every failure is listed; an action
// calling a function that does not exist fails too.
int CheckEvent(const GameImage& g, CEvent& ev, const std::string& key, const std::string& file,
               const std::string& place, int& pieces) {
    int failures = 0;
    for (int i = 0; i < ev.Count(); i++) {
        CAction& a = *ev.Action(i);
        const std::string actionKey = key + " action " + std::to_string(i);
        const std::string heading =
            place.substr(place.find_first_not_of(' ')) + ", action " + std::to_string(i + 1);
        ++pieces;
        if (a.act_exetype == 1 && a.act_functionid == -1) {
            ++failures;
            Pack_ReportAt(Origin(g, actionKey), file, 1,
                          heading + ": Failed to locate action function " + a.act_functionname);
        }
        std::array<std::string, kActionArgs> args = a.act_argstring;
        std::string codeText =
            a.act_kind == kActionVariable
                ? a.act_argstring[0] + (a.act_relative ? " += " : " = ") + a.act_argstring[1]
                : a.act_argstring[0];
        std::string what;
        if (a.CompileQuiet(what)) continue;
        ++failures;
        bool isCode = what == "code action";
        std::string text = isCode ? codeText : args[size_t(std::atoi(what.c_str() + 9))];
        std::string originKey = actionKey + (isCode ? " code" : " arg " + what.substr(9));
        Pack_ReportCompileError(Origin(g, originKey), file, text, heading + ": COMPILATION ERROR in " + what,
                                Error_Buffer());
        Error_ClearFlag();
    }
    return failures;
}

// Script calls whose argument count the called script's code cannot take: with the default
// settings the call fails at run time.
void WarnScriptCalls(const GameImage& g, const std::string& key, const std::string& file, const CCode& code,
                     const RToken& node, int& warnings) {
    if (node.kind == kNodeCall && node.ind >= kScriptIdBase && node.ind < kExtensionIdBase) {
        const CScript* s = Script_Get(node.ind - kScriptIdBase);
        const CCode* target = s ? s->s_code.get() : nullptr;
        const int n = node.itemnumb();
        if (target && target->i_compiled && (target->i_ArgArray ? n < target->i_Args : n != target->i_Args)) {
            int line = 1;
            for (int k = 0; k < node.position && size_t(k) < code.i_str.size(); k++)
                if (code.i_str[size_t(k)] == '\n') ++line;
            ++warnings;
            Pack_ReportAt(Origin(g, key), file, line,
                          "warning: script " + s->s_name + " is called with " + std::to_string(n) +
                              " argument" + (n == 1 ? "" : "s") + " but its code uses " +
                              (target->i_ArgArray ? "at least " : "") + std::to_string(target->i_Args));
        }
    }
    for (const RToken& child : node.items) WarnScriptCalls(g, key, file, code, child, warnings);
}

void WarnEvent(const GameImage& g, const CEvent& ev, const std::string& key, const std::string& file,
               int& warnings) {
    for (int i = 0; i < ev.Count(); i++) {
        const CAction& a = *ev.Action(i);
        const std::string actionKey = key + " action " + std::to_string(i);
        if (a.act_codecode && a.act_codecode->i_compiled)
            WarnScriptCalls(g, actionKey + " code", file, *a.act_codecode, a.act_codecode->Root(), warnings);
        for (size_t k = 0; k < kActionArgs; k++)
            if (a.act_argcode[k] && a.act_argcode[k]->i_compiled)
                WarnScriptCalls(g, actionKey + " arg " + std::to_string(k), file, *a.act_argcode[k],
                                a.act_argcode[k]->Root(), warnings);
    }
}

} // namespace

bool Pack_LoadImage(const GameImage& g, std::string& failure) {
    Prepare();
    CStream s(Pack_WriteGameData(g));
    LoadHooks hooks;
    hooks.message = [&failure](const std::string& m) { failure = m; };
    // Actions whose function is missing are reported by the check, each where it was written.
    Action_SetMessageHandler([](const std::string&) {});
    ELoadStatus st = DataNew_LoadStream(s, 0, hooks);
    Action_SetMessageHandler(nullptr);
    if (st == ELoadStatus::CheckFailed) failure = "the check value does not match";
    return st == ELoadStatus::Ok;
}

int Pack_CheckCodeResources(const GameImage& g, const std::string& dir, int& pieces, int& warnings) {
    int failures = 0;
    std::vector<std::pair<std::string, std::unique_ptr<CCode>>> compiled; // for the warnings
    for (int i = 0; i < Trigger_Count(); i++) {
        CTrigger* t = Trigger_Get(i);
        if (!t) continue;
        ++pieces;
        auto code = std::make_unique<CCode>(t->i_condition, false);
        const std::string key = Pack_CodeKey("trigger", i);
        if (CheckPiece(g, key, dir + "/triggers/" + t->i_name + ".json", *code,
                       "COMPILATION ERROR in condition of trigger " + t->i_name))
            compiled.emplace_back(key, std::move(code));
        else
            ++failures;
    }
    for (int i = 0; i < Script_Count(); i++) {
        CScript* s = Script_Get(i);
        if (!s) continue;
        ++pieces;
        if (s->Compile()) continue;
        ++failures;
        Pack_ReportCompileError(Origin(g, Pack_CodeKey("script", i)), dir + "/scripts/" + s->s_name + ".qvs",
                                s->Text(), "COMPILATION ERROR in Script: " + s->s_name, Error_Buffer());
        Error_ClearFlag();
    }
    for (int i = 0; i < TimeLine_Count(); i++) {
        CTimeLine* t = TimeLine_Get(i);
        if (!t) continue;
        std::string file = dir + "/timelines/" + TimeLine_GetName(i) + ".json";
        for (int m = 0; m < t->Count(); m++)
            failures += CheckEvent(g, *t->Event(m),
                                   Pack_CodeKey("timeline", i) + " step " + std::to_string(t->Step(m)), file,
                                   "time step " + std::to_string(t->Step(m)), pieces);
    }
    for (int i = 0; i < Object_Count(); i++) {
        CObject* o = Object_Get(i);
        if (!o) continue;
        std::string file = dir + "/objects/" + Object_GetName(i) + ".json";
        for (int t = 0; t < kEventTypes; t++)
            for (size_t n = 0; n < o->o_events[size_t(t)].size(); n++)
                failures += CheckEvent(g, *o->o_events[size_t(t)][n],
                                       Pack_CodeKey("object", i) + " event " + std::to_string(t) + " " +
                                           std::to_string(n),
                                       file, Event_GetName(t, int(n)), pieces);
    }
    // Room and instance creation code: compiled as the runner compiles it when the room starts.
    for (int i = 0; i < Room_Count(); i++) {
        CRoom* r = Room_Get(i);
        if (!r) continue;
        const std::string file = dir + "/rooms/" + Room_GetName(i) + ".json";
        const std::string key = Pack_CodeKey("room", i);
        if (!r->r_code.empty()) {
            ++pieces;
            auto code = std::make_unique<CCode>(r->r_code, false);
            if (CheckPiece(g, key, file, *code,
                           "COMPILATION ERROR in creation code of room " + Room_GetName(i)))
                compiled.emplace_back(key, std::move(code));
            else
                ++failures;
        }
        for (size_t k = 0; k < r->r_instances.size(); k++) {
            const RRoomInstance& in = r->r_instances[k];
            if (in.code.empty()) continue;
            ++pieces;
            const std::string ikey = key + " instance " + std::to_string(k);
            auto code = std::make_unique<CCode>(in.code, false);
            if (CheckPiece(g, ikey, file, *code,
                           "COMPILATION ERROR in creation code for instance " + std::to_string(in.id) +
                               " in room " + Room_GetName(i)))
                compiled.emplace_back(ikey, std::move(code));
            else
                ++failures;
        }
    }
    // With everything compiled, the script calls can be compared with the scripts' code.
    for (const auto& [key, code] : compiled) {
        auto o = g.codeOrigins.find(key);
        WarnScriptCalls(g, key, o == g.codeOrigins.end() ? dir : o->second.file, *code, code->Root(),
                        warnings);
    }
    for (int i = 0; i < Script_Count(); i++)
        if (CScript* s = Script_Get(i); s && s->s_code && s->s_code->i_compiled)
            WarnScriptCalls(g, Pack_CodeKey("script", i), dir + "/scripts/" + s->s_name + ".qvs", *s->s_code,
                            s->s_code->Root(), warnings);
    for (int i = 0; i < TimeLine_Count(); i++)
        if (CTimeLine* t = TimeLine_Get(i))
            for (int m = 0; m < t->Count(); m++)
                WarnEvent(g, *t->Event(m),
                          Pack_CodeKey("timeline", i) + " step " + std::to_string(t->Step(m)),
                          dir + "/timelines/" + TimeLine_GetName(i) + ".json", warnings);
    for (int i = 0; i < Object_Count(); i++)
        if (CObject* o = Object_Get(i))
            for (int t = 0; t < kEventTypes; t++)
                for (size_t n = 0; n < o->o_events[size_t(t)].size(); n++)
                    WarnEvent(g, *o->o_events[size_t(t)][n],
                              Pack_CodeKey("object", i) + " event " + std::to_string(t) + " " +
                                  std::to_string(n),
                              dir + "/objects/" + Object_GetName(i) + ".json", warnings);
    return failures;
}

bool Pack_LoadGameForEval(const std::string& path) {
    Prepare();
    CStream file;
    if (!file.LoadFromFile(path)) {
        std::fprintf(stderr, "quarvel-pack eval: cannot read '%s'\n", path.c_str());
        return false;
    }
    size_t scan = std::max(kGameDataScanStart, DataNew_ElfImageEnd(file.Data(), file.Size()));
    LoadHooks hooks;
    std::string failure;
    hooks.message = [&failure](const std::string& m) { failure = m; };
    ELoadStatus st = DataNew_LoadStream(file, scan, hooks);
    if (st != ELoadStatus::Ok) {
        std::fprintf(stderr, "quarvel-pack eval: %s: %s\n", path.c_str(),
                     st == ELoadStatus::CheckFailed ? "the check value does not match" : failure.c_str());
        return false;
    }
    return Runner_PrepareCode();
}
