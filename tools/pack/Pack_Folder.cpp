// Project-folder helpers.
#include "Pack_Folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::vector<std::optional<std::string>> Pack_FolderIndex(const std::string& folder, const std::string& ext) {
    std::vector<std::optional<std::string>> names;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return names;
    if (fs::exists(folder + "/index.json")) {
        json idx = Pack_LoadJsonFile(folder + "/index.json");
        if (!idx.is_array()) throw EProjectError(folder + "/index.json: must be a list of names and nulls");
        for (const json& n : idx) {
            if (n.is_null())
                names.emplace_back();
            else if (n.is_string())
                names.emplace_back(Pack_FileName(n.get<std::string>()));
            else
                throw EProjectError(folder + "/index.json: must be a list of names and nulls");
        }
        return names;
    }
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(folder)) {
        if (ext.empty() ? e.is_directory() : e.is_regular_file() && e.path().extension() == ext)
            found.push_back(ext.empty() ? e.path().filename().string() : e.path().stem().string());
    }
    std::sort(found.begin(), found.end());
    for (auto& n : found) names.emplace_back(n);
    return names;
}

void Pack_WriteFolderIndex(const std::string& folder, const std::vector<std::optional<std::string>>& names) {
    json idx = json::array();
    for (const auto& n : names) idx.push_back(n ? json(*n) : json(nullptr));
    Pack_SaveJsonFile(folder + "/index.json", idx);
}

std::string Pack_ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EProjectError(path + ": cannot be read");
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void Pack_WriteFileBytes(const std::string& path, const std::string& bytes) {
    fs::path p(path);
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out.flush()) throw EProjectError(path + ": cannot be written");
}

void Pack_MakeDir(const std::string& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw EProjectError(dir + ": cannot be created");
}

json Pack_LoadJsonFile(const std::string& path) {
    try {
        return json::parse(Pack_ReadFileBytes(path));
    } catch (const json::parse_error& e) {
        throw EProjectError(path + ": " + e.what());
    }
}

void Pack_SaveJsonFile(const std::string& path, const json& value) {
    Pack_WriteFileBytes(path, value.dump(2) + "\n");
}

int Pack_Ref(const json& obj, const char* key, const GameImage& g, EChunk chunk, const std::string& where,
             int fallback) {
    if (!obj.is_object() || !obj.contains(key)) return fallback;
    const json& v = obj.at(key);
    if (v.is_null()) return -1;
    if (v.is_number_integer()) return v.get<int>();
    if (v.is_string()) {
        const auto& items = g.named[int(chunk)];
        for (size_t i = 0; i < items.size(); i++)
            if (items[i] && items[i]->name == v.get<std::string>()) return int(i);
        throw EProjectError(where + ": \"" + key + "\" names no " + g_chunkInfo[int(chunk)].name +
                            " item \"" + v.get<std::string>() + "\"");
    }
    throw EProjectError(where + ": \"" + key + "\" must be an index or a name");
}

json Pack_RefJson(int index, const std::vector<std::string>& names, const std::vector<bool>& exists) {
    if (index < 0 || size_t(index) >= names.size() || !exists[size_t(index)]) return index;
    for (size_t i = 0; i < names.size(); i++)
        if (exists[i] && names[i] == names[size_t(index)])
            return i == size_t(index) ? json(names[i]) : json(index);
    return index;
}

const std::string& Pack_FileName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\\') != std::string::npos || name.find('\0') != std::string::npos)
        throw EProjectError("the name \"" + name + "\" cannot be a file name");
    return name;
}
