// The sound device: decoded sounds become voices that play, loop, stop, and take a gain, a pan and
// a 3D placement; the device mixes them with a master gain. One backend is chosen once at start:
//   openal   a real output device through OpenAL Soft (its own mixer thread)
//   null     no device: every operation is accepted and nothing is heard
//   capture  an OpenAL Soft loopback device rendered on the caller's thread whenever the timeline
//            advances, written as a 16-bit stereo 44,100 Hz PCM WAV file (QUARVEL_AUDIO_FILE)
// Streamed voices play sound rendered while it plays (music synthesised block by block): a real
// device renders their blocks ahead on a worker thread of its own; the capture device renders
// them on its caller's thread just before the mix that needs them.
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

// Sound rendered block by block as it plays, stereo at kStreamRate. A device calls Rewind and
// Render from its render side only (its worker thread, or the thread rendering the capture),
// one call at a time; what the game changes reaches the stream through its own thread-safe setters.
class ISoundStream {
  public:
    virtual ~ISoundStream() = default;
    // Back to the start; with loop the stream goes on without end.
    virtual void Rewind(bool loop) = 0;
    // Writes up to n frames of each side; fewer (perhaps none) only when the stream has ended.
    virtual size_t Render(float* left, float* right, size_t n) = 0;
};

inline constexpr int kStreamRate = 44100;
// Frames of one block of a streamed voice; a real device keeps kStreamAhead blocks queued.
inline constexpr int kStreamBlock = 1024;
inline constexpr int kStreamAhead = 4;

class ISoundDevice {
  public:
    virtual ~ISoundDevice() = default;
    virtual const char* Name() const = 0;
    // A voice over the PCM (copied into the device). 3D voices are placed in the world; others
    // are panned by a constant-power law. Returns the voice id (> 0), or 0 on failure.
    virtual int CreateVoice(const RSoundPcm& pcm, bool spatial) = 0;
    // A streamed voice over the stream (shared with the device's render side). It starts rendering
    // when played: from the next block on a real device, from the next mix on the capture device.
    virtual int CreateStreamVoice(std::shared_ptr<ISoundStream> stream, bool spatial) = 0;
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

// Decodes sampled sound held in memory: WAV, FLAC, Ogg, MP3 and others libsndfile reads. More
// than two channels are mixed down to two. False (with the reason in why) when nothing can decode
// the bytes or they are too long. MIDI is not decoded here but synthesised by CMidiSynth.
bool Platform_DecodeSound(const uint8_t* data, size_t size, RSoundPcm& out, std::string& why);
// True for a standard MIDI file (the bytes begin with "MThd").
bool Platform_IsMidi(const uint8_t* data, size_t size);
// The General MIDI soundfont in use: QUARVEL_SOUNDFONT, else the packaged default; "" if none.
std::string Platform_SoundFontPath();

// A standard MIDI file synthesised by FluidSynth with the General MIDI soundfont, block by block,
// at kStreamRate. Not thread-safe: one thread renders it at a time.
class CMidiSynth {
  public:
    ~CMidiSynth();
    CMidiSynth(const CMidiSynth&) = delete;
    CMidiSynth& operator=(const CMidiSynth&) = delete;
    // Checks the file (a header, whole tracks, at least one note) and loads the soundfont. Null,
    // with the reason in why, when the data is broken, plays no notes or no soundfont loads.
    static std::unique_ptr<CMidiSynth> Open(const uint8_t* data, size_t size, std::string& why);
    // From the beginning with every sounding note cut; with loop the song starts again whenever
    // it ends.
    void Restart(bool loop);
    // Factor times the tempo the file gives (clamped to 0.01..100; NaN counts as 1), from the
    // next frame rendered on; the song goes on from the same beat.
    void SetTempo(double factor);
    // Renders up to n frames; fewer when the song and one second of release after it have ended.
    size_t Render(float* left, float* right, size_t n);

  private:
    CMidiSynth();
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
