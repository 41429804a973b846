// Time lines: JSON files to time-line records and back.
#include "Pack_TimeLines.h"

#include "Pack_Objects.h"
#include "resources/TimeLine_Main.h"

#include <algorithm>

void Pack_ReadTimeLines(const std::string& projectDir, GameImage& g) {
    const std::string folder = projectDir + "/timelines";
    auto& items = g.named[int(EChunk::TimeLines)];
    for (const auto& name : Pack_FolderIndex(folder, ".json")) {
        if (!name) {
            items.emplace_back();
            continue;
        }
        const std::string file = folder + "/" + *name + ".json";
        json t = Pack_LoadJsonFile(file);
        Pack_CheckKeys(t, file, {"moments"});
        json moments = Pack_GetList(t, "moments", file);
        struct RMoment {
            int step;
            size_t at;
        };
        std::vector<RMoment> list;
        for (size_t k = 0; k < moments.size(); k++) {
            const std::string where = Pack_Where(file, "/moments/" + std::to_string(k));
            Pack_CheckKeys(moments[k], where, {"step", "actions"});
            if (!moments[k].contains("step")) throw EProjectError(where + ": a moment needs \"step\"");
            int step = Pack_Get(moments[k], "step", 0, where);
            if (step < 0) throw EProjectError(where + ": \"step\" must be 0 or more");
            Pack_GetList(moments[k], "actions", where);
            list.push_back({step, k});
        }
        std::stable_sort(list.begin(), list.end(),
                         [](const RMoment& a, const RMoment& b) { return a.step < b.step; });
        for (size_t k = 1; k < list.size(); k++)
            if (list[k].step == list[k - 1].step)
                throw EProjectError(file + ": step " + std::to_string(list[k].step) + " is given twice");
        CStream s;
        s.WriteInteger(500);
        s.WriteInteger(int32_t(list.size()));
        const int index = int(items.size());
        for (const RMoment& m : list) {
            s.WriteInteger(m.step);
            const json& moment = moments[m.at];
            Pack_WriteEvent(
                s, moment.contains("actions") ? moment["actions"] : json::array(),
                PackEventSite{&g, file, folder, "/moments/" + std::to_string(m.at) + "/actions",
                              Pack_CodeKey("timeline", index) + " step " + std::to_string(m.step)});
        }
        items.push_back(PackItem{*name, s.Bytes()});
    }
}

void Pack_UnpackTimeLines(const std::string& projectDir) {
    const std::string folder = projectDir + "/timelines";
    std::vector<std::optional<std::string>> names;
    for (int i = 0; i < TimeLine_Count(); i++) {
        CTimeLine* t = TimeLine_Get(i);
        if (!t) {
            names.emplace_back();
            continue;
        }
        names.emplace_back(Pack_FileName(TimeLine_GetName(i)));
        PackCodeFolder code{folder, TimeLine_GetName(i), {}};
        json moments = json::array();
        for (int k = 0; k < t->Count(); k++)
            moments.push_back(
                {{"step", t->Step(k)},
                 {"actions", Pack_EventJson(*t->Event(k), code, "step_" + std::to_string(t->Step(k)))}});
        Pack_SaveJsonFile(folder + "/" + TimeLine_GetName(i) + ".json", {{"moments", moments}});
    }
    if (!names.empty()) Pack_WriteFolderIndex(folder, names);
}
