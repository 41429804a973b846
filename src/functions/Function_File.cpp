// Files, directories, programs and the environment, the per-user store (registry functions),
// INI files and disks. This file holds the family table, the binary and text files, the file
// search, file names, included files, programs, parameters and disks; the INI file and the
// registry functions have files of their own.
#include "functions/Function_File.h"

#include "data/DataNew_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Families.h"
#include "platform/Platform_App.h"
#include "support/Support_File.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxFiles = 32;
const char* const kTooManyFiles = "Cannot open another file (maximum exceeded).";

bool HasFolder(std::string_view name) {
    return name.find('\\') != std::string_view::npos || name.find('/') != std::string_view::npos;
}

bool IsLink(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// A regular file (or a link to one) exists at path.
bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void SetString(RValue& result, std::string_view s) {
    result.SetString(TRefString(s));
}

// Opens path with open(2) flags as a stdio stream (descriptor not inherited by programs the game
// starts); null when refused. In secure mode a write never follows a symbolic link.
FILE* OpenStream(const std::string& path, int flags, const char* mode) {
    if (opt_secure && (flags & (O_WRONLY | O_RDWR))) flags |= O_NOFOLLOW;
    int fd = open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    FILE* f = fdopen(fd, mode);
    if (!f) close(fd);
    return f;
}

// ---- binary files

struct RBinFile {
    FILE* f = nullptr;
    bool writing = false; // the last operation wrote (stdio needs a seek between directions)
};
std::array<RBinFile, kMaxFiles + 1> g_bin; // slots 1 .. 32

RBinFile* BinSlot(const RValue& handle) {
    int h = Arg_Int(handle);
    return h >= 1 && h <= kMaxFiles && g_bin[size_t(h)].f ? &g_bin[size_t(h)] : nullptr;
}

// Prepares the stream for reading or writing after the other direction.
bool BinTurn(RBinFile& b, bool write) {
    if (b.writing == write) return true;
    bool ok = write ? std::fseek(b.f, 0, SEEK_CUR) == 0 : std::fflush(b.f) == 0;
    b.writing = write;
    return ok;
}

QV_FUNCTION(F_FileBinOpen) {
    result.SetReal(-1);
    std::string_view fname = Arg_String(args[0]);
    int mode = Arg_Int(args[1]);
    int slot = 1;
    while (slot <= kMaxFiles && g_bin[size_t(slot)].f) ++slot;
    if (slot > kMaxFiles) {
        Function_Error(kTooManyFiles);
        return;
    }
    std::string path = LocalPath(fname);
    // Reading only creates the file when it is missing; in secure mode that is a write too.
    bool refused = mode != 0 ? File_SecureRefuses(fname) : (File_SecureRefuses(fname) && !IsFile(path));
    if (refused) {
        Function_Error("In secure mode you cannot write file " + std::string(fname));
        return;
    }
    int flags = mode == 0 ? O_RDONLY : mode == 1 ? O_WRONLY : O_RDWR;
    FILE* f = OpenStream(path, flags | O_CREAT, mode == 0 ? "rb" : mode == 1 ? "wb" : "r+b");
    if (!f) {
        Function_Error("Error opening binary file.");
        return;
    }
    g_bin[size_t(slot)] = RBinFile{f, false};
    result.SetReal(slot);
}

QV_FUNCTION(F_FileBinRewrite) {
    RBinFile* b = BinSlot(args[0]);
    if (!b) {
        Function_Error("Trying to rewrite unopened file.");
        return;
    }
    if (std::fflush(b->f) != 0 || ftruncate(fileno(b->f), 0) != 0 || std::fseek(b->f, 0, SEEK_SET) != 0)
        Function_Error("Error rewriting file.");
}

QV_FUNCTION(F_FileBinClose) {
    RBinFile* b = BinSlot(args[0]);
    if (!b) {
        Function_Error("Trying to close unopened file.");
        return;
    }
    std::fclose(b->f);
    *b = RBinFile{};
}

QV_FUNCTION(F_FileBinSize) {
    RBinFile* b = BinSlot(args[0]);
    if (!b) {
        Function_Error("File is not opened.");
        return;
    }
    struct stat st {};
    if (std::fflush(b->f) != 0 || fstat(fileno(b->f), &st) != 0) {
        Function_Error("Error retrieving file size.");
        return;
    }
    result.SetReal(double(st.st_size));
}

QV_FUNCTION(F_FileBinPosition) {
    RBinFile* b = BinSlot(args[0]);
    if (!b) {
        Function_Error("File is not opened.");
        return;
    }
    off_t pos = ftello(b->f);
    if (pos < 0) {
        Function_Error("Error retrieving file size.");
        return;
    }
    result.SetReal(double(pos));
}

QV_FUNCTION(F_FileBinSeek) {
    RBinFile* b = BinSlot(args[0]);
    if (!b) {
        Function_Error("File is not opened.");
        return;
    }
    int64_t pos = Arg_Int64(args[1]);
    if (pos < 0 || fseeko(b->f, off_t(pos), SEEK_SET) != 0) Function_Error("Error seeking.");
}

QV_FUNCTION(F_FileBinReadByte) {
    RBinFile* b = BinSlot(args[0]);
    if (!b) {
        Function_Error("File is not opened.");
        return;
    }
    int c = BinTurn(*b, false) ? std::getc(b->f) : EOF;
    if (c == EOF) {
        std::clearerr(b->f);
        Function_Error("Error reading byte.");
        return;
    }
    result.SetReal(c);
}

QV_FUNCTION(F_FileBinWriteByte) {
    RBinFile* b = BinSlot(args[0]);
    if (!b) {
        Function_Error("File is not opened.");
        return;
    }
    int byte = int(uint64_t(Arg_Int64(args[1])) & 0xFF);
    // Written through at once, so that the size and other readers see it.
    if (!BinTurn(*b, true) || std::putc(byte, b->f) == EOF || std::fflush(b->f) != 0) {
        std::clearerr(b->f);
        Function_Error("Error writing byte.");
    }
}

// ---- text files: slots 1 .. 32, and slot 0 for the current file of the functions without a handle

enum class ETextMode { Closed, Read, Write };
struct RTextFile {
    FILE* f = nullptr;
    ETextMode mode = ETextMode::Closed;
};
std::array<RTextFile, kMaxFiles + 1> g_text;

void TextClose(RTextFile& t) {
    if (!t.f) return;
    if (std::fclose(t.f) != 0) Function_Error("Error closing file.");
    t = RTextFile{};
}

// The slot of a handle open in that mode, or null.
RTextFile* TextSlot(const RValue& handle, ETextMode mode) {
    int h = Arg_Int(handle);
    return h >= 1 && h <= kMaxFiles && g_text[size_t(h)].mode == mode ? &g_text[size_t(h)] : nullptr;
}

int FreeTextSlot() {
    for (int k = 1; k <= kMaxFiles; ++k)
        if (!g_text[size_t(k)].f) return k;
    return -1;
}

int Peek(FILE* f) {
    int c = std::getc(f);
    if (c != EOF) std::ungetc(c, f);
    return c;
}

bool AtLineEnd(int c) {
    return c == EOF || c == '\r' || c == '\n';
}

// Opens fname for reading into slot t. False without a message when the file does not exist.
bool TextOpenRead(RTextFile& t, std::string_view fname) {
    std::string path = LocalPath(fname);
    if (!IsFile(path)) return false;
    FILE* f = OpenStream(path, O_RDONLY, "rb");
    if (!f) {
        Function_Error("Error opening file for reading.");
        return false;
    }
    t = RTextFile{f, ETextMode::Read};
    return true;
}

// Opens fname for writing (emptied) or appending into slot t; the refusals and failures report.
bool TextOpenWrite(RTextFile& t, std::string_view fname, bool append) {
    if (File_SecureRefuses(fname)) {
        Function_Error(
            (append ? "In secure mode you cannot append to file " : "In secure mode you cannot write file ") +
            std::string(fname));
        return false;
    }
    FILE* f = OpenStream(LocalPath(fname), O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC),
                         append ? "ab" : "wb");
    if (!f) {
        Function_Error(append ? "Error opening file for appending." : "Error opening file for writing.");
        return false;
    }
    t = RTextFile{f, ETextMode::Write};
    return true;
}

