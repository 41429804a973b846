// Streamed music: the synthesiser and the effect chain, rendered block by block.
#include "sound/Sound_Stream.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr size_t kMaxTail = size_t(kStreamRate) * 20, kQuietRun = size_t(kStreamRate) / 2;
constexpr float kQuiet = 1e-4f; // -80 dB
} // namespace

CMusicStream::CMusicStream(std::unique_ptr<CMidiSynth> synth, const RSoundEffects& fx, double tempo)
    : m_fx(fx), m_tempo(tempo), m_synth(std::move(synth)) {}

CMusicStream::~CMusicStream() = default;

void CMusicStream::SetEffects(const RSoundEffects& fx) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_fx = fx;
    m_fxChanged = true;
}

void CMusicStream::SetTempo(double factor) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_tempo = factor;
    m_tempoChanged = true;
}

void CMusicStream::Rewind(bool loop) {
    m_synth->Restart(loop);
    std::lock_guard<std::mutex> hold(m_lock);
    m_fxChanged = true; // a fresh chain: nothing of the last round rings on
    m_songEnded = m_finished = false;
    m_tail = m_quiet = 0;
}

size_t CMusicStream::Render(float* left, float* right, size_t n) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_tempoChanged) m_synth->SetTempo(m_tempo);
        if (m_fxChanged) m_chain = m_fx.flags ? std::make_unique<CSoundFxChain>(m_fx, kStreamRate) : nullptr;
        m_fxChanged = m_tempoChanged = false;
    }
    if (m_finished) return 0;
    const size_t got = m_songEnded ? 0 : m_synth->Render(left, right, n);
    if (got < n) {
        m_songEnded = true;
        std::fill(left + got, left + n, 0.f);
        std::fill(right + got, right + n, 0.f);
    }
    if (!m_chain) {
        m_finished = got < n;
        return got;
    }
    m_chain->Process(left, right, n);
    if (m_songEnded) {
        float peak = 0;
        for (size_t i = got; i < n; i++) peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
        m_quiet = peak < kQuiet ? m_quiet + (n - got) : 0;
        m_tail += n - got;
        m_finished = m_quiet >= kQuietRun || m_tail >= kMaxTail;
    }
    return n;
}
