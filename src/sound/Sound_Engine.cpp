// The sound engine: slots, kinds, volume in hundredths of a decibel, fades, and the step timeline.
#include "sound/Sound_Engine.h"

#include "platform/Platform_App.h"
#include "platform/Platform_Dialog.h"
#include "resources/Sound_Class.h"
#include "sound/Sound_Effects.h"
#include "sound/Sound_Main.h"
#include "sound/Sound_Stream.h"
#include "support/Support_Stream.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

enum : int { kKindNormal = 0, kKindMusic = 1, kKind3D = 2, kKindMedia = 3 };

struct Slot {
    bool inuse = false;
    int kind = kKindNormal;
    int voice = 0; // 0: nothing to play (data that cannot be decoded)
    double mb = 0; // level now, hundredths of a decibel
    double fadeFrom = 0, fadeTo = 0, fadeStart = 0, fadeSeconds = 0;
    bool fading = false;
    int pan = 0; // hundredths of a percent, -10000..10000
    RSound3D place;
    RSoundPcm dry; // the decoded sound before its effects
    RSoundEffects fx;
    RSoundPcm wet;       // through the effect chain, with its tail (empty without effects)
    bool looped = false; // the voice holds the wet sound folded for looping
    // MIDI music, synthesised while it plays (its voice is a streamed one; dry and wet stay empty).
    std::shared_ptr<CMusicStream> music;
};

// Kept on the heap and never destroyed: sounds freed during static destruction still find it.
struct Engine {
    std::unique_ptr<ISoundDevice> device;
    std::vector<Slot> slots;
    int masterMb = 1000;
    double tempo = 1; // MIDI music's tempo factor
    std::string searchDir;
    // Step timeline (capture): frames at the last speed change, steps since then, that speed.
    int64_t baseFrames = 0;
    int64_t steps = 0;
    double speed = 0;
};
Engine& E() {
    static Engine* e = new Engine;
    return *e;
}

double GainOfMb(double mb) {
    return std::pow(10.0, mb / 2000.0);
}

bool IsCapture() {
    return E().device && std::string_view(E().device->Name()) == "capture";
}

// Seconds on the engine's clock: the capture file's timeline, else the wall clock.
double Now() {
    if (IsCapture()) return double(E().device->RenderedFrames()) / kCaptureRate;
    return double(Platform_TimeMicros()) / 1e6;
}

Slot* SlotAt(int slot) {
    auto& s = E().slots;
    return slot >= 0 && slot < int(s.size()) && s[size_t(slot)].inuse ? &s[size_t(slot)] : nullptr;
}

void ApplyVolume(Slot& s) {
    if (s.voice && s.kind != kKindMedia) E().device->SetGain(s.voice, GainOfMb(s.mb));
}

int AllocateSlot(int kind) {
    auto& slots = E().slots;
    size_t i = 0;
    while (i < slots.size() && slots[i].inuse) i++;
    if (i == slots.size()) slots.emplace_back();
    slots[i] = Slot{};
    slots[i].inuse = true;
    slots[i].kind = kind;
    return int(i);
}

// The sound's slot, created when it has none; -1 when the sound cannot have one.
int SlotOf(CSound& snd) {
    if (snd.s_soundid < 0) Sound_Restore(snd);
    return SlotAt(snd.s_soundid) ? snd.s_soundid : -1;
}

int VolumeMb(double value) {
    if (std::isnan(value)) value = 0;
    value = std::clamp(value, 0.0, 1.0); // above 1 would boost a single sound past its recording
    return int(std::lround(value * 9600)) - 9600;
}

void MoveFades(double now) {
    for (Slot& s : E().slots) {
        if (!s.inuse || !s.fading) continue;
        double t = s.fadeSeconds > 0 ? (now - s.fadeStart) / s.fadeSeconds : 1;
        if (t >= 1) {
            s.mb = s.fadeTo;
            s.fading = false;
        } else {
            s.mb = s.fadeFrom + (s.fadeTo - s.fadeFrom) * std::max(0.0, t);
        }
        ApplyVolume(s);
    }
}

CSound* Existing(int id) {
    return Sound_Exists(id) ? Sound_Get(id) : nullptr;
}

