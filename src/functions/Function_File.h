// What the file family's handler files share: the secure-mode test for writes, the text forms of
// numbers in files, and the handlers each theme file defines for the family table.
#pragma once

#include "functions/Function_Args.h"

#include <cstdio>
#include <string>
#include <string_view>

// True when secure mode forbids writing, deleting or creating `name`: in secure mode a game
// writes only plain names in the current directory, so a name with '\' or '/' (folders,
// absolute paths, drive letters with a separator) and a name that is a symbolic link (which
// could point anywhere) are refused.
bool File_SecureRefuses(std::string_view name);

// A real as text files hold it: a space, "-" when negative, the integer part, then "." and six
// digits of the fraction when those are not all 0 (cut, not rounded: 0.3 is " 0.299999").
std::string File_RealText(double x);

// The number an INI value holds: digits, one '.' or ',' for the fraction, one 'E'/'e' for the
// exponent, '-' flipping the sign of the part being read; any other character ends the scan.
double File_IniNumber(std::string_view text);
// A real as INI files hold it: up to 15 significant digits, '.' for the fraction, an exponent
// without '+' or leading zeros ("1.5", "1E20", "2.5E-7"), so File_IniNumber reads it back.
std::string File_IniRealText(double x);

// Reads the rest of a text line into out, leaving its end (CR, LF or EOF) unread. A line longer
// than limit bytes is read to its end and gives "" and TooLong; a read error gives "" and Failed.
enum class ELineRead { Ok, TooLong, Failed };
ELineRead File_ReadLine(FILE* f, std::string& out, size_t limit);

// Handlers of the theme files.
QV_FUNCTION(F_IniOpen);
QV_FUNCTION(F_IniClose);
QV_FUNCTION(F_IniReadString);
QV_FUNCTION(F_IniReadReal);
QV_FUNCTION(F_IniWriteString);
QV_FUNCTION(F_IniWriteReal);
QV_FUNCTION(F_IniKeyExists);
QV_FUNCTION(F_IniSectionExists);
QV_FUNCTION(F_IniKeyDelete);
QV_FUNCTION(F_IniSectionDelete);

QV_FUNCTION(F_RegistryWriteString);
QV_FUNCTION(F_RegistryWriteReal);
QV_FUNCTION(F_RegistryReadString);
QV_FUNCTION(F_RegistryReadReal);
QV_FUNCTION(F_RegistryExists);
QV_FUNCTION(F_RegistryWriteStringExt);
QV_FUNCTION(F_RegistryWriteRealExt);
QV_FUNCTION(F_RegistryReadStringExt);
QV_FUNCTION(F_RegistryReadRealExt);
QV_FUNCTION(F_RegistryExistsExt);
QV_FUNCTION(F_RegistrySetRoot);

// Writes back and closes the INI file, if one is open.
void File_IniClose();
