// Included files: the list file and the bytes to included-file records and back.
#include "Pack_IncludedFiles.h"

#include "data/DataNew_Main.h"

#include <filesystem>

namespace {
const char* const kExportNames[] = {"none", "temp", "current", "folder"};

int ExportAction(const json& f, const std::string& where) {
    if (!f.contains("export")) return 1;
    const json& v = f["export"];
    if (v.is_number_integer()) return v.get<int>();
    for (int k = 0; k < 4; k++)
        if (v == kExportNames[k]) return k;
    throw EProjectError(where + ": export is none, temp, current or folder");
}

// Source files are kept inside the project's included/ folder.
std::string SourceName(const std::string& file, size_t index) {
    std::string base = std::filesystem::path(file).filename().string();
    for (char& c : base)
        if (c == '\\') c = '_';
    return "files/" + std::to_string(index) + "_" + (base.empty() ? "file" : base);
}
} // namespace

void Pack_ReadIncludedFiles(const std::string& projectDir, GameImage& g) {
    const std::string list = projectDir + "/included/files.json";
    if (!std::filesystem::exists(list)) return;
    json files = Pack_LoadJsonFile(list);
    if (!files.is_array()) throw EProjectError(list + ": must be a list of files");
    for (size_t k = 0; k < files.size(); k++) {
        const json& f = files[k];
        const std::string where = Pack_Where(list, "/" + std::to_string(k));
        Pack_CheckKeys(f, where,
                       {"file", "source", "export", "export_dir", "overwrite", "free", "remove", "store",
                        "exists", "origname", "size"});
        std::string name = Pack_Get(f, "file", std::string(), where);
        if (name.empty()) throw EProjectError(where + ": each included file needs a \"file\" name");
        std::string source = Pack_Get(f, "source", std::string(), where);
        bool exists = Pack_Get(f, "exists", true, where), store = Pack_Get(f, "store", true, where);
        std::string bytes;
        if (exists && store) {
            if (source.empty()) throw EProjectError(where + ": " + name + " needs a \"source\" file");
            bytes = Pack_ReadFileBytes(projectDir + "/included/" + source);
        }
        CStream s;
        s.WriteInteger(800);
        s.WriteString(name);
        s.WriteString(Pack_Get(f, "origname", source, where));
        s.WriteBoolean(exists);
        s.WriteInteger(Pack_Get(f, "size", int(bytes.size()), where));
        s.WriteBoolean(store);
        if (exists && store) {
            CStream data(std::vector<uint8_t>(bytes.begin(), bytes.end()));
            s.WriteStream(data);
        }
        s.WriteInteger(ExportAction(f, where));
        s.WriteString(Pack_Get(f, "export_dir", std::string(), where));
        s.WriteBoolean(Pack_Get(f, "overwrite", false, where));
        s.WriteBoolean(Pack_Get(f, "free", true, where));
        s.WriteBoolean(Pack_Get(f, "remove", true, where));
        g.includedFiles.push_back(s.Bytes());
    }
}

void Pack_UnpackIncludedFiles(const std::string& projectDir) {
    if (DataFile_Count() == 0) return;
    json files = json::array();
    for (int i = 0; i < DataFile_Count(); i++) {
        const CDataFile& f = *DataFile_Get(i);
        json j = {{"file", f.s_filename},
                  {"origname", f.s_origname},
                  {"exists", f.s_exists},
                  {"size", f.s_size},
                  {"store", f.s_store}};
        if (f.s_exists && f.s_store) {
            std::string source = SourceName(f.s_filename, size_t(i));
            Pack_WriteFileBytes(projectDir + "/included/" + source,
                                std::string(f.s_data.begin(), f.s_data.end()));
            j["source"] = source;
        }
        j["export"] = f.s_exportaction >= 0 && f.s_exportaction < 4 ? json(kExportNames[f.s_exportaction])
                                                                    : json(f.s_exportaction);
        j["export_dir"] = f.s_exportdir;
        j["overwrite"] = f.s_overwrite;
        j["free"] = f.s_freedata;
        j["remove"] = f.s_removeend;
        files.push_back(j);
    }
    Pack_SaveJsonFile(projectDir + "/included/files.json", files);
}
