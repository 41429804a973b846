// Triggers: JSON files to trigger records and back. The file name is the trigger's name.
#include "Pack_Triggers.h"

#include "resources/Trigger_Class.h"

void Pack_ReadTriggers(const std::string& projectDir, GameImage& g) {
    const std::string folder = projectDir + "/triggers";
    for (const auto& name : Pack_FolderIndex(folder, ".json")) {
        if (!name) {
            g.triggers.emplace_back();
            continue;
        }
        const std::string file = folder + "/" + *name + ".json";
        json t = Pack_LoadJsonFile(file);
        Pack_CheckKeys(t, file, {"condition", "condition_file", "moment", "constant"});
        PackCodeOrigin origin;
        std::string condition =
            Pack_CodeText(t, "condition", "condition_file", folder, file, file, "", &origin);
        g.codeOrigins[Pack_CodeKey("trigger", int(g.triggers.size()))] = origin;
        int moment = Pack_Get(t, "moment", 1, file);
        if (moment < 0 || moment > 2)
            throw EProjectError(file + ": \"moment\" must be 0 (step), 1 (begin step) or 2 (end step)");
        CStream s;
        s.WriteInteger(800);
        s.WriteString(*name);
        s.WriteString(condition);
        s.WriteInteger(moment);
        s.WriteString(Pack_Get(t, "constant", std::string(), file));
        g.triggers.emplace_back(s.Bytes());
    }
}

void Pack_UnpackTriggers(const std::string& projectDir) {
    const std::string folder = projectDir + "/triggers";
    std::vector<std::optional<std::string>> names;
    for (int i = 0; i < Trigger_Count(); i++) {
        CTrigger* t = Trigger_Get(i);
        if (!t) {
            names.emplace_back();
            continue;
        }
        names.emplace_back(Pack_FileName(t->i_name));
        json j = {{"moment", t->i_moment}, {"constant", t->i_constname}};
        PackCodeFolder code{folder, "", {}};
        code.Put(j, "condition", "condition_file", t->i_condition, t->i_name);
        Pack_SaveJsonFile(folder + "/" + t->i_name + ".json", j);
    }
    if (!names.empty()) Pack_WriteFolderIndex(folder, names);
}
