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
        for (const auto& n : names) {
            if (!n) continue;
            const std::string expected = folder + "/" + *n + (ext.empty() ? "/" : ext);
            if (ext.empty() ? !fs::is_directory(expected, ec) : !fs::is_regular_file(expected, ec))
                throw EProjectError(folder + "/index.json: \"" + *n + "\" has no " +
                                    (ext.empty() ? "folder " : "file ") + expected);
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
    if (index == -1) return nullptr; // none
    if (index < 0 || size_t(index) >= names.size() || !exists[size_t(index)]) return index;
    for (size_t i = 0; i < names.size(); i++)
        if (exists[i] && names[i] == names[size_t(index)])
            return i == size_t(index) ? json(names[i]) : json(index);
    return index;
}

void PackCodeFolder::Put(json& obj, const char* key, const char* fileKey, const std::string& code,
                         const std::string& stem) {
    bool oneLine = code.find_first_of("\r\n") == std::string::npos;
    if (oneLine) {
        try {
            (void)json(code).dump(); // refuses bytes that are not UTF-8
        } catch (const json::exception&) {
            oneLine = false;
        }
    }
    if (oneLine) {
        obj[key] = code;
        return;
    }
    std::string name = stem;
    for (int n = 2; !used.insert(name).second; n++) name = stem + "_" + std::to_string(n);
    const std::string rel = (sub.empty() ? "" : sub + "/") + name + ".qvs";
    Pack_WriteFileBytes(baseDir + "/" + rel, code);
    obj[fileKey] = rel;
}

const std::string& Pack_FileName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\\') != std::string::npos || name.find('\0') != std::string::npos)
        throw EProjectError("the name \"" + name + "\" cannot be a file name");
    return name;
}

namespace {

size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++) row[j] = j;
    for (size_t i = 1; i <= a.size(); i++) {
        size_t diag = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); j++) {
            size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diag = up;
        }
    }
    return row[b.size()];
}

} // namespace

std::string Pack_NearestKey(const std::string& key, const std::vector<std::string>& known) {
    std::string best;
    size_t bestDistance = std::max<size_t>(2, key.size() / 2) + 1;
    for (const std::string& k : known) {
        size_t d = EditDistance(key, k);
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
    }
    return best;
}

void Pack_CheckKeys(const json& obj, const std::string& where, std::initializer_list<const char*> known) {
    if (!obj.is_object()) throw EProjectError(where + ": must be a JSON object, not " + obj.dump());
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        bool ok = false;
        for (const char* k : known) ok = ok || it.key() == k;
        if (ok) continue;
        std::string nearest = Pack_NearestKey(it.key(), std::vector<std::string>(known.begin(), known.end()));
        std::string all;
        for (const char* k : known) all += std::string(all.empty() ? "" : ", ") + k;
        throw EProjectError(
            where + ": unknown key \"" + it.key() + "\"" +
            (nearest.empty() ? " (known keys: " + all + ")" : " (nearest known key: \"" + nearest + "\")"));
    }
}

json Pack_GetList(const json& obj, const char* key, const std::string& where) {
    if (!obj.is_object() || !obj.contains(key)) return json::array();
    const json& v = obj.at(key);
    if (!v.is_array()) throw EProjectError(where + ": \"" + key + "\" must be a list, not " + v.dump());
    return v;
}

std::string Pack_ListString(const json& list, size_t i, const std::string& where, const char* key) {
    if (!list[i].is_string())
        throw EProjectError(where + ": \"" + key + "\"[" + std::to_string(i) + "] must be a string, not " +
                            list[i].dump());
    return list[i].get<std::string>();
}

std::string Pack_Pointer(const std::string& pointer, const std::string& key) {
    std::string out = pointer + "/";
    for (char c : key) {
        if (c == '~')
            out += "~0";
        else if (c == '/')
            out += "~1";
        else
            out += c;
    }
    return out;
}

std::string Pack_Pointer(const std::string& pointer, size_t index) {
    return pointer + "/" + std::to_string(index);
}

std::string Pack_CodeText(const json& obj, const char* key, const char* fileKey, const std::string& baseDir,
                          const std::string& where, const std::string& file, const std::string& pointer,
                          PackCodeOrigin* origin) {
    const bool inlineCode = obj.is_object() && obj.contains(key);
    const bool inFile = fileKey && obj.is_object() && obj.contains(fileKey);
    if (inlineCode && inFile)
        throw EProjectError(where + ": give \"" + key + "\" or \"" + fileKey + "\", not both");
    if (inFile) {
        const json& f = obj.at(fileKey);
        if (!f.is_string())
            throw EProjectError(where + ": \"" + fileKey + "\" must be a file name (a string), not " +
                                f.dump());
        std::string name = f.get<std::string>();
        fs::path p(name);
        bool up = false;
        for (const auto& part : p) up = up || part == "..";
        if (name.empty() || p.is_absolute() || up)
            throw EProjectError(where + ": \"" + fileKey + "\" must name a file beside or below " + baseDir +
                                " (no \"..\", no absolute path): \"" + name + "\"");
        const std::string path = baseDir + "/" + name;
        if (!fs::is_regular_file(path))
            throw EProjectError(where + ": \"" + fileKey + "\" names " + path + ", which is not there");
        if (origin) *origin = PackCodeOrigin{path, ""};
        return Pack_ReadFileBytes(path);
    }
    if (!inlineCode) return std::string();
    const json& v = obj.at(key);
    if (origin) *origin = PackCodeOrigin{file, Pack_Pointer(pointer, key)};
    if (v.is_string()) return v.get<std::string>();
    if (v.is_array()) {
        std::string text;
        for (size_t i = 0; i < v.size(); i++) {
            if (!v[i].is_string())
                throw EProjectError(where + ": \"" + key +
                                    "\" must be a string or a list of lines (strings); line " +
                                    std::to_string(i + 1) + " is " + v[i].dump());
            if (i) text += "\n";
            text += v[i].get<std::string>();
        }
        return text;
    }
    throw EProjectError(where + ": \"" + key + "\" must be a string or a list of lines (strings), not " +
                        v.dump());
}

std::string Pack_Where(const std::string& file, const std::string& pointer) {
    if (pointer.empty()) return file;
    std::string out;
    size_t at = 1;
    while (at <= pointer.size()) {
        size_t end = pointer.find('/', at);
        if (end == std::string::npos) end = pointer.size();
        std::string part = pointer.substr(at, end - at);
        bool index = !part.empty() && part.find_first_not_of("0123456789") == std::string::npos;
        out += index ? "[" + part + "]" : (out.empty() ? "" : ".") + part;
        at = end + 1;
    }
    return file + ": " + out;
}

std::string Pack_CodeKey(const char* kind, int index) {
    return std::string(kind) + " " + std::to_string(index);
}