// What the voice plays: the dry sound, or the wet one; for looping, the wet sound's tail is
// folded back over its start, so each round carries the tail of the rounds before it.
RSoundPcm VoicePcm(const Slot& s) {
    if (!s.fx.flags) return s.dry;
    const size_t frames = s.dry.Frames(), all = s.wet.Frames();
    if (!s.looped || frames == 0 || all <= frames) return s.wet;
    std::vector<int32_t> sum(frames * 2, 0);
    for (size_t f = 0; f < all; f++)
        for (size_t c = 0; c < 2; c++) sum[(f % frames) * 2 + c] += s.wet.samples[f * 2 + c];
    RSoundPcm out;
    out.rate = s.wet.rate;
    out.channels = 2;
    out.samples.resize(sum.size());
    for (size_t i = 0; i < sum.size(); i++) out.samples[i] = int16_t(std::clamp(sum[i], -32768, 32767));
    return out;
}

} // namespace

void Sound_StartEngine() {
    Engine& e = E();
    if (e.device) return;
    bool noDevice = false;
    e.device = Platform_OpenSoundDevice(noDevice);
    if (noDevice) Platform_ShowMessage("No sound device detected. Sounds might not play.");
    e.device->SetMasterGain(GainOfMb(e.masterMb));
}

void Sound_UseDevice(std::unique_ptr<ISoundDevice> device) {
    Sound_GameEnd();
    E().device = std::move(device);
    E().device->SetMasterGain(GainOfMb(E().masterMb));
}

ISoundDevice* Sound_Device() {
    return E().device.get();
}

bool Sound_PrepareAll() {
    const char* capture = std::getenv("QUARVEL_AUDIO_FILE");
    bool any = false;
    for (int i = 0; i < Sound_Count() && !any; i++) any = Sound_Exists(i);
    if (!any && !(capture && *capture)) return true;
    Sound_StartEngine();
    for (int i = 0; i < Sound_Count(); i++) {
        CSound* snd = Existing(i);
        if (snd && snd->s_preload) Sound_Restore(*snd);
    }
    return true;
}

void Sound_Restore(CSound& snd) {
    if (snd.s_soundid >= 0 || snd.s_kind < kKindNormal || snd.s_kind > kKindMedia) return;
    Sound_StartEngine();
    int slot = AllocateSlot(snd.s_kind);
    snd.s_soundid = slot;
    Slot& s = E().slots[size_t(slot)];
    std::string why;
    const uint8_t* data = snd.s_sound ? snd.s_sound->Data() : nullptr;
    size_t size = snd.s_sound ? snd.s_sound->Size() : 0;
    // The effects on the record apply to what the voice plays; then volume and pan.
    const int flags = s.kind != kKindMedia ? std::max(snd.s_effects, 0) & kFxAll : 0;
    if (Platform_IsMidi(data, size)) {
        // Music is synthesised block by block while it plays; here only the file is checked and
        // the soundfont loaded.
        std::unique_ptr<CMidiSynth> synth = CMidiSynth::Open(data, size, why);
        if (!synth) {
            Platform_Trace("Sound " + snd.s_origname + " stays silent: " + why);
            return;
        }
        s.fx.flags = flags;
        s.music = std::make_shared<CMusicStream>(std::move(synth), s.fx, E().tempo);
        s.voice = E().device->CreateStreamVoice(s.music, snd.s_kind == kKind3D);
    } else {
        RSoundPcm pcm;
        if (!Platform_DecodeSound(data, size, pcm, why)) {
            Platform_Trace("Sound " + snd.s_origname + " stays silent: " + why);
            return;
        }
        s.fx.flags = flags;
        s.dry = std::move(pcm);
        if (s.fx.flags) s.wet = SoundFx_Render(s.dry, s.fx);
        s.voice = E().device->CreateVoice(s.fx.flags ? s.wet : s.dry, snd.s_kind == kKind3D);
    }
    if (!s.voice) {
        Platform_Trace("Sound " + snd.s_origname + " stays silent: the device refused it");
        return;
    }
    s.mb = VolumeMb(snd.s_volume);
    ApplyVolume(s);
    if (s.kind != kKindMedia && s.kind != kKind3D) {
        double p = std::isnan(snd.s_pan) ? 0 : std::clamp(snd.s_pan, -1.0, 1.0);
        s.pan = int(std::lround(p * 10000));
        E().device->SetPan(s.voice, s.pan / 10000.0);
    }
}

void Sound_Discard(CSound& snd) {
    SoundSlot_Free(snd.s_soundid);
    snd.s_soundid = -1;
}

void SoundSlot_Free(int slot) {
    Slot* s = SlotAt(slot);
    if (!s) return;
    if (s->voice && E().device) E().device->FreeVoice(s->voice);
    *s = Slot{};
}

