// The sound engine's cost on the main thread: one sound_play of a preloaded sound, a room at 30
// steps per second with 64 sounds playing at once, a three-minute MIDI song with chorus, echo and
// reverb (starting it, changing its effects and tempo, and the steps while it plays), and
// rendering an effect chain over a whole sound.
// Usage: bench_sound [SECONDS_OF_STEPS]   (default 10: 300 steps)
// The real output device is used when one opens (its mixer runs on OpenAL Soft's own thread,
// streamed music on the device's worker): its steps are paced at 30 a second of wall clock, and
// the whole process's processor time is shown beside the main thread's. On a machine without a
// sound card, ALSOFT_DRIVERS=null gives OpenAL Soft's null output, which mixes in real time.
// The capture device is measured too: there the mix is rendered on the main thread at each step.
#include "code/Code_Function.h"
#include "functions/Function_Families.h"
#include "platform/Platform_Sound.h"
#include "sound/Sound_Effects.h"
#include "sound/Sound_Engine.h"
#include "sound/Sound_Main.h"
#include "support/Support_Stream.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// CPU time of this thread (the main thread): the mixer thread of a real device is not counted.
double Now() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}
// CPU time of every thread of the process (the device's mixer and worker included).
double ProcessNow() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}
double WallNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Runs the steps at 30 a second: on a real device paced by the wall clock (the mixer works in
// real time), on the capture device back to back. Returns main-thread and process seconds.
void RunSteps(int steps, bool paced, double& mainSeconds, double& processSeconds) {
    const double m0 = Now(), p0 = ProcessNow(), w0 = WallNow();
    for (int k = 0; k < steps; k++) {
        Sound_StepEnd(30);
        if (!paced) continue;
        const double wait = w0 + (k + 1) / 30.0 - WallNow();
        if (wait > 0) {
            timespec ts{time_t(wait), long((wait - double(time_t(wait))) * 1e9)};
            nanosleep(&ts, nullptr);
        }
    }
    mainSeconds = Now() - m0;
    processSeconds = ProcessNow() - p0;
}

// A three-minute song at 120 bpm: piano chords and a bass note on every beat, a hi-hat on every
// half beat (format 0, 480 ticks a beat).
std::vector<uint8_t> SongMidi(int beats) {
    struct Event {
        int tick;
        std::vector<uint8_t> bytes;
    };
    std::vector<Event> events = {{0, {0xC0, 0}}, {0, {0xC1, 33}}};
    const int roots[4] = {60, 65, 67, 57};
    for (int b = 0; b < beats; b++) {
        const int t = b * 480, root = roots[(b / 4) % 4];
        for (int n : {root, root + 4, root + 7}) {
            events.push_back({t, {0x90, uint8_t(n), 70}});
            events.push_back({t + 400, {0x80, uint8_t(n), 0}});
        }
        events.push_back({t, {0x91, uint8_t(root - 24), 90}});
        events.push_back({t + 440, {0x81, uint8_t(root - 24), 0}});
        for (int h : {0, 240}) {
            events.push_back({t + h, {0x99, 42, 60}});
            events.push_back({t + h + 60, {0x89, 42, 0}});
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.tick < b.tick; });
    std::vector<uint8_t> track;
    int last = 0;
    auto varLen = [&](uint32_t v) {
        uint8_t buf[4];
        int n = 0;
        do buf[n++] = uint8_t(v & 0x7F), v >>= 7;
        while (v);
        while (n--) track.push_back(uint8_t(buf[n] | (n ? 0x80 : 0)));
    };
    for (const Event& e : events) {
        varLen(uint32_t(e.tick - last));
        last = e.tick;
        track.insert(track.end(), e.bytes.begin(), e.bytes.end());
    }
    varLen(480);
    track.insert(track.end(), {0xFF, 0x2F, 0x00});
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

std::vector<uint8_t> ToneWav(double freq, double seconds) {
    const int rate = 44100, frames = int(seconds * rate);
    std::vector<int16_t> pcm(static_cast<size_t>(frames));
    for (int i = 0; i < frames; i++) pcm[size_t(i)] = int16_t(3000 * std::sin(6.283185307 * freq * i / rate));
    CStream s;
    auto u32 = [&](uint32_t v) { s.Write(&v, 4); };
    auto u16 = [&](uint16_t v) { s.Write(&v, 2); };
    s.Write("RIFF", 4);
    u32(36 + uint32_t(frames * 2));
    s.Write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    s.Write("data", 4);
    u32(uint32_t(frames * 2));
    s.Write(pcm.data(), size_t(frames) * 2);
    return s.Bytes();
}

void Call(int fn, double arg) {
    RValue a = RValue::Real(arg), result = RValue::Real(0);
    Function_Call(fn, nullptr, nullptr, 1, result, &a);
}

// Milliseconds of main-thread time of one call of the named function.
double TimeCall(const char* name, std::vector<double> args) {
    int fn = -1;
    Function_Find(name, fn);
    std::vector<RValue> values;
    for (double a : args) values.push_back(RValue::Real(a));
    RValue result = RValue::Real(0);
    const double t = Now();
    Function_Call(fn, nullptr, nullptr, int(values.size()), result, values.data());
    return (Now() - t) * 1e3;
}

// 64 preloaded sounds of 2 s (440..1700 Hz) on the device.
void AddSounds(const std::string& dir) {
    Sound_ClearAll();
    for (int i = 0; i < 64; i++) {
        const std::string path = dir + "/s" + std::to_string(i) + ".wav";
        CStream(ToneWav(440 + 20 * i, 2)).SaveToFile(path);
        int id = Sound_Add(path, 0, true);
        if (id >= 0) Sound_Restore(*Sound_Get(id));
    }
}

void Measure(const char* device, double seconds, int play, int loop, bool paced) {
    const std::string dir = std::filesystem::temp_directory_path() / "quarvel-bench-sound";
    std::filesystem::create_directories(dir);
    AddSounds(dir);
    // One sound_play: restart one of the 64 preloaded sounds.
    const int calls = 20000;
    for (int k = 0; k < 1000; k++) Call(play, k % 64);
    double t0 = Now();
    for (int k = 0; k < calls; k++) Call(play, k % 64);
    const double playUs = (Now() - t0) * 1e6 / calls;
    Sound_StopAll();
    // A room at 30 steps per second: all 64 looping; each step ends with the engine's step end.
    for (int i = 0; i < 64; i++) Call(loop, i);
    int playing = 0;
    for (int i = 0; i < 64; i++) playing += Sound_IsPlaying(i) ? 1 : 0;
    const int steps = int(seconds * 30);
    double mainS = 0, processS = 0;
    RunSteps(steps, paced, mainS, processS);
    const double stepMs = mainS * 1e3 / steps;
    std::printf("%-8s sound_play %7.2f us   %d sounds at 30 steps/s: %6.3f ms a step = %5.2f%% of a core",
                device, playUs, playing, stepMs, stepMs * 30 / 10);
    if (paced) std::printf(" (whole process %5.2f%%)", processS / seconds * 100);
    std::printf("\n");
    Sound_StopAll();

    // A three-minute song with chorus, echo and reverb, prepared as the game's data prepares it.
    const std::string song = dir + "/song.mid";
    CStream(SongMidi(360)).SaveToFile(song);
    const int id = Sound_Add(song, 1, true);
    double prepareMs = 0;
    if (id >= 0) {
        Sound_Get(id)->s_effects = 1 | 2 | 16;
        const double t = Now();
        Sound_Restore(*Sound_Get(id));
        prepareMs = (Now() - t) * 1e3;
    }
    const double startMs = TimeCall("sound_play", {double(id)});
    RunSteps(5, paced, mainS, processS);
    const double fxMs = TimeCall("sound_effect_echo", {double(id), 40, 30, 300, 350, 1});
    const double tempoMs = TimeCall("sound_background_tempo", {1.25});
    RunSteps(steps, paced, mainS, processS);
    const double songStepMs = mainS * 1e3 / steps;
    std::printf(
        "%-8s MIDI song with effects: prepare %.1f ms, sound_play %.3f ms, sound_effect_echo %.3f ms, "
        "sound_background_tempo %.3f ms; playing: %6.3f ms a step = %5.2f%% of a core",
        device, prepareMs, startMs, fxMs, tempoMs, songStepMs, songStepMs * 30 / 10);
    if (paced) std::printf(" (whole process %5.2f%%)", processS / seconds * 100);
    std::printf(", %s\n", Sound_IsPlaying(id) ? "playing" : "NOT PLAYING");
    Sound_GameEnd();
    Sound_ClearAll();
    std::filesystem::remove_all(dir);
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
    Function_RegisterAll();
    int play = -1, loop = -1;
    Function_Find("sound_play", play);
    Function_Find("sound_loop", loop);

    ::unsetenv("QUARVEL_HEADLESS");
    ::unsetenv("QUARVEL_AUDIO_FILE");
    bool noDevice = false;
    auto real = Platform_OpenSoundDevice(noDevice);
    if (noDevice) {
        std::printf("openal   no output device opens here\n");
    } else {
        Sound_UseDevice(std::move(real));
        Measure("openal", seconds, play, loop, true);
    }
    const std::string wav = std::filesystem::temp_directory_path() / "quarvel-bench-sound.wav";
    Sound_UseDevice(Platform_OpenCaptureDevice(wav));
    Measure("capture", seconds, play, loop, false);
    std::filesystem::remove(wav);

    // The effect chain: 10 s of stereo through chorus, echo and reverb, and through all nine.
    RSoundPcm pcm;
    pcm.channels = 2;
    pcm.samples.resize(size_t(44100) * 10 * 2);
    for (size_t i = 0; i < pcm.samples.size(); i++)
        pcm.samples[i] = int16_t(3000 * std::sin(0.05 * double(i / 2)));
    for (int flags : {kFxChorus | kFxEcho | kFxReverb, int(kFxAll)}) {
        RSoundEffects fx;
        fx.flags = flags;
        const double t = Now();
        RSoundPcm out = SoundFx_Render(pcm, fx);
        const double ms = (Now() - t) * 1e3;
        std::printf(
            "effects %3d on 10 s of stereo: %7.1f ms (%.0fx faster than playing it; %.1f s of tail)\n", flags,
            ms, 10000 / ms, double(out.Frames() - pcm.Frames()) / 44100);
    }
    return 0;
}
