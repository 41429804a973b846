// CSound: a sound or music file carried in the game data, with its kind, effects, volume, pan
// and preload flag. Playback slots come with the sound system; here are the data and its record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CStream;

class CSound {
  public:
    int32_t s_kind = -1;     // 0 normal, 1 background music, 2 3D, 3 multimedia file
    std::string s_extension; // with the dot
    std::string s_origname;
    std::unique_ptr<CStream> s_sound; // the file's bytes; null when none
    bool s_preload = true;
    int32_t s_effects = 0;
    double s_volume = 1;
    double s_pan = 0;
    int32_t s_soundid = -1;
    std::string s_fname; // temporary file of a multimedia sound

    CSound();
    ~CSound();
    CSound(const CSound&) = delete;
    CSound& operator=(const CSound&) = delete;

    void Clear();
    // The sound record: version 800, kind, extension, original name, the file bytes when present,
    // effects, volume, pan, preload. False on a wrong version; raises EStreamReadError on short data.
    bool LoadFromStream(CStream& str);
    void SaveToStream(CStream& str) const;
    // Takes the bytes of a sound file; its extension and name are kept. False (the sound left as it
    // was) when it is not a regular file that can be read, or larger than 512 MiB.
    bool LoadFromFile(const std::string& fname, int kind, bool preload);
};
