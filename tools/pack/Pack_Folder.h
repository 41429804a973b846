// Helpers shared by the resource kinds of a project folder: the order of a kind's items, JSON
// files, reading and writing whole files, and records as bytes.
#pragma once

#include "Pack_Project.h"

#include <nlohmann/json.hpp>

#include <limits>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

using json = nlohmann::ordered_json;

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

// Refuses every key of obj that is not in known, naming where, the key and the nearest known
// key; refuses obj itself when it is not a JSON object.
void Pack_CheckKeys(const json& obj, const std::string& where, std::initializer_list<const char*> known);
// The known key closest to key in spelling ("" when none is close).
std::string Pack_NearestKey(const std::string& key, const std::vector<std::string>& known);

// The JSON types a project value may be asked for, with the words the refusals use.
template <typename T>
bool Pack_IsType(const json& v) {
    if constexpr (std::is_same_v<T, bool>)
        return v.is_boolean();
    else if constexpr (std::is_integral_v<T>)
        return v.is_number_integer() && v.get<int64_t>() >= int64_t(std::numeric_limits<T>::min()) &&
               v.get<int64_t>() <= int64_t(std::numeric_limits<T>::max());
    else if constexpr (std::is_floating_point_v<T>)
        return v.is_number();
    else if constexpr (std::is_same_v<T, std::string>)
        return v.is_string();
    else if constexpr (std::is_same_v<T, std::vector<int>>) {
        if (!v.is_array()) return false;
        for (const json& e : v)
            if (!Pack_IsType<int>(e)) return false;
        return true;
    } else
        return true;
}
template <typename T>
const char* Pack_TypeName() {
    if constexpr (std::is_same_v<T, bool>)
        return "true or false";
    else if constexpr (std::is_integral_v<T>)
        return "an integer";
    else if constexpr (std::is_floating_point_v<T>)
        return "a number";
    else if constexpr (std::is_same_v<T, std::string>)
        return "a string";
    else if constexpr (std::is_same_v<T, std::vector<int>>)
        return "a list of integers";
    else
        return "a JSON value";
}

// A JSON member with a default; a wrong type raises EProjectError naming where, the key and the
// type expected.
template <typename T>
T Pack_Get(const json& obj, const char* key, const T& fallback, const std::string& where) {
    if (!obj.is_object() || !obj.contains(key)) return fallback;
    const json& v = obj.at(key);
    if (!Pack_IsType<T>(v))
        throw EProjectError(where + ": \"" + key + "\" must be " + Pack_TypeName<T>() + ", not " + v.dump());
    return v.get<T>();
}
// A member that must be a list (of anything; each element is checked where it is used).
json Pack_GetList(const json& obj, const char* key, const std::string& where);
// The element of a list that must be a string.
std::string Pack_ListString(const json& list, size_t i, const std::string& where, const char* key);

// The text of a piece of game code given under key (a string, or a list of lines joined with
// line breaks) or in the file named under fileKey (relative to baseDir, the folder of the JSON
// file; no "..", no absolute path). fallback when neither is given. origin (when not null)
// receives where the text was written: file and JSON pointer, or the code file alone.
std::string Pack_CodeText(const json& obj, const char* key, const char* fileKey, const std::string& baseDir,
                          const std::string& where, const std::string& file, const std::string& pointer,
                          PackCodeOrigin* origin);

// Where unpack puts the code files of one resource: <baseDir>/<sub>/<stem>.qvs (sub "" puts them
// beside the resource's JSON file), each file name used once.
struct PackCodeFolder {
    std::string baseDir; // the folder of the resource's JSON file
    std::string sub;     // the resource's own folder under baseDir, or ""
    std::set<std::string> used;

    // Code of one line stays inline: obj[key] = code. Longer code (or bytes JSON cannot carry)
    // goes to a file named after stem, and obj[fileKey] names it relative to baseDir.
    void Put(json& obj, const char* key, const char* fileKey, const std::string& code,
             const std::string& stem);
};

// "FILE: events[1].actions[0]" for a file and the JSON pointer of a place in it ("FILE" alone for
// the whole file), the form every refusal begins with.
std::string Pack_Where(const std::string& file, const std::string& pointer);

// The origin key of a resource's code ("object 2"); events, actions and instances add to it.
std::string Pack_CodeKey(const char* kind, int index);

// A JSON pointer extended by a key or an index.
std::string Pack_Pointer(const std::string& pointer, const std::string& key);
std::string Pack_Pointer(const std::string& pointer, size_t index);

// A resource reference: an index, or the name of an item of that chunk in g (resolved to its
// first index). -1 for null or absent.
int Pack_Ref(const json& obj, const char* key, const GameImage& g, EChunk chunk, const std::string& where,
             int fallback = -1);
// The JSON form of a reference: the name when it finds the same index again, else the index.
json Pack_RefJson(int index, const std::vector<std::string>& names, const std::vector<bool>& exists);

// A resource name used as a file name in a kind's folder; raises EProjectError for names that
// would leave the folder or are not file names at all (empty, ".", "..", with '/' or '\\').
const std::string& Pack_FileName(const std::string& name);
