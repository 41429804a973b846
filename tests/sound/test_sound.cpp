// The sound engine judged on what it captures: a loopback mix written as a WAV file whose timeline
// follows the steps. Games' sound functions are called through the function registry, the step
// end the main loop makes is called directly.
#include "Pack_Writer.h"
#include "TestRun.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "data/Option_Main.h"
#include "functions/Function_Families.h"
#include "platform/Platform_App.h"
#include "platform/Platform_Sound.h"
#include "resources/Sound_Class.h"
#include "sound/Sound_Engine.h"
#include "sound/Sound_Main.h"
#include "support/Support_Stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <initializer_list>

#include <sys/stat.h>

namespace {

// A real device opened by these tests is OpenAL Soft's null output (mixing in real time, heard
// nowhere), whatever sound card the machine has. Set before OpenAL Soft reads its configuration.
const bool kNullOutput = [] { return ::setenv("ALSOFT_DRIVERS", "null", 1) == 0; }();

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 44100;

// A mono 16-bit WAV: a sine of freq Hz at amplitude amp for toneSeconds, then silence.
std::vector<uint8_t> ToneWav(double freq, double amp, double seconds, double toneSeconds = -1,
                             int channels = 1) {
    if (toneSeconds < 0) toneSeconds = seconds;
    const int frames = int(seconds * kRate);
    std::vector<int16_t> pcm;
    for (int i = 0; i < frames; i++) {
        double v = i < toneSeconds * kRate ? amp * std::sin(2 * kPi * freq * i / kRate) : 0;
        for (int c = 0; c < channels; c++) pcm.push_back(int16_t(std::lround(v)));
    }
    CStream s;
    auto u32 = [&](uint32_t v) { s.Write(&v, 4); };
    auto u16 = [&](uint16_t v) { s.Write(&v, 2); };
    const uint32_t bytes = uint32_t(pcm.size() * 2);
    s.Write("RIFF", 4);
    u32(36 + bytes);
    s.Write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(uint16_t(channels));
    u32(kRate);
    u32(kRate * 2 * channels);
    u16(uint16_t(2 * channels));
    u16(16);
    s.Write("data", 4);
    u32(bytes);
    s.Write(pcm.data(), bytes);
    return s.Bytes();
}

// A format-0 MIDI file with one track: middle C on the piano for half a second.
std::vector<uint8_t> NoteMidi() {
    const uint8_t track[] = {0x00, 0xC0, 0x00, 0x00, 0x90, 0x3C, 0x64, 0x83,
                             0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00}; // 480 ticks at 120 bpm, 480 tpq
    std::vector<uint8_t> m = {'M', 'T',  'h',  'd', 0,   0,   0,   6, 0, 0, 0,
                              1,   0x01, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 0, uint8_t(sizeof track)};
    m.insert(m.end(), track, track + sizeof track);
    return m;
}

// A format-0 MIDI file: a side-stick click on the drum channel at every beat (480 ticks, half a
// second at the file's 120 bpm), the song ending a beat after the last click.
std::vector<uint8_t> BeatMidi(int beats) {
    std::vector<uint8_t> track;
    for (int i = 0; i < beats; i++) {
        const uint8_t gap[] = {0x83, 0x24}; // 420 ticks
        if (i > 0)
            track.insert(track.end(), gap, gap + 2);
        else
            track.push_back(0);
        track.insert(track.end(), {0x99, 37, 110, 0x3C, 0x89, 37, 0}); // on, 60 ticks, off
    }
    track.insert(track.end(), {0x83, 0x24, 0xFF, 0x2F, 0x00});
    const uint32_t n = uint32_t(track.size());
    std::vector<uint8_t> m = {'M',
                              'T',
                              'h',
                              'd',
                              0,
                              0,
                              0,
                              6,
                              0,
                              0,
                              0,
                              1,
                              0x01,
                              0xE0,
                              'M',
                              'T',
                              'r',
                              'k',
                              uint8_t(n >> 24),
                              uint8_t(n >> 16),
                              uint8_t(n >> 8),
                              uint8_t(n)};
    m.insert(m.end(), track.begin(), track.end());
    return m;
}

struct Wav {
    std::vector<int16_t> s; // interleaved stereo
    size_t Frames() const { return s.size() / 2; }
    // RMS of one channel (0 left, 1 right) over frames [a, b).
    double Rms(int ch, size_t a, size_t b) const {
        double sum = 0;
        b = std::min(b, Frames());
        for (size_t i = a; i < b; i++) sum += double(s[2 * i + ch]) * s[2 * i + ch];
        return b > a ? std::sqrt(sum / double(b - a)) : 0;
    }
    // Amplitude of the freq component of one channel over [a, b) (Goertzel).
    double Tone(int ch, size_t a, size_t b, double freq) const {
        b = std::min(b, Frames());
        const double w = 2 * kPi * freq / kRate;
        double re = 0, im = 0;
        for (size_t i = a; i < b; i++) {
            re += s[2 * i + ch] * std::cos(w * double(i));
            im += s[2 * i + ch] * std::sin(w * double(i));
        }
        return b > a ? 2 * std::hypot(re, im) / double(b - a) : 0;
    }
    // Seconds at which a sound starts within [a, b): a 4 ms window above the floor and far louder
    // than the 20 ms before.
    std::vector<double> Onsets(size_t a, size_t b, double floor) const {
        const size_t win = kRate / 250;
        std::vector<double> level, at;
        for (size_t f = a; f + win <= std::min(b, Frames()); f += win)
            level.push_back(Rms(0, f, f + win) + Rms(1, f, f + win));
        for (size_t k = 0; k < level.size(); k++) {
            double before = 0;
            for (size_t j = k >= 5 ? k - 5 : 0; j < k; j++) before = std::max(before, level[j]);
            if (level[k] > floor && level[k] > 8 * before) at.push_back(double(a + k * win) / kRate);
        }
        return at;
    }
    bool Silent(size_t a, size_t b) const {
        for (size_t i = 2 * a; i < std::min(2 * b, s.size()); i++)
            if (s[i] != 0) return false;
        return true;
    }
};

// Reads a capture file, checking the header is the canonical one for its length.
Wav ReadCapture(const std::string& path) {
    CStream f;
    EXPECT_TRUE(f.LoadFromFile(path));
    Wav w;
    if (f.Size() < 44) {
        ADD_FAILURE() << "no header";
        return w;
    }
    auto u32 = [&](size_t at) {
        uint32_t v;
        std::memcpy(&v, f.Data() + at, 4);
        return v;
    };
    auto u16 = [&](size_t at) {
        uint16_t v;
        std::memcpy(&v, f.Data() + at, 2);
        return v;
    };
    EXPECT_EQ(std::memcmp(f.Data(), "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(f.Data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(u16(20), 1);
    EXPECT_EQ(u16(22), 2);
    EXPECT_EQ(u32(24), uint32_t(kRate));
    EXPECT_EQ(u16(34), 16);
    EXPECT_EQ(u32(40), f.Size() - 44);
    EXPECT_EQ(u32(4), f.Size() - 8);
    w.s.resize((f.Size() - 44) / 2);
    if (!w.s.empty()) std::memcpy(w.s.data(), f.Data() + 44, w.s.size() * 2);
    return w;
}

RValue CallWith(const char* name, std::vector<RValue> args) {
    int id = -1;
    EXPECT_TRUE(Function_Find(name, id)) << name;
    RValue result = RValue::Real(0);
    Function_Call(id, nullptr, nullptr, int(args.size()), result, args.data());
    return result;
}

RValue Call(const char* name, std::initializer_list<double> argList) {
    std::vector<RValue> args;
    for (double a : argList) args.push_back(RValue::Real(a));
    return CallWith(name, args);
}

// Frames at the end of step k of a constant speed.
size_t StepFrame(int k, int speed = 30) {
    return size_t(std::llround(double(kRate) * k / speed));
}

class SoundCapture : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("QUARVEL_HEADLESS", "1", 1);
        ::unsetenv("QUARVEL_AUDIO_FILE");
        Option_SetDefaults();
        Error_Reset();
        Function_ClearAll();
        Function_RegisterAll();
        Sound_ClearAll();
        auto dev = Platform_OpenCaptureDevice(m_dir / "out.wav");
        ASSERT_TRUE(dev);
        Sound_UseDevice(std::move(dev));
        // Master at 0 dB so levels are the slots' own (the default boosts by 10 dB).
        Call("sound_global_volume", {10.0 / 11.0});
    }
    void TearDown() override {
        Sound_GameEnd();
        Sound_ClearAll();
        Function_ClearAll();
        Error_Reset();
    }
    // Adds a sound from bytes; preloaded sounds get their slot at once, as the prepare step does.
    int Add(const std::vector<uint8_t>& bytes, int kind, const char* ext = ".wav") {
        std::string path = m_dir / ("s" + std::to_string(m_files++) + ext);
        CStream(bytes).SaveToFile(path);
        int id = Sound_Add(path, kind, true);
        EXPECT_GE(id, 0);
        if (id >= 0) Sound_Restore(*Sound_Get(id));
        return id;
    }
    void Steps(int n, double speed = 30) {
        for (int i = 0; i < n; i++) Sound_StepEnd(speed);
    }
    Wav Finish() {
        Sound_GameEnd();
        return ReadCapture(m_dir / "out.wav");
    }
    TempDir m_dir;
    int m_files = 0;
};

TEST_F(SoundCapture, TimelineFollowsStepsWithoutDrift) {
    Steps(7, 30);
    EXPECT_EQ(Sound_Device()->RenderedFrames(), 10290);
    Steps(33, 40); // 1102.5 frames a step: halves round up, never accumulate
    EXPECT_EQ(Sound_Device()->RenderedFrames(), 10290 + 36383);
    Steps(1000, 60);
    EXPECT_EQ(Sound_Device()->RenderedFrames(), 10290 + 36383 + 735000);
    Steps(3, std::nan("")); // a broken speed counts as one step a second
    EXPECT_EQ(Sound_Device()->RenderedFrames(), 10290 + 36383 + 735000 + 3 * 44100);
    Wav w = Finish();
    EXPECT_EQ(w.Frames(), size_t(10290 + 36383 + 735000 + 3 * 44100));
    EXPECT_TRUE(w.Silent(0, w.Frames()));
}

TEST_F(SoundCapture, PlayStartsInItsStepAndStopEndsIt) {
    int snd = Add(ToneWav(1000, 8000, 2), 0);
    Steps(5);
    Call("sound_play", {double(snd)});
    EXPECT_EQ(Call("sound_isplaying", {double(snd)}).val, 1);
    Steps(10);
    Call("sound_stop", {double(snd)});
    EXPECT_EQ(Call("sound_isplaying", {double(snd)}).val, 0);
    Steps(5);
    Wav w = Finish();
    ASSERT_EQ(w.Frames(), StepFrame(20));
    EXPECT_TRUE(w.Silent(0, StepFrame(5)));
    // Centre pan: each side at cos(pi/4) of the recording.
    const double side = 8000 * std::sqrt(0.5);
    EXPECT_NEAR(w.Tone(0, StepFrame(6), StepFrame(15), 1000), side, side * 0.05);
    EXPECT_NEAR(w.Tone(1, StepFrame(6), StepFrame(15), 1000), side, side * 0.05);
    EXPECT_LT(w.Tone(0, StepFrame(6), StepFrame(15), 1300), side * 0.02); // a clean tone
    EXPECT_LT(w.Rms(0, StepFrame(16), StepFrame(20)), 1);
}

TEST_F(SoundCapture, VolumeIsInHundredthsOfADecibel) {
    struct Case {
        double value;
        int mb;
    } cases[] = {{1, 0}, {0.9, -960}, {0.75, -2400}, {0.5, -4800}, {2, 0}, {-1, -9600}};
    int snd = Add(ToneWav(1000, 16000, 60), 0);
    Call("sound_loop", {double(snd)});
    int step = 0;
    for (const Case& c : cases) {
        Call("sound_volume", {double(snd), c.value});
        EXPECT_EQ(Sound_SlotVolume(snd), c.mb) << c.value;
        Steps(6);
        step += 6;
    }
    Wav w = Finish();
    step = 0;
    const double full = 16000 * std::sqrt(0.5);
    for (const Case& c : cases) {
        const double want = full * std::pow(10.0, c.mb / 2000.0);
        EXPECT_NEAR(w.Tone(0, StepFrame(step + 1), StepFrame(step + 6), 1000), want, want * 0.05 + 0.5)
            << c.value;
        step += 6;
    }
}

TEST_F(SoundCapture, GlobalVolumeFormulaAndLevel) {
    struct Case {
        double value;
        int mb;
    } cases[] = {{1, 1000}, {0, -10000}, {0.5, -4500}, {10.0 / 11.0, 0}, {5, 1000}, {-3, -10000}};
    for (const Case& c : cases) {
        Call("sound_global_volume", {c.value});
        EXPECT_EQ(Sound_MasterVolume(), c.mb) << c.value;
    }
    // A quiet tone boosted by the default master: 10 dB up, below the limiter's threshold.
    int snd = Add(ToneWav(1000, 1000, 2), 0);
    Call("sound_global_volume", {1});
    Call("sound_play", {double(snd)});
    Steps(10);
    Wav w = Finish();
    const double want = 1000 * std::sqrt(0.5) * std::pow(10.0, 0.5);
    EXPECT_NEAR(w.Tone(0, StepFrame(1), StepFrame(10), 1000), want, want * 0.05);
}

TEST_F(SoundCapture, PanFollowsTheConstantPowerLaw) {
    const double pans[] = {-1, -0.5, 0, 0.25, 1};
    int snd = Add(ToneWav(1000, 8000, 60), 0);
    Call("sound_loop", {double(snd)});
    for (double p : pans) {
        Call("sound_pan", {double(snd), p});
        EXPECT_EQ(Sound_SlotPan(snd), std::lround(p * 10000));
        Steps(6);
    }
    Wav w = Finish();
    int step = 0;
    for (double p : pans) {
        const double a = (p + 1) * kPi / 4;
        const double l = w.Tone(0, StepFrame(step + 1), StepFrame(step + 6), 1000);
        const double r = w.Tone(1, StepFrame(step + 1), StepFrame(step + 6), 1000);
        EXPECT_NEAR(l, 8000 * std::cos(a), 8000 * 0.03) << p;
        EXPECT_NEAR(r, 8000 * std::sin(a), 8000 * 0.03) << p;
        step += 6;
    }
}

TEST_F(SoundCapture, FadeMovesLinearlyInDecibels) {
    int snd = Add(ToneWav(1000, 16000, 3), 0);
    Call("sound_play", {double(snd)});
    Call("sound_fade", {double(snd), 0.5, 1000}); // 0 to -4800 over one second
    Steps(15);
    EXPECT_NEAR(Sound_SlotVolume(snd), -2400, 60);
    Steps(20);
    EXPECT_EQ(Sound_SlotVolume(snd), -4800);
    Wav w = Finish();
    const double full = 16000 * std::sqrt(0.5);
    const double mid = full * std::pow(10.0, -2400 / 2000.0);
    EXPECT_NEAR(w.Tone(0, StepFrame(14), StepFrame(16), 1000), mid, mid * 0.1);
    const double end = full * std::pow(10.0, -4800 / 2000.0);
    EXPECT_NEAR(w.Tone(0, StepFrame(31), StepFrame(35), 1000), end, end * 0.1 + 0.5);
}

TEST_F(SoundCapture, KindsDecideWhatPlaysTogether) {
    // Normal sounds mix; a second background music or multimedia file stops the first.
    int a = Add(ToneWav(500, 6000, 5), 0), b = Add(ToneWav(1500, 6000, 5), 0);
    int m1 = Add(ToneWav(700, 6000, 5), 1), m2 = Add(ToneWav(900, 6000, 5), 1);
    int x1 = Add(ToneWav(1100, 6000, 5), 3), x2 = Add(ToneWav(1300, 6000, 5), 3);
    for (int s : {a, b, m1, m2, x1, x2}) Call("sound_play", {double(s)});
    for (auto [s, on] : {std::pair{a, 1}, {b, 1}, {m1, 0}, {m2, 1}, {x1, 0}, {x2, 1}})
        EXPECT_EQ(Call("sound_isplaying", {double(s)}).val, on) << s;
    // Volume, pan and fade do nothing on a multimedia file.
    Call("sound_volume", {double(x2), 0.5});
    Call("sound_pan", {double(x2), 1});
    EXPECT_EQ(Sound_SlotVolume(x2), 0);
    EXPECT_EQ(Sound_SlotPan(x2), 0);
    Steps(10);
    Wav w = Finish();
    const size_t from = StepFrame(1), to = StepFrame(10);
    const double side = 6000 * std::sqrt(0.5);
    for (auto [f, heard] : {std::pair{500.0, true},
                            {1500.0, true},
                            {700.0, false},
                            {900.0, true},
                            {1100.0, false},
                            {1300.0, true}}) {
        if (heard)
            EXPECT_NEAR(w.Tone(0, from, to, f), side, side * 0.1) << f;
        else
            EXPECT_LT(w.Tone(0, from, to, f), side * 0.02) << f;
    }
}

TEST_F(SoundCapture, PlayingAgainRestarts) {
    // 0.1 s of tone, then silence: the tone comes back only when the sound restarts.
    int snd = Add(ToneWav(1000, 8000, 1, 0.1), 0);
    Call("sound_play", {double(snd)});
    Steps(9);
    Call("sound_play", {double(snd)});
    Steps(9);
    Wav w = Finish();
    EXPECT_GT(w.Rms(0, 0, StepFrame(3)), 1000);
    EXPECT_LT(w.Rms(0, StepFrame(5), StepFrame(8)), 1);
    EXPECT_GT(w.Rms(0, StepFrame(9), StepFrame(11)), 1000);
    EXPECT_LT(w.Rms(0, StepFrame(14), StepFrame(18)), 1);
}

TEST_F(SoundCapture, ThreeDSoundToTheLeftIsHeardOnTheLeft) {
    int snd = Add(ToneWav(1000, 8000, 2), 2);
    Call("sound_3d_set_sound_position", {double(snd), -5, 0, 0});
    Call("sound_3d_set_sound_distance", {double(snd), 1, 100});
    Call("sound_play", {double(snd)});
    Steps(10);
    Call("sound_3d_set_sound_position", {double(snd), INFINITY, NAN, -INFINITY}); // far away, not a crash
    Steps(5);
    Wav w = Finish();
    const double l = w.Tone(0, StepFrame(1), StepFrame(10), 1000),
                 r = w.Tone(1, StepFrame(1), StepFrame(10), 1000);
    EXPECT_GT(l, 100);
    EXPECT_LT(r, l * 0.05);
    EXPECT_NEAR(l, 8000.0 / 5, 8000.0 / 5 * 0.1); // inverse distance from the minimum distance
    EXPECT_LT(w.Rms(0, StepFrame(11), StepFrame(15)), 20);
}

// An echo repeats the sound after each side's delay, past the end of the sound's own samples.
TEST_F(SoundCapture, EchoRepeatsAfterEachSidesDelayPastTheSoundsEnd) {
    int snd = Add(ToneWav(1000, 16000, 0.1), 0); // 0.1 s of tone and nothing after it
    Call("sound_effect_set", {double(snd), 2});
    EXPECT_EQ(Sound_SlotEffects(snd), 2);
    // Half dry, half repeated; no feedback: one repeat, left after 0.2 s, right after 0.4 s.
    Call("sound_effect_echo", {double(snd), 50, 0, 200, 400, 0});
    Call("sound_play", {double(snd)});
    Steps(30);
    Wav w = Finish();
    const double half = 16000 * std::sqrt(0.5) / 2;
    const auto at = [](double seconds) { return size_t(seconds * kRate); };
    for (int ch : {0, 1}) EXPECT_NEAR(w.Tone(ch, at(0.01), at(0.09), 1000), half, half * 0.1) << ch;
    EXPECT_NEAR(w.Tone(0, at(0.21), at(0.29), 1000), half, half * 0.1);
    EXPECT_LT(w.Rms(1, at(0.21), at(0.29)), 1);
    EXPECT_NEAR(w.Tone(1, at(0.41), at(0.49), 1000), half, half * 0.1);
    EXPECT_LT(w.Rms(0, at(0.41), at(0.49)), 1);
    EXPECT_LT(w.Rms(0, at(0.55), at(0.95)) + w.Rms(1, at(0.55), at(0.95)), 1);
}

// Each effect judged on a steady tone, looping; the chain is rendered again while it plays.
TEST_F(SoundCapture, EffectsShapeTheToneWhilePlaying) {
    const double full = 16000 * std::sqrt(0.5);
    int snd = Add(ToneWav(1000, 16000, 1), 0); // whole cycles: the loop is seamless
    Call("sound_loop", {double(snd)});
    const double eq = std::pow(10.0, -15 / 20.0);
    struct Case {
        const char* what;
        int flags;
        const char* function;
        std::vector<double> params;
        double lo, hi; // the tone's level relative to the dry tone
    } cases[] = {
        {"none", 0, nullptr, {}, 0.95, 1.05},
        {"equaliser -15 dB at the tone", 64, "sound_effect_equalizer", {1000, 12, -15}, eq * 0.9, eq * 1.1},
        {"gargle square: on half the time", 8, "sound_effect_gargle", {5, 1}, 0.45, 0.55},
        {"compressor: 100:1 above -30 dB",
         32,
         "sound_effect_compressor",
         {0, 0.01, 50, -30, 100, 0},
         0.01,
         0.2},
        {"parameters out of range",
         1 | 4 | 16,
         "sound_effect_chorus",
         {NAN, -1e9, 1e9, INFINITY, 7, -5, 99},
         0.1,
         4},
        {"effects removed", 0, nullptr, {}, 0.95, 1.05},
    };
    int step = 0;
    for (const Case& c : cases) {
        Call("sound_effect_set", {double(snd), double(c.flags)});
        if (c.function) {
            int id = -1;
            ASSERT_TRUE(Function_Find(c.function, id));
            std::vector<RValue> values = {RValue::Real(snd)};
            for (double a : c.params) values.push_back(RValue::Real(a));
            RValue result = RValue::Real(0);
            Function_Call(id, nullptr, nullptr, int(values.size()), result, values.data());
        }
        EXPECT_EQ(Call("sound_isplaying", {double(snd)}).val, 1) << c.what;
        Steps(30);
        step += 30;
    }
    Wav w = Finish();
    step = 0;
    for (const Case& c : cases) {
        const double tone = w.Tone(0, StepFrame(step + 6), StepFrame(step + 30), 1000);
        EXPECT_GE(tone, full * c.lo) << c.what;
        EXPECT_LE(tone, full * c.hi) << c.what;
        step += 30;
    }
}

TEST_F(SoundCapture, ReverbLeavesATailThatDiesAway) {
    int snd = Add(ToneWav(1000, 16000, 0.2), 0);
    Call("sound_effect_set", {double(snd), 16});
    Call("sound_effect_reverb", {double(snd), 0, 0, 500, 0.5}); // half a second to -60 dB
    Call("sound_play", {double(snd)});
    Steps(45);
    Wav w = Finish();
    const auto at = [](double seconds) { return size_t(seconds * kRate); };
    const double early = w.Rms(0, at(0.25), at(0.35)), late = w.Rms(0, at(0.55), at(0.65));
    EXPECT_GT(early, 100);
    EXPECT_LT(late, early * 0.5);
    EXPECT_LT(w.Rms(0, at(1.3), at(1.5)), 2);
}

TEST_F(SoundCapture, MidiIsRenderedIntoTheMix) {
    int snd = Add(NoteMidi(), 0, ".mid");
    Call("sound_play", {double(snd)});
    Steps(15);
    Wav w = Finish();
    EXPECT_GT(w.Rms(0, 0, StepFrame(15)), 100);
    EXPECT_GT(w.Rms(1, 0, StepFrame(15)), 100);
}

// The background tempo stretches MIDI music (and only MIDI): the half-second note lasts a quarter
// second at tempo 2 and a whole second at tempo 0.5.
TEST_F(SoundCapture, BackgroundTempoStretchesMidi) {
    int song = Add(NoteMidi(), 1, ".mid");
    int tone = Add(ToneWav(1000, 8000, 0.3), 0);
    Call("sound_background_tempo", {2});
    Call("sound_play", {double(song)});
    Call("sound_play", {double(tone)});
    Steps(30);
    Call("sound_background_tempo", {0.5});
    Call("sound_play", {double(song)});
    Call("sound_play", {double(tone)});
    Steps(30);
    for (auto [factor, kept] : {std::pair{1e9, 100.0}, {0.0, 0.01}, {NAN, 1.0}}) {
        Call("sound_background_tempo", {factor});
        EXPECT_EQ(Sound_BackgroundTempo(), kept) << factor;
    }
    Wav w = Finish();
    const auto at = [](double seconds) { return size_t(seconds * kRate); };
    const double fast = w.Rms(0, at(0.6), at(0.95)), slow = w.Rms(0, at(1.6), at(1.95));
    EXPECT_GT(slow, 20) << fast;
    EXPECT_GT(slow, fast * 5) << fast;
    // The wave sound keeps its length: 0.3 s, then nothing, at either tempo.
    EXPECT_NEAR(w.Tone(0, at(1.05), at(1.25), 1000), 8000 * std::sqrt(0.5), 8000 * 0.05);
    EXPECT_LT(w.Tone(0, at(1.4), at(1.55), 1000), 50);
}

// A tempo change reaches a playing song at its next block: the clicks come twice as fast from
// then on, going on from the beat the song had reached (not from its start).
TEST_F(SoundCapture, TempoChangesMidSongFromTheSameBeat) {
    int song = Add(BeatMidi(40), 1, ".mid");
    Call("sound_play", {double(song)});
    Steps(40); // 1.333 s: two-thirds of the way from the third click to the fourth
    Call("sound_background_tempo", {2});
    Steps(50);
    Wav w = Finish();
    std::vector<double> on = w.Onsets(0, w.Frames(), 200);
    ASSERT_GE(on.size(), 8u);
    for (int i = 0; i < 3; i++) EXPECT_NEAR(on[size_t(i)], 0.5 * i, 0.01) << i;
    // The fourth beat was a third of a beat away: a twelfth of a second at the new tempo, give or
    // take the block already rendered when the change came.
    EXPECT_GT(on[3], 1.333 + 0.083 - 0.005);
    EXPECT_LT(on[3], 1.333 + 0.083 + 0.035);
    for (size_t i = 4; i < on.size(); i++) EXPECT_NEAR(on[i] - on[i - 1], 0.25, 0.01) << i;
}

// Streamed music runs through its effect chain block by block (an echo's repeats on each side
// after its delay), plays on until the tail has died away, and loops without a gap.
TEST_F(SoundCapture, StreamedMusicCarriesItsEffectsAndLoops) {
    int song = Add(BeatMidi(1), 0, ".mid"); // one click, the song lasting half a second
    Call("sound_effect_set", {double(song), 2});
    Call("sound_effect_echo", {double(song), 50, 0, 200, 400, 0});
    Call("sound_play", {double(song)});
    Steps(30);
    EXPECT_EQ(Call("sound_isplaying", {double(song)}).val, 1);
    Steps(60);
    EXPECT_EQ(Call("sound_isplaying", {double(song)}).val, 0);
    Call("sound_loop", {double(song)});
    Steps(60);
    EXPECT_EQ(Call("sound_isplaying", {double(song)}).val, 1);
    Wav w = Finish();
    const auto at = [](double seconds) { return size_t(seconds * kRate); };
    const double click = w.Rms(0, 0, at(0.05));
    EXPECT_GT(click, 100);
    // Left repeats after 0.2 s, right after 0.4 s.
    EXPECT_GT(w.Rms(0, at(0.2), at(0.25)), click * 0.3);
    EXPECT_LT(w.Rms(1, at(0.2), at(0.25)), click * 0.05);
    EXPECT_GT(w.Rms(1, at(0.4), at(0.45)), click * 0.3);
    EXPECT_LT(w.Rms(0, at(0.4), at(0.45)), click * 0.05);
    EXPECT_TRUE(w.Silent(at(2.5), StepFrame(90)));
    std::vector<double> on = w.Onsets(StepFrame(90), w.Frames(), 20);
    ASSERT_GE(on.size(), 9u);
    // Each round: the click, its echo on the left, then on the right.
    for (size_t i = 0; i < on.size(); i++)
        EXPECT_NEAR(on[i], 3 + 0.5 * double(i / 3) + 0.2 * double(i % 3), 0.01) << i;
}

// Starting a long song, changing its effects and its tempo cost the game's thread about one step's
// worth of synthesis each, not a rendering of the whole song.
TEST_F(SoundCapture, MusicChangesCostAStepLittleProcessorTime) {
    int song = Add(BeatMidi(360), 1, ".mid"); // three minutes
    const auto cpu = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
    };
    struct Change {
        int step;
        const char* function;
        std::vector<double> args;
    } changes[] = {{0, "sound_play", {double(song)}},
                   {5, "sound_effect_set", {double(song), 1 | 2 | 16}},
                   {10, "sound_effect_echo", {double(song), 40, 30, 300, 350, 1}},
                   {15, "sound_background_tempo", {1.5}},
                   {20, "sound_effect_reverb", {double(song), 0, -3, 2500, 0.5}},
                   {25, "sound_loop", {double(song)}}};
    double worst = 0;
    int worstStep = -1;
    for (int step = 0; step < 30; step++) {
        const double t0 = cpu();
        for (const Change& c : changes) {
            if (c.step != step) continue;
            int id = -1;
            ASSERT_TRUE(Function_Find(c.function, id));
            std::vector<RValue> values;
            for (double a : c.args) values.push_back(RValue::Real(a));
            RValue result = RValue::Real(0);
            Function_Call(id, nullptr, nullptr, int(values.size()), result, values.data());
        }
        Sound_StepEnd(30);
        const double ms = cpu() - t0;
        if (ms > worst) worst = ms, worstStep = step;
    }
    // A few milliseconds even in a sanitised build (rendering the song whole takes seconds).
    EXPECT_LT(worst, 10.0) << "step " << worstStep;
    Wav w = Finish();
    EXPECT_GT(w.Rms(0, StepFrame(26), StepFrame(30)), 10); // the song is heard with its effects
}

