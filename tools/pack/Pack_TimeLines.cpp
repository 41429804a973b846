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
        json moments = Pack_Get(t, "moments", json::array(), file);
        std::vector<std::pair<int, const json*>> list;
        for (const json& m : moments) list.push_back({Pack_Get(m, "step", 0, file), &m});
        std::stable_sort(list.begin(), list.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (size_t k = 1; k < list.size(); k++)
            if (list[k].first == list[k - 1].first)
                throw EProjectError(file + ": step " + std::to_string(list[k].first) + " is given twice");
        CStream s;
        s.WriteInteger(500);
        s.WriteInteger(int32_t(list.size()));
        for (const auto& [step, m] : list) {
            s.WriteInteger(step);
            Pack_WriteEvent(s, Pack_Get(*m, "actions", json::array(), file), file);
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
        json moments = json::array();
        for (int k = 0; k < t->Count(); k++)
            moments.push_back({{"step", t->Step(k)}, {"actions", Pack_EventJson(*t->Event(k))}});
        Pack_SaveJsonFile(folder + "/" + TimeLine_GetName(i) + ".json", {{"moments", moments}});
    }
    if (!names.empty()) Pack_WriteFolderIndex(folder, names);
}
