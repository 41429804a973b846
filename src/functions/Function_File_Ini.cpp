// The INI file: one file at a time, held in memory while open. Section and key names compare
// without regard to ASCII case; comments and lines that are no key stay where they were. Every
// change replaces the file as a whole (new file beside it, then renamed over it), so a crash
// never leaves half a file.
#include "functions/Function_File.h"

#include "support/Support_File.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace {

// One line of a section: a key with its value, or a line kept as it was (comment, other text).
struct RIniLine {
    std::string key;
    std::string value;
    bool isKey = false;
};

struct RIniSection {
    std::string name;
    bool header = true; // false only for the lines before the first section
    std::vector<RIniLine> lines;
};

struct RIniFile {
    bool open = false;
    std::string fname; // as the game gave it
    std::string path;
    std::vector<RIniSection> sections;
    bool dirty = false;   // changed since it was last written successfully
    bool written = false; // written since it was opened, not yet flushed to the disk
};
RIniFile g_ini;

std::string_view Trim(std::string_view s) {
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
    return s.substr(a, b - a);
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        char x = a[k], y = b[k];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// A line end inside a name or value would split it into other lines (and other keys) when the
// file is read again: it becomes a space.
std::string OneLine(std::string_view s) {
    std::string out(Trim(s));
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::vector<RIniSection> Parse(std::string_view text) {
    std::vector<RIniSection> sections(1);
    sections[0].header = false;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::string_view t = Trim(line);
        if (t.empty()) continue;
        size_t close = t.find(']');
        if (t[0] == '[' && close != std::string_view::npos) {
            sections.push_back(RIniSection{std::string(Trim(t.substr(1, close - 1))), true, {}});
            continue;
        }
        size_t eq = t.find('=');
        if (t[0] != ';' && eq != std::string_view::npos && eq > 0)
            sections.back().lines.push_back(
                RIniLine{std::string(Trim(t.substr(0, eq))), std::string(Trim(t.substr(eq + 1))), true});
        else
            sections.back().lines.push_back(RIniLine{std::string(line), "", false});
    }
    return sections;
}

std::string Serialize() {
    std::string out;
    for (const RIniSection& s : g_ini.sections) {
        if (!s.header && s.lines.empty()) continue;
        if (s.header) out += "[" + s.name + "]\r\n";
        for (const RIniLine& l : s.lines) out += (l.isKey ? l.key + "=" + l.value : l.key) + "\r\n";
        out += "\r\n";
    }
    return out;
}

// Writes the file back; a failure is silent, and the next change or the close tries again.
void Save() {
    if (!WriteFileAtomic(g_ini.path, Serialize(), false)) return;
    g_ini.dirty = false;
    g_ini.written = true;
}

RIniSection* FindSection(std::string_view name) {
    for (RIniSection& s : g_ini.sections)
        if (s.header && SameName(s.name, name)) return &s;
    return nullptr;
}

RIniLine* FindKey(std::string_view section, std::string_view key) {
    RIniSection* s = FindSection(Trim(section));
    if (!s) return nullptr;
    for (RIniLine& l : s->lines)
        if (l.isKey && SameName(l.key, Trim(key))) return &l;
    return nullptr;
}

bool ReadOpen() {
    if (g_ini.open) return true;
    Function_Error("Trying to read from undefined INI file");
    return false;
}

// The INI file is open and may be written; else the message.
bool CanChange(const char* undefinedMessage) {
    if (!g_ini.open) {
        Function_Error(undefinedMessage);
        return false;
    }
    if (File_SecureRefuses(g_ini.fname)) {
        Function_Error("In secure mode you cannot write file " + g_ini.fname);
        return false;
    }
    return true;
}

void SetValue(std::string_view section, std::string_view key, std::string value) {
    if (!CanChange("Trying to write to undefined INI file")) return;
    if (RIniLine* l = FindKey(section, key)) {
        l->value = OneLine(value);
    } else {
        RIniSection* s = FindSection(Trim(section));
        if (!s) {
            g_ini.sections.push_back(RIniSection{OneLine(section), true, {}});
            s = &g_ini.sections.back();
        }
        s->lines.push_back(RIniLine{OneLine(key), OneLine(value), true});
    }
    g_ini.dirty = true;
    Save();
}

} // namespace

