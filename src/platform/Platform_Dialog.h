// Message boxes of the runner. Headless, every box becomes one JSON line on stdout instead
// (the protocol the test harness and tools read); otherwise SDL message boxes, with stderr as
// the last resort when no box can be shown.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Shows an information box with an OK button and waits for it. The caption defaults to the
// application title. Headless: writes {"dialog":"message",...}. If no box can be shown the
// text goes to stderr.
void Platform_ShowMessage(const std::string& text, const std::string& caption = "");

// Asks a question with Yes and No buttons; true when the user chose Yes. Headless: writes
// {"dialog":"question",...} and answers No. If no box can be shown: text to stderr, answer No.
bool Platform_AskYesNo(const std::string& text, const std::string& caption = "");

// Shows up to three buttons (an empty label hides its button; "&" marks an accelerator) and
// returns the number (1..3) of the chosen one, 0 when closed with Escape. Headless: writes
// {"dialog":"buttons",...,"buttons":[...],"answer":N} and answers the default button, the first
// shown one (0 when none is shown).
int Platform_ShowButtons(const std::string& text, const std::string (&labels)[3],
                         const std::string& caption = "");

// Writes one JSON object on one line to stdout and flushes it at once. Keys in this order:
// "dialog" (kind), "caption" (only when not empty), "text", then each extra key with its value
// taken as raw JSON (e.g. {"fatal", "true"}).
void Platform_EmitDialog(const std::string& kind, const std::string& caption, const std::string& text,
                         const std::vector<std::pair<std::string, std::string>>& extraRaw = {});

// The UTF-8 text as a quoted JSON string: quote, backslash and control characters escaped,
// valid UTF-8 kept as it is, each byte of an invalid UTF-8 sequence replaced by U+FFFD.
std::string Platform_JsonString(const std::string& text);
