// Helpers for the resource tests: byte fixtures written field by field, and loading a game image
// in process with every resource reader connected.
#pragma once

#include "Pack_Writer.h"
#include "data/DataNew_Main.h"
#include "data/Option_Main.h"
#include "resources/Resource_Readers.h"
#include "support/Support_File.h"
#include "support/Support_Stream.h"

#include <initializer_list>
#include <string>

// Bytes written with the stream encodings: Ints(...) appends 4-byte integers.
struct Bytes {
    CStream s;
    Bytes& Int(int32_t v) {
        s.WriteInteger(v);
        return *this;
    }
    Bytes& Ints(std::initializer_list<int32_t> vs) {
        for (int32_t v : vs) s.WriteInteger(v);
        return *this;
    }
    Bytes& Str(const std::string& v) {
        s.WriteString(v);
        return *this;
    }
    Bytes& Real(double v) {
        s.WriteReal(v);
        return *this;
    }
    Bytes& Raw(const std::vector<uint8_t>& v) {
        s.Write(v.data(), v.size());
        return *this;
    }
    // A plain sub-stream: length, then the bytes.
    Bytes& Block(const std::vector<uint8_t>& v) {
        s.WriteInteger(int32_t(v.size()));
        return Raw(v);
    }
    std::vector<uint8_t> Take() { return s.Bytes(); }
    CStream Stream() {
        CStream out(s.Bytes());
        return out;
    }
};

struct LoadOutcome {
    ELoadStatus status;
    std::string message; // the last message shown, empty when none
};

// Writes the game and loads it with the runner's loader, every resource reader connected.
inline LoadOutcome LoadInProcess(const GameImage& g) {
    Resource_RegisterReaders();
    // Extension packages unpack their files while loading, into the private temp directory.
    if (GetTempDirectory().empty()) InitTempDirectory();
    CStream s(Pack_DataOnly(Pack_WriteGameData(g)));
    LoadOutcome out{};
    LoadHooks hooks;
    hooks.message = [&](const std::string& m) { out.message = m; };
    out.status = DataNew_LoadStream(s, kGameDataScanStart, hooks);
    return out;
}
