// The sound device: decoded sounds become voices that play, loop, stop, and take a gain, a pan and
// a 3D placement; the device mixes them with a master gain. One backend is chosen once at start:
//   openal   a real output device through OpenAL Soft (its own mixer thread)
//   null     no device: every operation is accepted and nothing is heard
//   capture  an OpenAL Soft loopback device rendered on the caller's thread whenever the timeline
//            advances, written as a 16-bit stereo 44,100 Hz PCM WAV file (QUARVEL_AUDIO_FILE)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Interleaved 16-bit PCM with one or two channels.
struct RSoundPcm {
    int rate = 44100;
    int channels = 1;
    std::vector<int16_t> samples;
    size_t Frames() const { return channels > 0 ? samples.size() / size_t(channels) : 0; }
};

// A 3D voice's placement. The listener stays at the origin facing the default direction.
struct RSound3D {
    double pos[3] = {0, 0, 0};
    double vel[3] = {0, 0, 0};
    double minDist = 1, maxDist = 1e9;
    double coneDir[3] = {0, 0, 0}; // all zero: no cone
    double coneIn = 360, coneOut = 360, coneOutGain = 1;
};

class ISoundDevice {
  public:
    virtual ~ISoundDevice() = default;
    virtual const char* Name() const = 0;
    // A voice over the PCM (copied into the device). 3D voices are placed in the world; others
    // are panned by a constant-power law. Returns the voice id (> 0), or 0 on failure.
    virtual int CreateVoice(const RSoundPcm& pcm, bool spatial) = 0;
    virtual void FreeVoice(int voice) = 0;
    // Replaces the samples a voice plays (same rate and channel rules as CreateVoice). A voice
    // that is playing goes on from the same frame times positionScale, looping as before.
    virtual void SetPcm(int voice, const RSoundPcm& pcm, double positionScale = 1) = 0;
    // Starts from the beginning (restarting a playing voice), once or looping without end.
    virtual void Play(int voice, bool loop) = 0;
    virtual void Stop(int voice) = 0;
    virtual bool IsPlaying(int voice) = 0;
    // Linear gain of the voice (1 = as recorded).
    virtual void SetGain(int voice, double gain) = 0;
    // -1 left only, 0 centre, 1 right only: left cos((p+1)pi/4), right sin((p+1)pi/4).
    virtual void SetPan(int voice, double pan) = 0;
    virtual void Set3D(int voice, const RSound3D& placement) = 0;
    // Linear gain of the whole mix (above 1 boosts; the output limiter keeps it from clipping).
    virtual void SetMasterGain(double gain) = 0;
    // Capture only: renders the mix up to the given frame count of the file (no-op otherwise).
    virtual void RenderTo(int64_t frame) = 0;
    // Frames written to the capture file so far (0 for other backends).
    virtual int64_t RenderedFrames() const = 0;
    // Stops everything and completes the capture file. Later calls do nothing.
    virtual void Close() = 0;
};

inline constexpr int kCaptureRate = 44100;

// Chooses the backend: capture when QUARVEL_AUDIO_FILE is set, null when headless, else openal
// (null when no device opens; then noDevice is set so the caller can tell the user). Traces
// "Sound device: NAME".
std::unique_ptr<ISoundDevice> Platform_OpenSoundDevice(bool& noDevice);
// The capture backend on a file path (also for tests). Null when the file or the loopback device
// cannot be opened (traced).
std::unique_ptr<ISoundDevice> Platform_OpenCaptureDevice(const std::string& path);
std::unique_ptr<ISoundDevice> Platform_OpenNullDevice();

// Decodes a sound file held in memory: WAV, FLAC, Ogg, MP3 and others libsndfile reads, and
// standard MIDI files rendered with FluidSynth. More than two channels are mixed down to two.
// False (with the reason in why) when nothing can decode the bytes or they are too long.
// MIDI plays at midiTempo times the tempo the file gives (clamped to 0.01..100).
bool Platform_DecodeSound(const uint8_t* data, size_t size, RSoundPcm& out, std::string& why,
                          double midiTempo = 1);
// True for a standard MIDI file (the bytes begin with "MThd").
bool Platform_IsMidi(const uint8_t* data, size_t size);
// The General MIDI soundfont in use: QUARVEL_SOUNDFONT, else the packaged default; "" if none.
std::string Platform_SoundFontPath();
