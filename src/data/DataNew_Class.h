// The game data as loaded: header fields, the resource chunk table, and what the container
// keeps of each chunk (names and presence of every item, constants, library init code, room
// order). The per-kind resource units take their items from here as they come.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The resource chunks in the order they are stored: id, progress, progress text, version.
#define QV_RESOURCE_CHUNKS(X)                                                                                \
    X(Extensions, 0, "Loading extension packages", 700)                                                      \
    X(Triggers, 5, "Loading triggers", 800)                                                                  \
    X(Constants, 6, "Loading constants", 800)                                                                \
    X(Sounds, 7, "Loading sounds", 800)                                                                      \
    X(Sprites, 10, "Loading sprites", 800)                                                                   \
    X(Backgrounds, 23, "Loading backgrounds", 800)                                                           \
    X(Paths, 30, "Loading paths", 800)                                                                       \
    X(Scripts, 32, "Loading scripts", 800)                                                                   \
    X(Fonts, 34, "Loading fonts", 800)                                                                       \
    X(TimeLines, 36, "Loading time lines", 800)                                                              \
    X(Objects, 38, "Loading objects", 800)                                                                   \
    X(Rooms, 40, "Loading rooms", 800)                                                                       \
    X(IncludedFiles, 43, "Loading included files", 800)                                                      \
    X(GameInfo, 45, "Loading help", 800)                                                                     \
    X(InitCode, 47, "Loading library init code", 500)                                                        \
    X(RoomOrder, 49, "Loading room order", 700)

enum class EChunk : int {
#define QV_CHUNK_ENUM(id, progress, text, version) id,
    QV_RESOURCE_CHUNKS(QV_CHUNK_ENUM)
#undef QV_CHUNK_ENUM
        Count
};
inline constexpr int kChunkCount = int(EChunk::Count);

struct ChunkInfo {
    const char* name;
    int progress;
    const char* text;
    int version;
};
extern const ChunkInfo g_chunkInfo[kChunkCount];

// The game-data header version and the magic sum of the container.
inline constexpr int kHeaderVersion = 810;
inline constexpr uint32_t kMagicSum = 0xF7140067u;
// Game data is looked for from this file offset on.
inline constexpr size_t kGameDataScanStart = 3800004;

// What a chunk held, for inspection: its version and item count.
struct ChunkSummary {
    bool read = false;
    int32_t version = 0;
    int32_t count = 0;
};

// Names of a named-item chunk; an index without an item has an empty name and is absent.
struct CNamedList {
    std::vector<std::string> names;
    std::vector<bool> exists;
    void Clear() {
        names.clear();
        exists.clear();
    }
    int Count() const { return int(names.size()); }
};

struct CGameData {
    // header
    int32_t headerVersion = 0;
    bool debug = false;
    int32_t settingsVersion = 0;
    std::string gfxLibName;
    // resource stream
    int32_t flags = 0;
    int32_t gameId = 0;
    std::array<uint8_t, 16> guid{};
    std::array<ChunkSummary, kChunkCount> chunks{};
    std::array<CNamedList, kChunkCount> named; // for the named-item chunks
    std::vector<std::string> initCode;
    std::vector<int32_t> roomOrder;
    int32_t lastInstanceId = 0;
    int32_t lastTileId = 0;

    void Clear();
};

extern CGameData g_game;

class CStream;

// An included file: bytes stored in the game data, written to disk before the game starts and
// removed again at the end when asked to.
class CDataFile {
  public:
    // Record: version 800, file name, original name, exists, size, store, the bytes (only when
    // exists and store), export action, export folder, overwrite, free data, remove at end.
    bool LoadFromStream(CStream& str);
    // Writes the bytes to path when they exist and the file is absent or may be overwritten.
    bool ExportIt(const std::string& path);
    // Exports the file to its export location; releases the bytes after it when s_freedata.
    bool Prepare();
    void Discard();
    // Deletes the exported file when s_removeend.
    bool Remove();

    std::string s_filename;
    std::string s_origname;
    bool s_exists = false;
    int32_t s_size = 0;
    bool s_store = false;
    std::vector<uint8_t> s_data;
    int32_t s_exportaction = 2;
    std::string s_exportdir;
    bool s_overwrite = false;
    bool s_freedata = true;
    bool s_removeend = true;
};
