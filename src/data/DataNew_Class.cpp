// The chunk table and the loaded game data.
#include "data/DataNew_Class.h"

#include "code/Code_Error.h"
#include "data/Option_Main.h"
#include "support/Support_File.h"
#include "support/Support_Stream.h"

#include <filesystem>
#include <fstream>

const ChunkInfo g_chunkInfo[kChunkCount] = {
#define QV_CHUNK_INFO(id, progress, text, version) {#id, progress, text, version},
    QV_RESOURCE_CHUNKS(QV_CHUNK_INFO)
#undef QV_CHUNK_INFO
};

CGameData g_game;

void CGameData::Clear() {
    *this = CGameData();
}

// ---- included files

namespace {

// Game data names folders with '\'; here they are '/'.
std::string LocalName(std::string name) {
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

bool HasFolder(const std::string& name) {
    return name.find('\\') != std::string::npos || name.find('/') != std::string::npos;
}

// A name that climbs out of the folder it is placed in ("..", or absolute): refused for the temp
// directory and the chosen folder, so game data cannot write elsewhere through them.
bool LeavesFolder(const std::string& name) {
    std::string n = LocalName(name);
    if (!n.empty() && n[0] == '/') return true;
    size_t at = 0;
    while (at <= n.size()) {
        size_t end = n.find('/', at);
        if (end == std::string::npos) end = n.size();
        if (n.compare(at, end - at, "..") == 0 && end - at == 2) return true;
        at = end + 1;
    }
    return false;
}

std::string TargetPath(const CDataFile& f) {
    switch (f.s_exportaction) {
    case 1:
        return LeavesFolder(f.s_filename) ? "" : GetTempDirectory() + "/" + LocalName(f.s_filename);
    case 2:
        return LocalName(f.s_filename);
    case 3:
        return LeavesFolder(f.s_filename) ? "" : LocalName(f.s_exportdir) + "/" + LocalName(f.s_filename);
    default:
        return "";
    }
}

} // namespace

bool CDataFile::LoadFromStream(CStream& str) {
    if (str.ReadInteger() != 800) return false;
    s_filename = str.ReadString();
    s_origname = str.ReadString();
    s_exists = str.ReadBoolean();
    s_size = str.ReadInteger();
    s_store = str.ReadBoolean();
    s_data.clear();
    if (s_exists && s_store) s_data = str.ReadStream()->Bytes();
    s_exportaction = str.ReadInteger();
    s_exportdir = str.ReadString();
    s_overwrite = str.ReadBoolean();
    s_freedata = str.ReadBoolean();
    s_removeend = str.ReadBoolean();
    return true;
}

bool CDataFile::ExportIt(const std::string& path) {
    if (!s_exists || path.empty()) return false;
    std::error_code ec;
    if (!s_overwrite && std::filesystem::exists(path, ec)) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(s_data.data()), std::streamsize(s_data.size()));
    return bool(out.flush());
}

bool CDataFile::Prepare() {
    if (!s_exists) return false;
    if (s_exportaction == 0) return true;
    bool result = false;
    if (opt_secure && HasFolder(s_filename)) {
        Error_ShowInEvent("In secure mode you cannot export a data file to " + s_filename, false);
        return false;
    }
    if (s_exportaction == 3 && opt_secure) {
        Error_ShowInEvent("In secure mode you cannot export a data file to an indicated directory.", false);
        return false;
    }
    if (s_exportaction == 3) {
        std::error_code ec;
        std::filesystem::create_directories(LocalName(s_exportdir), ec);
    }
    result = ExportIt(TargetPath(*this));
    if (s_freedata) Discard();
    return result;
}

void CDataFile::Discard() {
    if (!s_exists) return;
    s_exists = false;
    s_data.clear();
    s_data.shrink_to_fit();
}

bool CDataFile::Remove() {
    if (!s_removeend) return true;
    if (opt_secure && HasFolder(s_filename)) return false;
    if (s_exportaction == 0) return true;
    if (s_exportaction == 3 && opt_secure) return false;
    std::string path = TargetPath(*this);
    std::error_code ec;
    return !path.empty() && std::filesystem::remove(path, ec);
}
