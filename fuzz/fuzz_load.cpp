// The whole load path: container, header, settings and every chunk. The first input byte picks
// the form: odd bytes are taken as stored (so the check value guards them), even bytes as plain
// game data that is scrambled here first, so the fuzzer reaches the header and the chunks.
#include "data/DataNew_Main.h"
#include "resources/Resource_Readers.h"
#include "support/Support_Stream.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = (Resource_RegisterReaders(), true);
    (void)registered;
    if (size < 1) return 0;
    bool plain = (data[0] & 1) == 0;
    CStream s(std::vector<uint8_t>(data + 1, data + size));
    if (plain && s.Size() >= 20) {
        // Put back the magic pair and a version mask of 0 so the scan finds the data at 0.
        uint32_t a = 0xF7140067u & 0xFF00FF00u, b = 0xF7140067u & 0x00FF00FFu;
        std::memcpy(s.Data(), &a, 4);
        std::memcpy(s.Data() + 4, &b, 4);
        s.EncryptWad(8);
    }
    LoadHooks quiet;
    DataNew_LoadStream(s, 0, quiet);
    return 0;
}