TEST_F(SoundCapture, BadDataStaysSilent) {
    std::vector<uint8_t> wav = ToneWav(1000, 8000, 1);
    std::vector<uint8_t> truncated(wav.begin(), wav.begin() + 1000);
    std::vector<uint8_t> noise(5000);
    for (size_t i = 0; i < noise.size(); i++) noise[i] = uint8_t(i * 7919 % 251);
    std::vector<uint8_t> headerOnly(wav.begin(), wav.begin() + 44);
    std::vector<uint8_t> noTracks = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 0, 0, 0x60};
    std::vector<uint8_t> brokenMidi = NoteMidi();
    brokenMidi.erase(brokenMidi.end() - 6, brokenMidi.end());
    brokenMidi[21] = 200; // the track claims more than is there
    std::vector<uint8_t> noStatus = NoteMidi(), longMeta = NoteMidi(), noNotes = NoteMidi();
    noStatus[23] = 0x40;    // the first event's data comes without any status before it
    longMeta.back() = 0x7F; // the end-of-track event claims bytes beyond its track
    noNotes[28] = 0;        // the only note is struck at velocity 0 (a note-off)
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {{"empty", {}},
                 {"noise", noise},
                 {"header only", headerOnly},
                 {"MIDI without tracks", noTracks},
                 {"broken MIDI", brokenMidi},
                 {"MIDI data without a status", noStatus},
                 {"MIDI meta event past its track", longMeta},
                 {"MIDI without a note", noNotes}};
    std::vector<int> ids;
    for (const Case& c : cases)
        ids.push_back(Add(c.bytes, 0, c.what[0] == 'M' || c.what[0] == 'b' ? ".mid" : ".wav"));
    int cut = Add(truncated, 0); // what is there plays; nothing beyond it
    // Good music with a soundfont that is no soundfont, or none at all.
    CStream(std::vector<uint8_t>(5000, 0x33)).SaveToFile(m_dir / "junk.sf2");
    for (const char* font : {"junk.sf2", "none.sf2"}) {
        ::setenv("QUARVEL_SOUNDFONT", (m_dir / font).c_str(), 1);
        ids.push_back(Add(NoteMidi(), 0, ".mid"));
        ::unsetenv("QUARVEL_SOUNDFONT");
    }
    for (size_t i = 0; i < ids.size(); i++) {
        Call("sound_play", {double(ids[i])});
        EXPECT_EQ(Call("sound_isplaying", {double(ids[i])}).val, 0) << i;
    }
    Steps(10);
    Call("sound_play", {double(cut)});
    Steps(10);
    Wav w = Finish();
    EXPECT_TRUE(w.Silent(0, StepFrame(10)));
    EXPECT_LT(w.Rms(0, StepFrame(12), StepFrame(20)), 1);
}

