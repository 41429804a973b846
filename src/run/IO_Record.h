// Input recordings: the input a game saw, poll by poll, with the seeds its random generator took
// from the clock, written while a game runs and read back to replay it. The format is described
// in docs/input.md.
#pragma once

#include "platform/Platform_Input.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

inline constexpr int32_t kRecordVersion = 1;

// Which game a recording belongs to: the game id, the GUID and a fingerprint of the resource
// names and the room order of the loaded game.
struct RGameIdentity {
    int32_t gameId = 0;
    std::array<uint8_t, 16> guid{};
    uint32_t fingerprint = 0;
    bool operator==(const RGameIdentity&) const = default;
};
// The identity of the game loaded now.
RGameIdentity Record_GameIdentity();

// Writes a recording as the game runs; every poll's records reach the file at once, so a run that
// is killed leaves a file that reads as truncated.
class CInputRecordWriter {
  public:
    ~CInputRecordWriter();
    // Creates the file and writes the header; false with a reason when it cannot be written.
    bool Open(const std::string& path, const RGameIdentity& game, std::string& error);
    void Seed(int32_t poll, uint32_t seed);
    void Event(int32_t poll, const RInputEvent& e);
    // Writes the end record (with the number of polls and the checksum) and closes the file.
    void Close(int32_t polls);
    bool IsOpen() const { return m_file != nullptr; }

  private:
    void Put(const std::vector<uint8_t>& bytes);
    std::FILE* m_file = nullptr;
    uint32_t m_crc = 0;
};

// A recording read back.
struct RInputRecording {
    struct REvent {
        int32_t poll = 0;
        RInputEvent event;
    };
    std::vector<REvent> events;  // in poll order
    std::vector<uint32_t> seeds; // in the order they were taken
    int32_t polls = 0;
};

// Reads and checks a whole recording for the given game. False with a message naming the file
// when it cannot be read, is not a recording, is truncated, corrupt, of another version or from
// another game.
bool Record_Read(const std::string& path, const RGameIdentity& game, RInputRecording& out,
                 std::string& error);
// The same over the file's bytes (path only names the file in the message).
bool Record_Parse(const std::vector<uint8_t>& bytes, const std::string& path, const RGameIdentity& game,
                  RInputRecording& out, std::string& error);
