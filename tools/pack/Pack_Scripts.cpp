// Scripts: text files to script records and back.
#include "Pack_Scripts.h"

#include "resources/Script_Main.h"

#include <filesystem>

namespace fs = std::filesystem;

void Pack_ReadScripts(const std::string& projectDir, GameImage& g) {
    const std::string folder = projectDir + "/scripts";
    auto& items = g.named[int(EChunk::Scripts)];
    // Every file here is a script or the index: a file of another kind would be left out unseen.
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.path().filename() != "index.json" && e.path().extension() != ".qvs")
            throw EProjectError(e.path().string() + ": is not a script (script files are NAME.qvs)");
    for (const auto& name : Pack_FolderIndex(folder, ".qvs")) {
        if (!name) {
            items.emplace_back();
            continue;
        }
        const std::string file = folder + "/" + *name + ".qvs";
        g.codeOrigins[Pack_CodeKey("script", int(items.size()))] = PackCodeOrigin{file, ""};
        CStream s;
        s.WriteInteger(800);
        s.WriteString(Pack_ReadFileBytes(file));
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
        Pack_WriteFileBytes(folder + "/" + s->s_name + ".qvs", s->Text());
    }
    if (!names.empty()) Pack_WriteFolderIndex(folder, names);
}