TEST_F(SoundCapture, AThousandSoundsInOneStep) {
    std::vector<uint8_t> blip = ToneWav(1000, 20, 0.05);
    std::vector<int> ids;
    for (int i = 0; i < 1000; i++) ids.push_back(Add(blip, 0));
    for (int id : ids) Call("sound_play", {double(id)});
    Steps(3);
    Wav w = Finish();
    EXPECT_EQ(w.Frames(), StepFrame(3));
    // 1000 equal tones in phase add up far past full scale: the limiter holds the output.
    EXPECT_GT(w.Rms(0, 0, StepFrame(1)), 1000);
}

// Sounds added from files get "__newsound" names and ids, or -1 (the id given back) for anything
// that is not a readable regular file; the getters answer -1 and "<undefined>" for missing ids.
TEST_F(SoundCapture, TheSoundListAddsReadsReplacesAndDeletes) {
    const std::string tone = m_dir / "tone.wav", noise = m_dir / "noise.wav";
    CStream(ToneWav(1000, 8000, 1)).SaveToFile(tone);
    CStream(std::vector<uint8_t>(3000, 0x5A)).SaveToFile(noise);
    std::filesystem::create_directory(m_dir / "folder");
    ASSERT_EQ(::mkfifo((m_dir / "pipe.wav").c_str(), 0600), 0);
    std::string windows = "C:" + tone;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    struct Add {
        std::string file;
        int kind;
        bool preload;
        int id;
    } adds[] = {
        {tone, 0, true, 0},
        {m_dir / "missing.wav", 0, true, -1},
        {m_dir / "folder", 0, true, -1},
        {m_dir / "pipe.wav", 0, true, -1}, // never waits for a writer
        {windows, 2, false, 1},
        {noise, 1, true, 2}, // read; it stays silent when played
    };
    for (const Add& a : adds) {
        RValue id =
            CallWith("sound_add", {RValue::String(a.file), RValue::Real(a.kind), RValue::Real(a.preload)});
        EXPECT_EQ(id.val, a.id) << a.file;
        if (a.id >= 0) EXPECT_EQ(Sound_SlotVolume(a.id) != kSoundNoSlot, a.preload) << a.file; // prepared
    }
    struct Query {
        const char* function;
        double id, want;
    } queries[] = {{"sound_exists", 0, 1},      {"sound_exists", 3, 0},      {"sound_exists", -1, 0},
                   {"sound_get_kind", 1, 2},    {"sound_get_kind", 9, -1},   {"sound_get_preload", 0, 1},
                   {"sound_get_preload", 1, 0}, {"sound_get_preload", 9, -1}};
    for (const Query& q : queries)
        EXPECT_EQ(Call(q.function, {q.id}).val, q.want) << q.function << " " << q.id;
    for (const char* f : {"sound_name", "sound_get_name"}) {
        EXPECT_EQ(Call(f, {2}).str.str(), "__newsound2");
        EXPECT_EQ(Call(f, {7}).str.str(), "<undefined>");
    }
    const auto error = [](const char* function, std::vector<RValue> args) {
        Error_SetLast("");
        CallWith(function, std::move(args));
        return Error_Last();
    };
    const RValue toneArg = RValue::String(tone), missingArg = RValue::String(m_dir / "missing.wav");
    const RValue zero = RValue::Real(0), one = RValue::Real(1);
    EXPECT_NE(error("sound_replace", {RValue::Real(9), toneArg, zero, one})
                  .find("Trying to replace non-existing sound."),
              std::string::npos);
    EXPECT_NE(error("sound_delete", {RValue::Real(9)}).find("Trying to delete non-existing sound."),
              std::string::npos);
    // A deleted id: gone, an error to delete again, not brought back by a file that cannot be read,
    // brought back by one that can.
    EXPECT_EQ(error("sound_delete", {one}), "");
    EXPECT_EQ(Call("sound_get_name", {1}).str.str(), "<undefined>");
    EXPECT_NE(error("sound_delete", {one}).find("Trying to delete non-existing sound."), std::string::npos);
    EXPECT_EQ(CallWith("sound_replace", {one, missingArg, zero, one}).val, 0);
    EXPECT_EQ(Call("sound_exists", {1}).val, 0);
    EXPECT_EQ(CallWith("sound_replace", {one, toneArg, RValue::Real(3), one}).val, 1);
    EXPECT_EQ(Call("sound_get_name", {1}).str.str(), "__newsound1");
    EXPECT_EQ(Call("sound_get_kind", {1}).val, 3);
    // A file that cannot be read leaves the sound as it was.
    EXPECT_EQ(CallWith("sound_replace", {zero, missingArg, one, zero}).val, 0);
    EXPECT_EQ(Call("sound_get_kind", {0}).val, 0);
    EXPECT_EQ(Call("sound_get_preload", {0}).val, 1);
}

