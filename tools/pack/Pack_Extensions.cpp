// Extension packages: package.json and its files to package records (with the substituted data
// block) and back.
#include "Pack_Extensions.h"

#include "resources/Extension_Class.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The stored key: given in package.json, else a fixed one so that builds repeat exactly.
constexpr int32_t kDefaultKey = 0x51A7;

void WritePackage(const std::string& dir, GameImage& g) {
    const std::string file = dir + "/package.json";
    json p = Pack_LoadJsonFile(file);
    Pack_CheckKeys(p, file, {"name", "folder", "key", "files"});
    CStream s;
    s.WriteInteger(700);
    s.WriteString(Pack_Get(p, "name", fs::path(dir).filename().string(), file));
    s.WriteString(Pack_Get(p, "folder", fs::path(dir).filename().string(), file));
    json files = Pack_GetList(p, "files", file);
    s.WriteInteger(int32_t(files.size()));
    CStream block;
    int32_t key = Pack_Get(p, "key", kDefaultKey, file);
    block.WriteInteger(key);
    for (size_t fi = 0; fi < files.size(); fi++) {
        const json& f = files[fi];
        const std::string where = Pack_Where(file, "/files/" + std::to_string(fi));
        Pack_CheckKeys(f, where, {"file", "kind", "init", "final", "functions", "constants"});
        std::string name = Pack_Get(f, "file", std::string(), where);
        int kind = Pack_Get(f, "kind", 4, where);
        s.WriteInteger(700);
        s.WriteString(name);
        s.WriteInteger(kind);
        s.WriteString(Pack_Get(f, "init", std::string(), where));
        s.WriteString(Pack_Get(f, "final", std::string(), where));
        json funcs = Pack_GetList(f, "functions", where);
        s.WriteInteger(int32_t(funcs.size()));
        for (size_t k = 0; k < funcs.size(); k++) {
            const json& fn = funcs[k];
            const std::string at = where + ".functions[" + std::to_string(k) + "]";
            Pack_CheckKeys(fn, at, {"name", "extname", "kind", "id", "argcount", "argtypes", "returntype"});
            s.WriteInteger(700);
            s.WriteString(Pack_Get(fn, "name", std::string(), at));
            s.WriteString(Pack_Get(fn, "extname", std::string(), at));
            s.WriteInteger(Pack_Get(fn, "kind", 12, at));
            s.WriteInteger(Pack_Get(fn, "id", 0, at));
            s.WriteInteger(Pack_Get(fn, "argcount", 0, at));
            std::vector<int> types = Pack_Get(fn, "argtypes", std::vector<int>(), at);
            types.resize(kExtensionArgTypes, 2);
            for (int t : types) s.WriteInteger(t);
            s.WriteInteger(Pack_Get(fn, "returntype", 2, at));
        }
        json consts = Pack_GetList(f, "constants", where);
        s.WriteInteger(int32_t(consts.size()));
        for (size_t k = 0; k < consts.size(); k++) {
            const json& c = consts[k];
            const std::string at = where + ".constants[" + std::to_string(k) + "]";
            Pack_CheckKeys(c, at, {"name", "value"});
            s.WriteInteger(700);
            s.WriteString(Pack_Get(c, "name", std::string(), at));
            s.WriteString(Pack_Get(c, "value", std::string(), at));
        }
        if (kind != 3) {
            std::string bytes = Pack_ReadFileBytes(dir + "/" + Pack_FileName(name));
            CStream data(std::vector<uint8_t>(bytes.begin(), bytes.end()));
            block.WriteStreamC(data);
        }
    }
    block.Encrypt(key, 5, 0);
    s.WriteStream(block);
    g.extensions.push_back(s.Bytes());
}

} // namespace

void Pack_ReadExtensions(const std::string& projectDir, GameImage& g) {
    const std::string folder = projectDir + "/extensions";
    for (const auto& name : Pack_FolderIndex(folder, "")) {
        if (!name) throw EProjectError(folder + "/index.json: extension packages have no empty slots");
        WritePackage(folder + "/" + *name, g);
    }
}

void Pack_UnpackExtensions(const std::string& projectDir) {
    const std::string folder = projectDir + "/extensions";
    std::vector<std::optional<std::string>> names;
    for (int i = 0; i < Extension_Count(); i++) {
        const CExtensionPackage& p = *Extension_Get(i);
        std::string dir = folder + "/" + p.s_folder;
        names.emplace_back(Pack_FileName(p.s_folder));
        json files = json::array();
        size_t data = 0;
        for (const CExtensionFile& f : p.s_includes) {
            json funcs = json::array(), consts = json::array();
            for (const CExtensionFunction& fn : f.s_functions)
                funcs.push_back({{"name", fn.s_name},
                                 {"extname", fn.s_extname},
                                 {"kind", fn.s_kind},
                                 {"id", fn.s_id},
                                 {"argcount", fn.s_argcount},
                                 {"argtypes", fn.s_argtype},
                                 {"returntype", fn.s_returntype}});
            for (const CExtensionConstant& c : f.s_constants)
                consts.push_back({{"name", c.s_name}, {"value", c.s_value}});
            files.push_back({{"file", f.s_filename},
                             {"kind", f.s_kind},
                             {"init", f.s_init},
                             {"final", f.s_final},
                             {"functions", funcs},
                             {"constants", consts}});
            if (f.s_kind != 3 && data < p.s_filedata.size()) {
                const auto& bytes = p.s_filedata[data++];
                Pack_WriteFileBytes(dir + "/" + Pack_FileName(f.s_filename),
                                    std::string(bytes.begin(), bytes.end()));
            }
        }
        Pack_SaveJsonFile(dir + "/package.json",
                          {{"name", p.s_name}, {"folder", p.s_folder}, {"key", p.s_key}, {"files", files}});
    }
    if (!names.empty()) Pack_WriteFolderIndex(folder, names);
}
