// Source positions for the packer's reports.
#include "Pack_Source.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

namespace {

// Records the line of every value of a JSON text by its pointer. The text has been parsed
// already, so it is valid JSON; the scan only follows its structure.
class CJsonLines {
  public:
    explicit CJsonLines(const std::string& text) : m_text(text) {
        Skip();
        Value("");
    }
    std::map<std::string, int> lines;

  private:
    const std::string& m_text;
    size_t m_at = 0;
    int m_line = 1;

    void Skip() {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t' || m_text[m_at] == '\r' ||
                                        m_text[m_at] == '\n')) {
            if (m_text[m_at] == '\n') ++m_line;
            ++m_at;
        }
    }
    std::string String() {
        std::string raw = "\"";
        ++m_at;
        while (m_at < m_text.size() && m_text[m_at] != '"') {
            if (m_text[m_at] == '\\' && m_at + 1 < m_text.size()) raw += m_text[m_at++];
            raw += m_text[m_at++];
        }
        ++m_at;
        raw += '"';
        return raw;
    }
    static std::string KeyText(const std::string& raw) {
        std::string key;
        for (size_t i = 1; i + 1 < raw.size(); i++) {
            if (raw[i] == '\\' && i + 2 < raw.size()) ++i;
            if (raw[i] == '~')
                key += "~0";
            else if (raw[i] == '/')
                key += "~1";
            else
                key += raw[i];
        }
        return key;
    }
    void Value(const std::string& pointer) {
        if (m_at >= m_text.size()) return;
        lines.emplace(pointer, m_line);
        char c = m_text[m_at];
        if (c == '{') {
            ++m_at;
            Skip();
            while (m_at < m_text.size() && m_text[m_at] != '}') {
                std::string key = KeyText(String());
                Skip();
                ++m_at; // ':'
                Skip();
                Value(pointer + "/" + key);
                Skip();
                if (m_at < m_text.size() && m_text[m_at] == ',') ++m_at;
                Skip();
            }
            ++m_at;
        } else if (c == '[') {
            ++m_at;
            Skip();
            for (size_t i = 0; m_at < m_text.size() && m_text[m_at] != ']'; i++) {
                Value(pointer + "/" + std::to_string(i));
                Skip();
                if (m_at < m_text.size() && m_text[m_at] == ',') ++m_at;
                Skip();
            }
            ++m_at;
        } else if (c == '"') {
            String();
        } else {
            while (m_at < m_text.size() && m_text[m_at] != ',' && m_text[m_at] != '}' &&
                   m_text[m_at] != ']' && m_text[m_at] != ' ' && m_text[m_at] != '\n' &&
                   m_text[m_at] != '\r' && m_text[m_at] != '\t')
                ++m_at;
        }
    }
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The compiler's buffer names the line and the column the way the runner counts them: a CR, or
// an LF not after a CR, starts a line; the column counts every other character. The index of the
// character it points at; npos when the buffer has no position.
size_t ErrorIndex(const std::string& code, const std::string& buffer, std::string& message) {
    int line = 0, col = -1;
    size_t at;
    if (buffer.rfind("Error in code at line ", 0) == 0) {
        line = std::atoi(buffer.c_str() + 22);
        at = buffer.find("\rat position ");
        if (at == std::string::npos) return std::string::npos;
        col = std::atoi(buffer.c_str() + at + 13);
        size_t colon = buffer.find(": ", at);
        message = colon == std::string::npos ? "" : buffer.substr(colon + 2);
    } else if (buffer.rfind("Error in expression:", 0) == 0) {
        at = buffer.rfind("\r position ");
        if (at == std::string::npos) return std::string::npos;
        col = std::atoi(buffer.c_str() + at + 11);
        size_t colon = buffer.find(": ", at);
        message = colon == std::string::npos ? "" : buffer.substr(colon + 2);
    } else {
        return std::string::npos;
    }
    int l = 1, c = 0;
    for (size_t i = 0; i < code.size(); i++) {
        char ch = code[i];
        if (ch == '\r' || (ch == '\n' && (i == 0 || code[i - 1] != '\r'))) {
            ++l;
            c = 0;
        } else {
            ++c;
        }
        if ((line == 0 || l == line) && c == col) return i;
    }
    return code.empty() ? std::string::npos : code.size() - 1;
}

