// Connects every resource kind's list to the game-data loader and to name lookup.
#include "resources/Resource_Readers.h"

#include "code/Code_Constant.h"
#include "data/DataNew_Main.h"
#include "resources/Help_Main.h"
#include "resources/Object_Main.h"
#include "resources/Path_Main.h"
#include "resources/Room_Main.h"
#include "resources/Script_Main.h"
#include "resources/TimeLine_Main.h"
#include "resources/Trigger_Class.h"

namespace {
void Register(EChunk chunk, ItemReader reader, ChunkBegin begin, ChunkEnd end) {
    DataNew_SetItemReader(chunk, reader);
    DataNew_SetChunkHooks(chunk, begin, end);
}
} // namespace

// One line per kind.
void Resource_RegisterReaders() {
    Register(EChunk::Triggers, Trigger_ReadItem, Trigger_ChunkBegin, Trigger_ChunkEnd);
    Register(EChunk::Paths, Path_ReadItem, Path_ChunkBegin, Path_ChunkEnd);
    Register(EChunk::Scripts, Script_ReadItem, Script_ChunkBegin, Script_ChunkEnd);
    Register(EChunk::TimeLines, TimeLine_ReadItem, TimeLine_ChunkBegin, TimeLine_ChunkEnd);
    Register(EChunk::Objects, Object_ReadItem, Object_ChunkBegin, Object_ChunkEnd);
    Register(EChunk::Rooms, Room_ReadItem, Room_ChunkBegin, Room_ChunkEnd);
    Register(EChunk::IncludedFiles, DataFile_ReadItem, DataFile_ChunkBegin, nullptr);
    Register(EChunk::GameInfo, Help_ReadItem, nullptr, nullptr);
    Name_SetFinder(NAME_OBJECT, Object_Find);
    Name_SetFinder(NAME_PATH, Path_Find);
    Name_SetFinder(NAME_TIMELINE, TimeLine_Find);
    Name_SetFinder(NAME_SCRIPT, Script_Find);
    Name_SetFinder(NAME_ROOM, Room_Find);
    Name_SetFinder(NAME_TRIGGER, Trigger_FindConstant);
}
