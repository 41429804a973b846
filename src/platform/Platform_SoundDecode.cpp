// Decoding sound files from memory: libsndfile for sampled sound, FluidSynth for standard MIDI.
#include "platform/Platform_App.h"
#include "platform/Platform_Sound.h"

#include <fluidsynth.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

// Longest decoded sound: 30 minutes of 48 kHz stereo. Longer data is refused, not truncated.
constexpr size_t kMaxSamples = size_t(30) * 60 * 48000 * 2;
// A MIDI file renders until its player stops, at most this long, plus a release tail.
constexpr int kMidiRate = 44100;
constexpr int kMidiMaxSeconds = 20 * 60;
constexpr int kMidiTailFrames = kMidiRate;

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

bool DecodeMidi(const uint8_t* data, size_t size, double tempo, RSoundPcm& out, std::string& why) {
    tempo = std::isnan(tempo) ? 1 : std::clamp(tempo, 0.01, 100.0);
    const std::string font = Platform_SoundFontPath();
    if (font.empty()) {
        why = "no General MIDI soundfont (set QUARVEL_SOUNDFONT)";
        return false;
    }
    for (int level = FLUID_PANIC; level <= FLUID_DBG; level++)
        fluid_set_log_function(level, level <= FLUID_WARN ? MidiLog : nullptr, nullptr);
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", kMidiRate);
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    fluid_synth_t* synth = new_fluid_synth(settings);
    fluid_player_t* player = nullptr;
    bool ok = false;
    if (!synth || fluid_synth_sfload(synth, font.c_str(), 1) == FLUID_FAILED) {
        why = "cannot load the soundfont " + font;
    } else if (!(player = new_fluid_player(synth)) || fluid_player_add_mem(player, data, size) != FLUID_OK ||
               fluid_player_set_tempo(player, FLUID_PLAYER_TEMPO_INTERNAL, tempo) != FLUID_OK ||
               fluid_player_play(player) != FLUID_OK) {
        why = "broken MIDI data";
    } else {
        out = RSoundPcm{};
        out.rate = kMidiRate;
        out.channels = 2;
        const int block = 1024;
        std::vector<float> buf(size_t(block) * 2);
        size_t frames = 0, lastPlaying = 0;
        while (frames < size_t(kMidiMaxSeconds) * kMidiRate) {
            bool playing = fluid_player_get_status(player) == FLUID_PLAYER_PLAYING;
            if (playing)
                lastPlaying = frames;
            else if (frames >= lastPlaying + kMidiTailFrames)
                break;
            // Floats rounded here, without the dither of the synth's own 16-bit output, so a
            // song with no notes stays exactly silent.
            fluid_synth_write_float(synth, block, buf.data(), 0, 2, buf.data(), 1, 2);
            for (float v : buf)
                out.samples.push_back(int16_t(std::lround(std::clamp(double(v) * 32767, -32768.0, 32767.0))));
            frames += block;
        }
        bool audible = std::any_of(out.samples.begin(), out.samples.end(), [](int16_t s) { return s != 0; });
        if (!audible) {
            why = "MIDI data plays no notes";
            out.samples.clear();
        }
        ok = audible;
    }
    if (player) {
        fluid_player_stop(player);
        delete_fluid_player(player);
    }
    if (synth) delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return ok;
}

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

bool Platform_DecodeSound(const uint8_t* data, size_t size, RSoundPcm& out, std::string& why,
                          double midiTempo) {
    out = RSoundPcm{};
    if (!data || size == 0) {
        why = "no sound data";
        return false;
    }
    if (Platform_IsMidi(data, size)) return DecodeMidi(data, size, midiTempo, out, why);
    return DecodeSampled(data, size, out, why);
}

bool Platform_IsMidi(const uint8_t* data, size_t size) {
    return data && size >= 4 && std::memcmp(data, "MThd", 4) == 0;
}
