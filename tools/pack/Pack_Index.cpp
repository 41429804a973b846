// Resource folder order, JSON and image helpers shared by the resource kinds of the packer.
#include "Pack_Index.h"

#include "Pack_Project.h"
#include "graphics/BM32_PNG.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

bool Pack_FileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

void Pack_MakeDirs(const std::string& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw EProjectError(dir + ": cannot be created: " + ec.message());
}

void Pack_CheckName(const std::string& kind, const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos || name == "index")
        throw EProjectError(kind + ": \"" + name + "\" cannot be a resource name");
}

std::string Pack_StemWithExt(const std::string& entry, const char* ext) {
    std::string e = ext;
    if (entry.size() <= e.size() || entry.compare(entry.size() - e.size(), e.size(), e) != 0) return "";
    return entry.substr(0, entry.size() - e.size());
}

json Pack_ReadJson(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EProjectError(path + ": cannot be read");
    std::stringstream ss;
    ss << in.rdbuf();
    try {
        return json::parse(ss.str());
    } catch (const json::parse_error& e) {
        throw EProjectError(path + ": " + e.what());
    }
}

void Pack_WriteJson(const std::string& path, const json& j) {
    std::ofstream out(path, std::ios::binary);
    out << j.dump(2) << "\n";
    if (!out) throw EProjectError(path + ": cannot be written");
}

TBitmap32 Pack_ReadImage(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!BM32_ReadFileBytes(path, bytes)) throw EProjectError(path + ": cannot be read");
    std::unique_ptr<TBitmap32> img = TBitmap32::FromImageData(bytes.data(), bytes.size(), true);
    if (!img) throw EProjectError(path + ": not a PNG, BMP, JPEG or GIF image");
    return std::move(*img);
}

void Pack_WriteImage(const std::string& path, const TBitmap32& img) {
    if (!BM32_SavePNG(img, path)) throw EProjectError(path + ": cannot be written");
}

namespace {
std::set<std::string> EntryNames(const std::string& kindDir, TEntryName stemOf) {
    std::set<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& d : fs::directory_iterator(kindDir, ec)) {
        std::string n = stemOf(d.path().filename().string(), d.is_directory());
        if (!n.empty()) names.insert(n);
    }
    return names;
}
} // namespace

std::vector<std::optional<std::string>> Pack_ReadIndex(const std::string& kindDir, TEntryName stemOf,
                                                       TExpectedEntry expected) {
    std::vector<std::optional<std::string>> out;
    std::error_code ec;
    if (!fs::is_directory(kindDir, ec)) return out;
    const std::string indexPath = kindDir + "/index.json";
    if (Pack_FileExists(indexPath)) {
        json j = Pack_ReadJson(indexPath);
        if (!j.is_array())
            throw EProjectError(indexPath + ": must be an array of names (null for an empty slot)");
        std::set<std::string> seen;
        for (const json& e : j) {
            if (e.is_null()) {
                out.emplace_back();
                continue;
            }
            if (!e.is_string())
                throw EProjectError(indexPath + ": must be an array of names (null for an empty slot)");
            std::string name = e.get<std::string>();
            Pack_CheckName(indexPath, name);
            out.emplace_back(name);
        }
        std::set<std::string> present = EntryNames(kindDir, stemOf);
        for (const auto& n : out)
            if (n && !present.count(*n))
                throw EProjectError(indexPath + ": \"" + *n + "\" has no " + expected(kindDir, *n));
        return out;
    }
    std::set<std::string> names = EntryNames(kindDir, stemOf);
    for (const std::string& n : names) out.emplace_back(n);
    return out;
}

void Pack_WriteIndex(const std::string& kindDir, const std::vector<std::optional<std::string>>& names) {
    Pack_MakeDirs(kindDir);
    json j = json::array();
    for (const auto& n : names) j.push_back(n ? json(*n) : json(nullptr));
    Pack_WriteJson(kindDir + "/index.json", j);
}

std::string Pack_ExpectJsonFile(const std::string& kindDir, const std::string& name) {
    return "file " + kindDir + "/" + name + ".json";
}

std::string Pack_ExpectFolder(const std::string& kindDir, const std::string& name) {
    return "folder " + kindDir + "/" + name + "/";
}
