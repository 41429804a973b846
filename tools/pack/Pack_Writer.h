// Writing game data: everything the runner reads, in the container's layout, scrambled and
// checked the same way. Used by the packer's build command and by tests that need exact files.
#pragma once

#include "data/DataNew_Class.h"
#include "support/Support_Stream.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

struct PackItem {
    std::string name;
    std::vector<uint8_t> record; // the item record that follows the name
};

struct GameImage {
    int32_t headerVersion = kHeaderVersion;
    bool debug = false;
    std::vector<uint8_t> settingsBlock; // Option_Write output (version + compressed fields)
    int32_t flags = 0;
    int32_t gameId = 0;
    std::array<uint8_t, 16> guid{};
    std::array<int32_t, kChunkCount> chunkVersion{};
    std::vector<std::vector<uint8_t>> extensions; // package records, stored unframed
    // Named-item chunks: one entry per index; nullopt is an empty slot.
    std::array<std::vector<std::optional<PackItem>>, kChunkCount> named;
    std::vector<std::optional<std::vector<uint8_t>>> triggers; // trigger records
    std::vector<std::pair<std::string, std::string>> constants;
    std::vector<std::vector<uint8_t>> includedFiles; // records, each starting with its version
    std::vector<uint8_t> gameInfo;                   // the game-information record (a default one)
    std::vector<std::string> initCode;
    std::vector<int32_t> roomOrder;
    int32_t lastInstanceId = 100000;
    int32_t lastTileId = 10000000;

    GameImage();
};

// The smallest game that runs: default settings (version 820), one empty room, room order [0].
// Resets the game options to their defaults while writing the settings.
GameImage Pack_MinimalGame();
// The game data: magic pair, key words, header version, and the scrambled rest.
std::vector<uint8_t> Pack_WriteGameData(const GameImage& game);
// A runner image padded to at least the scan start, with the data appended.
std::vector<uint8_t> Pack_Assemble(const std::vector<uint8_t>& runnerImage, const std::vector<uint8_t>& data);
// A data-only file for QUARVEL_GAME: zero padding up to the scan start, then the data.
std::vector<uint8_t> Pack_DataOnly(const std::vector<uint8_t>& data);
// Writes bytes to path, optionally with the executable bits set. False on failure.
bool Pack_WriteFile(const std::string& path, const std::vector<uint8_t>& bytes, bool executable);
