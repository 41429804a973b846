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
    CStream s;
    s.WriteInteger(700);
    s.WriteString(Pack_Get(p, "name", fs::path(dir).filename().string(), file));
    s.WriteString(Pack_Get(p, "folder", fs::path(dir).filename().string(), file));
    json files = Pack_Get(p, "files", json::array(), file);
    s.WriteInteger(int32_t(files.size()));
    CStream block;
    int32_t key = Pack_Get(p, "key", kDefaultKey, file);
    block.WriteInteger(key);
    for (const json& f : files) {
        std::string name = Pack_Get(f, "file", std::string(), file);
        int kind = Pack_Get(f, "kind", 4, file);
        s.WriteInteger(700);
        s.WriteString(name);
        s.WriteInteger(kind);
        s.WriteString(Pack_Get(f, "init", std::string(), file));
        s.WriteString(Pack_Get(f, "final", std::string(), file));
        json funcs = Pack_Get(f, "functions", json::array(), file);
        s.WriteInteger(int32_t(funcs.size()));
        for (const json& fn : funcs) {
            s.WriteInteger(700);
            s.WriteString(Pack_Get(fn, "name", std::string(), file));
            s.WriteString(Pack_Get(fn, "extname", std::string(), file));
            s.WriteInteger(Pack_Get(fn, "kind", 12, file));
            s.WriteInteger(Pack_Get(fn, "id", 0, file));
            s.WriteInteger(Pack_Get(fn, "argcount", 0, file));
            std::vector<int> types = Pack_Get(fn, "argtypes", std::vector<int>(), file);
            types.resize(kExtensionArgTypes, 2);
            for (int t : types) s.WriteInteger(t);
            s.WriteInteger(Pack_Get(fn, "returntype", 2, file));
        }
        json consts = Pack_Get(f, "constants", json::array(), file);
        s.WriteInteger(int32_t(consts.size()));
        for (const json& c : consts) {
            s.WriteInteger(700);
            s.WriteString(Pack_Get(c, "name", std::string(), file));
            s.WriteString(Pack_Get(c, "value", std::string(), file));
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
