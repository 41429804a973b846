// Message boxes over SDL and their headless JSON form.
#include "platform/Platform_Dialog.h"

#include "platform/Platform_App.h"
#include "platform/Platform_Library.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when it is not one
// (overlong forms, surrogates and code points above U+10FFFF are invalid).
size_t Utf8SequenceLength(const std::string& s, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(i);
    size_t len;
    uint32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF)
        len = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF)
        len = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4)
        len = 4, cp = c & 0x07;
    else
        return 0;
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

std::string CaptionOrTitle(const std::string& caption) {
    return caption.empty() ? Platform_AppTitle() : caption;
}

void ToStderr(const std::string& caption, const std::string& text) {
    std::string c = CaptionOrTitle(caption);
    std::fprintf(stderr, "%s%s%s\n", c.c_str(), c.empty() ? "" : ": ", text.c_str());
    std::fflush(stderr);
}

} // namespace

std::string Platform_JsonString(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t len = Utf8SequenceLength(text, i);
        if (len == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (len > 1) {
            out.append(text, i, len);
            i += len;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 15];
            } else {
                out += char(c);
            }
        }
        ++i;
    }
    out += '"';
    return out;
}

void Platform_EmitDialog(const std::string& kind, const std::string& caption, const std::string& text,
                         const std::vector<std::pair<std::string, std::string>>& extraRaw) {
    std::string line = "{\"dialog\":";
    line += Platform_JsonString(kind);
    // Appended piece by piece: "literal" + std::string trips a false GCC 12 -Wrestrict warning.
    if (!caption.empty()) {
        line += ",\"caption\":";
        line += Platform_JsonString(caption);
    }
    line += ",\"text\":";
    line += Platform_JsonString(text);
    for (const auto& [key, raw] : extraRaw) {
        line += ',';
        line += Platform_JsonString(key);
        line += ':';
        line += raw;
    }
    line += "}\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

namespace {
// Message boxes need SDL; without it they fall back to the error stream like a failed box.
bool SdlLoaded() {
    std::string error;
    if (Platform_LoadLibrary(ESystemLibrary::Sdl, &error)) return true;
    Platform_Trace(error);
    return false;
}

const char* LastError() {
    return Platform_LibraryLoaded(ESystemLibrary::Sdl) ? SDL_GetError() : "SDL is not loaded";
}
} // namespace

void Platform_ShowMessage(const std::string& text, const std::string& caption) {
    if (Platform_IsHeadless()) {
        Platform_EmitDialog("message", caption, text);
        return;
    }
    if (!SdlLoaded() || SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, CaptionOrTitle(caption).c_str(),
                                                 text.c_str(), nullptr) != 0) {
        Platform_Trace(std::string("Message box not available: ") + LastError());
        ToStderr(caption, text);
    }
}

bool Platform_AskYesNo(const std::string& text, const std::string& caption) {
    if (Platform_IsHeadless()) {
        Platform_EmitDialog("question", caption, text);
        return false;
    }
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
    };
    std::string title = CaptionOrTitle(caption);
    SDL_MessageBoxData data{};
    data.flags = SDL_MESSAGEBOX_INFORMATION;
    data.title = title.c_str();
    data.message = text.c_str();
    data.numbuttons = 2;
    data.buttons = buttons;
    int chosen = 0;
    if (!SdlLoaded() || SDL_ShowMessageBox(&data, &chosen) != 0) {
        Platform_Trace(std::string("Message box not available: ") + LastError());
        ToStderr(caption, text + " (answered No)");
        return false;
    }
    return chosen == 1;
}

int Platform_ShowButtons(const std::string& text, const std::string (&labels)[3],
                         const std::string& caption) {
    int first = 0;
    for (int k = 2; k >= 0; --k)
        if (!labels[k].empty()) first = k + 1;
    if (Platform_IsHeadless()) {
        std::string raw = "[";
        for (int k = 0; k < 3; ++k) {
            if (k) raw += ',';
            raw += Platform_JsonString(labels[k]);
        }
        raw += ']';
        Platform_EmitDialog("buttons", caption, text, {{"buttons", raw}, {"answer", std::to_string(first)}});
        return first;
    }
    SDL_MessageBoxButtonData buttons[3];
    std::string names[3];
    int n = 0;
    for (int k = 0; k < 3; ++k) {
        if (labels[k].empty()) continue;
        // "&" marks the accelerator letter in the labels; SDL shows labels as they are.
        for (char c : labels[k])
            if (c != '&') names[k] += c;
        Uint32 flags = k + 1 == first ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
        buttons[n++] = {flags, k + 1, names[k].c_str()};
    }
    std::string title = CaptionOrTitle(caption);
    SDL_MessageBoxData data{};
    data.flags = SDL_MESSAGEBOX_INFORMATION;
    data.title = title.c_str();
    data.message = text.c_str();
    data.numbuttons = n;
    data.buttons = buttons;
    int chosen = 0;
    if (!SdlLoaded() || SDL_ShowMessageBox(&data, &chosen) != 0) {
        Platform_Trace(std::string("Message box not available: ") + LastError());
        ToStderr(caption, text);
        return first;
    }
    return chosen < 0 ? 0 : chosen;
}