bool TextReadString(FILE* f, std::string& out) {
    switch (File_ReadLine(f, out, kMaxStringBytes)) {
    case ELineRead::Ok:
        return true;
    case ELineRead::TooLong:
        Function_Error(kStringTooLong);
        return true;
    case ELineRead::Failed:
        break;
    }
    return false;
}

// Skips the rest of the line and its end (CR LF, LF or CR).
bool TextReadln(FILE* f) {
    int c;
    while (!AtLineEnd(c = std::getc(f))) {
    }
    if (c == '\r' && Peek(f) == '\n') std::getc(f);
    if (std::ferror(f)) {
        std::clearerr(f);
        return false;
    }
    return true;
}

// Reads a number from the current line. A digit d adds to the integer part or, after one '.'
// or ',', to the fraction; the digits are gathered as text and converted once, so the result is
// the correctly rounded value of the decimal number read.
double TextReadReal(FILE* f, bool loose) {
    std::string whole, fraction;
    bool negative = false, digit = false, inFraction = false;
    for (;;) {
        int c = Peek(f);
        if (AtLineEnd(c)) break;
        std::getc(f);
        if ((c == ' ' || c == '\t') && (!digit || loose)) continue;
        if (c == '-' && (!digit || loose)) {
            negative = true;
            continue;
        }
        if (c == '.' || c == ',') {
            if (inFraction) break;
            inFraction = true;
            digit = false;
            continue;
        }
        if (c >= '0' && c <= '9') {
            digit = true;
            (inFraction ? fraction : whole).push_back(char(c));
            if (whole.size() + fraction.size() > kMaxStringBytes) break;
            continue;
        }
        break;
    }
    std::string text = (whole.empty() ? "0" : whole) + (fraction.empty() ? "" : "." + fraction);
    double v = std::strtod(text.c_str(), nullptr);
    return negative ? -v : v;
}

