// Checking and preparing a game's code in the packer.
#include "Pack_GameCode.h"

#include "code/Code_Error.h"
#include "data/DataNew_Main.h"
#include "resources/Object_Main.h"
#include "resources/Resource_Readers.h"
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

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Line of the first occurrence of needle in the file (1 when not found). JSON files hold texts
// escaped, so the needle's first line is looked for in its JSON form too.
int LineOf(const std::string& path, const std::string& needle) {
    std::string text = Slurp(path);
    std::string first = needle.substr(0, needle.find_first_of("\r\n"));
    size_t at = first.empty() ? std::string::npos : text.find(first);
    if (at == std::string::npos) return 1;
    return 1 + int(std::count(text.begin(), text.begin() + std::ptrdiff_t(at), '\n'));
}

std::string Terminal(const std::string& s) {
    std::string out = s;
    std::replace(out.begin(), out.end(), '\r', '\n');
    return out;
}

void Report(const std::string& file, int line, const std::string& heading) {
    std::printf("%s:%d: %s\n%s\n", file.c_str(), line, heading.c_str(), Terminal(Error_Buffer()).c_str());
    Error_ClearFlag();
}

// The actions of one event: each compiled on its own so that every failure is listed.
int CheckEvent(CEvent& ev, const std::string& file, const std::string& place, int& pieces) {
    int failures = 0;
    for (int i = 0; i < ev.Count(); i++) {
        CAction& a = *ev.Action(i);
        ++pieces;
        std::string text =
            a.act_kind == kActionCode ? a.act_argstring[0] : a.act_argstring[0] + a.act_codestring;
        std::string what;
        if (a.CompileQuiet(what)) continue;
        ++failures;
        Report(file, LineOf(file, text),
               place + ", action " + std::to_string(i + 1) + ": COMPILATION ERROR in " + what);
    }
    return failures;
}

} // namespace

bool Pack_LoadImage(const GameImage& g, std::string& failure) {
    Prepare();
    CStream s(Pack_WriteGameData(g));
    LoadHooks hooks;
    hooks.message = [&failure](const std::string& m) { failure = m; };
    ELoadStatus st = DataNew_LoadStream(s, 0, hooks);
    if (st == ELoadStatus::CheckFailed) failure = "the check value does not match";
    return st == ELoadStatus::Ok;
}

int Pack_CheckCodeResources(const std::string& dir, int& pieces) {
    int failures = 0;
    for (int i = 0; i < Trigger_Count(); i++) {
        CTrigger* t = Trigger_Get(i);
        if (!t) continue;
        ++pieces;
        CCode code(t->i_condition, false);
        if (code.Compile()) continue;
        ++failures;
        std::string file = dir + "/triggers/" + t->i_name + ".json";
        Report(file, LineOf(file, t->i_condition), "COMPILATION ERROR in condition of trigger " + t->i_name);
    }
    for (int i = 0; i < Script_Count(); i++) {
        CScript* s = Script_Get(i);
        if (!s) continue;
        ++pieces;
        if (s->Compile()) continue;
        ++failures;
        Report(dir + "/scripts/" + s->s_name + ".qvs", 1, "COMPILATION ERROR in Script: " + s->s_name);
    }
    for (int i = 0; i < TimeLine_Count(); i++) {
        CTimeLine* t = TimeLine_Get(i);
        if (!t) continue;
        std::string file = dir + "/timelines/" + TimeLine_GetName(i) + ".json";
        for (int m = 0; m < t->Count(); m++)
            failures += CheckEvent(*t->Event(m), file, "time step " + std::to_string(t->Step(m)), pieces);
    }
    for (int i = 0; i < Object_Count(); i++) {
        CObject* o = Object_Get(i);
        if (!o) continue;
        std::string file = dir + "/objects/" + Object_GetName(i) + ".json";
        for (int t = 0; t < kEventTypes; t++)
            for (size_t n = 0; n < o->o_events[size_t(t)].size(); n++)
                failures += CheckEvent(*o->o_events[size_t(t)][n], file, Event_GetName(t, int(n)), pieces);
    }
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
