// A sound's effect chain, rendered by our own DSP into the samples a voice plays: chorus, echo,
// flanger, gargle, parametric equaliser, reverb, compressor, the equaliser's second place,
// distortion and environmental reverb, in that order, each present when its flag is set. The
// result is stereo and carries the effects' tail after the sound's end.
#pragma once

#include "platform/Platform_Sound.h"

#include <cstddef>
#include <memory>

// Effect flags (the game's se_ constants).
enum : int {
    kFxChorus = 1,
    kFxEcho = 2,
    kFxFlanger = 4,
    kFxGargle = 8,
    kFxReverb = 16,
    kFxCompressor = 32,
    kFxEqualizer = 64,
    kFxDistortion = 128,
    kFxEnvReverb = 256,
    kFxAll = 511
};

// The parameters of the effects the game can set, in the order the game passes them. Every value
// starts at its default.
struct RSoundEffects {
    int flags = 0;
    // wet/dry mix %, depth %, feedback %, LFO frequency Hz, waveform (0 triangle, 1 sine),
    // delay ms, phase between the sides (0..4: -180, -90, 0, 90, 180 degrees)
    double chorus[7] = {50, 10, 25, 1.1, 1, 16, 3};
    // gain dB, attack ms, release ms, threshold dB, ratio, predelay ms
    double compressor[6] = {0, 10, 200, -20, 3, 4};
    // wet/dry mix %, feedback %, left delay ms, right delay ms, pan delay (1 swaps the sides at
    // every repeat)
    double echo[5] = {50, 50, 500, 500, 0};
    // as chorus
    double flanger[7] = {50, 100, -50, 0.25, 1, 2, 2};
    // rate Hz, wave shape (0 triangle, 1 square)
    double gargle[2] = {20, 0};
    // centre Hz, bandwidth in semitones, gain dB
    double equalizer[3] = {8000, 12, 0};
    // input gain dB, reverb mix dB, reverb time ms, high-frequency reverb time ratio
    double reverb[4] = {0, 0, 1000, 0.001};
};

enum class ESoundEffect { Chorus, Compressor, Echo, Flanger, Gargle, Equalizer, Reverb };

// Stores one effect's parameters from the game's arguments (as many as the effect has), each
// clamped to its range; NaN keeps the default. Integer choices are rounded.
void SoundFx_SetParams(RSoundEffects& fx, ESoundEffect which, const double* args, size_t count);

// The sound through the chain of fx.flags: stereo, at the sound's rate, followed by the tail
// until it falls below -80 dB (at most 20 seconds). No flags: the sound as it is.
RSoundPcm SoundFx_Render(const RSoundPcm& dry, const RSoundEffects& fx);

// The chain as a stateful processor of sound rendered block by block (streamed music): the same
// effects as SoundFx_Render, carrying their delay lines and oscillators from block to block.
class CSoundFxChain {
  public:
    CSoundFxChain(const RSoundEffects& fx, int rate);
    ~CSoundFxChain();
    CSoundFxChain(const CSoundFxChain&) = delete;
    CSoundFxChain& operator=(const CSoundFxChain&) = delete;
    bool Empty() const;
    // Runs n frames of the two sides through the chain, in place.
    void Process(float* left, float* right, size_t n);

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