bool TextWrite(FILE* f, std::string_view s) {
    bool ok = std::fwrite(s.data(), 1, s.size(), f) == s.size() && std::fflush(f) == 0;
    if (!ok) {
        std::clearerr(f);
        Function_Error("Error writing file.");
    }
    return ok;
}

QV_FUNCTION(F_FileTextOpenRead) {
    result.SetReal(-1);
    int slot = FreeTextSlot();
    if (slot < 0) {
        Function_Error(kTooManyFiles);
        return;
    }
    if (TextOpenRead(g_text[size_t(slot)], Arg_String(args[0]))) result.SetReal(slot);
}

void OpenTextHandle(RValue& result, std::string_view fname, bool append) {
    result.SetReal(-1);
    int slot = FreeTextSlot();
    if (slot < 0) {
        Function_Error(kTooManyFiles);
        return;
    }
    if (TextOpenWrite(g_text[size_t(slot)], fname, append)) result.SetReal(slot);
}

QV_FUNCTION(F_FileTextOpenWrite) {
    OpenTextHandle(result, Arg_String(args[0]), false);
}

QV_FUNCTION(F_FileTextOpenAppend) {
    OpenTextHandle(result, Arg_String(args[0]), true);
}

QV_FUNCTION(F_FileTextClose) {
    int h = Arg_Int(args[0]);
    if (h < 1 || h > kMaxFiles) {
        Function_Error("Trying to close unexisting text file.");
        return;
    }
    TextClose(g_text[size_t(h)]);
}

const char* const kHandleNotRead = "File is not opened for reading.";
const char* const kNotWrite = "File not opened for writing.";

QV_FUNCTION(F_FileTextReadString) {
    SetString(result, "");
    RTextFile* t = TextSlot(args[0], ETextMode::Read);
    if (!t) {
        Function_Error(kHandleNotRead);
        return;
    }
    std::string s;
    if (!TextReadString(t->f, s)) Function_Error("Error reading string.");
    SetString(result, s);
}

QV_FUNCTION(F_FileTextReadReal) {
    RTextFile* t = TextSlot(args[0], ETextMode::Read);
    if (!t) {
        Function_Error(kHandleNotRead);
        return;
    }
    result.SetReal(TextReadReal(t->f, false));
    if (std::ferror(t->f)) {
        std::clearerr(t->f);
        result.SetReal(0);
        Function_Error("Error reading real.");
    }
}

QV_FUNCTION(F_FileTextReadln) {
    RTextFile* t = TextSlot(args[0], ETextMode::Read);
    if (!t) {
        Function_Error(kHandleNotRead);
        return;
    }
    if (!TextReadln(t->f)) Function_Error("Error reading line.");
}

QV_FUNCTION(F_FileTextEof) {
    RTextFile* t = TextSlot(args[0], ETextMode::Read);
    if (!t) {
        Function_Error(kHandleNotRead);
        return;
    }
    result.SetReal(Peek(t->f) == EOF ? 1 : 0);
}

QV_FUNCTION(F_FileTextEoln) {
    RTextFile* t = TextSlot(args[0], ETextMode::Read);
    if (!t) {
        Function_Error(kHandleNotRead);
        return;
    }
    result.SetReal(AtLineEnd(Peek(t->f)) ? 1 : 0);
}

QV_FUNCTION(F_FileTextWriteString) {
    RTextFile* t = TextSlot(args[0], ETextMode::Write);
    if (!t) {
        Function_Error(kNotWrite);
        return;
    }
    TextWrite(t->f, Arg_String(args[1]));
}

QV_FUNCTION(F_FileTextWriteReal) {
    RTextFile* t = TextSlot(args[0], ETextMode::Write);
    if (!t) {
        Function_Error(kNotWrite);
        return;
    }
    TextWrite(t->f, File_RealText(Arg_Real(args[1])));
}

