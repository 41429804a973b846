// Scripts: text files to script records and back.
#include "Pack_Scripts.h"

#include "resources/Script_Main.h"

void Pack_ReadScripts(const std::string& projectDir, GameImage& g) {
    const std::string folder = projectDir + "/scripts";
    auto& items = g.named[int(EChunk::Scripts)];
    for (const auto& name : Pack_FolderIndex(folder, ".qvs")) {
        if (!name) {
            items.emplace_back();
            continue;
        }
        CStream s;
        s.WriteInteger(800);
        s.WriteString(Pack_ReadFileBytes(folder + "/" + *name + ".qvs"));
        items.push_back(PackItem{*name, s.Bytes()});
    }
}

void Pack_UnpackScripts(const std::string& projectDir) {
    const std::string folder = projectDir + "/scripts";
    std::vector<std::optional<std::string>> names;
    for (int i = 0; i < Script_Count(); i++) {
        CScript* s = Script_Get(i);
        if (!s) {
            names.emplace_back();
            continue;
        }
        names.emplace_back(Pack_FileName(s->s_name));
        Pack_WriteFileBytes(folder + "/" + s->s_name + ".qvs", s->s_text);
    }
    if (!names.empty()) Pack_WriteFolderIndex(folder, names);
}
