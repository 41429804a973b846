// The per-user store that plays the part of the registry: keys (paths separated by '\')
// holding named integer, string and binary values, kept in one SQLite database per user.
// File: $QUARVEL_STORE if set, else $XDG_CONFIG_HOME/quarvel/store.sqlite, else
// ~/.config/quarvel/store.sqlite. Key paths and value names compare case-insensitively (ASCII
// letters); leading, trailing and doubled '\' are ignored. The value named "" is the key's
// default value. Every write is one transaction, committed to a write-ahead log: it survives
// the process being killed at any moment; a power cut may lose the latest writes but never the
// database. A missing, unreadable or corrupt database never crashes: the call fails, and the
// reason goes to the trace hook (Platform_Trace).
#pragma once

#include <cstdint>
#include <string>

// The database file in use, from the environment as above ("" when no home is known).
std::string Store_Path();

// True when the key, or any key below it, exists (the root "" always does).
bool Store_KeyExists(const std::string& keyPath);
// True when the key holds a value of that name.
bool Store_ValueExists(const std::string& keyPath, const std::string& name);

// Read a value; false (out unchanged) when it is absent, of the other type, or unreadable.
bool Store_ReadInt(const std::string& keyPath, const std::string& name, int64_t& out);
bool Store_ReadString(const std::string& keyPath, const std::string& name, std::string& out);
bool Store_ReadBinary(const std::string& keyPath, const std::string& name, std::string& out);

// Write a value, creating the key and the database as needed and replacing a value of the same
// name and any type; false when the database cannot be written.
bool Store_WriteInt(const std::string& keyPath, const std::string& name, int64_t value);
bool Store_WriteString(const std::string& keyPath, const std::string& name, const std::string& value);
bool Store_WriteBinary(const std::string& keyPath, const std::string& name, const std::string& bytes);

// Creates an empty key (its parents then exist too); true when it exists afterwards.
bool Store_CreateKey(const std::string& keyPath);
// Deletes one value; false when it did not exist or the database cannot be written.
bool Store_DeleteValue(const std::string& keyPath, const std::string& name);
// Deletes the key with all its values and all keys below it; false when it did not exist, is
// the root, or the database cannot be written.
bool Store_DeleteKey(const std::string& keyPath);

// Closes the database; the next call opens it again (also after QUARVEL_STORE changed).
void Store_Close();