QV_FUNCTION(F_FileTextWriteln) {
    RTextFile* t = TextSlot(args[0], ETextMode::Write);
    if (!t) {
        Function_Error(kNotWrite);
        return;
    }
    TextWrite(t->f, "\r\n");
}

// The current file (slot 0).
RTextFile& Current() {
    return g_text[0];
}

QV_FUNCTION(F_FileOpenRead) {
    TextClose(Current());
    TextOpenRead(Current(), Arg_String(args[0]));
}

QV_FUNCTION(F_FileOpenWrite) {
    TextClose(Current());
    TextOpenWrite(Current(), Arg_String(args[0]), false);
}

QV_FUNCTION(F_FileOpenAppend) {
    TextClose(Current());
    TextOpenWrite(Current(), Arg_String(args[0]), true);
}

QV_FUNCTION(F_FileClose) {
    TextClose(Current());
}

const char* const kCurrentNotRead = "File not opened for reading.";

// The current file when it is open in that mode, else the message and null.
RTextFile* CurrentIn(ETextMode mode, const char* message) {
    if (Current().mode == mode) return &Current();
    Function_Error(message);
    return nullptr;
}

QV_FUNCTION(F_FileReadString) {
    SetString(result, "");
    RTextFile* t = CurrentIn(ETextMode::Read, kCurrentNotRead);
    if (!t) return;
    std::string s;
    if (!TextReadString(t->f, s)) Function_Error("Error reading string.");
    SetString(result, s);
}

QV_FUNCTION(F_FileReadReal) {
    RTextFile* t = CurrentIn(ETextMode::Read, kCurrentNotRead);
    if (!t) return;
    result.SetReal(TextReadReal(t->f, true));
    if (std::ferror(t->f)) {
        std::clearerr(t->f);
        result.SetReal(0);
        Function_Error("Error reading real.");
    }
}

QV_FUNCTION(F_FileReadln) {
    RTextFile* t = CurrentIn(ETextMode::Read, kCurrentNotRead);
    if (t && !TextReadln(t->f)) Function_Error("Error reading line.");
}

QV_FUNCTION(F_FileEof) {
    RTextFile* t = CurrentIn(ETextMode::Read, kHandleNotRead);
    if (t) result.SetReal(Peek(t->f) == EOF ? 1 : 0);
}

QV_FUNCTION(F_FileEoln) {
    RTextFile* t = CurrentIn(ETextMode::Read, kHandleNotRead);
    if (t) result.SetReal(AtLineEnd(Peek(t->f)) ? 1 : 0);
}

QV_FUNCTION(F_FileWriteString) {
    RTextFile* t = CurrentIn(ETextMode::Write, kNotWrite);
    if (t) TextWrite(t->f, Arg_String(args[0]));
}

QV_FUNCTION(F_FileWriteReal) {
    RTextFile* t = CurrentIn(ETextMode::Write, kNotWrite);
    if (t) TextWrite(t->f, File_RealText(Arg_Real(args[0])));
}

QV_FUNCTION(F_FileWriteln) {
    RTextFile* t = CurrentIn(ETextMode::Write, kNotWrite);
    if (t) TextWrite(t->f, "\r\n");
}

// ---- files and directories

QV_FUNCTION(F_FileExists) {
    result.SetReal(IsFile(LocalPath(Arg_String(args[0]))) ? 1 : 0);
}

QV_FUNCTION(F_FileDelete) {
    std::string_view fname = Arg_String(args[0]);
    if (File_SecureRefuses(fname)) {
        Function_Error("In Secure mode you cannot delete file " + std::string(fname));
        return;
    }
    unlink(LocalPath(fname).c_str());
}

