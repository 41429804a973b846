// Sound resources: the record and loading from a file.
#include "resources/Sound_Class.h"

#include "sound/Sound_Engine.h"
#include "support/Support_File.h"
#include "support/Support_Stream.h"

#include <vector>

namespace {
constexpr int kSoundVersion = 800;
// A sound file larger than this is not read (longer than any sound that can be played).
constexpr int64_t kMaxSoundFileBytes = int64_t(512) << 20;

// The whole regular file; false for anything else (a folder, a pipe or device, which could stall
// the game) and for files too large to be a sound.
bool ReadSoundFile(const std::string& path, std::vector<uint8_t>& out) {
    return ReadRegularFile(path, kMaxSoundFileBytes, out) == EFileRead::Ok;
}
} // namespace

CSound::CSound() = default;
CSound::~CSound() {
    if (s_soundid >= 0) SoundSlot_Free(s_soundid);
}

void CSound::Clear() {
    if (s_soundid >= 0) SoundSlot_Free(s_soundid);
    s_kind = -1;
    s_extension.clear();
    s_origname.clear();
    s_sound.reset();
    s_preload = true;
    s_effects = 0;
    s_volume = 1;
    s_pan = 0;
    s_soundid = -1;
    s_fname.clear();
}

bool CSound::LoadFromStream(CStream& str) {
    Clear();
    if (str.ReadInteger() != kSoundVersion) return false;
    s_kind = str.ReadInteger();
    s_extension = str.ReadString();
    s_origname = str.ReadString();
    if (str.ReadBoolean()) s_sound = str.ReadStream();
    s_effects = str.ReadInteger();
    s_volume = str.ReadReal();
    s_pan = str.ReadReal();
    s_preload = str.ReadBoolean();
    return true;
}

void CSound::SaveToStream(CStream& str) const {
    str.WriteInteger(kSoundVersion);
    str.WriteInteger(s_kind);
    str.WriteString(s_extension);
    str.WriteString(s_origname);
    str.WriteBoolean(s_sound != nullptr);
    if (s_sound) str.WriteStream(*s_sound);
    str.WriteInteger(s_effects);
    str.WriteReal(s_volume);
    str.WriteReal(s_pan);
    str.WriteBoolean(s_preload);
}

bool CSound::LoadFromFile(const std::string& fname, int kind, bool preload) {
    std::vector<uint8_t> data;
    if (!ReadSoundFile(fname, data)) return false;
    auto bytes = std::make_unique<CStream>(std::move(data));
    Clear();
    s_kind = kind;
    s_preload = preload;
    size_t slash = fname.find_last_of('/');
    s_origname = slash == std::string::npos ? fname : fname.substr(slash + 1);
    size_t dot = s_origname.rfind('.');
    s_extension = dot == std::string::npos ? std::string() : s_origname.substr(dot);
    s_sound = std::move(bytes);
    return true;
}
