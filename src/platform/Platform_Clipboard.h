// The system clipboard's text. Headless, or before the window system runs, a clipboard of the
// process's own stands in, so that games and tests never touch the user's clipboard.
#pragma once

#include <string>

bool Platform_ClipboardHasText();
// "" when the clipboard holds no text.
std::string Platform_ClipboardGetText();
// Replaces the clipboard's contents with text.
void Platform_ClipboardSetText(const std::string& text);