// Moves a file; never replaces an existing target (the player's file would be lost).
bool MoveNoReplace(const std::string& from, const std::string& to) {
    struct stat st {};
    if (lstat(from.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
#if defined(SYS_renameat2)
    if (syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 1u /* RENAME_NOREPLACE */) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    if (lstat(to.c_str(), &st) == 0) return false;
    return rename(from.c_str(), to.c_str()) == 0;
}

QV_FUNCTION(F_FileRename) {
    std::string_view from = Arg_String(args[0]), to = Arg_String(args[1]);
    if (File_SecureRefuses(from) || File_SecureRefuses(to)) {
        Function_Error("In Secure mode you cannot rename file " + std::string(from) + " into " +
                       std::string(to));
        return;
    }
    MoveNoReplace(LocalPath(from), LocalPath(to));
}

QV_FUNCTION(F_FileCopy) {
    std::string_view from = Arg_String(args[0]), to = Arg_String(args[1]);
    if (File_SecureRefuses(from) || File_SecureRefuses(to)) {
        Function_Error("In Secure mode you cannot copy file " + std::string(from) + " to " + std::string(to));
        return;
    }
    CopyFileAtomic(LocalPath(from), LocalPath(to));
}

QV_FUNCTION(F_DirectoryExists) {
    result.SetReal(IsDirectory(LocalPath(Arg_String(args[0]))) ? 1 : 0);
}

QV_FUNCTION(F_DirectoryCreate) {
    std::string_view dname = Arg_String(args[0]);
    if (File_SecureRefuses(dname)) {
        Function_Error("In Secure mode you cannot create directory " + std::string(dname));
        return;
    }
    std::string path = LocalPath(dname);
    std::error_code ec;
    if (!path.empty()) fs::create_directories(path, ec);
}

// ---- file search and attributes

constexpr int kAttrReadOnly = 1, kAttrHidden = 2, kAttrSysFile = 4, kAttrDirectory = 16, kAttrArchive = 32;

// The attribute bits of a file on Linux: read-only when its owner has no write permission, hidden when
// its name starts with '.', a system file when it is neither a regular file nor a directory
// (device, pipe, socket), archive for every regular file. -1 when it cannot be examined.
int Attributes(const std::string& path, std::string_view name) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 && lstat(path.c_str(), &st) != 0) return -1;
    int a = 0;
    if (!(st.st_mode & S_IWUSR)) a |= kAttrReadOnly;
    if (!name.empty() && name[0] == '.') a |= kAttrHidden;
    if (S_ISDIR(st.st_mode))
        a |= kAttrDirectory;
    else if (S_ISREG(st.st_mode))
        a |= kAttrArchive;
    else
        a |= kAttrSysFile;
    return a;
}

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// A file-name mask with '*' (any run) and '?' (any one character); ASCII letters match either
// case. "*.*" matches every name.
bool MaskMatches(std::string_view mask, std::string_view name) {
    if (mask == "*.*") return true;
    size_t m = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || Fold(mask[m]) == Fold(name[n]))) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == '*') {
            star = m++;
            mark = n;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

struct RFileSearch {
    std::vector<std::string> names;
    size_t next = 0;
};
RFileSearch g_search;

std::string NextFound() {
    return g_search.next < g_search.names.size() ? g_search.names[g_search.next++] : std::string();
}

QV_FUNCTION(F_FileFindFirst) {
    g_search = RFileSearch{};
    std::string mask = LocalPath(Arg_String(args[0]));
    int attr = Arg_Int(args[1]);
    if (attr == kArgBadInt) attr = 0;
    size_t slash = mask.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : mask.substr(0, slash);
    std::string pattern = slash == std::string::npos ? mask : mask.substr(slash + 1);
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string_view name = e->d_name;
            if (name == "." || name == ".." || !MaskMatches(pattern, name)) continue;
            int a = Attributes(dir + "/" + std::string(name), name);
            if (a < 0) continue; // vanished meanwhile
            if ((a & kAttrHidden) && !(attr & kAttrHidden)) continue;
            if ((a & kAttrSysFile) && !(attr & kAttrSysFile)) continue;
            if ((a & kAttrDirectory) && !(attr & kAttrDirectory)) continue;
            g_search.names.emplace_back(name);
        }
        closedir(d);
    }
    std::sort(g_search.names.begin(), g_search.names.end());
    SetString(result, NextFound());
}

QV_FUNCTION(F_FileFindNext) {
    SetString(result, NextFound());
}

QV_FUNCTION(F_FileFindClose) {
    g_search = RFileSearch{};
}

QV_FUNCTION(F_FileAttributes) {
    std::string path = LocalPath(Arg_String(args[0]));
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    size_t slash = path.rfind('/');
    int a = Attributes(path, slash == std::string::npos ? std::string_view(path)
                                                        : std::string_view(path).substr(slash + 1));
    int64_t want = Arg_Int64(args[1]);
    result.SetReal(a < 0 ? -1 : (a & want) != 0 ? 1 : 0);
}

// ---- file names: '\', '/' and ':' all separate

bool IsSeparator(char c) {
    return c == '\\' || c == '/' || c == ':';
}

// Length of the path part (up to and including the last separator).
size_t PathLength(std::string_view f) {
    size_t k = f.size();
    while (k > 0 && !IsSeparator(f[k - 1])) --k;
    return k;
}

// Position of the extension's dot in the name part, or npos.
size_t ExtStart(std::string_view f) {
    size_t dot = f.rfind('.');
    return dot != std::string_view::npos && dot >= PathLength(f) ? dot : std::string_view::npos;
}

