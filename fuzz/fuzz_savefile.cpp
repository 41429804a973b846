// Save files: any input either loads, or is refused with a message and leaves the world as it
// was. A loaded world must save to a file that loads back to the very same bytes, and its room
// lists must stay usable. Any crash, sanitizer report or unbounded allocation is a finding.
#include "fuzz_savefile_world.h"

#include "run/Run_Main.h"
#include "run/Run_Save.h"
#include "support/Support_Stream.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (SaveFuzz_Setup(), true);
    (void)ready;
    CStream in(std::vector<uint8_t>(data, data + size));
    if (!Run_LoadFromStream(in, "fuzz.sav").empty()) return 0;
    CStream first;
    Run_SaveToStream(first);
    first.Seek(0);
    if (!Run_LoadFromStream(first, "again.sav").empty()) std::abort();
    CStream second;
    Run_SaveToStream(second);
    if (first.Bytes() != second.Bytes()) std::abort();
    CLiveRoom* room = Run_Room();
    if (!room) std::abort();
    room->UpdateActive();
    room->SortInstances();
    room->RemoveMarked();
    for (int k = 0; k < room->InstanceCount(); ++k) room->FindInstance(room->InstanceAt(k)->i_id);
    return 0;
}