// Replacing, discarding and deleting sounds while they play, judged on what is heard.
TEST_F(SoundCapture, PlayingSoundsReplacedDiscardedAndDeleted) {
    const std::string high = m_dir / "high.wav";
    CStream(ToneWav(900, 8000, 5)).SaveToFile(high);
    int a = Add(ToneWav(500, 8000, 5), 0), b = Add(ToneWav(1500, 8000, 5), 0);
    const RValue missing = RValue::String(m_dir / "missing.wav");
    struct Phase {
        std::function<void()> change;
        bool low, mid, top; // 500, 900 and 1500 Hz heard
    } phases[] = {
        {[&] { Call("sound_loop", {double(a)}), Call("sound_loop", {double(b)}); }, true, false, true},
        {[&] {
             CallWith("sound_replace",
                      {RValue::Real(a), RValue::String(high), RValue::Real(0), RValue::Real(1)});
         },
         false, false, true}, // the replaced sound stops
        {[&] {
             CallWith("sound_replace", {RValue::Real(b), missing, RValue::Real(0), RValue::Real(1)});
         },
         false, false, true}, // nothing lost
        {[&] { Call("sound_discard", {double(b)}); }, false, false, false},
        {[&] { Call("sound_play", {double(a)}); }, false, true, false},
        {[&] { Call("sound_delete", {double(a)}); }, false, false, false},
        {[&] { Call("sound_loop", {double(b)}); }, false, false, true}, // restored when played
    };
    for (const Phase& p : phases) {
        p.change();
        Steps(6);
    }
    Wav w = Finish();
    const double side = 8000 * std::sqrt(0.5);
    int step = 0;
    for (const Phase& p : phases) {
        for (auto [freq, heard] : {std::pair{500.0, p.low}, {900.0, p.mid}, {1500.0, p.top}}) {
            const double level = w.Tone(0, StepFrame(step + 1), StepFrame(step + 6), freq);
            if (heard)
                EXPECT_NEAR(level, side, side * 0.05) << step << " " << freq;
            else
                EXPECT_LT(level, side * 0.01) << step << " " << freq;
        }
        step += 6;
    }
}