// The line (1-based) and column (1-based) of index in code, with CR LF, LF or CR as line breaks,
// and the text of that line.
void LineAndColumn(const std::string& code, size_t index, int& line, int& col, std::string& text) {
    size_t start = 0;
    line = 1;
    for (size_t i = 0; i < index && i < code.size(); i++) {
        if (code[i] == '\n' || (code[i] == '\r' && (i + 1 >= code.size() || code[i + 1] != '\n'))) {
            ++line;
            start = i + 1;
        }
    }
    col = int(index - start) + 1;
    size_t end = code.find_first_of("\r\n", start);
    text = code.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string Oneline(std::string s) {
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

// The file and line where the code's line codeLine was written.
void Place(const PackCodeOrigin* origin, const std::string& fallbackFile, int codeLine, std::string& file,
           int& line, bool& inJsonString) {
    inJsonString = false;
    if (!origin) {
        file = fallbackFile;
        line = 1;
        return;
    }
    file = origin->file;
    if (origin->pointer.empty()) {
        line = codeLine;
        return;
    }
    // A list of lines: each code line is an element of its own.
    int element = Pack_JsonLine(origin->file, origin->pointer + "/" + std::to_string(codeLine - 1));
    if (element > 0) {
        line = element;
        return;
    }
    line = Pack_JsonLine(origin->file, origin->pointer);
    if (line <= 0) line = 1;
    inJsonString = true;
}

} // namespace

int Pack_JsonLine(const std::string& file, const std::string& pointer) {
    static std::map<std::string, std::map<std::string, int>> cache;
    auto it = cache.find(file);
    if (it == cache.end()) it = cache.emplace(file, CJsonLines(Slurp(file)).lines).first;
    auto l = it->second.find(pointer);
    return l == it->second.end() ? 0 : l->second;
}

void Pack_ReportCompileError(const PackCodeOrigin* origin, const std::string& fallbackFile,
                             const std::string& code, const std::string& heading, const std::string& buffer) {
    std::string message;
    size_t index = ErrorIndex(code, buffer, message);
    if (index == std::string::npos) {
        std::string file;
        int line;
        bool inString;
        Place(origin, fallbackFile, 1, file, line, inString);
        std::printf("%s:%d: %s: %s\n", file.c_str(), line, heading.c_str(), Oneline(buffer).c_str());
        return;
    }
    int codeLine, col;
    std::string text;
    LineAndColumn(code, index, codeLine, col, text);
    std::string file;
    int line;
    bool inString;
    Place(origin, fallbackFile, codeLine, file, line, inString);
    std::string where = heading;
    if (inString && code.find_first_of("\r\n") != std::string::npos)
        where += " (line " + std::to_string(codeLine) + " of the code)";
    // A heading that is a sentence of its own ("Value for constant A  is not valid.") is followed
    // by the message as the next sentence.
    const char* join = !where.empty() && where.back() == '.' ? " " : ": ";
    std::printf("%s:%d:%d: %s%s%s\n", file.c_str(), line, col, where.c_str(), join, message.c_str());
    std::string caret;
    for (int i = 0; i + 1 < col && size_t(i) < text.size(); i++)
        caret += text[size_t(i)] == '\t' ? '\t' : ' ';
    std::printf("    %s\n    %s^\n", text.c_str(), caret.c_str());
}

void Pack_ReportAt(const PackCodeOrigin* origin, const std::string& fallbackFile, int codeLine,
                   const std::string& what) {
    std::string file;
    int line;
    bool inString;
    Place(origin, fallbackFile, codeLine, file, line, inString);
    std::printf("%s:%d: %s\n", file.c_str(), line, what.c_str());
}
