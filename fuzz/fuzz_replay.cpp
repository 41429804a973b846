// Fuzzes the reader of input recordings: any bytes are either refused with a message or read into
// events that replaying can apply. Nothing may crash, hang, leak or read out of bounds.
#include "platform/Platform_Sanitizer.h"
#include "run/IO_Record.h"

#include <cstdint>
#include <vector>

QV_LEAK_SUPPRESSIONS

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    RInputRecording rec;
    std::string error;
    // The identity the seed recordings carry, so inputs can pass every check.
    RGameIdentity game;
    game.fingerprint = 2166136261u;
    const bool ok = Record_Parse(bytes, "fuzz", game, rec, error);
    if (ok != error.empty()) __builtin_trap(); // accepted exactly when there is no message
    if (ok)
        for (size_t k = 1; k < rec.events.size(); ++k)
            if (rec.events[k].poll < rec.events[k - 1].poll) __builtin_trap();
    return 0;
}
