// The container's load sequence. Exceptions from short or corrupt data are turned into the
// loader's one message at the boundary of DataNew_LoadStream.
#include "data/DataNew_Main.h"

#include "data/Option_Main.h"
#include "resources/Constant_Main.h"
#include "resources/Extension_Class.h"
#include "runner/Runner_Form.h"
#include "support/Support_Stream.h"

#include <cstring>
#include <elf.h>

namespace {

ItemReader g_itemReaders[kChunkCount] = {};
ChunkStart g_chunkStarts[kChunkCount] = {};
std::vector<std::unique_ptr<CDataFile>> g_dataFiles;

const char* const kMsgNotValid = "Error: Not a valid game file.";
const char* const kMsgWrongVersion = "Error: Wrong version number.";
const char* const kMsgResourceData = "Error: Error in resource data.";
const char* const kMsgCorrupted = "Failed to load the game data. File seems corrupted.";
const char* const kMsgCannotRead = "Error: Cannot read the game file.";

// A failed step: the message is shown once by the caller.
struct LoadFailure {
    const char* message;
};

inline uint32_t Word(const CStream& s, size_t pos) {
    uint32_t v;
    std::memcpy(&v, s.Data() + pos, 4);
    return v;
}

void Progress(const LoadHooks& h, int percent, const std::string& text) {
    if (h.progress) h.progress(percent, text);
}

// A named item: a compressed sub-stream with the exists flag, the name and the record.
bool ReadNamedChunk(CStream& rs, EChunk chunk) {
    CNamedList& list = g_game.named[int(chunk)];
    list.Clear();
    int32_t count = rs.ReadInteger();
    g_game.chunks[int(chunk)].count = count;
    // Every item takes at least its 4-byte length: a larger count cannot be real.
    if (count < 0 || size_t(count) > rs.Remaining() / 4) return false;
    if (g_chunkStarts[int(chunk)]) g_chunkStarts[int(chunk)](int(count));
    for (int32_t i = 0; i < count; i++) {
        std::unique_ptr<CStream> item = rs.ReadStreamC();
        bool exists = item->ReadBoolean();
        std::string name = exists ? item->ReadString() : std::string();
        list.names.push_back(name);
        list.exists.push_back(exists);
        if (exists && g_itemReaders[int(chunk)] && !g_itemReaders[int(chunk)](int(i), name, *item))
            return false;
    }
    return true;
}

bool ReadChunk(CStream& rs, EChunk chunk, const LoadHooks& hooks) {
    ChunkSummary& sum = g_game.chunks[int(chunk)];
    sum.read = true;
    sum.version = rs.ReadInteger();
    if (sum.version != g_chunkInfo[int(chunk)].version) return false;
    switch (chunk) {
    case EChunk::Extensions: {
        // The extension unit reads the chunk from its version on.
        rs.Seek(rs.Position() - 4);
        bool ok = Extension_Load(rs, [&hooks](const std::string& m) {
            if (hooks.message) hooks.message(m);
        });
        sum.count = Extension_Count();
        return ok;
    }
    case EChunk::Triggers: {
        CNamedList& list = g_game.named[int(chunk)];
        list.Clear();
        sum.count = rs.ReadInteger();
        if (sum.count < 0 || size_t(sum.count) > rs.Remaining() / 4) return false;
        if (g_chunkStarts[int(chunk)]) g_chunkStarts[int(chunk)](int(sum.count));
        for (int32_t i = 0; i < sum.count; i++) {
            std::unique_ptr<CStream> item = rs.ReadStreamC();
            bool exists = item->ReadBoolean();
            list.names.emplace_back();
            list.exists.push_back(exists);
            if (exists && g_itemReaders[int(chunk)] && !g_itemReaders[int(chunk)](int(i), "", *item))
                return false;
        }
        return true;
    }
    case EChunk::Constants:
        // The constants unit reads the chunk from its version on.
        rs.Seek(rs.Position() - 4);
        if (!Constant_LoadFromStream(rs)) return false;
        sum.count = Constant_GameCount();
        return true;
    case EChunk::Rooms:
        if (!ReadNamedChunk(rs, chunk)) return false;
        g_game.lastInstanceId = rs.ReadInteger();
        g_game.lastTileId = rs.ReadInteger();
        return true;
    case EChunk::IncludedFiles: {
        sum.count = rs.ReadInteger();
        if (sum.count < 0 || size_t(sum.count) > rs.Remaining() / 4) return false;
        if (g_chunkStarts[int(chunk)]) g_chunkStarts[int(chunk)](int(sum.count));
        for (int32_t i = 0; i < sum.count; i++) {
            std::unique_ptr<CStream> item = rs.ReadStreamC();
            if (item->ReadInteger() != 800) return false;
            item->Seek(0);
            if (g_itemReaders[int(chunk)] && !g_itemReaders[int(chunk)](int(i), "", *item)) return false;
        }
        return true;
    }
    case EChunk::GameInfo: {
        std::unique_ptr<CStream> info = rs.ReadStreamC();
        sum.count = 1;
        if (g_itemReaders[int(chunk)] && !g_itemReaders[int(chunk)](0, "", *info)) return false;
        return true;
    }
    case EChunk::InitCode: {
        g_game.initCode.clear();
        sum.count = rs.ReadInteger();
        for (int32_t i = 0; i < sum.count; i++) g_game.initCode.push_back(rs.ReadString());
        return true;
    }
    case EChunk::RoomOrder: {
        g_game.roomOrder.clear();
        sum.count = rs.ReadInteger();
        if (sum.count <= 0) return false;
        for (int32_t i = 0; i < sum.count; i++) g_game.roomOrder.push_back(rs.ReadInteger());
        return true;
    }
    default:
        return ReadNamedChunk(rs, chunk);
    }
}

void ReadResourceStream(CStream& file, const LoadHooks& hooks) {
    std::unique_ptr<CStream> rs = file.TakeStreamE();
    int32_t filler = rs->ReadInteger();
    if (filler > 0) rs->Skip(size_t(filler) * 4);
    g_game.flags = rs->ReadInteger();
    g_game.gameId = rs->ReadInteger();
    rs->ReadExact(g_game.guid.data(), 16);
    for (int c = 0; c < kChunkCount; c++) {
        Progress(hooks, g_chunkInfo[c].progress, g_chunkInfo[c].text);
        if (!ReadChunk(*rs, EChunk(c), hooks)) throw LoadFailure{kMsgResourceData};
    }
}

void ReadHeader(CStream& s, const LoadHooks& hooks) {
    g_game.headerVersion = s.ReadInteger();
    if (g_game.headerVersion != kHeaderVersion) throw LoadFailure{kMsgWrongVersion};
    s.ReadInteger();
    g_game.debug = s.ReadBoolean();
    s.ReadInteger();
    size_t settingsAt = s.Position();
    if (!Option_Read(s)) throw LoadFailure{kMsgResourceData};
    size_t after = s.Position();
    s.Seek(settingsAt);
    g_game.settingsVersion = s.ReadInteger();
    s.Seek(after);
    Progress(hooks, 1, "Reading data");
    if (hooks.showLoadWindow) hooks.showLoadWindow(g_game.debug);
    // The graphics support library of the original platform: read and discarded, since
    // rendering here has its own matrix and texture helpers.
    g_game.gfxLibName = s.ReadString();
    s.ReadStreamC();
    ReadResourceStream(s, hooks);
}

} // namespace

