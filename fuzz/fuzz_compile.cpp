// Fuzzes the compiler: any text, as a program or as an expression, must compile or fail with a
// message, never crash or hang. The first byte picks the mode (odd: expression); the rest is the
// code. Expressions that compile are also run (they cannot loop) for a stand-in instance, both by
// walking the tree and through the lowered form.
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Families.h"
#include "run/Instance_Class.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = [] {
        ::setenv("QUARVEL_HEADLESS", "1", 1);
        Option_SetDefaults();
        opt_displayerrors = false;
        opt_writeerrors = false;
        Function_RegisterAll();
        Code_AddArgumentVariables();
        Global_Reset();
        return true;
    }();
    (void)prepared;
    if (size == 0) return 0;
    const bool expression = data[0] & 1;
    CCode code(std::string(reinterpret_cast<const char*>(data + 1), size - 1), expression);
    const bool ok = code.Compile();
    if (ok != code.i_compiled || (!ok && !Error_IsSet())) std::abort(); // a failure always says why
    // String repetition ("a" * 1e9) may allocate up to its 1 GiB limit: such expressions are
    // compiled but not run, to keep the fuzzer's memory bounded.
    // They run through the tree walker and through the lowered form, which must agree on the
    // result and the message.
    if (ok && expression && code.i_str.find('*') == std::string::npos) {
        RValue results[2];
        bool runs[2];
        std::string errors[2];
        for (int way = 0; way < 2; ++way) {
            Code_SetTreeWalkerForTests(way == 0);
            CInstance self;
            runs[way] = Code_Execute(&self, &self, &code, results[way]);
            errors[way] = Error_Buffer();
            Error_ClearFlag();
        }
        Code_SetTreeWalkerForTests(false);
        const bool sameValue =
            results[0].kind == results[1].kind &&
            (results[0].IsString()
                 ? results[0].str.view() == results[1].str.view()
                 : (results[0].val == results[1].val ||
                    (results[0].val != results[0].val && results[1].val != results[1].val)));
        if (runs[0] != runs[1] || errors[0] != errors[1] || !sameValue) std::abort();
    }
    Error_ClearFlag();
    return 0;
}
