// Fuzzes every built-in function of the registry: each input is a sequence of calls with
// arbitrary argument counts (within what the registry allows) and arbitrary arguments of both
// kinds, where a later call may take the result of an earlier one (so ids of data structures,
// instances and other resources reach the functions that use them). Functions not built yet are
// skipped; functions that reach the world outside the process are listed in
// fuzz_functions_excluded.inc. Any crash, hang, leak or sanitizer report is a finding.
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Data_Structures.h"
#include "functions/Function_Families.h"
#include "platform/Platform_Sanitizer.h"
#include "resources/Path_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_Runtime.h"
#include "support/Support_Data_Structures.h"
#include "support/Support_Random.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

QV_LEAK_SUPPRESSIONS

namespace {

const char* const kExcluded[] = {
#include "fuzz_functions_excluded.inc"
};

bool Excluded(std::string_view name) {
    for (std::string_view e : kExcluded) {
        if (!e.empty() && e.back() == '*') {
            if (name.substr(0, e.size() - 1) == e.substr(0, e.size() - 1)) return true;
        } else if (name == e) {
            return true;
        }
    }
    return false;
}

// The functions the fuzzer may call: implemented and not excluded.
std::vector<int> g_callable;

void Init() {
    ::setenv("QUARVEL_HEADLESS", "1", 1);
    Option_SetDefaults();
    opt_writeerrors = false;
    opt_displayerrors = false;
    opt_aborterrors = false;
    Runtime_Start();
    Runtime_Reset();
    // Structures stay small so that a long sequence cannot exhaust memory.
    DS_SetMaxElements(size_t(1) << 14);
    for (int id = 0; id < Function_Count(); ++id)
        if (Function_IsImplemented(id) && !Excluded(Function_GetName(id))) g_callable.push_back(id);
}

class CInput {
  public:
    CInput(const uint8_t* d, size_t n) : m_d(d), m_n(n) {}
    bool Empty() const { return m_pos >= m_n; }
    uint8_t Byte() { return m_pos < m_n ? m_d[m_pos++] : 0; }
    uint16_t U16() { return uint16_t(Byte() | (Byte() << 8)); }
    std::string Bytes(size_t n) {
        n = std::min(n, m_n - std::min(m_pos, m_n));
        std::string s(reinterpret_cast<const char*>(m_d + m_pos), n);
        m_pos += n;
        return s;
    }

  private:
    const uint8_t* m_d;
    size_t m_n, m_pos = 0;
};

const double kReals[] = {0.0,
                         -0.0,
                         1.0,
                         -1.0,
                         0.5,
                         2.5,
                         -2.5,
                         0.1,
                         3.0,
                         16.0,
                         255.0,
                         32000.0,
                         65536.0,
                         100000.0,
                         2147483648.0,
                         4294967296.0,
                         9007199254740993.0,
                         9223372036854775808.0,
                         -9223372036854775808.0,
                         1e300,
                         -1e300,
                         1e-300,
                         std::numeric_limits<double>::denorm_min(),
                         std::numeric_limits<double>::max(),
                         std::numeric_limits<double>::infinity(),
                         -std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::quiet_NaN(),
                         36526.5,
                         -693594.0,
                         2958466.0};

const std::string& LongText() {
    static const std::string s = [] {
        std::string t;
        for (int k = 0; k < 250; ++k) t += "abcé\xff";
        return t; // about 1,500 bytes with characters of several lengths
    }();
    return s;
}

const char* const kTexts[] = {
    "",
    "a",
    "é",
    "\xff\xfe",
    "\xe2\x82",
    "\xf8\x88\x80\x80\x80",
    "12.5",
    " -3e2 ",
    "x",
    "6500000000000000",
    "2D01000002000000000000000000000000F03F00000000010000000000000000000000000100000061",
    "59020000020000000200000000",
    "C90000000100000000000000010000000000000000000000000000000000000000",
    "91010000FFFFFFFF",
    "F501000001000000"};

constexpr size_t kRing = 16;
// Strings longer than this are not passed on from one call to the next.
constexpr size_t kMaxPassedText = 4096;

RValue Argument(CInput& in, const RValue* ring) {
    const uint8_t sel = in.Byte();
    switch (sel % 7) {
    case 0:
        return RValue::Real(kReals[in.Byte() % std::size(kReals)]);
    case 1:
        return RValue::Real(double(int8_t(in.Byte())));
    case 2: {
        const RValue& r = ring[in.Byte() % kRing];
        if (r.IsString() && r.str.size() > kMaxPassedText) return RValue::String(r.str.view().substr(0, 64));
        return r;
    }
    case 3:
        return RValue::String(kTexts[in.Byte() % std::size(kTexts)]);
    case 4:
        return RValue::String(in.Bytes(in.Byte() % 64));
    case 5:
        return RValue::Real(double(int16_t(in.U16())) + (sel & 0x80 ? 0.5 : 0.0));
    default:
        return RValue::String(LongText());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (Init(), true);
    (void)ready;
    if (g_callable.empty()) return 0;
    CInput in(data, size);
    RValue ring[kRing];
    // Ids of resources created by earlier calls are small whole numbers: seed them.
    for (size_t k = 0; k < kRing; ++k) ring[k] = RValue::Real(double(k % 4));
    CInstance self;
    Random_SetSeed(0);
    for (int call = 0; call < 64 && !in.Empty(); ++call) {
        const int id = g_callable[in.U16() % g_callable.size()];
        int argc = Function_ArgCount(id);
        if (argc < 0) argc = in.Byte() % 17;
        if (argc > 16) argc = 16;
        RValue args[16];
        for (int k = 0; k < argc; ++k) args[k] = Argument(in, ring);
        RValue result;
        Function_Call(id, &self, &self, argc, result, args);
        ring[size_t(call) % kRing] = std::move(result);
    }
    // Every table a built-in can fill is emptied again, so that inputs stay independent (families
    // with tables of their own add their reset here).
    DS_DestroyAll();
    Path_Clear();
    Runtime_Reset();
    return 0;
}
