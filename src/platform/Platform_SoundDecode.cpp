// Sound data from memory: libsndfile decodes sampled sound, FluidSynth synthesises standard MIDI.
#include "platform/Platform_App.h"
#include "platform/Platform_Sound.h"

#include <fluidsynth.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <sys/stat.h>

namespace {

// Longest decoded sound: 30 minutes of 48 kHz stereo. Longer data is refused, not truncated.
constexpr size_t kMaxSamples = size_t(30) * 60 * 48000 * 2;
// A MIDI song ends with this much release after its player stops.
constexpr int kMidiTailFrames = kStreamRate;

struct MemFile {
    const uint8_t* data;
    sf_count_t size;
    sf_count_t pos;
};

sf_count_t MemLength(void* u) {
    return static_cast<MemFile*>(u)->size;
}
sf_count_t MemSeek(sf_count_t off, int whence, void* u) {
    auto* m = static_cast<MemFile*>(u);
    sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->pos : m->size;
    sf_count_t to = base + off;
    if (to < 0 || to > m->size) return -1;
    m->pos = to;
    return m->pos;
}
sf_count_t MemRead(void* dst, sf_count_t n, void* u) {
    auto* m = static_cast<MemFile*>(u);
    sf_count_t k = std::clamp<sf_count_t>(m->size - m->pos, 0, n);
    if (k > 0) std::memcpy(dst, m->data + m->pos, size_t(k));
    m->pos += k;
    return k;
}
sf_count_t MemWrite(const void*, sf_count_t, void*) {
    return 0;
}
sf_count_t MemTell(void* u) {
    return static_cast<MemFile*>(u)->pos;
}

bool DecodeSampled(const uint8_t* data, size_t size, RSoundPcm& out, std::string& why) {
    SF_VIRTUAL_IO io = {MemLength, MemSeek, MemRead, MemWrite, MemTell};
    MemFile mem = {data, sf_count_t(size), 0};
    SF_INFO info{};
    SNDFILE* sf = sf_open_virtual(&io, SFM_READ, &info, &mem);
    if (!sf) {
        why = "unknown or corrupt sound data";
        return false;
    }
    if (info.channels < 1 || info.channels > 64 || info.samplerate < 1 || info.samplerate > 768000) {
        sf_close(sf);
        why = "unsupported channel count or sample rate";
        return false;
    }
    sf_command(sf, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
    const int ch = info.channels;
    const int outCh = std::min(ch, 2);
    out = RSoundPcm{};
    out.rate = info.samplerate;
    out.channels = outCh;
    std::vector<int16_t> block(size_t(4096) * size_t(ch));
    for (;;) {
        sf_count_t got = sf_readf_short(sf, block.data(), 4096);
        if (got <= 0) break;
        if (out.samples.size() + size_t(got) * size_t(outCh) > kMaxSamples) {
            sf_close(sf);
            out.samples.clear();
            why = "sound longer than 30 minutes";
            return false;
        }
        for (sf_count_t f = 0; f < got; f++) {
            const int16_t* in = &block[size_t(f) * size_t(ch)];
            if (ch <= 2) {
                out.samples.insert(out.samples.end(), in, in + ch);
                continue;
            }
            // More channels: the front pair, with the others mixed in at half level.
            int l = in[0], r = in[1];
            for (int c = 2; c < ch; c++) {
                l += in[c] / 2;
                r += in[c] / 2;
            }
            out.samples.push_back(int16_t(std::clamp(l, -32768, 32767)));
            out.samples.push_back(int16_t(std::clamp(r, -32768, 32767)));
        }
    }
    sf_close(sf);
    if (out.Frames() == 0) {
        why = "sound data holds no samples";
        return false;
    }
    return true;
}

void MidiLog(int level, const char* message, void*) {
    if (level <= FLUID_WARN) Platform_Trace(std::string("MIDI: ") + message);
}

// Reads a variable-length quantity; false when it runs past the end or past four bytes.
bool ReadVarLen(const uint8_t* p, size_t end, size_t& at, uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; i++) {
        if (at >= end) return false;
        const uint8_t b = p[at++];
        value = (value << 7) | (b & 0x7F);
        if (!(b & 0x80)) return true;
    }
    return false;
}

// Walks every track of a standard MIDI file. False with the reason when a chunk runs past the end
// of the data, an event is malformed, no track is found or no note is ever struck.
bool CheckMidi(const uint8_t* p, size_t size, std::string& why) {
    auto be32 = [&](size_t at) {
        return uint32_t(p[at]) << 24 | uint32_t(p[at + 1]) << 16 | uint32_t(p[at + 2]) << 8 | p[at + 3];
    };
    why = "broken MIDI data";
    if (!Platform_IsMidi(p, size) || size < 14 || be32(4) < 6 || be32(4) > size - 8) return false;
    if ((p[12] << 8 | p[13]) == 0) return false; // no time division
    int tracks = 0;
    bool notes = false;
    for (size_t at = 8 + be32(4); at + 8 <= size;) {
        const uint32_t len = be32(at + 4);
        if (len > size - at - 8) return false; // a chunk cut short
        const size_t end = at + 8 + len;
        if (std::memcmp(p + at, "MTrk", 4) == 0) {
            tracks++;
            uint8_t running = 0; // the last channel status, for events that leave theirs out
            for (size_t i = at + 8; i < end;) {
                uint32_t delta = 0, n = 0;
                if (!ReadVarLen(p, end, i, delta) || i >= end) return false;
                uint8_t status = running;
                if (p[i] & 0x80) {
                    status = p[i++];
                    if (status < 0xF0) running = status;
                }
                if (status == 0xFF) { // meta event: type, length, data
                    if (i >= end) return false;
                    i++;
                    if (!ReadVarLen(p, end, i, n) || n > end - i) return false;
                    i += n;
                } else if (status == 0xF0 || status == 0xF7) {
                    if (!ReadVarLen(p, end, i, n) || n > end - i) return false;
                    i += n;
                } else if (status >= 0x80 && status < 0xF0) {
                    const size_t data = (status & 0xE0) == 0xC0 ? 1 : 2;
                    if (data > end - i) return false;
                    if ((status & 0xF0) == 0x90 && p[i + 1] > 0) notes = true;
                    i += data;
                } else {
                    return false; // data without a status, or a status that is not for files
                }
            }
        }
        at = end;
    }
    if (tracks == 0) {
        why = "MIDI data has no tracks";
        return false;
    }
    if (!notes) {
        why = "MIDI data plays no notes";
        return false;
    }
    return true;
}

// The soundfont is loaded once per process, into a synthesiser that never plays, and lent to every
// song's synthesiser through a loader that hands out a stand-in forwarding to it: loading it for
// each song would cost 50 ms and 8 MB each. Songs only read its presets and samples, and all
// songs of a device are rendered on one thread.
struct RSharedFont {
    std::string path;
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* owner = nullptr;
    fluid_sfont_t* font = nullptr;
};

// Null when the file is no soundfont (remembered: it is not read again).
fluid_sfont_t* SharedFont(const std::string& path) {
    static std::mutex lock;
    static auto* shared = new std::map<std::string, RSharedFont>; // kept to the end of the process
    std::lock_guard<std::mutex> hold(lock);
    auto found = shared->find(path);
    if (found != shared->end()) return found->second.font;
    RSharedFont& s = (*shared)[path];
    s.path = path;
    s.settings = new_fluid_settings();
    fluid_settings_setnum(s.settings, "synth.sample-rate", kStreamRate);
    fluid_settings_setint(s.settings, "synth.lock-memory", 0);
    s.owner = new_fluid_synth(s.settings);
    if (s.owner) {
        const int id = fluid_synth_sfload(s.owner, path.c_str(), 1);
        if (id != FLUID_FAILED) s.font = fluid_synth_get_sfont_by_id(s.owner, id);
    }
    return s.font;
}

fluid_sfont_t* Lent(fluid_sfont_t* sfont) {
    return static_cast<fluid_sfont_t*>(fluid_sfont_get_data(sfont));
}
const char* LentName(fluid_sfont_t* sfont) {
    return fluid_sfont_get_name(Lent(sfont));
}
fluid_preset_t* LentPreset(fluid_sfont_t* sfont, int bank, int program) {
    return fluid_sfont_get_preset(Lent(sfont), bank, program);
}
void LentStart(fluid_sfont_t* sfont) {
    fluid_sfont_iteration_start(Lent(sfont));
}
fluid_preset_t* LentNext(fluid_sfont_t* sfont) {
    return fluid_sfont_iteration_next(Lent(sfont));
}
// The stand-in for the shared soundfont; freeing it leaves the shared one alone.
fluid_sfont_t* LendFont(fluid_sfloader_t* loader, const char*) {
    fluid_sfont_t* font = static_cast<fluid_sfont_t*>(fluid_sfloader_get_data(loader));
    fluid_sfont_t* standIn = new_fluid_sfont(LentName, LentPreset, LentStart, LentNext, delete_fluid_sfont);
    if (standIn) fluid_sfont_set_data(standIn, font);
    return standIn;
}

} // namespace

