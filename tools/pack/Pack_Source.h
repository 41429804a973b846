// Where the packer's findings point: the line of a place in a JSON file, and compile errors
// reported as FILE:LINE:COL with the offending line and a caret under the column.
#pragma once

#include "Pack_Writer.h"

#include <string>

// The line (1-based) where the value at the JSON pointer begins in the file; 0 when the file
// cannot be read or has no such place. Each file is scanned once.
int Pack_JsonLine(const std::string& file, const std::string& pointer);

// Prints a compile failure of code (written at origin; null: unknown, fallbackFile is named):
//   FILE:LINE:COL: heading: message
//       the offending line
//       ^
// buffer is the compiler's message as the runner composes it; the line and column are found
// from it. For code inside a JSON string LINE is the JSON line and the code's own line is named.
void Pack_ReportCompileError(const PackCodeOrigin* origin, const std::string& fallbackFile,
                             const std::string& code, const std::string& heading, const std::string& buffer);
// Prints "FILE:LINE: what" for a finding about the code at origin that has no column, with the
// given severity word ("error" or "warning") in front of what.
void Pack_ReportAt(const PackCodeOrigin* origin, const std::string& fallbackFile, int codeLine,
                   const std::string& what);