void File_IniClose() {
    if (g_ini.open && g_ini.dirty) Save();
    if (g_ini.written) SyncFile(g_ini.path);
    g_ini = RIniFile{};
}

QV_FUNCTION(F_IniOpen) {
    File_IniClose();
    std::string fname(Arg_String(args[0]));
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(LocalPath(fname), ec).lexically_normal();
    struct stat st {};
    if (ec || stat(full.parent_path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        Function_Error("Error directory does not exist when opening ini file - " + full.string());
        return;
    }
    std::string text;
    if (stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        // An existing file that cannot be read is not opened: starting empty would overwrite it.
        if (uint64_t(st.st_size) > kMaxStringBytes) {
            Function_Error(kStringTooLong);
            return;
        }
        std::ifstream in(full, std::ios::binary);
        text.resize(size_t(st.st_size));
        if (!in || !in.read(text.data(), std::streamsize(text.size()))) {
            Function_Error("Error reading ini file - " + full.string());
            return;
        }
    }
    g_ini.open = true;
    g_ini.fname = fname;
    g_ini.path = full.string();
    g_ini.sections = Parse(text);
}

QV_FUNCTION(F_IniClose) {
    File_IniClose();
}

QV_FUNCTION(F_IniReadString) {
    result.SetString(TRefString());
    if (!ReadOpen()) return;
    if (RIniLine* l = FindKey(Arg_String(args[0]), Arg_String(args[1])))
        result.SetString(TRefString(l->value));
    else
        result = args[2];
}

QV_FUNCTION(F_IniReadReal) {
    if (!ReadOpen()) return;
    RIniLine* l = FindKey(Arg_String(args[0]), Arg_String(args[1]));
    result.SetReal(l ? File_IniNumber(l->value) : Arg_Real(args[2]));
}

QV_FUNCTION(F_IniWriteString) {
    SetValue(Arg_String(args[0]), Arg_String(args[1]), std::string(Arg_String(args[2])));
}

QV_FUNCTION(F_IniWriteReal) {
    SetValue(Arg_String(args[0]), Arg_String(args[1]), File_IniRealText(Arg_Real(args[2])));
}

QV_FUNCTION(F_IniKeyExists) {
    if (ReadOpen()) result.SetReal(FindKey(Arg_String(args[0]), Arg_String(args[1])) ? 1 : 0);
}

QV_FUNCTION(F_IniSectionExists) {
    if (ReadOpen()) result.SetReal(FindSection(Trim(Arg_String(args[0]))) ? 1 : 0);
}

QV_FUNCTION(F_IniKeyDelete) {
    if (!CanChange("Trying to change undefined INI file")) return;
    RIniSection* s = FindSection(Trim(Arg_String(args[0])));
    if (!s) return;
    std::string_view key = Trim(Arg_String(args[1]));
    size_t before = s->lines.size();
    std::erase_if(s->lines, [key](const RIniLine& l) { return l.isKey && SameName(l.key, key); });
    if (s->lines.size() == before) return;
    g_ini.dirty = true;
    Save();
}

QV_FUNCTION(F_IniSectionDelete) {
    if (!CanChange("Trying to change undefined INI file")) return;
    std::string_view name = Trim(Arg_String(args[0]));
    size_t before = g_ini.sections.size();
    std::erase_if(g_ini.sections,
                  [name](const RIniSection& s) { return s.header && SameName(s.name, name); });
    if (g_ini.sections.size() == before) return;
    g_ini.dirty = true;
    Save();
}
