// Streamed music: a MIDI song synthesised block by block while it plays and run through its
// sound's effect chain block by block, so starting it, changing its tempo or changing its effects
// costs the game's thread almost nothing and is heard from the next block on.
#pragma once

#include "platform/Platform_Sound.h"
#include "sound/Sound_Effects.h"

#include <memory>
#include <mutex>

class CMusicStream final : public ISoundStream {
  public:
    CMusicStream(std::unique_ptr<CMidiSynth> synth, const RSoundEffects& fx, double tempo);
    ~CMusicStream() override;

    // Called by the game's thread; taken up when the next block is rendered. A new chain starts
    // empty: repeats and reverberation of the old one still in flight are dropped.
    void SetEffects(const RSoundEffects& fx);
    void SetTempo(double factor);

    void Rewind(bool loop) override;
    // The song, then (with effects) the chain's tail until it stays below -80 dB for half a second
    // (at most 20 seconds).
    size_t Render(float* left, float* right, size_t n) override;

  private:
    std::mutex m_lock; // guards the changes the game hands over
    RSoundEffects m_fx;
    double m_tempo;
    bool m_fxChanged = true, m_tempoChanged = true;

    // The render side's own state.
    std::unique_ptr<CMidiSynth> m_synth;
    std::unique_ptr<CSoundFxChain> m_chain;
    bool m_songEnded = false, m_finished = false;
    size_t m_tail = 0, m_quiet = 0;
};
