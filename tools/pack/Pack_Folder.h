// Helpers shared by the resource kinds of a project folder: the order of a kind's items, JSON
// files, reading and writing whole files, and records as bytes.
#pragma once

#include "Pack_Project.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

using json = nlohmann::json;

// The item names of a kind's folder in index order, nullopt for an empty slot. The folder's
// "index.json" (a list of names and nulls) gives the order; without it, every file with the
// extension in name order (with ext "": every sub-folder). An absent folder has no items.
std::vector<std::optional<std::string>> Pack_FolderIndex(const std::string& folder, const std::string& ext);
void Pack_WriteFolderIndex(const std::string& folder, const std::vector<std::optional<std::string>>& names);

json Pack_LoadJsonFile(const std::string& path);
void Pack_SaveJsonFile(const std::string& path, const json& value);
std::string Pack_ReadFileBytes(const std::string& path);
void Pack_WriteFileBytes(const std::string& path, const std::string& bytes);
void Pack_MakeDir(const std::string& dir);

// A JSON member with a default; a wrong type raises EProjectError naming the file and key.
template <typename T>
T Pack_Get(const json& obj, const char* key, const T& fallback, const std::string& where) {
    if (!obj.is_object() || !obj.contains(key)) return fallback;
    try {
        return obj.at(key).get<T>();
    } catch (const json::exception&) {
        throw EProjectError(where + ": \"" + key + "\" has the wrong type");
    }
}

// A resource reference: an index, or the name of an item of that chunk in g (resolved to its
// first index). -1 for null or absent.
int Pack_Ref(const json& obj, const char* key, const GameImage& g, EChunk chunk, const std::string& where,
             int fallback = -1);
// The JSON form of a reference: the name when it finds the same index again, else the index.
json Pack_RefJson(int index, const std::vector<std::string>& names, const std::vector<bool>& exists);

// A resource name used as a file name in a kind's folder; raises EProjectError for names that
// would leave the folder or are not file names at all (empty, ".", "..", with '/' or '\\').
const std::string& Pack_FileName(const std::string& name);
