// The shape every built-in handler shares: one signature macro, and the argument helpers with one
// rule for turning a real into an integer. Reals become integers rounded half to even; NaN and
// values outside the target range become the type's lowest value, which is never a valid index or
// id, so no out-of-range real ever reaches an undefined cast.
#pragma once

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "code/Variable_Class.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

// Defines (or declares, followed by ';') a built-in handler. Inside: self, other, argc, result
// (real 0 on entry) and args (argc values).
#define QV_FUNCTION(name)                                                                                    \
    void name([[maybe_unused]] CInstance* self, [[maybe_unused]] CInstance* other,                           \
              [[maybe_unused]] int argc, [[maybe_unused]] RValue& result, [[maybe_unused]] RValue* args)

inline constexpr int32_t kArgBadInt = std::numeric_limits<int32_t>::min();
inline constexpr int64_t kArgBadInt64 = std::numeric_limits<int64_t>::min();

// The real rounded half to even (a string counts as 0); NaN or outside int64: kArgBadInt64.
inline int64_t Arg_Int64(const RValue& v) {
    return Operator_RoundInt64(v.IsString() ? 0.0 : v.val);
}

// The real rounded half to even; NaN or outside int32: kArgBadInt.
inline int32_t Arg_Int(const RValue& v) {
    const int64_t r = Operator_RoundInt64(v.IsString() ? 0.0 : v.val);
    return (r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())
               ? int32_t(r)
               : kArgBadInt;
}

// The real; a string argument gives 0 (its real field may still hold an old value, which no
// result may depend on).
inline double Arg_Real(const RValue& v) {
    return v.IsString() ? 0.0 : v.val;
}

// The text of a string argument; a real gives "".
inline std::string_view Arg_String(const RValue& v) {
    return v.IsString() ? v.str.view() : std::string_view();
}

inline bool Arg_Bool(const RValue& v) {
    return v.IsTrue();
}

// Reports a run-time problem of a built-in function (not fatal): the message with the heading of
// the current event. The handler then returns its partial result or real 0.
inline void Function_Error(const std::string& message) {
    Error_ShowInEvent(message, false);
}
