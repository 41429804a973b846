// The clipboard through SDL2, or the process's own stand-in.
#include "platform/Platform_Clipboard.h"

#include "platform/Platform_App.h"

#include <SDL.h>

namespace {

std::string g_ownText;
bool g_ownHasText = false;

bool UseSystem() {
    return !Platform_IsHeadless() && Platform_Initialized() && SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

} // namespace

bool Platform_ClipboardHasText() {
    return UseSystem() ? SDL_HasClipboardText() == SDL_TRUE : g_ownHasText;
}

std::string Platform_ClipboardGetText() {
    if (!UseSystem()) return g_ownHasText ? g_ownText : std::string();
    char* t = SDL_GetClipboardText();
    std::string s = t ? t : "";
    SDL_free(t);
    return s;
}

void Platform_ClipboardSetText(const std::string& text) {
    if (!UseSystem()) {
        g_ownText = text;
        g_ownHasText = true;
        return;
    }
    if (SDL_SetClipboardText(text.c_str()) != 0)
        Platform_Trace(std::string("Clipboard not set: ") + SDL_GetError());
}
