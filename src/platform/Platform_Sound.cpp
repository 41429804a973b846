// The sound device backends over OpenAL Soft, and the choice between them.
#include "platform/Platform_Sound.h"

#include "platform/Platform_App.h"
#include "platform/Platform_Library.h"

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Finite and within a range OpenAL accepts; NaN becomes the fallback.
float Finite(double v, double lo, double hi, double fallback) {
    if (std::isnan(v)) return float(fallback);
    return float(std::clamp(v, lo, hi));
}

class NullDevice : public ISoundDevice {
  public:
    const char* Name() const override { return "null"; }
    int CreateVoice(const RSoundPcm&, bool) override { return ++m_next; }
    int CreateStreamVoice(std::shared_ptr<ISoundStream>, bool) override { return ++m_next; }
    void FreeVoice(int) override {}
    void SetPcm(int, const RSoundPcm&, double) override {}
    void Play(int, bool) override {}
    void Stop(int) override {}
    bool IsPlaying(int) override { return false; }
    void SetGain(int, double) override {}
    void SetPan(int, double) override {}
    void Set3D(int, const RSound3D&) override {}
    void SetMasterGain(double) override {}
    void RenderTo(int64_t) override {}
    int64_t RenderedFrames() const override { return 0; }
    void Close() override {}

  private:
    int m_next = 0;
};

// One voice: a panned voice has a left and a right source placed hard left and hard right (where
// OpenAL Soft's stereo panning sends a source to one channel only), so the pan law is ours; a
// stereo sound's channels go to their own sides. A 3D voice has one mono source in the world.
// A streamed voice: its sources are the Voice's; its buffers are queued on them block by block by
// the render side. What the game's thread changes (play, stop, freeing) is guarded by the
// device's stream lock; rendering itself runs without it.
struct StreamVoice {
    std::shared_ptr<ISoundStream> stream;
    ALuint src[2] = {0, 0};
    int nsrc = 0;
    // Every play and stop is a new generation; the render side takes it up at its next service.
    unsigned gen = 0, seen = 0;
    bool wantPlay = false, loop = false, freed = false;
    std::atomic<bool> playing{false};
    // Render side.
    bool active = false, ended = false;
    struct Block {
        ALuint buf[2];
        size_t frames;
    };
    std::deque<Block> queued; // oldest first
    std::vector<ALuint> spare[2];
    std::vector<ALuint> all;
};

struct Voice {
    ALuint src[2] = {0, 0};
    ALuint buf[2] = {0, 0};
    int nsrc = 0, nbuf = 0;
    bool spatial = false;
    double gain = 1, pan = 0;
    std::shared_ptr<StreamVoice> stream; // null for a voice over decoded samples
};

class OpenALDevice : public ISoundDevice {
  public:
    ~OpenALDevice() override { Close(); }

    // A real output device (name null: the default), or a loopback device for capture.
    bool Open(bool loopback, const std::string& capturePath) {
        m_loopback = loopback;
        std::string error;
        if (!Platform_LoadLibrary(ESystemLibrary::OpenAl, &error)) {
            Platform_Trace("Sound: " + error);
            return false;
        }
        if (loopback) {
            m_file = std::fopen(capturePath.c_str(), "wb");
            if (!m_file) {
                Platform_Trace("Sound capture: cannot write " + capturePath);
                return false;
            }
            m_dev = alcLoopbackOpenDeviceSOFT(nullptr);
        } else {
            m_dev = alcOpenDevice(nullptr);
        }
        if (!m_dev) {
            Platform_Trace(loopback ? "Sound capture: no loopback device" : "Sound: no output device");
            return false;
        }
        std::vector<ALCint> attrs = {ALC_HRTF_SOFT,    ALC_FALSE, ALC_OUTPUT_LIMITER_SOFT, ALC_TRUE,
                                     ALC_MONO_SOURCES, 4096,      ALC_STEREO_SOURCES,      16};
        if (loopback) {
            attrs.insert(attrs.end(), {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                                       ALC_FLOAT_SOFT, ALC_FREQUENCY, kCaptureRate});
        }
        attrs.push_back(0);
        m_ctx = alcCreateContext(m_dev, attrs.data());
        if (!m_ctx || !alcMakeContextCurrent(m_ctx)) {
            Platform_Trace("Sound: cannot create a mixing context");
            return false;
        }
        alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
        if (m_file) WriteHeader();
        return true;
    }