QV_FUNCTION(F_FilenameName) {
    std::string_view f = Arg_String(args[0]);
    SetString(result, f.substr(PathLength(f)));
}

QV_FUNCTION(F_FilenamePath) {
    std::string_view f = Arg_String(args[0]);
    SetString(result, f.substr(0, PathLength(f)));
}

QV_FUNCTION(F_FilenameDir) {
    std::string_view f = Arg_String(args[0]);
    size_t n = PathLength(f);
    // The separator goes, unless it is the root of a drive ("C:\") or of the tree ("/").
    if (n > 0 && (f[n - 1] == '\\' || f[n - 1] == '/') && n != 1 && !(n >= 2 && f[n - 2] == ':')) --n;
    SetString(result, f.substr(0, n));
}

QV_FUNCTION(F_FilenameDrive) {
    std::string_view f = Arg_String(args[0]);
    auto sep = [](char c) { return c == '\\' || c == '/'; };
    if (f.size() >= 2 && f[1] == ':' && ((f[0] >= 'A' && f[0] <= 'Z') || (f[0] >= 'a' && f[0] <= 'z'))) {
        SetString(result, f.substr(0, 2));
    } else if (f.size() > 2 && sep(f[0]) && sep(f[1])) {
        // "\\server\share": up to the separator after the share name.
        size_t k = 2;
        while (k < f.size() && !sep(f[k])) ++k;
        ++k;
        while (k < f.size() && !sep(f[k])) ++k;
        SetString(result, f.substr(0, std::min(k, f.size())));
    } else {
        SetString(result, "");
    }
}

QV_FUNCTION(F_FilenameExt) {
    std::string_view f = Arg_String(args[0]);
    size_t dot = ExtStart(f);
    SetString(result, dot == std::string_view::npos ? std::string_view() : f.substr(dot));
}

QV_FUNCTION(F_FilenameChangeExt) {
    std::string_view f = Arg_String(args[0]);
    size_t dot = ExtStart(f);
    std::string out(f.substr(0, dot == std::string_view::npos ? f.size() : dot));
    out += Arg_String(args[1]);
    SetString(result, out);
}

// ---- included files

QV_FUNCTION(F_ExportIncludeFile) {
    CDataFile* file = DataFile_Get(DataFile_Find(std::string(Arg_String(args[0]))));
    if (!file) {
        Function_Error("Trying to export non-existing file.");
        return;
    }
    file->Prepare();
}

QV_FUNCTION(F_ExportIncludeFileLocation) {
    CDataFile* file = DataFile_Get(DataFile_Find(std::string(Arg_String(args[0]))));
    if (!file) {
        Function_Error("Trying to export non-existing file.");
        return;
    }
    if (opt_secure) {
        Function_Error("In secure mode you cannot export a file to a location.");
        return;
    }
    file->ExportIt(LocalPath(Arg_String(args[1])));
}

QV_FUNCTION(F_DiscardIncludeFile) {
    CDataFile* file = DataFile_Get(DataFile_Find(std::string(Arg_String(args[0]))));
    if (!file) {
        Function_Error("Trying to discard non-existing file.");
        return;
    }
    file->Discard();
}

// ---- programs, parameters, environment, disks

QV_FUNCTION(F_ExecuteProgram) {
    std::string prog(Arg_String(args[0]));
    if (opt_secure) {
        Function_Error("In Secure mode you cannot execute program " + prog);
        return;
    }
    if (!ExecuteProgram(LocalPath(prog), std::string(Arg_String(args[1])), "", Arg_Bool(args[2])))
        Function_Error("Cannot execute " + prog);
}

QV_FUNCTION(F_ExecuteShell) {
    std::string prog(Arg_String(args[0]));
    if (opt_secure) {
        Function_Error("In Secure mode you cannot execute program " + prog);
        return;
    }
    if (!ShellOpenFile(LocalPath(prog), std::string(Arg_String(args[1])), ""))
        Function_Error("Cannot execute " + prog);
}

QV_FUNCTION(F_ParameterCount) {
    const auto& cl = Platform_CommandLine();
    result.SetReal(cl.empty() ? 0 : double(cl.size() - 1));
}

QV_FUNCTION(F_ParameterString) {
    const auto& cl = Platform_CommandLine();
    int64_t n = Arg_Int64(args[0]);
    SetString(result,
              n >= 0 && uint64_t(n) < cl.size() ? std::string_view(cl[size_t(n)]) : std::string_view());
}

QV_FUNCTION(F_EnvironmentGetVariable) {
    const char* v = std::getenv(std::string(Arg_String(args[0])).c_str());
    SetString(result, v ? v : "");
}

