// What every resource folder of a project shares: the order of its resources (index.json, or
// the names sorted when there is none), JSON and exact image files.
#pragma once

#include "graphics/BM32_Bitmap.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

// The resources of a kind folder in id order; nullopt is an empty slot. With an index.json (a
// JSON array of names, null for an empty slot) that order; else the names that stemOf finds
// among the folder's entries, sorted. A missing folder has no resources.
// stemOf maps an entry (file or folder name, and whether it is a folder) to a resource name,
// or "" when the entry is not one.
// Every name index.json gives must have its entry; expected describes the entry for the refusal.
using TEntryName = std::string (*)(const std::string& entry, bool isDir);
using TExpectedEntry = std::string (*)(const std::string& kindDir, const std::string& name);
std::vector<std::optional<std::string>> Pack_ReadIndex(const std::string& kindDir, TEntryName stemOf,
                                                       TExpectedEntry expected);
// The usual entries: a file kindDir/NAME.json, or a folder kindDir/NAME/.
std::string Pack_ExpectJsonFile(const std::string& kindDir, const std::string& name);
std::string Pack_ExpectFolder(const std::string& kindDir, const std::string& name);
// Writes kindDir/index.json for names in id order (nullopt: an empty slot), creating the folder.
void Pack_WriteIndex(const std::string& kindDir, const std::vector<std::optional<std::string>>& names);

nlohmann::ordered_json Pack_ReadJson(const std::string& path);
void Pack_WriteJson(const std::string& path, const nlohmann::ordered_json& j);
// An image file's pixels exactly as stored (alpha as it is). Raises EProjectError.
TBitmap32 Pack_ReadImage(const std::string& path);
void Pack_WriteImage(const std::string& path, const TBitmap32& img);
bool Pack_FileExists(const std::string& path);
void Pack_MakeDirs(const std::string& dir);
// Refuses names that cannot be file names.
void Pack_CheckName(const std::string& kind, const std::string& name);
// The entry's name without its extension when it ends in ext, else "".
std::string Pack_StemWithExt(const std::string& entry, const char* ext);