    const char* Name() const override { return m_loopback ? "capture" : "openal"; }

    int CreateVoice(const RSoundPcm& pcm, bool spatial) override {
        if (!m_ctx || !Usable(pcm)) return 0;
        alGetError();
        Voice v;
        v.spatial = spatial;
        Upload(v, pcm);
        if (!MakeSources(v)) return 0;
        Attach(v);
        return AddVoice(v);
    }

    int CreateStreamVoice(std::shared_ptr<ISoundStream> stream, bool spatial) override {
        if (!m_ctx || !stream) return 0;
        alGetError();
        Voice v;
        v.spatial = spatial;
        if (!MakeSources(v)) return 0;
        auto sv = std::make_shared<StreamVoice>();
        sv->stream = std::move(stream);
        sv->nsrc = v.nsrc;
        std::copy_n(v.src, 2, sv->src);
        // Enough buffers for the blocks kept ahead and those a capture mix asks for at once.
        const int count = kStreamAhead + 3;
        for (int i = 0; i < v.nsrc; i++) {
            sv->spare[i].resize(count);
            alGenBuffers(count, sv->spare[i].data());
            sv->all.insert(sv->all.end(), sv->spare[i].begin(), sv->spare[i].end());
        }
        if (alGetError() != AL_NO_ERROR) {
            alDeleteSources(v.nsrc, v.src);
            alDeleteBuffers(ALsizei(sv->all.size()), sv->all.data());
            Platform_Trace("Sound: the device has no room for another voice");
            return 0;
        }
        v.stream = sv;
        const int id = AddVoice(v);
        std::lock_guard<std::mutex> hold(m_streamLock);
        m_streams[id] = sv;
        if (!m_loopback && !m_worker.joinable()) m_worker = std::thread([this] { WorkerLoop(); });
        return id;
    }

    void SetPcm(int voice, const RSoundPcm& pcm, double positionScale) override {
        Voice* v = Find(voice);
        if (!v || v->stream || !Usable(pcm)) return;
        ALint state = 0, offset = 0;
        alGetSourcei(v->src[0], AL_SOURCE_STATE, &state);
        alGetSourcei(v->src[0], AL_SAMPLE_OFFSET, &offset);
        alSourceStopv(v->nsrc, v->src);
        for (int i = 0; i < v->nsrc; i++) alSourcei(v->src[i], AL_BUFFER, 0);
        alDeleteBuffers(v->nbuf, v->buf);
        v->nbuf = 0;
        Upload(*v, pcm);
        Attach(*v);
        if (state == AL_PLAYING) {
            ALint looping = AL_FALSE;
            alGetSourcei(v->src[0], AL_LOOPING, &looping);
            const double at = std::isfinite(positionScale) ? offset * std::max(positionScale, 0.0) : 0;
            const double frames = double(pcm.Frames());
            // A looping voice goes on at the same place in its round; another one near its end.
            const ALint to = ALint(looping ? std::fmod(at, frames) : std::min(at, frames - 1));
            for (int i = 0; i < v->nsrc; i++) alSourcei(v->src[i], AL_SAMPLE_OFFSET, to);
            alSourcePlayv(v->nsrc, v->src);
        }
    }

    void FreeVoice(int voice) override {
        auto it = m_voices.find(voice);
        if (it == m_voices.end()) return;
        Release(it->second);
        m_voices.erase(it);
    }