// Linux has one file tree, known to games as drive C: its sizes are those of the file system
// holding the current directory. Other letters name no drive.
void DiskSpace(int argc, RValue* args, RValue& result, bool free) {
    std::string_view drive = argc > 0 ? Arg_String(args[0]) : std::string_view();
    struct statvfs vs {};
    if ((!drive.empty() && Fold(drive[0]) != 'c') || statvfs(".", &vs) != 0) {
        result.SetReal(-1);
        return;
    }
    result.SetReal(double(vs.f_frsize) * double(free ? vs.f_bavail : vs.f_blocks));
}

QV_FUNCTION(F_DiskFree) {
    DiskSpace(argc, args, result, true);
}

QV_FUNCTION(F_DiskSize) {
    DiskSpace(argc, args, result, false);
}

// 79 functions, in registration order.
// clang-format off
const RFunctionEntry kFileFunctions[] = {
    // name                          handler                      arguments
    {"file_bin_open",                F_FileBinOpen,               2},
    {"file_bin_rewrite",             F_FileBinRewrite,            1},
    {"file_bin_close",               F_FileBinClose,              1},
    {"file_bin_position",            F_FileBinPosition,           1},
    {"file_bin_size",                F_FileBinSize,               1},
    {"file_bin_seek",                F_FileBinSeek,               2},
    {"file_bin_read_byte",           F_FileBinReadByte,           1},
    {"file_bin_write_byte",          F_FileBinWriteByte,          2},
    {"file_text_open_read",          F_FileTextOpenRead,          1},
    {"file_text_open_write",         F_FileTextOpenWrite,         1},
    {"file_text_open_append",        F_FileTextOpenAppend,        1},
    {"file_text_close",              F_FileTextClose,             1},
    {"file_text_read_string",        F_FileTextReadString,        1},
    {"file_text_read_real",          F_FileTextReadReal,          1},
    {"file_text_readln",             F_FileTextReadln,            1},
    {"file_text_eof",                F_FileTextEof,               1},
    {"file_text_eoln",               F_FileTextEoln,              1},
    {"file_text_write_string",       F_FileTextWriteString,       2},
    {"file_text_write_real",         F_FileTextWriteReal,         2},
    {"file_text_writeln",            F_FileTextWriteln,           1},
    {"file_open_read",               F_FileOpenRead,              1},
    {"file_open_write",              F_FileOpenWrite,             1},
    {"file_open_append",             F_FileOpenAppend,            1},
    {"file_close",                   F_FileClose,                 0},
    {"file_read_string",             F_FileReadString,            0},
    {"file_read_real",               F_FileReadReal,              0},
    {"file_readln",                  F_FileReadln,                0},
    {"file_eof",                     F_FileEof,                   0},
    {"file_eoln",                    F_FileEoln,                  0},
    {"file_write_string",            F_FileWriteString,           1},
    {"file_write_real",              F_FileWriteReal,             1},
    {"file_writeln",                 F_FileWriteln,               0},
    {"file_exists",                  F_FileExists,                1},
    {"file_delete",                  F_FileDelete,                1},
    {"file_rename",                  F_FileRename,                2},
    {"file_copy",                    F_FileCopy,                  2},
    {"directory_exists",             F_DirectoryExists,           1},
    {"directory_create",             F_DirectoryCreate,           1},
    {"file_find_first",              F_FileFindFirst,             2},
    {"file_find_next",               F_FileFindNext,              0},
    {"file_find_close",              F_FileFindClose,             0},
    {"file_attributes",              F_FileAttributes,            2},
    {"filename_name",                F_FilenameName,              1},
    {"filename_path",                F_FilenamePath,              1},
    {"filename_dir",                 F_FilenameDir,               1},
    {"filename_drive",               F_FilenameDrive,             1},
    {"filename_ext",                 F_FilenameExt,               1},
    {"filename_change_ext",          F_FilenameChangeExt,         2},
    {"export_include_file",          F_ExportIncludeFile,         1},
    {"export_include_file_location", F_ExportIncludeFileLocation, 2},
    {"discard_include_file",         F_DiscardIncludeFile,        1},
    {"execute_program",              F_ExecuteProgram,            3},
    {"execute_shell",                F_ExecuteShell,              2},
    {"parameter_count",              F_ParameterCount,            0},
    {"parameter_string",             F_ParameterString,           1},
    {"environment_get_variable",     F_EnvironmentGetVariable,    1},
    {"registry_write_string",        F_RegistryWriteString,       2},
    {"registry_write_real",          F_RegistryWriteReal,         2},
    {"registry_read_string",         F_RegistryReadString,        1},
    {"registry_read_real",           F_RegistryReadReal,          1},
    {"registry_exists",              F_RegistryExists,            1},
    {"registry_write_string_ext",    F_RegistryWriteStringExt,    3},
    {"registry_write_real_ext",      F_RegistryWriteRealExt,      3},
    {"registry_read_string_ext",     F_RegistryReadStringExt,     2},
    {"registry_read_real_ext",       F_RegistryReadRealExt,       2},
    {"registry_exists_ext",          F_RegistryExistsExt,         2},
    {"registry_set_root",            F_RegistrySetRoot,           1},
    {"ini_open",                     F_IniOpen,                   1},
    {"ini_close",                    F_IniClose,                  0},
    {"ini_read_string",              F_IniReadString,             3},
    {"ini_read_real",                F_IniReadReal,               3},
    {"ini_write_string",             F_IniWriteString,            3},
    {"ini_write_real",               F_IniWriteReal,              3},
    {"ini_key_exists",               F_IniKeyExists,              2},
    {"ini_section_exists",           F_IniSectionExists,          1},
    {"ini_key_delete",               F_IniKeyDelete,              2},
    {"ini_section_delete",           F_IniSectionDelete,          1},
    {"disk_free",                    F_DiskFree,                  kAnyArgCount},
    {"disk_size",                    F_DiskSize,                  kAnyArgCount},
};
// clang-format on

} // namespace

