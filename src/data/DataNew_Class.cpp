// The chunk table and the loaded game data.
#include "data/DataNew_Class.h"

const ChunkInfo g_chunkInfo[kChunkCount] = {
#define QV_CHUNK_INFO(id, progress, text, version) {#id, progress, text, version},
    QV_RESOURCE_CHUNKS(QV_CHUNK_INFO)
#undef QV_CHUNK_INFO
};

CGameData g_game;

void CGameData::Clear() {
    *this = CGameData();
}