    void Play(int voice, bool loop) override {
        Voice* v = Find(voice);
        if (!v) return;
        if (v->stream) {
            Command(*v->stream, true, loop);
            return;
        }
        alSourceStopv(v->nsrc, v->src);
        for (int i = 0; i < v->nsrc; i++) alSourcei(v->src[i], AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
        alSourcePlayv(v->nsrc, v->src); // both sides start in the same mix update
    }
    void Stop(int voice) override {
        Voice* v = Find(voice);
        if (v && v->stream)
            Command(*v->stream, false, false);
        else if (v)
            alSourceStopv(v->nsrc, v->src);
    }
    bool IsPlaying(int voice) override {
        Voice* v = Find(voice);
        if (!v) return false;
        if (v->stream) return v->stream->playing;
        ALint state = 0;
        alGetSourcei(v->src[0], AL_SOURCE_STATE, &state);
        return state == AL_PLAYING;
    }
    void SetGain(int voice, double gain) override {
        if (Voice* v = Find(voice)) {
            v->gain = Finite(gain, 0, 1, 0);
            ApplyGain(*v);
        }
    }
    void SetPan(int voice, double pan) override {
        if (Voice* v = Find(voice)) {
            v->pan = Finite(pan, -1, 1, 0);
            ApplyGain(*v);
        }
    }
    void Set3D(int voice, const RSound3D& p) override {
        Voice* v = Find(voice);
        if (!v || !v->spatial) return;
        constexpr double kFar = 1e9;
        ALuint s = v->src[0];
        alSource3f(s, AL_POSITION, Finite(p.pos[0], -kFar, kFar, 0), Finite(p.pos[1], -kFar, kFar, 0),
                   Finite(p.pos[2], -kFar, kFar, 0));
        alSource3f(s, AL_VELOCITY, Finite(p.vel[0], -kFar, kFar, 0), Finite(p.vel[1], -kFar, kFar, 0),
                   Finite(p.vel[2], -kFar, kFar, 0));
        float lo = Finite(p.minDist, 1e-6, kFar, 1);
        float hi = std::max(lo, Finite(p.maxDist, 1e-6, kFar, kFar));
        alSourcef(s, AL_REFERENCE_DISTANCE, lo);
        alSourcef(s, AL_MAX_DISTANCE, hi);
        alSource3f(s, AL_DIRECTION, Finite(p.coneDir[0], -kFar, kFar, 0),
                   Finite(p.coneDir[1], -kFar, kFar, 0), Finite(p.coneDir[2], -kFar, kFar, 0));
        alSourcef(s, AL_CONE_INNER_ANGLE, Finite(p.coneIn, 0, 360, 360));
        alSourcef(s, AL_CONE_OUTER_ANGLE, Finite(p.coneOut, 0, 360, 360));
        alSourcef(s, AL_CONE_OUTER_GAIN, Finite(p.coneOutGain, 0, 1, 1));
    }
    void SetMasterGain(double gain) override {
        if (m_ctx) alListenerf(AL_GAIN, Finite(gain, 0, 16, 1));
    }

    void RenderTo(int64_t frame) override {
        if (!m_loopback || !m_dev || !m_file) return;
        if (frame <= m_frames) return;
        // The mix is rendered as floats and rounded here, without dither: silence stays exact.
        std::vector<float> mix;
        std::vector<int16_t> block;
        while (m_frames < frame) {
            int n = int(std::min<int64_t>(frame - m_frames, 4096));
            mix.resize(size_t(n) * 2);
            block.resize(mix.size());
            // Streamed voices get the blocks this stretch of the mix needs, rendered here.
            for (auto& sv : StreamList()) Service(*sv, size_t(n));
            alcRenderSamplesSOFT(m_dev, mix.data(), n);
            for (size_t i = 0; i < mix.size(); i++)
                block[i] = int16_t(std::lround(Finite(double(mix[i]) * 32767, -32768, 32767, 0)));
            std::fwrite(block.data(), sizeof(int16_t), block.size(), m_file);
            m_frames += n;
        }
        WriteHeader(); // the file is a complete WAV after every step, however the game ends
    }
    int64_t RenderedFrames() const override { return m_frames; }

    void Close() override {
        if (m_worker.joinable()) {
            {
                std::lock_guard<std::mutex> hold(m_wakeLock);
                m_quit = true;
            }
            m_wake.notify_all();
            m_worker.join();
        }
        if (m_ctx) {
            for (auto& [id, v] : m_voices) Release(v);
            m_voices.clear();
            alcMakeContextCurrent(nullptr);
            alcDestroyContext(m_ctx);
            m_ctx = nullptr;
        }
        if (m_dev) {
            alcCloseDevice(m_dev);
            m_dev = nullptr;
        }
        if (m_file) {
            WriteHeader();
            std::fclose(m_file);
            m_file = nullptr;
        }
    }

  private:
    static bool Usable(const RSoundPcm& pcm) {
        return pcm.Frames() > 0 && pcm.rate > 0 && (pcm.channels == 1 || pcm.channels == 2);
    }
    // The voice's buffers: one mono buffer, or (a panned stereo sound) one per side; a 3D voice
    // hears a stereo sound mixed down to mono.
    void Upload(Voice& v, const RSoundPcm& pcm) {
        const size_t frames = pcm.Frames();
        std::vector<int16_t> chan(frames);
        auto upload = [&](ALuint& b, const int16_t* data) {
            alGenBuffers(1, &b);
            alBufferData(b, AL_FORMAT_MONO16, data, ALsizei(frames * 2), pcm.rate);
        };
        if (pcm.channels == 1) {
            upload(v.buf[0], pcm.samples.data());
            v.nbuf = 1;
        } else if (v.spatial) {
            for (size_t i = 0; i < frames; i++)
                chan[i] = int16_t((int(pcm.samples[2 * i]) + int(pcm.samples[2 * i + 1])) / 2);
            upload(v.buf[0], chan.data());
            v.nbuf = 1;
        } else {
            for (int c = 0; c < 2; c++) {
                for (size_t i = 0; i < frames; i++) chan[i] = pcm.samples[2 * i + c];
                upload(v.buf[c], chan.data());
            }
            v.nbuf = 2;
        }
    }
    void Attach(Voice& v) {
        for (int i = 0; i < v.nsrc; i++)
            alSourcei(v.src[i], AL_BUFFER, ALint(v.buf[std::min(i, v.nbuf - 1)]));
    }
    Voice* Find(int voice) {
        auto it = m_voices.find(voice);
        return it == m_voices.end() ? nullptr : &it->second;
    }
    void Release(Voice& v) {
        if (v.stream) {
            std::lock_guard<std::mutex> hold(m_streamLock);
            StreamVoice& sv = *v.stream;
            sv.freed = true;
            sv.playing = false;
            alSourceStopv(sv.nsrc, sv.src);
            for (int i = 0; i < sv.nsrc; i++) alSourcei(sv.src[i], AL_BUFFER, 0);
            alDeleteSources(sv.nsrc, sv.src);
            alDeleteBuffers(ALsizei(sv.all.size()), sv.all.data());
            for (auto it = m_streams.begin(); it != m_streams.end();)
                it = it->second.get() == &sv ? m_streams.erase(it) : std::next(it);
            v.nsrc = v.nbuf = 0;
            v.stream.reset();
            return;
        }
        if (v.nsrc) {
            alSourceStopv(v.nsrc, v.src);
            alDeleteSources(v.nsrc, v.src);
        }
        if (v.nbuf) alDeleteBuffers(v.nbuf, v.buf);
        v.nsrc = v.nbuf = 0;
    }
    // The voice's sources: two placed hard left and right, or one in the world.
    bool MakeSources(Voice& v) {
        v.nsrc = v.spatial ? 1 : 2;
        alGenSources(v.nsrc, v.src);
        if (alGetError() != AL_NO_ERROR) {
            v.nsrc = 0;
            Release(v);
            Platform_Trace("Sound: the device has no room for another voice");
            return false;
        }
        for (int i = 0; i < v.nsrc && !v.spatial; i++) {
            alSourcei(v.src[i], AL_SOURCE_RELATIVE, AL_TRUE);
            alSource3f(v.src[i], AL_POSITION, i == 0 ? -1.f : 1.f, 0, 0);
            alSourcef(v.src[i], AL_ROLLOFF_FACTOR, 0);
        }
        return true;
    }
    int AddVoice(const Voice& v) {
        const int id = ++m_next;
        m_voices[id] = v;
        ApplyGain(m_voices[id]);
        return id;
    }

    // The game's thread: a play (from the start) or a stop, taken up by the render side at its
    // next service; a real device's worker is woken for it.
    void Command(StreamVoice& sv, bool play, bool loop) {
        {
            std::lock_guard<std::mutex> hold(m_streamLock);
            sv.gen++;
            sv.wantPlay = play;
            sv.loop = loop;
            sv.playing = play;
        }
        if (m_worker.joinable()) {
            {
                std::lock_guard<std::mutex> hold(m_wakeLock);
                m_poke = true;
            }
            m_wake.notify_one();
        }
    }

    std::vector<std::shared_ptr<StreamVoice>> StreamList() {
        std::lock_guard<std::mutex> hold(m_streamLock);
        std::vector<std::shared_ptr<StreamVoice>> list;
        for (auto& [id, sv] : m_streams) list.push_back(sv);
        return list;
    }

    // Render side, under the stream lock: takes the buffers the sources have played off them.
    static void Unqueue(StreamVoice& sv) {
        ALint done = INT32_MAX;
        for (int i = 0; i < sv.nsrc; i++) {
            ALint d = 0;
            alGetSourcei(sv.src[i], AL_BUFFERS_PROCESSED, &d);
            done = std::min(done, d);
        }
        for (; done > 0 && !sv.queued.empty(); done--) {
            const StreamVoice::Block b = sv.queued.front();
            sv.queued.pop_front();
            for (int i = 0; i < sv.nsrc; i++) {
                ALuint id = 0;
                alSourceUnqueueBuffers(sv.src[i], 1, &id);
                sv.spare[i].push_back(b.buf[i]);
            }
        }
    }

    // Render side: takes up the game's last play or stop, then renders blocks until at least
    // `ahead` frames wait unplayed (or the buffers run out) and queues them. The rendering runs
    // without the lock, so the game's thread never waits for it.
    void Service(StreamVoice& sv, size_t ahead) {
        bool rewind = false, loop = false;
        unsigned gen = 0;
        size_t blocks = 0;
        {
            std::lock_guard<std::mutex> hold(m_streamLock);
            if (sv.freed) return;
            if (sv.seen != sv.gen) {
                sv.seen = sv.gen;
                alSourceRewindv(sv.nsrc, sv.src); // stopped, and nothing counts as played
                for (int i = 0; i < sv.nsrc; i++) alSourcei(sv.src[i], AL_BUFFER, 0);
                for (const StreamVoice::Block& b : sv.queued)
                    for (int i = 0; i < sv.nsrc; i++) sv.spare[i].push_back(b.buf[i]);
                sv.queued.clear();
                sv.active = rewind = sv.wantPlay;
                sv.ended = false;
                loop = sv.loop;
            }
            if (!sv.active) return;
            Unqueue(sv);
            ALint state = 0, offset = 0;
            alGetSourcei(sv.src[0], AL_SOURCE_STATE, &state);
            alGetSourcei(sv.src[0], AL_SAMPLE_OFFSET, &offset);
            if (sv.ended) {
                if (sv.queued.empty() || state != AL_PLAYING) sv.active = sv.playing = false;
                return;
            }
            size_t unplayed = 0;
            for (const StreamVoice::Block& b : sv.queued) unplayed += b.frames;
            unplayed -= std::min(unplayed, size_t(std::max(offset, 0)));
            while (unplayed + blocks * kStreamBlock < ahead && blocks < sv.spare[0].size()) blocks++;
            gen = sv.gen;
        }
        if (blocks == 0) return;
        if (rewind) sv.stream->Rewind(loop);
        std::vector<float> l(kStreamBlock), r(kStreamBlock);
        std::vector<int16_t> pcm[2];
        std::vector<size_t> frames;
        bool ended = false;
        for (size_t b = 0; b < blocks && !ended; b++) {
            const size_t got =
                std::min(sv.stream->Render(l.data(), r.data(), kStreamBlock), size_t(kStreamBlock));
            ended = got < size_t(kStreamBlock);
            if (got == 0) break;
            frames.push_back(got);
            auto put = [](float v) {
                return int16_t(std::lround(std::clamp(std::isnan(v) ? 0.f : v, -1.f, 1.f) * 32767));
            };
            for (size_t i = 0; i < got; i++) {
                if (sv.nsrc == 1) {
                    pcm[0].push_back(put((l[i] + r[i]) * 0.5f));
                } else {
                    pcm[0].push_back(put(l[i]));
                    pcm[1].push_back(put(r[i]));
                }
            }
        }
        std::lock_guard<std::mutex> hold(m_streamLock);
        if (sv.freed || sv.gen != gen) return; // played or stopped again meanwhile: start over
        // A source that ran dry is set back so that the blocks queued now do not count as played.
        Unqueue(sv);
        ALint state = 0;
        alGetSourcei(sv.src[0], AL_SOURCE_STATE, &state);
        if (state == AL_STOPPED) alSourceRewindv(sv.nsrc, sv.src);
        size_t at = 0;
        for (size_t f : frames) {
            StreamVoice::Block b{{0, 0}, f};
            for (int i = 0; i < sv.nsrc; i++) {
                b.buf[i] = sv.spare[i].back();
                sv.spare[i].pop_back();
                alBufferData(b.buf[i], AL_FORMAT_MONO16, pcm[i].data() + at, ALsizei(f * 2), kStreamRate);
                alSourceQueueBuffers(sv.src[i], 1, &b.buf[i]);
            }
            sv.queued.push_back(b);
            at += f;
        }
        sv.ended = ended;
        // Start, or start again after running dry.
        if (state != AL_PLAYING && !sv.queued.empty()) alSourcePlayv(sv.nsrc, sv.src);
        if (sv.ended && sv.queued.empty()) sv.active = sv.playing = false;
    }

    // A real device's render side: keeps every playing streamed voice kStreamAhead blocks ahead,
    // waking at least every 10 ms (a block lasts 23 ms) and at once for a play or stop.
    void WorkerLoop() {
        std::unique_lock<std::mutex> wake(m_wakeLock);
        while (!m_quit) {
            m_poke = false;
            wake.unlock();
            for (auto& sv : StreamList()) Service(*sv, size_t(kStreamAhead) * kStreamBlock);
            wake.lock();
            m_wake.wait_for(wake, std::chrono::milliseconds(10), [this] { return m_quit || m_poke; });
        }
    }

    void ApplyGain(Voice& v) {
        if (v.spatial) {
            alSourcef(v.src[0], AL_GAIN, float(v.gain));
            return;
        }
        const double a = (v.pan + 1) * kPi / 4;
        alSourcef(v.src[0], AL_GAIN, float(v.gain * std::cos(a)));
        alSourcef(v.src[1], AL_GAIN, float(v.gain * std::sin(a)));
    }
    // A canonical 44-byte header for the frames written so far; the write position is kept.
    void WriteHeader() {
        const uint32_t dataBytes = uint32_t(std::min<int64_t>(m_frames * 4, 0xFFFFFFFFll - 36));
        uint8_t h[44];
        auto put32 = [&](int at, uint32_t v) {
            for (int i = 0; i < 4; i++) h[at + i] = uint8_t(v >> (8 * i));
        };
        auto put16 = [&](int at, uint16_t v) {
            h[at] = uint8_t(v);
            h[at + 1] = uint8_t(v >> 8);
        };
        std::copy_n("RIFF", 4, h);
        put32(4, 36 + dataBytes);
        std::copy_n("WAVEfmt ", 8, h + 8);
        put32(16, 16);
        put16(20, 1); // PCM
        put16(22, 2);
        put32(24, kCaptureRate);
        put32(28, kCaptureRate * 4);
        put16(32, 4);
        put16(34, 16);
        std::copy_n("data", 4, h + 36);
        put32(40, dataBytes);
        long pos = std::ftell(m_file);
        std::fseek(m_file, 0, SEEK_SET);
        std::fwrite(h, 1, sizeof h, m_file);
        if (pos > long(sizeof h)) std::fseek(m_file, pos, SEEK_SET);
        std::fflush(m_file);
    }

    bool m_loopback = false;
    ALCdevice* m_dev = nullptr;
    ALCcontext* m_ctx = nullptr;
    FILE* m_file = nullptr;
    int64_t m_frames = 0;
    int m_next = 0;
    std::map<int, Voice> m_voices;
    // Streamed voices, shared with the render side.
    std::mutex m_streamLock;
    std::map<int, std::shared_ptr<StreamVoice>> m_streams;
    std::thread m_worker;
    std::mutex m_wakeLock;
    std::condition_variable m_wake;
    bool m_quit = false, m_poke = false;
};

} // namespace

std::unique_ptr<ISoundDevice> Platform_OpenNullDevice() {
    return std::make_unique<NullDevice>();
}

std::unique_ptr<ISoundDevice> Platform_OpenCaptureDevice(const std::string& path) {
    auto dev = std::make_unique<OpenALDevice>();
    if (!dev->Open(true, path)) return nullptr;
    return dev;
}

std::unique_ptr<ISoundDevice> Platform_OpenSoundDevice(bool& noDevice) {
    noDevice = false;
    std::unique_ptr<ISoundDevice> dev;
    const char* capture = std::getenv("QUARVEL_AUDIO_FILE");
    if (capture && *capture) {
        dev = Platform_OpenCaptureDevice(capture);
    } else if (!Platform_IsHeadless()) {
        auto real = std::make_unique<OpenALDevice>();
        if (real->Open(false, ""))
            dev = std::move(real);
        else
            noDevice = true;
    }
    if (!dev) dev = Platform_OpenNullDevice();
    Platform_Trace(std::string("Sound device: ") + dev->Name());
    return dev;
}
