// Loading the game data: finding it in the runner's file, descrambling and checking it,
// reading the header, the settings and every resource chunk in order.
#pragma once

#include "data/DataNew_Class.h"

#include <functional>
#include <string>

class CStream;

enum class ELoadStatus {
    Ok,
    Failed,      // a message was shown
    CheckFailed, // the check value did not match: the program ends without a message
};

// What the load asks of its surroundings. Every member may be empty.
struct LoadHooks {
    std::function<void(int percent, const std::string& text)> progress;
    std::function<void(const std::string& text)> message;
    std::function<void(bool debug)> showLoadWindow; // after the header and settings are read
};

// Reads an item record of a named-item chunk (the stream is positioned after the name) into
// the kind's list. False fails the chunk. Kinds without a reader keep only names.
using ItemReader = bool (*)(int index, const std::string& name, CStream& record);
void DataNew_SetItemReader(EChunk chunk, ItemReader reader);
// Called when a named-item chunk's count has been read and checked, before its items: the kind
// empties its list and sizes it to count (items that do not exist stay holes).
using ChunkStart = void (*)(int count);
void DataNew_SetChunkStart(EChunk chunk, ChunkStart start);
// What is connected for a chunk (null when nothing is), for tools that hand records to the
// readers directly.
ItemReader DataNew_GetItemReader(EChunk chunk);
ChunkStart DataNew_GetChunkStart(EChunk chunk);

// Loads the game from the file at path, scanning for the data from scanStart.
ELoadStatus DataNew_LoadFile(const std::string& path, size_t scanStart, const LoadHooks& hooks);
// Loads the game from a whole runner file held in s (which it consumes).
ELoadStatus DataNew_LoadStream(CStream& s, size_t scanStart, const LoadHooks& hooks);
// Offset just past the last byte an ELF executable's headers describe; 0 when not ELF.
size_t DataNew_ElfImageEnd(const uint8_t* data, size_t size);

// The included files, in chunk order.
void DataFile_Clear();
int DataFile_Count();
CDataFile* DataFile_Get(int index);         // nullptr outside 0 .. count - 1
int DataFile_Find(const std::string& name); // first file of exactly that name, -1 when none
bool DataFile_ReadItem(int index, const std::string& name, CStream& record);
void DataFile_LoadStart(int count);
// Connects the included-file list to the loader.
void DataFile_Register();
// "Extracting included files": Prepare on every file in index order; always true.
bool DataFile_PrepareAll();
// At shutdown: Remove on every file in index order; always true.
bool DataFile_RemoveAll();