void DataNew_SetItemReader(EChunk chunk, ItemReader reader) {
    g_itemReaders[int(chunk)] = reader;
}

void DataNew_SetChunkStart(EChunk chunk, ChunkStart start) {
    g_chunkStarts[int(chunk)] = start;
}

ItemReader DataNew_GetItemReader(EChunk chunk) {
    return g_itemReaders[int(chunk)];
}

ChunkStart DataNew_GetChunkStart(EChunk chunk) {
    return g_chunkStarts[int(chunk)];
}

void DataFile_Clear() {
    g_dataFiles.clear();
}

int DataFile_Count() {
    return int(g_dataFiles.size());
}

CDataFile* DataFile_Get(int index) {
    return index >= 0 && index < DataFile_Count() ? g_dataFiles[size_t(index)].get() : nullptr;
}

int DataFile_Find(const std::string& name) {
    for (size_t i = 0; i < g_dataFiles.size(); i++)
        if (g_dataFiles[i]->s_filename == name) return int(i);
    return -1;
}

bool DataFile_ReadItem(int index, const std::string&, CStream& record) {
    auto f = std::make_unique<CDataFile>();
    if (!f->LoadFromStream(record)) return false;
    if (index != DataFile_Count()) return false;
    g_dataFiles.push_back(std::move(f));
    return true;
}

