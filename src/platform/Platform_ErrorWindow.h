// The error window "Error Messages": a modal window with the run's error memo (fixed-pitch) and
// the Abort / Ignore / Clear / Copy buttons. Headless, it writes one JSON line instead.
#pragma once

#include <string>
#include <vector>

enum class TErrorAnswer { Abort, Ignore };

// Shows the window with the memo lines until the player answers; Ignore is offered only when
// canIgnore. Clear empties memo. Closing the window answers Abort.
// Headless (QUARVEL_HEADLESS=1): writes {"dialog":"error","text":...,"fatal":...} on stdout,
// flushed, and answers Ignore when offered, Abort otherwise or when QUARVEL_ERROR_ANSWER=abort.
TErrorAnswer ErrorForm_Show(std::vector<std::string>& memo, const std::string& text, bool canIgnore);
