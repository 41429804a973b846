// The error window "Error Messages": a modal window with the run's error memo in a fixed-pitch
// font and the Abort / Ignore / Clear / Copy buttons. Headless, it writes one JSON line instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TErrorAnswer { Abort, Ignore };

// Shows the window with the memo lines, scrolled to the end, until the player answers; Ignore
// is offered only when canIgnore; Clear empties memo; Copy puts the memo on the clipboard;
// closing the window answers Abort. The game is paused meanwhile.
// Headless (QUARVEL_HEADLESS=1), when no window can be opened (noted on stderr and in the
// trace) or when only an invisible video driver runs (offscreen, dummy): writes
// {"dialog":"error","text":...,"fatal":...} on stdout, flushed, and answers Ignore when offered,
// Abort otherwise or when QUARVEL_ERROR_ANSWER=abort.
TErrorAnswer ErrorForm_Show(std::vector<std::string>& memo, const std::string& text, bool canIgnore);

// Renders the window once without waiting for an answer and reads the frame back as 0xAABBGGRR
// pixels, top row first (tests of the window itself). False when no window can be opened.
bool ErrorForm_RenderForTest(const std::vector<std::string>& memo, bool canIgnore,
                             std::vector<uint32_t>& pixels, int& width, int& height);