TEST_F(SoundCapture, MissingSoundsAndNoDisc) {
    Error_Reset();
    for (const char* f : {"sound_play", "sound_loop", "sound_stop"}) {
        Error_SetLast("");
        Call(f, {42});
        EXPECT_NE(Error_Last().find("Sound does not exist."), std::string::npos) << f;
    }
    Error_SetLast("");
    Call("sound_volume", {-1, 0.5});
    EXPECT_NE(Error_Last().find("Sound does not exist."), std::string::npos);
    Error_SetLast("");
    EXPECT_EQ(Call("sound_isplaying", {42}).val, 0);
    EXPECT_EQ(Error_Last(), "");
    EXPECT_EQ(Call("cd_present", {}).val, 0);
    EXPECT_EQ(Call("cd_number", {}).val, 0);
    Call("cd_play", {1, 5});
    EXPECT_EQ(Call("cd_playing", {}).val, 0);
    EXPECT_EQ(Finish().Frames(), 0u);
}

TEST(SoundDevice, ChosenOnceFromTheEnvironment) {
    TempDir dir;
    bool noDevice = true;
    ::setenv("QUARVEL_HEADLESS", "1", 1);
    ::unsetenv("QUARVEL_AUDIO_FILE");
    EXPECT_STREQ(Platform_OpenSoundDevice(noDevice)->Name(), "null");
    EXPECT_FALSE(noDevice);
    ::setenv("QUARVEL_AUDIO_FILE", (dir / "a.wav").c_str(), 1);
    auto dev = Platform_OpenSoundDevice(noDevice);
    EXPECT_STREQ(dev->Name(), "capture");
    dev->RenderTo(100);
    dev.reset(); // completing the file on destruction too
    EXPECT_EQ(ReadCapture(dir / "a.wav").Frames(), 100u);
    ::setenv("QUARVEL_AUDIO_FILE", (dir / "no/such/dir.wav").c_str(), 1);
    EXPECT_STREQ(Platform_OpenSoundDevice(noDevice)->Name(), "null"); // traced, then silent
    ::unsetenv("QUARVEL_AUDIO_FILE");
}

