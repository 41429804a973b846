// What the math family shares with other units: the text form of a real that players see, and
// the string handlers registered in the family table.
#pragma once

#include "functions/Function_Args.h"

#include <string>

// The text form of a real: an integral value (one that rounds to itself as a 64-bit integer)
// as a decimal integer; otherwise the value rounded to 10 significant digits and shown with
// exactly 2 decimals, or in exponent form ("1.5E+20") from 1e10 on. "nan", "inf", "-inf".
std::string Math_RealText(double r);
// Fixed notation of r with `decimals` decimals after rounding to `digits` significant digits;
// from 10^digits on the exponent form. Decimal ties round away from zero; "-0.00" becomes "0.00".
std::string Math_FixedText(double r, int digits, int decimals);

// String handlers (Function_Math_Strings.cpp).
QV_FUNCTION(F_String);
QV_FUNCTION(F_StringFormat);
QV_FUNCTION(F_Real);
QV_FUNCTION(F_Chr);
QV_FUNCTION(F_AnsiChar);
QV_FUNCTION(F_Ord);
QV_FUNCTION(F_StringLength);
QV_FUNCTION(F_StringByteLength);
QV_FUNCTION(F_StringByteAt);
QV_FUNCTION(F_StringPos);
QV_FUNCTION(F_StringCopy);
QV_FUNCTION(F_StringCharAt);
QV_FUNCTION(F_StringDelete);
QV_FUNCTION(F_StringInsert);
QV_FUNCTION(F_StringLower);
QV_FUNCTION(F_StringUpper);
QV_FUNCTION(F_StringRepeat);
QV_FUNCTION(F_StringLetters);
QV_FUNCTION(F_StringDigits);
QV_FUNCTION(F_StringLettersDigits);
QV_FUNCTION(F_StringReplace);
QV_FUNCTION(F_StringReplaceAll);
QV_FUNCTION(F_StringCount);
