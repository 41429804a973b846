// Game-data writer: the exact inverse of the runner's load sequence.
#include "Pack_Writer.h"

#include "data/Option_Main.h"

#include <cstring>
#include <random>
#include <sys/stat.h>

namespace {

std::mt19937& Rng() {
    static std::mt19937 rng(std::random_device{}());
    return rng;
}

void WriteNamedChunk(CStream& rs, const std::vector<std::optional<PackItem>>& items) {
    rs.WriteInteger(int32_t(items.size()));
    for (const auto& item : items) {
        CStream sub;
        sub.WriteBoolean(item.has_value());
        if (item) {
            sub.WriteString(item->name);
            sub.Write(item->record.data(), item->record.size());
        }
        rs.WriteStreamC(sub);
    }
}

void WriteResourceStream(CStream& rs, const GameImage& g) {
    int32_t filler = int32_t(Rng()() % 64);
    rs.WriteInteger(filler);
    for (int32_t i = 0; i < filler; i++) rs.WriteInteger(int32_t(Rng()() & 0x0FFFFFFF));
    rs.WriteInteger(g.flags);
    rs.WriteInteger(g.gameId);
    rs.Write(g.guid.data(), 16);
    for (int c = 0; c < kChunkCount; c++) {
        rs.WriteInteger(g.chunkVersion[c]);
        switch (EChunk(c)) {
        case EChunk::Extensions:
            rs.WriteInteger(int32_t(g.extensions.size()));
            for (const auto& e : g.extensions) rs.Write(e.data(), e.size());
            break;
        case EChunk::Triggers:
            rs.WriteInteger(int32_t(g.triggers.size()));
            for (const auto& t : g.triggers) {
                CStream sub;
                sub.WriteBoolean(t.has_value());
                if (t) sub.Write(t->data(), t->size());
                rs.WriteStreamC(sub);
            }
            break;
        case EChunk::Constants:
            rs.WriteInteger(int32_t(g.constants.size()));
            for (const auto& [name, value] : g.constants) {
                rs.WriteString(name);
                rs.WriteString(value);
            }
            break;
        case EChunk::Rooms:
            WriteNamedChunk(rs, g.named[c]);
            rs.WriteInteger(g.lastInstanceId);
            rs.WriteInteger(g.lastTileId);
            break;
        case EChunk::IncludedFiles:
            rs.WriteInteger(int32_t(g.includedFiles.size()));
            for (const auto& f : g.includedFiles) {
                CStream sub(f);
                rs.WriteStreamC(sub);
            }
            break;
        case EChunk::GameInfo: {
            CStream sub(g.gameInfo);
            rs.WriteStreamC(sub);
            break;
        }
        case EChunk::InitCode:
            rs.WriteInteger(int32_t(g.initCode.size()));
            for (const auto& code : g.initCode) rs.WriteString(code);
            break;
        case EChunk::RoomOrder:
            rs.WriteInteger(int32_t(g.roomOrder.size()));
            for (int32_t r : g.roomOrder) rs.WriteInteger(r);
            break;
        default:
            WriteNamedChunk(rs, g.named[c]);
            break;
        }
    }
}

} // namespace

GameImage::GameImage() {
    for (int c = 0; c < kChunkCount; c++) chunkVersion[c] = g_chunkInfo[c].version;
    // A default game-information record: colour, in-window, caption, left, top, width, height,
    // border, sizeable, stay on top, pause, and an empty document.
    CStream info;
    info.WriteInteger(0xE1FFFF);
    info.WriteBoolean(false);
    info.WriteString("Game Information");
    for (int32_t v : {-1, -1, 600, 400}) info.WriteInteger(v);
    for (bool b : {true, true, false, true}) info.WriteBoolean(b);
    info.WriteInteger(0);
    gameInfo = info.Bytes();
}

GameImage Pack_MinimalGame() {
    GameImage g;
    Option_SetDefaults();
    CStream settings;
    Option_Write(settings, 820);
    g.settingsBlock = settings.Bytes();
    // One empty room with the default fields, so that the game runs.
    CStream room;
    room.WriteInteger(820);
    room.WriteString("");
    room.WriteInteger(640);
    room.WriteInteger(480);
    room.WriteInteger(30);
    room.WriteBoolean(false);
    room.WriteInteger(0xC0C0C0);
    room.WriteInteger(1); // show the colour, clear behind the views
    room.WriteString("");
    room.WriteInteger(8);
    for (int i = 0; i < 8; i++) {
        room.WriteBoolean(false);
        room.WriteBoolean(false);
        for (int v : {-1, 0, 0}) room.WriteInteger(v);
        room.WriteBoolean(true);
        room.WriteBoolean(true);
        room.WriteInteger(0);
        room.WriteInteger(0);
        room.WriteBoolean(false);
    }
    room.WriteBoolean(false);
    room.WriteInteger(8);
    for (int i = 0; i < 8; i++) {
        room.WriteBoolean(false);
        for (int v : {0, 0, 640, 480, 0, 0, 640, 480, 32, 32, -1, -1, -1}) room.WriteInteger(v);
    }
    room.WriteInteger(0); // instances
    room.WriteInteger(0); // tiles
    room.WriteBoolean(false);
    for (int i = 0; i < 7; i++) room.WriteInteger(0);
    g.named[int(EChunk::Rooms)].push_back(PackItem{"room0", room.Bytes()});
    g.roomOrder = {0};
    return g;
}

std::vector<uint8_t> Pack_WriteGameData(const GameImage& g) {
    // The version mask K is random; the magic pair carries it beside the fixed magic sum.
    uint32_t K = Rng()();
    uint32_t A = (kMagicSum & 0xFF00FF00u) | (K & 0x00FF00FFu);
    uint32_t B = (kMagicSum & 0x00FF00FFu) | (K & 0xFF00FF00u);
    CStream out;
    out.WriteInteger(int32_t(A));
    out.WriteInteger(int32_t(B));
    out.WriteInteger(int32_t(Rng()())); // W0: the number in the key string
    out.WriteInteger(0);                // W1: check value, set when scrambling
    out.WriteInteger(int32_t(uint32_t(g.headerVersion) ^ K));
    out.WriteInteger(0); // reserved
    out.WriteBoolean(g.debug);
    out.WriteInteger(0); // reserved
    out.Write(g.settingsBlock.data(), g.settingsBlock.size());
    out.WriteString(""); // no graphics support library on this platform
    CStream nolib;
    out.WriteStreamC(nolib);
    CStream rs;
    WriteResourceStream(rs, g);
    out.WriteStreamE(rs);
    out.EncryptWad(8);
    return std::move(out.Bytes());
}

std::vector<uint8_t> Pack_Assemble(const std::vector<uint8_t>& runnerImage,
                                   const std::vector<uint8_t>& data) {
    std::vector<uint8_t> file = runnerImage;
    if (file.size() < kGameDataScanStart) file.resize(kGameDataScanStart, 0);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

std::vector<uint8_t> Pack_DataOnly(const std::vector<uint8_t>& data) {
    return Pack_Assemble({}, data);
}

bool Pack_WriteFile(const std::string& path, const std::vector<uint8_t>& bytes, bool executable) {
    CStream s(bytes);
    if (!s.SaveToFile(path)) return false;
    return !executable || chmod(path.c_str(), 0755) == 0;
}