void Sound_Play(int id, bool loop) {
    CSound* snd = Existing(id);
    if (!snd) return;
    int slot = SlotOf(*snd);
    Slot* s = SlotAt(slot);
    if (!s || !s->voice) return;
    // One background music and one multimedia file at a time: a new one stops the previous.
    if (s->kind == kKindMusic || s->kind == kKindMedia) {
        for (size_t i = 0; i < E().slots.size(); i++) {
            Slot& o = E().slots[i];
            if (int(i) != slot && o.inuse && o.kind == s->kind && o.voice) E().device->Stop(o.voice);
        }
    }
    if (loop != s->looped && !s->music) {
        s->looped = loop;
        if (s->fx.flags && s->wet.Frames() > s->dry.Frames()) E().device->SetPcm(s->voice, VoicePcm(*s));
    }
    E().device->Play(s->voice, loop);
}

void Sound_Stop(int id) {
    CSound* snd = Existing(id);
    if (!snd) return;
    Slot* s = SlotAt(SlotOf(*snd));
    if (s && s->voice) E().device->Stop(s->voice);
}

void Sound_StopAll() {
    if (!E().device) return;
    for (Slot& s : E().slots)
        if (s.inuse && s.voice) E().device->Stop(s.voice);
}

bool Sound_IsPlaying(int id) {
    CSound* snd = Existing(id);
    if (!snd || !E().device) return false;
    Slot* s = SlotAt(snd->s_soundid);
    return s && s->voice && E().device->IsPlaying(s->voice);
}

void Sound_SetVolume(int id, double value, double timeMs) {
    CSound* snd = Existing(id);
    if (!snd) return;
    Slot* s = SlotAt(SlotOf(*snd));
    if (!s || s->kind == kKindMedia) return;
    const int target = VolumeMb(value);
    const double seconds = std::isnan(timeMs) ? 0 : std::clamp(timeMs, 0.0, 1e9) / 1000;
    if (seconds <= 0) {
        s->mb = target;
        s->fading = false;
        ApplyVolume(*s);
        return;
    }
    s->fadeFrom = s->mb;
    s->fadeTo = target;
    s->fadeStart = Now();
    s->fadeSeconds = seconds;
    s->fading = true;
}

void Sound_SetPan(int id, double value) {
    CSound* snd = Existing(id);
    if (!snd) return;
    Slot* s = SlotAt(SlotOf(*snd));
    if (!s || s->kind == kKindMedia || s->kind == kKind3D) return;
    if (std::isnan(value)) value = 0;
    s->pan = int(std::lround(std::clamp(value, -1.0, 1.0) * 10000));
    if (s->voice) E().device->SetPan(s->voice, s->pan / 10000.0);
}

namespace {
// Renders the slot's chain again into its voice (which goes on from where it is).
void ApplyEffects(Slot& s) {
    if (s.music) { // taken up by the next block of the song
        s.music->SetEffects(s.fx);
        return;
    }
    s.wet = s.fx.flags ? SoundFx_Render(s.dry, s.fx) : RSoundPcm{};
    if (s.voice) E().device->SetPcm(s.voice, VoicePcm(s), 1);
}
} // namespace

void Sound_SetEffects(int id, int flags) {
    CSound* snd = Existing(id);
    if (!snd) return;
    Slot* s = SlotAt(SlotOf(*snd));
    if (!s || s->kind == kKindMedia) return;
    flags = std::max(flags, 0) & kFxAll;
    if (flags == s->fx.flags) return;
    s->fx.flags = flags;
    ApplyEffects(*s);
}

void Sound_SetEffectParams(int id, ESoundEffect which, const double* args, size_t count) {
    CSound* snd = Existing(id);
    if (!snd) return;
    Slot* s = SlotAt(SlotOf(*snd));
    if (!s || s->kind == kKindMedia) return;
    SoundFx_SetParams(s->fx, which, args, count);
    static const int kFlag[] = {kFxChorus, kFxCompressor, kFxEcho,  kFxFlanger,
                                kFxGargle, kFxEqualizer,  kFxReverb};
    if (s->fx.flags & kFlag[int(which)]) ApplyEffects(*s);
}

int Sound_SlotEffects(int id) {
    CSound* snd = Existing(id);
    Slot* s = snd ? SlotAt(snd->s_soundid) : nullptr;
    return s ? s->fx.flags : kSoundNoSlot;
}

void Sound_SetBackgroundTempo(double factor) {
    Engine& e = E();
    factor = std::isnan(factor) ? 1 : std::clamp(factor, 0.01, 100.0);
    if (factor == e.tempo) return;
    e.tempo = factor;
    // Songs take the new tempo up from their next block, going on from the same beat.
    for (Slot& s : e.slots)
        if (s.inuse && s.music) s.music->SetTempo(factor);
}