// On a real device the worker thread renders streamed music ahead: the song plays and ends by
// itself, loops, and can be freed while the worker renders it.
TEST(SoundDevice, RealDeviceStreamsMusicOnItsWorker) {
    ASSERT_TRUE(kNullOutput);
    TempDir dir;
    ::unsetenv("QUARVEL_HEADLESS");
    ::unsetenv("QUARVEL_AUDIO_FILE");
    bool noDevice = true;
    auto dev = Platform_OpenSoundDevice(noDevice);
    ASSERT_STREQ(dev->Name(), "openal");
    Sound_UseDevice(std::move(dev));
    Sound_ClearAll();
    std::vector<uint8_t> midi = BeatMidi(1); // half a second, then a second of release
    CStream(midi).SaveToFile(dir / "song.mid");
    const int id = Sound_Add(dir / "song.mid", 1, true);
    ASSERT_GE(id, 0);
    Sound_Restore(*Sound_Get(id));
    const auto seconds = [] { return double(Platform_TimeMicros()) / 1e6; };
    const double start = seconds();
    Sound_Play(id, false);
    EXPECT_TRUE(Sound_IsPlaying(id));
    while (Sound_IsPlaying(id) && seconds() - start < 20) Platform_Sleep(10);
    EXPECT_FALSE(Sound_IsPlaying(id));
    EXPECT_GT(seconds() - start, 1.4);
    Sound_Play(id, true);
    Platform_Sleep(2500);
    EXPECT_TRUE(Sound_IsPlaying(id));
    Sound_Delete(id); // freed while the worker renders it
    Sound_GameEnd();
    Sound_ClearAll();
    ::setenv("QUARVEL_HEADLESS", "1", 1);
}