struct CMidiSynth::Impl {
    std::vector<uint8_t> data;
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_player_t* player = nullptr;
    double tempo = 1;
    bool loop = false;
    bool songDone = false;
    size_t release = 0; // frames rendered since the song ended

    ~Impl() {
        DropPlayer();
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
    void DropPlayer() {
        if (!player) return;
        fluid_player_stop(player);
        delete_fluid_player(player);
        player = nullptr;
    }
    // A new player from the start of the song (the file is parsed again, which is quick).
    bool StartPlayer() {
        DropPlayer();
        songDone = false;
        release = 0;
        player = new_fluid_player(synth);
        if (!player) return false;
        if (fluid_player_add_mem(player, data.data(), data.size()) != FLUID_OK ||
            fluid_player_set_loop(player, loop ? -1 : 1) != FLUID_OK ||
            fluid_player_set_tempo(player, FLUID_PLAYER_TEMPO_INTERNAL, tempo) != FLUID_OK ||
            fluid_player_play(player) != FLUID_OK) {
            DropPlayer();
            return false;
        }
        return true;
    }
};

CMidiSynth::CMidiSynth() : m_impl(std::make_unique<Impl>()) {}
CMidiSynth::~CMidiSynth() = default;

std::unique_ptr<CMidiSynth> CMidiSynth::Open(const uint8_t* data, size_t size, std::string& why) {
    if (!CheckMidi(data, size, why)) return nullptr;
    const std::string font = Platform_SoundFontPath();
    if (font.empty()) {
        why = "no General MIDI soundfont (set QUARVEL_SOUNDFONT)";
        return nullptr;
    }
    for (int level = FLUID_PANIC; level <= FLUID_DBG; level++)
        fluid_set_log_function(level, level <= FLUID_WARN ? MidiLog : nullptr, nullptr);
    std::unique_ptr<CMidiSynth> m(new CMidiSynth);
    Impl& s = *m->m_impl;
    s.data.assign(data, data + size);
    s.settings = new_fluid_settings();
    fluid_settings_setnum(s.settings, "synth.sample-rate", kStreamRate);
    fluid_settings_setstr(s.settings, "player.timing-source", "sample");
    fluid_settings_setint(s.settings, "synth.lock-memory", 0);
    fluid_sfont_t* shared = SharedFont(font);
    s.synth = shared ? new_fluid_synth(s.settings) : nullptr;
    fluid_sfloader_t* loader = s.synth ? new_fluid_sfloader(LendFont, delete_fluid_sfloader) : nullptr;
    if (loader) {
        fluid_sfloader_set_data(loader, shared);
        fluid_synth_add_sfloader(s.synth, loader); // owned by the synthesiser, tried first
    }
    if (!loader || fluid_synth_sfload(s.synth, font.c_str(), 1) == FLUID_FAILED) {
        why = "cannot load the soundfont " + font;
        return nullptr;
    }
    if (!s.StartPlayer()) {
        why = "broken MIDI data";
        return nullptr;
    }
    return m;
}

void CMidiSynth::Restart(bool loop) {
    Impl& s = *m_impl;
    s.loop = loop;
    fluid_synth_system_reset(s.synth);
    s.StartPlayer();
}

void CMidiSynth::SetTempo(double factor) {
    Impl& s = *m_impl;
    s.tempo = std::isnan(factor) ? 1 : std::clamp(factor, 0.01, 100.0);
    if (s.player) fluid_player_set_tempo(s.player, FLUID_PLAYER_TEMPO_INTERNAL, s.tempo);
}

size_t CMidiSynth::Render(float* left, float* right, size_t n) {
    Impl& s = *m_impl;
    size_t at = 0;
    while (at < n) {
        // The song ends with its last event (the player itself stops only seconds later, when
        // every voice has died away); a looping song starts again at once in the player.
        if (!s.songDone && !s.loop) {
            const int total = s.player ? fluid_player_get_total_ticks(s.player) : 0;
            s.songDone = !s.player || fluid_player_get_status(s.player) != FLUID_PLAYER_PLAYING ||
                         (total > 0 && fluid_player_get_current_tick(s.player) >= total);
        }
        size_t k = n - at;
        if (s.songDone) {
            if (s.release >= size_t(kMidiTailFrames)) break;
            k = std::min(k, size_t(kMidiTailFrames) - s.release);
            s.release += k;
        } else {
            k = std::min<size_t>(k, 64); // the player's own step: its end is found within it
        }
        fluid_synth_write_float(s.synth, int(k), left + at, 0, 1, right + at, 0, 1);
        at += k;
    }
    return at;
}

namespace {

bool FileExists(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::string Platform_SoundFontPath() {
    const char* env = std::getenv("QUARVEL_SOUNDFONT");
    if (env && *env) return FileExists(env) ? env : "";
    for (const char* p : {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2"})
        if (FileExists(p)) return p;
    return "";
}

bool Platform_DecodeSound(const uint8_t* data, size_t size, RSoundPcm& out, std::string& why) {
    out = RSoundPcm{};
    if (!data || size == 0) {
        why = "no sound data";
        return false;
    }
    if (Platform_IsMidi(data, size)) {
        why = "MIDI data is synthesised, not decoded";
        return false;
    }
    return DecodeSampled(data, size, out, why);
}

bool Platform_IsMidi(const uint8_t* data, size_t size) {
    return data && size >= 4 && std::memcmp(data, "MThd", 4) == 0;
}
