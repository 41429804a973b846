// Fuzzes the variable-list and global-variable stream readers: any input must load or be
// refused without crashing or over-allocating, and whatever loads must save to a form that
// loads back and saves to the same bytes again.
#include "code/Variable_Class.h"
#include "code/Variable_Main.h"
#include "support/Support_Stream.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    {
        CStream s(bytes);
        CVariableList l;
        if (l.LoadFromStream(s)) {
            CStream out;
            l.SaveToStream(out);
            out.Seek(0);
            CVariableList again;
            if (!again.LoadFromStream(out)) std::abort();
            CStream out2;
            again.SaveToStream(out2);
            if (out2.Bytes() != out.Bytes()) std::abort();
            RValue v;
            for (int k = 0; k < l.Count(); ++k) l.GetVar(l.At(k).ind, 32000 + 1, v);
        }
    }
    {
        CStream s(bytes);
        Global_Reset();
        if (Global_LoadFromStream(s)) {
            CStream out;
            Global_SaveToStream(out);
            out.Seek(0);
            if (!Global_LoadFromStream(out)) std::abort();
            CStream out2;
            Global_SaveToStream(out2);
            if (out2.Bytes() != out.Bytes()) std::abort();
        }
        Global_Reset();
    }
    return 0;
}
