// Paths: JSON files to path records and back.
#include "Pack_Paths.h"

#include "resources/Path_Main.h"

void Pack_ReadPaths(const std::string& projectDir, GameImage& g) {
    const std::string folder = projectDir + "/paths";
    auto& items = g.named[int(EChunk::Paths)];
    for (const auto& name : Pack_FolderIndex(folder, ".json")) {
        if (!name) {
            items.emplace_back();
            continue;
        }
        const std::string file = folder + "/" + *name + ".json";
        json p = Pack_LoadJsonFile(file);
        Pack_CheckKeys(p, file, {"kind", "closed", "precision", "points"});
        CStream s;
        s.WriteInteger(530);
        s.WriteInteger(Pack_Get(p, "kind", 0, file));
        s.WriteBoolean(Pack_Get(p, "closed", true, file));
        s.WriteInteger(Pack_Get(p, "precision", 4, file));
        json points = Pack_GetList(p, "points", file);
        s.WriteInteger(int32_t(points.size()));
        for (size_t k = 0; k < points.size(); k++) {
            const json& pt = points[k];
            bool ok = pt.is_array() && pt.size() >= 2 && pt.size() <= 3;
            for (size_t c = 0; ok && c < pt.size(); c++) ok = pt[c].is_number();
            if (!ok)
                throw EProjectError(Pack_Where(file, "/points/" + std::to_string(k)) +
                                    ": each point is [x, y] or [x, y, speed] (numbers), not " + pt.dump());
            s.WriteReal(pt[0].get<double>());
            s.WriteReal(pt[1].get<double>());
            s.WriteReal(pt.size() == 3 ? pt[2].get<double>() : 100.0);
        }
        items.push_back(PackItem{*name, s.Bytes()});
    }
}

void Pack_UnpackPaths(const std::string& projectDir) {
    const std::string folder = projectDir + "/paths";
    std::vector<std::optional<std::string>> names;
    for (int i = 0; i < Path_Count(); i++) {
        CPath* p = Path_Get(i);
        if (!p) {
            names.emplace_back();
            continue;
        }
        names.emplace_back(Pack_FileName(Path_GetName(i)));
        json points = json::array();
        for (const RWayPoint& w : p->Points()) points.push_back({w.x, w.y, w.speed});
        Pack_SaveJsonFile(folder + "/" + Path_GetName(i) + ".json", {{"kind", p->Kind()},
                                                                     {"closed", p->Closed()},
                                                                     {"precision", p->Precision()},
                                                                     {"points", points}});
    }
    if (!names.empty()) Pack_WriteFolderIndex(folder, names);
}
