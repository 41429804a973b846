// The error window and its headless form.
#include "platform/Platform_ErrorWindow.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool EnvIs(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v && std::strcmp(v, value) == 0;
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
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
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

TErrorAnswer HeadlessAnswer(const std::string& text, bool canIgnore) {
    std::string line = "{\"dialog\":\"error\",\"text\":" + JsonString(text) +
                       ",\"fatal\":" + (canIgnore ? "false" : "true") + "}\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    if (!canIgnore || EnvIs("QUARVEL_ERROR_ANSWER", "abort")) return TErrorAnswer::Abort;
    return TErrorAnswer::Ignore;
}

} // namespace

TErrorAnswer ErrorForm_Show(std::vector<std::string>& /*memo*/, const std::string& text, bool canIgnore) {
    if (EnvIs("QUARVEL_HEADLESS", "1")) return HeadlessAnswer(text, canIgnore);
    std::fprintf(stderr, "The error window is not available yet; answering as headless.\n");
    return HeadlessAnswer(text, canIgnore);
}
