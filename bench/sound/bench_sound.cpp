// The sound engine's cost on the main thread: one sound_play of a preloaded sound, a room at 30
// steps per second with 64 sounds playing at once, and rendering an effect chain.
// Usage: bench_sound [SECONDS_OF_STEPS]   (default 10: 300 steps)
// The real output device is used when one opens (its mixer runs on OpenAL Soft's own thread);
// the capture device is measured too, where the mix is rendered on the main thread at each step.
#include "code/Code_Function.h"
#include "functions/Function_Families.h"
#include "platform/Platform_Sound.h"
#include "sound/Sound_Effects.h"
#include "sound/Sound_Engine.h"
#include "sound/Sound_Main.h"
#include "support/Support_Stream.h"

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

void Measure(const char* device, double seconds, int play, int loop) {
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
    t0 = Now();
    for (int k = 0; k < steps; k++) Sound_StepEnd(30);
    const double stepMs = (Now() - t0) * 1e3 / steps;
    std::printf("%-8s sound_play %7.2f us   %d sounds at 30 steps/s: %6.3f ms a step = %5.2f%% of a core\n",
                device, playUs, playing, stepMs, stepMs * 30 / 10);
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
        Measure("openal", seconds, play, loop);
    }
    const std::string wav = std::filesystem::temp_directory_path() / "quarvel-bench-sound.wav";
    Sound_UseDevice(Platform_OpenCaptureDevice(wav));
    Measure("capture", seconds, play, loop);
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