void DataFile_LoadStart(int) {
    g_dataFiles.clear();
}

void DataFile_Register() {
    DataNew_SetChunkStart(EChunk::IncludedFiles, DataFile_LoadStart);
    DataNew_SetItemReader(EChunk::IncludedFiles, DataFile_ReadItem);
}

bool DataFile_PrepareAll() {
    for (auto& f : g_dataFiles) f->Prepare();
    return true;
}

bool DataFile_RemoveAll() {
    for (auto& f : g_dataFiles) f->Remove();
    return true;
}

ELoadStatus DataNew_LoadFile(const std::string& path, size_t scanStart, const LoadHooks& hooks) {
    CStream s;
    if (!s.LoadFromFile(path)) {
        if (hooks.message) hooks.message(kMsgCannotRead);
        return ELoadStatus::Failed;
    }
    return DataNew_LoadStream(s, scanStart, hooks);
}

ELoadStatus DataNew_LoadStream(CStream& s, size_t scanStart, const LoadHooks& hooks) {
    g_game.Clear();
    CStream::InitFastCRC();
    try {
        size_t pos = scanStart, size = s.Size();
        while (true) {
            if (pos + 8 > size) throw LoadFailure{kMsgNotValid};
            if ((Word(s, pos) & 0xFF00FF00u) + (Word(s, pos + 4) & 0x00FF00FFu) == kMagicSum) break;
            pos++;
        }
        size_t p0 = pos;
        uint32_t K = (Word(s, p0) & 0x00FF00FFu) + (Word(s, p0 + 4) & 0xFF00FF00u);
        if (p0 + 20 > size) throw EStreamReadError("Stream read error");
        uint32_t version = Word(s, p0 + 16) ^ K;
        std::memcpy(s.Data() + p0 + 16, &version, 4);
        if (!s.DecryptWad(p0 + 8)) return ELoadStatus::CheckFailed;
        s.Seek(p0 + 16);
        ReadHeader(s, hooks);
    } catch (const LoadFailure& f) {
        if (hooks.message) hooks.message(f.message);
        return ELoadStatus::Failed;
    } catch (const std::exception& e) {
        Trace(std::string("Load error: ") + e.what());
        if (hooks.message) hooks.message(kMsgCorrupted);
        return ELoadStatus::Failed;
    }
    return ELoadStatus::Ok;
}

size_t DataNew_ElfImageEnd(const uint8_t* data, size_t size) {
    if (size < sizeof(Elf64_Ehdr) || std::memcmp(data, ELFMAG, SELFMAG) != 0 || data[EI_CLASS] != ELFCLASS64)
        return 0;
    Elf64_Ehdr eh;
    std::memcpy(&eh, data, sizeof eh);
    uint64_t end = eh.e_shoff + uint64_t(eh.e_shnum) * eh.e_shentsize;
    end = std::max<uint64_t>(end, eh.e_phoff + uint64_t(eh.e_phnum) * eh.e_phentsize);
    for (int i = 0; i < eh.e_phnum; i++) {
        uint64_t at = eh.e_phoff + uint64_t(i) * eh.e_phentsize;
        if (at + sizeof(Elf64_Phdr) > size) break;
        Elf64_Phdr ph;
        std::memcpy(&ph, data + at, sizeof ph);
        end = std::max<uint64_t>(end, ph.p_offset + ph.p_filesz);
    }
    for (int i = 0; i < eh.e_shnum; i++) {
        uint64_t at = eh.e_shoff + uint64_t(i) * eh.e_shentsize;
        if (at + sizeof(Elf64_Shdr) > size) break;
        Elf64_Shdr sh;
        std::memcpy(&sh, data + at, sizeof sh);
        if (sh.sh_type != SHT_NOBITS) end = std::max<uint64_t>(end, sh.sh_offset + sh.sh_size);
    }
    return size_t(std::min<uint64_t>(end, size));
}
