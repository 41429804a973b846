// Extension-package records, the package data block and the unpacking of its files.
#include "resources/Extension_Class.h"

#include "support/Support_File.h"
#include "support/Support_Stream.h"

#include <filesystem>
#include <fstream>

namespace {

std::vector<std::unique_ptr<CExtensionPackage>> g_packages;

std::string TrimControl(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && uint8_t(s[a]) <= 32) a++;
    while (b > a && uint8_t(s[b - 1]) <= 32) b--;
    return s.substr(a, b - a);
}

// A count read from the data: negative counts as 0; more than the bytes left could hold is corrupt.
bool ReadCount(CStream& str, int32_t& count, size_t minSize) {
    count = str.ReadInteger();
    if (count < 0) count = 0;
    return size_t(count) <= str.Remaining() / minSize;
}

// File names come from the game data: only a plain name inside the package folder is written.
bool SafeFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos;
}

} // namespace

bool CExtensionFunction::LoadFromExeStream(CStream& str) {
    if (str.ReadInteger() != 700) return false;
    s_name = str.ReadString();
    s_extname = str.ReadString();
    s_kind = str.ReadInteger();
    s_id = str.ReadInteger();
    s_argcount = str.ReadInteger();
    for (int& t : s_argtype) t = str.ReadInteger();
    s_returntype = str.ReadInteger();
    if (s_returntype < 1 || s_returntype > 2) s_returntype = 2;
    return true;
}

bool CExtensionConstant::LoadFromExeStream(CStream& str) {
    if (str.ReadInteger() != 700) return false;
    s_name = str.ReadString();
    s_value = str.ReadString();
    return true;
}

// A sub-record of another version fails the package here: its following fields could not be
// told apart from the next record's.
bool CExtensionFile::LoadFromExeStream(CStream& str) {
    if (str.ReadInteger() != 700) return false;
    s_filename = str.ReadString();
    s_kind = str.ReadInteger();
    s_init = str.ReadString();
    s_final = str.ReadString();
    int32_t n;
    if (!ReadCount(str, n, 4)) return false;
    s_functions.assign(size_t(n), CExtensionFunction());
    for (auto& f : s_functions)
        if (!f.LoadFromExeStream(str)) return false;
    if (!ReadCount(str, n, 4)) return false;
    s_constants.assign(size_t(n), CExtensionConstant());
    for (auto& c : s_constants)
        if (!c.LoadFromExeStream(str)) return false;
    return true;
}

void CExtensionFile::CreateScripts(const std::vector<uint8_t>& bytes) {
    for (auto& f : s_functions) f.s_script.clear();
    if (s_kind != 2) return;
    std::vector<std::string> lines;
    std::string cur;
    for (uint8_t b : bytes) {
        if (b == 13) {
            lines.push_back(cur);
            cur.clear();
        } else if (b != 10) {
            cur.push_back(char(b));
        }
    }
    // A last line without a line end is kept as a line too.
    if (!cur.empty()) lines.push_back(cur);
    size_t i = 0;
    auto isDefine = [&](size_t k) { return lines[k].compare(0, 7, "#define") == 0; };
    while (i < lines.size() && !isDefine(i)) i++;
    while (i < lines.size()) {
        std::string section = TrimControl(lines[i].substr(7));
        std::string body;
        for (i++; i < lines.size() && !isDefine(i); i++) {
            if (!body.empty()) body += "\r\n";
            body += lines[i];
        }
        for (auto& f : s_functions)
            if (f.s_extname == section) f.s_script = body;
    }
}

CExtensionFunction* CExtensionFile::FunctionFindName(const std::string& name) {
    for (auto& f : s_functions)
        if (f.s_name == name) return &f;
    return nullptr;
}

CExtensionFunction* CExtensionFile::FunctionFindId(int id) {
    for (auto& f : s_functions)
        if (f.s_id == id) return &f;
    return nullptr;
}

bool CExtensionPackage::LoadFromExeStream(CStream& str) {
    *this = CExtensionPackage();
    if (str.ReadInteger() != 700) return false;
    s_name = str.ReadString();
    s_folder = str.ReadString();
    int32_t n;
    if (!ReadCount(str, n, 4)) return false;
    s_includes.assign(size_t(n), CExtensionFile());
    for (auto& file : s_includes)
        if (!file.LoadFromExeStream(str)) return false;
    for (auto& file : s_includes)
        for (auto& f : file.s_functions) {
            f.s_name = TrimControl(f.s_name);
            f.s_extname = TrimControl(f.s_extname);
            if (f.s_extname.empty()) f.s_extname = f.s_name;
            if (f.s_argcount > 4) f.s_argtype.fill(2);
        }

    std::unique_ptr<CStream> block = str.ReadStream();
    s_key = block->ReadInteger();
    block->Decrypt(s_key, 5, 0);
    if (!SafeFileName(s_folder)) return false;
    if (GetTempDirectory().empty()) throw std::runtime_error("no temp directory for extension files");
    std::string folder = GetTempDirectory() + "/" + s_folder;
    std::filesystem::create_directories(folder);
    for (auto& file : s_includes) {
        if (file.s_kind == 3) continue;
        std::vector<uint8_t> bytes = block->ReadStreamC()->Bytes();
        if (file.s_kind == 1 || file.s_kind == 4) {
            if (!SafeFileName(file.s_filename)) return false;
            std::ofstream out(folder + "/" + file.s_filename, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            if (!out.flush()) throw std::runtime_error("cannot write " + folder + "/" + file.s_filename);
        } else if (file.s_kind == 2) {
            file.CreateScripts(bytes);
        }
        s_filedata.push_back(std::move(bytes));
    }
    return true;
}

CExtensionFunction* CExtensionPackage::FunctionFindName(const std::string& name) {
    for (auto& file : s_includes)
        if (CExtensionFunction* f = file.FunctionFindName(name)) return f;
    return nullptr;
}

CExtensionFunction* CExtensionPackage::FunctionFindId(int id) {
    for (auto& file : s_includes)
        if (CExtensionFunction* f = file.FunctionFindId(id)) return f;
    return nullptr;
}

bool Extension_Load(CStream& str, const std::function<void(const std::string&)>& message) {
    g_packages.clear();
    if (str.ReadInteger() != 700) return false;
    int32_t count = str.ReadInteger();
    if (count < 0) count = 0;
    for (int32_t i = 0; i < count; i++) {
        auto p = std::make_unique<CExtensionPackage>();
        CExtensionPackage* pkg = p.get();
        g_packages.push_back(std::move(p));
        if (!pkg->LoadFromExeStream(str)) {
            message("Error in loading extension packages.");
            return false;
        }
    }
    return true;
}

void Extension_Clear() {
    g_packages.clear();
}
int Extension_Count() {
    return int(g_packages.size());
}
CExtensionPackage* Extension_Get(int index) {
    return index >= 0 && index < Extension_Count() ? g_packages[size_t(index)].get() : nullptr;
}
