// Saved games. The file, in order: version 540, the game id, the current room, the transition
// kind, score, lives, health, the cursor sprite and its image counter, automatic drawing, the
// global variables (with their globalvar flags), the live rooms table (per room index a present
// flag and the room's record), the last instance id and the last tile id.
// Loading reads and checks the whole file into a staging copy first and only then swaps it in,
// so a damaged file never touches the running game.
#include "run/Run_Save.h"

#include "code/Code_Error.h"
#include "code/Variable_Main.h"
#include "data/DataNew_Class.h"
#include "run/Run_Main.h"
#include "run/Run_Room.h"
#include "support/Support_File.h"
#include "support/Support_Stream.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr int32_t kSaveVersion = 540;
// A save file larger than this is not read (it cannot be one of ours).
constexpr int64_t kMaxSaveBytes = int64_t(1) << 30;

std::string g_loadName; // the file a load request names

// Everything a save file holds, read and checked before any of it replaces the running game.
struct RSaved {
    int32_t room = -1;
    int32_t transitionKind = 0, score = 0, lives = 0;
    double health = 0;
    int32_t cursorSprite = -1, cursorImage = 0;
    bool automaticDraw = true;
    CVariableList globals;
    std::vector<bool> globalFlags;
    std::vector<std::unique_ptr<CLiveRoom>> rooms;
    int32_t lastInstanceId = 0, lastTileId = 0;
};

// Reads the file's content into saved. "" when it is whole and fits this game, else the message.
std::string ReadSaved(CStream& s, const std::string& fname, RSaved& saved) {
    const std::string damaged = "Failed to load game from file " + fname + ": the file is damaged (";
    std::string why;
    try {
        if (s.ReadInteger() != kSaveVersion) return "Cannot load game saved with other version.";
        if (s.ReadInteger() != g_game.gameId) return "This is a save file for a different game!";
        saved.room = s.ReadInteger();
        saved.transitionKind = s.ReadInteger();
        saved.score = s.ReadInteger();
        saved.lives = s.ReadInteger();
        saved.health = s.ReadReal();
        saved.cursorSprite = s.ReadInteger();
        saved.cursorImage = s.ReadInteger();
        saved.automaticDraw = s.ReadBoolean();
        if (!Global_ReadStream(s, saved.globals, saved.globalFlags))
            return damaged + "the global variables).";
        const int32_t n = s.ReadInteger();
        if (n < 0 || size_t(n) > s.Remaining() / 4)
            return damaged + "a room count of " + std::to_string(n) + ").";
        saved.rooms.resize(size_t(n));
        for (int32_t r = 0; r < n; ++r) {
            if (!s.ReadBoolean()) continue;
            auto room = std::make_unique<CLiveRoom>();
            if (!room->LoadGameFromStream(s, why))
                return damaged + "room " + std::to_string(r) + " holds " + why + ").";
            saved.rooms[size_t(r)] = std::move(room);
        }
        saved.lastInstanceId = s.ReadInteger();
        saved.lastTileId = s.ReadInteger();
    } catch (const EStreamReadError&) {
        return damaged + "it ends early).";
    }
    if (s.Remaining() != 0) return damaged + "data after its end).";
    if (saved.room < 0 || size_t(saved.room) >= saved.rooms.size() || !saved.rooms[size_t(saved.room)])
        return damaged + "the current room " + std::to_string(saved.room) + " is not in it).";
    // New ids are drawn above the counters; a counter below an id present would hand it out again.
    for (const auto& room : saved.rooms) {
        if (!room) continue;
        if (room->HighestInstanceId() > saved.lastInstanceId)
            return damaged + "an instance id above the last one).";
        if (room->HighestTileId() > saved.lastTileId) return damaged + "a tile id above the last one).";
    }
    return {};
}

} // namespace

std::string Run_QuickSaveName() {
    return "_save" + std::to_string(g_game.gameId) + ".sav";
}

void Run_SaveToStream(CStream& s) {
    const auto& rooms = Run_LiveRooms();
    const RGameValues& v = Run_Values();
    s.WriteInteger(kSaveVersion);
    s.WriteInteger(g_game.gameId);
    s.WriteInteger(Run_CurrentRoom());
    s.WriteInteger(v.transitionKind);
    s.WriteInteger(v.score);
    s.WriteInteger(v.lives);
    s.WriteReal(v.health);
    s.WriteInteger(v.cursorSprite);
    s.WriteInteger(v.cursorImage);
    s.WriteBoolean(v.automaticDraw);
    Global_SaveToStream(s);
    s.WriteInteger(int32_t(rooms.size()));
    for (const auto& room : rooms) {
        s.WriteBoolean(room != nullptr);
        if (room) room->SaveGameToStream(s);
    }
    s.WriteInteger(Run_LastInstanceId());
    s.WriteInteger(g_game.lastTileId);
}

std::string Run_LoadFromStream(CStream& s, const std::string& fname) {
    RSaved saved;
    const std::string error = ReadSaved(s, fname, saved);
    if (!error.empty()) return error;
    RGameValues& v = Run_Values();
    v.transitionKind = saved.transitionKind;
    v.score = saved.score;
    v.lives = saved.lives;
    v.health = saved.health;
    v.cursorSprite = saved.cursorSprite;
    v.cursorImage = saved.cursorImage;
    v.automaticDraw = saved.automaticDraw;
    Global_Install(std::move(saved.globals), std::move(saved.globalFlags));
    g_game.lastTileId = saved.lastTileId;
    Run_InstallWorld(std::move(saved.rooms), saved.room, saved.lastInstanceId);
    return {};
}

namespace {

// Writes the save file; "" when done, else the message.
std::string SaveTo(const std::string& fname) {
    const std::string failed = "Failed to save game to file " + fname;
    if (!Run_Room()) return failed + ": no room is running.";
    CStream s;
    Run_SaveToStream(s);
    const auto& bytes = s.Bytes();
    if (!WriteFileAtomic(LocalPath(fname),
                         std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), true))
        return failed;
    return {};
}

} // namespace

bool Run_SaveGame(const std::string& fname) {
    const std::string error = SaveTo(fname);
    if (!error.empty()) Error_ShowInEvent(error, false);
    return error.empty();
}

void Run_RequestLoad(const std::string& fname) {
    g_loadName = fname;
    Run_SetStopRequest(kStopLoad);
}

void Run_LoadRequested() {
    const std::string fname = std::exchange(g_loadName, std::string());
    Run_LoadGame(fname);
}

bool Run_LoadGame(const std::string& fname) {
    std::vector<uint8_t> bytes;
    switch (ReadRegularFile(LocalPath(fname), kMaxSaveBytes, bytes)) {
    case EFileRead::Missing:
        return false;
    case EFileRead::Failed:
        Error_Show("Failed to load game from file " + fname, false);
        return false;
    case EFileRead::TooLarge:
        Error_Show("Failed to load game from file " + fname + ": the file is too large to be a saved game.",
                   false);
        return false;
    case EFileRead::Ok:
        break;
    }
    CStream s(std::move(bytes));
    const std::string error = Run_LoadFromStream(s, fname);
    if (!error.empty()) Error_Show(error, false);
    return error.empty();
}

void Run_QuickSave() {
    // Between the events of a step: no event heading.
    const std::string error = SaveTo(Run_QuickSaveName());
    if (!error.empty()) Error_Show(error, false);
}

void Run_QuickLoad() {
    Run_RequestLoad(Run_QuickSaveName());
}