// The runner's "Preparing sounds" step with a capture asked for: the device is traced, a sound
// nothing can decode is traced, and the file is a complete WAV when the game ends.
TEST(SoundRunner, PreparesSoundsAndCompletesTheCapture) {
    TempDir dir;
    GameImage g = Pack_MinimalGame();
    auto record = [](const std::vector<uint8_t>& bytes, const char* name) {
        CSound snd;
        snd.s_kind = 0;
        snd.s_extension = ".wav";
        snd.s_origname = name;
        snd.s_sound = std::make_unique<CStream>(bytes);
        CStream out;
        snd.SaveToStream(out);
        return out.Bytes();
    };
    auto& sounds = g.named[int(EChunk::Sounds)];
    sounds.push_back(PackItem{"snd_tone", record(ToneWav(440, 8000, 0.5), "tone.wav")});
    sounds.push_back(PackItem{"snd_bad", record(std::vector<uint8_t>(300, 0x5A), "bad.wav")});
    std::string path = dir / "game.dat";
    ASSERT_TRUE(Pack_WriteFile(path, Pack_DataOnly(Pack_WriteGameData(g)), false));
    RunResult r = RunGame(path, {{"QUARVEL_AUDIO_FILE", dir / "heard.wav"}}, {"--VNTrace"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(r.JsonLines().empty()) << r.out; // no device message when capturing
    const std::string trace = ReadFileText(dir / "Trace.log");
    EXPECT_NE(trace.find("Sound device: capture\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("Sound bad.wav stays silent: unknown or corrupt sound data\n"), std::string::npos)
        << trace;
    EXPECT_EQ(trace.find("tone.wav"), std::string::npos);
    ReadCapture(dir / "heard.wav"); // a complete header
}

// A packed game whose step plays a sound at its fifth step, run by the real runner's main loop:
// the file follows the steps (with no waiting), silent before that step's stretch, the tone after.
TEST(SoundRunner, TheCaptureFollowsTheGamesSteps) {
    TempDir d;
    auto put = [&](const std::string& name, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(d / name).parent_path());
        WriteFileText(d / name, text);
    };
    std::vector<uint8_t> tone = ToneWav(1000, 8000, 2);
    put("sounds/tone.wav", std::string(tone.begin(), tone.end()));
    put("sounds/snd_tone.json", R"({"file": "tone.wav", "kind": "normal"})");
    put("game.json", "{}");
    put("objects/o.json", R"({"events": [{"type": "step", "number": 0, "actions": [{"code": )"
                          R"("if (score == 4) sound_play(snd_tone); score += 1"}]}]})");
    put("rooms/r0.json", R"({"speed": 30, "instances": [{"object": "o"}]})");
    RunResult b = RunProgram({QV_PACK_EXE, "build", d.path(), "-o", d / "g.dat", "--data-only"});
    ASSERT_EQ(b.status, 0) << b.out << b.err;
    RunResult r = RunGame(
        d / "g.dat",
        {{"QUARVEL_MAX_STEPS", "12"}, {"QUARVEL_NO_WAIT", "1"}, {"QUARVEL_AUDIO_FILE", d / "heard.wav"}});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    Wav w = ReadCapture(d / "heard.wav");
    ASSERT_EQ(w.Frames(), StepFrame(12));
    EXPECT_TRUE(w.Silent(0, StepFrame(4)));
    // The default master volume boosts by 10 dB; centre pan puts cos(pi/4) on each side.
    const double side = 8000 * std::sqrt(0.5) * std::pow(10.0, 0.5);
    EXPECT_NEAR(w.Tone(0, StepFrame(4), StepFrame(12), 1000), side, side * 0.1);
}

} // namespace