double Sound_BackgroundTempo() {
    return E().tempo;
}

void Sound_SetGlobalVolume(double value) {
    double mb = std::isnan(value) ? -10000 : std::round(value * 11000 - 10000);
    E().masterMb = int(std::clamp(mb, -10000.0, 1000.0));
    if (E().device) E().device->SetMasterGain(GainOfMb(E().masterMb));
}

namespace {
template <class Fn>
void Change3D(int id, Fn change) {
    CSound* snd = Existing(id);
    if (!snd) return;
    Slot* s = SlotAt(SlotOf(*snd));
    if (!s || s->kind != kKind3D) return;
    change(s->place);
    if (s->voice) E().device->Set3D(s->voice, s->place);
}
} // namespace

void Sound_Set3DPosition(int id, double x, double y, double z) {
    Change3D(id, [&](RSound3D& p) {
        p.pos[0] = x;
        p.pos[1] = y;
        p.pos[2] = z;
    });
}
void Sound_Set3DVelocity(int id, double x, double y, double z) {
    Change3D(id, [&](RSound3D& p) {
        p.vel[0] = x;
        p.vel[1] = y;
        p.vel[2] = z;
    });
}
void Sound_Set3DDistance(int id, double minDist, double maxDist) {
    Change3D(id, [&](RSound3D& p) {
        p.minDist = minDist;
        p.maxDist = maxDist;
    });
}
void Sound_Set3DCone(int id, double x, double y, double z, double angleIn, double angleOut,
                     double volOutside) {
    Change3D(id, [&](RSound3D& p) {
        p.coneDir[0] = x;
        p.coneDir[1] = y;
        p.coneDir[2] = z;
        p.coneIn = angleIn;
        p.coneOut = angleOut;
        // The outside volume in hundredths of a decibel, as a gain.
        double mb =
            std::isnan(volOutside) ? -10000 : std::round(std::clamp(volOutside, 0.0, 1.0) * 10000 - 10000);
        p.coneOutGain = GainOfMb(mb);
    });
}

void Sound_SetSearchDirectory(const std::string& dir) {
    E().searchDir = dir;
}

int Sound_SlotVolume(int id) {
    CSound* snd = Existing(id);
    Slot* s = snd ? SlotAt(snd->s_soundid) : nullptr;
    return s ? int(std::lround(s->mb)) : kSoundNoSlot;
}
int Sound_SlotPan(int id) {
    CSound* snd = Existing(id);
    Slot* s = snd ? SlotAt(snd->s_soundid) : nullptr;
    return s ? s->pan : kSoundNoSlot;
}
int Sound_MasterVolume() {
    return E().masterMb;
}

void Sound_StepEnd(double roomSpeed) {
    Engine& e = E();
    const char* capture = std::getenv("QUARVEL_AUDIO_FILE");
    if (!e.device && capture && *capture) Sound_StartEngine();
    if (!e.device) return;
    if (!IsCapture()) {
        MoveFades(Now());
        return;
    }
    if (!(roomSpeed >= 1)) roomSpeed = 1; // also NaN
    roomSpeed = std::min(roomSpeed, 1e6);
    if (roomSpeed != e.speed) {
        e.baseFrames = e.device->RenderedFrames();
        e.steps = 0;
        e.speed = roomSpeed;
    }
    e.steps++;
    int64_t span;
    const auto whole = int64_t(roomSpeed);
    if (double(whole) == roomSpeed) // exact: round half up of 44100*steps/speed
        span = (2 * int64_t(kCaptureRate) * e.steps + whole) / (2 * whole);
    else
        span = std::llround(double(kCaptureRate) * double(e.steps) / roomSpeed);
    const int64_t target = e.baseFrames + span;
    // Fades move in small blocks so they sound smooth within a step.
    while (e.device->RenderedFrames() < target) {
        MoveFades(Now());
        e.device->RenderTo(std::min(target, e.device->RenderedFrames() + kCaptureRate / 100));
    }
}

void Sound_GameEnd() {
    Engine& e = E();
    for (int i = 0; i < Sound_Count(); i++)
        if (CSound* snd = Existing(i)) snd->s_soundid = -1;
    if (e.device) e.device->Close();
    e.device.reset();
    e.slots.clear();
    e.masterMb = 1000;
    e.tempo = 1;
    e.searchDir.clear();
    e.baseFrames = e.steps = 0;
    e.speed = 0;
}