ELineRead File_ReadLine(FILE* f, std::string& out, size_t limit) {
    out.clear();
    bool tooLong = false;
    int c;
    while (!AtLineEnd(c = std::getc(f))) {
        if (out.size() >= limit) tooLong = true; // read on to the line end, keep nothing
        if (!tooLong) out.push_back(char(c));
    }
    if (c != EOF) std::ungetc(c, f);
    if (std::ferror(f)) {
        std::clearerr(f);
        out.clear();
        return ELineRead::Failed;
    }
    if (tooLong) {
        out.clear();
        out.shrink_to_fit();
        return ELineRead::TooLong;
    }
    return ELineRead::Ok;
}

bool File_SecureRefuses(std::string_view name) {
    return opt_secure && (HasFolder(name) || IsLink(LocalPath(name)));
}

std::string File_RealText(double x) {
    if (std::isnan(x)) return " nan";
    if (std::isinf(x)) return x < 0 ? " -inf" : " inf";
    std::string out = x < 0 ? " -" : " ";
    // In extended precision the fraction of 0.3 is 0.29999999999999998889..., so six digits of it
    // are 299999; in double the product with 10^6 would round up to 300000.
    long double a = std::fabs(static_cast<long double>(x));
    long double whole = std::floor(a);
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.0Lf", whole);
    out += buf;
    long double f = std::floor((a - whole) * 1000000.0L);
    if (f != 0) {
        std::snprintf(buf, sizeof buf, ".%06d", int(f));
        out += buf;
    }
    return out;
}

double File_IniNumber(std::string_view text) {
    std::string whole, fraction, exponent;
    bool negative = false, expNegative = false, inFraction = false, inExponent = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            (inExponent ? exponent : inFraction ? fraction : whole).push_back(c);
        } else if ((c == '.' || c == ',') && !inFraction && !inExponent) {
            inFraction = true;
        } else if ((c == 'E' || c == 'e') && !inExponent) {
            inExponent = true;
        } else if (c == '-') {
            (inExponent ? expNegative : negative) ^= true;
        } else {
            break;
        }
    }
    // Exponents beyond any double's range all give 0 or infinity; keep the text short.
    while (exponent.size() > 1 && exponent[0] == '0') exponent.erase(0, 1);
    if (exponent.size() > 6) exponent = "999999";
    std::string s = (whole.empty() ? "0" : whole) + (fraction.empty() ? "" : "." + fraction);
    if (!exponent.empty()) s += std::string("e") + (expNegative ? "-" : "") + exponent;
    double v = std::strtod(s.c_str(), nullptr);
    return negative ? -v : v;
}

std::string File_IniRealText(double x) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", x);
    std::string s = buf;
    size_t e = s.find('E');
    if (e == std::string::npos) return s;
    std::string mantissa = s.substr(0, e), exp = s.substr(e + 1);
    bool neg = !exp.empty() && exp[0] == '-';
    if (!exp.empty() && (exp[0] == '-' || exp[0] == '+')) exp.erase(0, 1);
    while (exp.size() > 1 && exp[0] == '0') exp.erase(0, 1);
    return mantissa + "E" + (neg ? "-" : "") + exp;
}

void Function_RegisterFile() {
    Function_AddTable(kFileFunctions);
}
