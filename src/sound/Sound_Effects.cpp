// The effect chain's DSP: each effect a stateful stereo processor over float samples.
#include "sound/Sound_Effects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct RRange {
    double lo, hi;
    bool integer;
};

// The ranges of each effect's parameters, in the order of RSoundEffects.
const RRange kChorus[7] = {{0, 100, false}, {0, 100, false}, {-99, 99, false}, {0, 10, false},
                           {0, 1, true},    {0, 20, false},  {0, 4, true}};
const RRange kCompressor[6] = {{-60, 60, false}, {0.01, 500, false}, {50, 3000, false},
                               {-60, 0, false},  {1, 100, false},    {0, 4, false}};
const RRange kEcho[5] = {{0, 100, false}, {0, 100, false}, {1, 2000, false}, {1, 2000, false}, {0, 1, true}};
const RRange kFlanger[7] = {{0, 100, false}, {0, 100, false}, {-99, 99, false}, {0, 10, false},
                            {0, 1, true},    {0, 4, false},   {0, 4, true}};
const RRange kGargle[2] = {{1, 1000, true}, {0, 1, true}};
const RRange kEqualizer[3] = {{80, 16000, false}, {1, 36, false}, {-15, 15, false}};
const RRange kReverb[4] = {{-96, 0, false}, {-96, 0, false}, {0.001, 3000, false}, {0.001, 0.999, false}};

double DbGain(double db) {
    return std::pow(10.0, db / 20.0);
}

class IEffect {
  public:
    virtual ~IEffect() = default;
    virtual void Process(float* l, float* r, size_t n) = 0;
};

// A delay line read at a fractional distance behind the last sample written.
class DelayLine {
  public:
    explicit DelayLine(size_t capacity) : m_buf(std::max<size_t>(capacity, 4) + 2, 0.f) {}
    float Read(double delay) const {
        delay = std::clamp(delay, 1.0, double(m_buf.size() - 2));
        double pos = double(m_at) - delay;
        while (pos < 0) pos += double(m_buf.size());
        const size_t i = size_t(pos);
        const double f = pos - double(i);
        const float a = m_buf[i], b = m_buf[(i + 1) % m_buf.size()];
        return float(a + (b - a) * f);
    }
    void Write(float v) {
        m_buf[m_at] = v;
        m_at = (m_at + 1) % m_buf.size();
    }

  private:
    std::vector<float> m_buf;
    size_t m_at = 0;
};

double Lfo(double phase, bool sine) {
    if (sine) return std::sin(2 * kPi * phase);
    const double p = phase - std::floor(phase);
    return p < 0.25 ? 4 * p : p < 0.75 ? 2 - 4 * p : 4 * p - 4; // triangle through 0, 1, 0, -1
}

// Chorus and flanger: a delay swept by a low-frequency oscillator, fed back and mixed with the dry
// signal. The sweep runs from delay × (1 - depth) to delay × (1 + depth); the right side's
// oscillator is ahead by the phase.
class Sweep : public IEffect {
  public:
    Sweep(const double* p, int rate)
        : m_mix(p[0] / 100), m_depth(p[1] / 100), m_feedback(p[2] / 100), m_step(p[3] / rate),
          m_sine(p[4] >= 0.5), m_delay(p[5] / 1000 * rate),
          m_phase((p[6] - 2) * 0.25), m_line{DelayLine(size_t(m_delay * 2) + 4),
                                             DelayLine(size_t(m_delay * 2) + 4)} {}
    void Process(float* l, float* r, size_t n) override {
        for (size_t i = 0; i < n; i++) {
            float* s[2] = {l + i, r + i};
            for (int c = 0; c < 2; c++) {
                const double d = m_delay * (1 + m_depth * Lfo(m_t + (c ? m_phase : 0), m_sine));
                const float wet = m_line[c].Read(d);
                m_line[c].Write(float(*s[c] + m_feedback * wet));
                *s[c] = float((1 - m_mix) * *s[c] + m_mix * wet);
            }
            m_t += m_step;
            if (m_t >= 1) m_t -= 1;
        }
    }

  private:
    double m_mix, m_depth, m_feedback, m_step;
    bool m_sine;
    double m_delay, m_phase, m_t = 0;
    DelayLine m_line[2];
};

// Echo: each side repeats after its own delay, fed back; with pan delay the repeats alternate
// sides.
class Echo : public IEffect {
  public:
    Echo(const double* p, int rate)
        : m_mix(p[0] / 100), m_feedback(p[1] / 100),
          m_swap(p[4] >= 0.5), m_delay{p[2] / 1000 * rate, p[3] / 1000 * rate},
          m_line{DelayLine(size_t(m_delay[0]) + 2), DelayLine(size_t(m_delay[1]) + 2)} {}
    void Process(float* l, float* r, size_t n) override {
        for (size_t i = 0; i < n; i++) {
            const float wl = m_line[0].Read(m_delay[0]), wr = m_line[1].Read(m_delay[1]);
            m_line[0].Write(float(l[i] + m_feedback * (m_swap ? wr : wl)));
            m_line[1].Write(float(r[i] + m_feedback * (m_swap ? wl : wr)));
            l[i] = float((1 - m_mix) * l[i] + m_mix * wl);
            r[i] = float((1 - m_mix) * r[i] + m_mix * wr);
        }
    }

  private:
    double m_mix, m_feedback;
    bool m_swap;
    double m_delay[2];
    DelayLine m_line[2];
};

// Gargle: the level modulated by a triangle (0..1) or a square wave at the rate.
class Gargle : public IEffect {
  public:
    Gargle(const double* p, int rate) : m_step(p[0] / rate), m_square(p[1] >= 0.5) {}
    void Process(float* l, float* r, size_t n) override {
        for (size_t i = 0; i < n; i++) {
            const double g = m_square ? (m_t < 0.5 ? 1.0 : 0.0) : 1 - std::abs(2 * m_t - 1);
            l[i] = float(l[i] * g);
            r[i] = float(r[i] * g);
            m_t += m_step;
            if (m_t >= 1) m_t -= 1;
        }
    }

  private:
    double m_step;
    bool m_square;
    double m_t = 0;
};

// A biquad filter (direct form I) on both sides.
class Biquad : public IEffect {
  public:
    void Set(double b0, double b1, double b2, double a0, double a1, double a2) {
        m_b[0] = b0 / a0, m_b[1] = b1 / a0, m_b[2] = b2 / a0, m_a[0] = a1 / a0, m_a[1] = a2 / a0;
    }
    void Process(float* l, float* r, size_t n) override {
        float* s[2] = {l, r};
        for (int c = 0; c < 2; c++) {
            double* z = m_z[c];
            for (size_t i = 0; i < n; i++) {
                const double x = s[c][i];
                const double y = m_b[0] * x + m_b[1] * z[0] + m_b[2] * z[1] - m_a[0] * z[2] - m_a[1] * z[3];
                z[1] = z[0], z[0] = x, z[3] = z[2], z[2] = y;
                s[c][i] = float(y);
            }
        }
    }

  private:
    double m_b[3] = {1, 0, 0}, m_a[2] = {0, 0};
    double m_z[2][4] = {};
};

// A peaking equaliser: gain at the centre frequency over a bandwidth in semitones.
std::unique_ptr<IEffect> PeakingEq(double centre, double semitones, double gainDb, int rate) {
    auto f = std::make_unique<Biquad>();
    centre = std::min(centre, 0.45 * rate);
    const double a = std::pow(10.0, gainDb / 40), w = 2 * kPi * centre / rate;
    const double alpha = std::sin(w) * std::sinh(std::log(2.0) / 2 * (semitones / 12) * w / std::sin(w));
    f->Set(1 + alpha * a, -2 * std::cos(w), 1 - alpha * a, 1 + alpha / a, -2 * std::cos(w), 1 - alpha / a);
    return f;
}

// A band-pass with 0 dB at the centre frequency.
std::unique_ptr<IEffect> BandPass(double centre, double widthHz, int rate) {
    auto f = std::make_unique<Biquad>();
    centre = std::min(centre, 0.45 * rate);
    const double w = 2 * kPi * centre / rate, q = centre / std::max(widthHz, 1.0);
    const double alpha = std::sin(w) / (2 * q);
    f->Set(alpha, 0, -alpha, 1 + alpha, -2 * std::cos(w), 1 - alpha);
    return f;
}

// Reverb: eight damped feedback combs and four all-passes per side (slightly different lengths on
// the right for width). Each comb's feedback gives the reverb time (-60 dB); its damping gives
// the high frequencies the shorter time reverb time × ratio.
class Reverb : public IEffect {
  public:
    Reverb(double inGainDb, double mixDb, double timeMs, double hfRatio, int rate)
        : m_in(DbGain(inGainDb)), m_wet(DbGain(mixDb) * 0.25) {
        static const int kCombs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
        static const int kPasses[4] = {556, 441, 341, 225};
        const double scale = rate / 44100.0, seconds = std::max(timeMs, 0.001) / 1000;
        for (int c = 0; c < 2; c++) {
            for (int k = 0; k < 8; k++) {
                Comb& comb = m_comb[c][size_t(k)];
                comb.buf.assign(size_t(std::max(1.0, (kCombs[k] + 23 * c) * scale)), 0.f);
                const double d = double(comb.buf.size()) / rate;
                comb.feedback = std::pow(10.0, -3 * d / seconds);
                const double hf = std::pow(10.0, -3 * d / (seconds * hfRatio)) / comb.feedback;
                comb.damp = (1 - hf) / (1 + hf); // the feedback's gain at the top of the band is hf
            }
            for (int k = 0; k < 4; k++)
                m_pass[c][size_t(k)].assign(size_t(std::max(1.0, (kPasses[k] + 23 * c) * scale)), 0.f);
        }
    }
    void Process(float* l, float* r, size_t n) override {
        float* s[2] = {l, r};
        for (size_t i = 0; i < n; i++) {
            const double in = (l[i] + r[i]) * 0.5 * m_in;
            for (int c = 0; c < 2; c++) {
                double acc = 0;
                for (Comb& comb : m_comb[c]) {
                    const float out = comb.buf[comb.at];
                    comb.low = out * (1 - comb.damp) + comb.low * comb.damp;
                    comb.buf[comb.at] = float(in + comb.low * comb.feedback);
                    comb.at = (comb.at + 1) % comb.buf.size();
                    acc += out;
                }
                for (size_t k = 0; k < 4; k++) {
                    std::vector<float>& b = m_pass[c][k];
                    size_t& at = m_passAt[c][k];
                    const double delayed = b[at];
                    b[at] = float(acc + delayed * 0.5);
                    at = (at + 1) % b.size();
                    acc = delayed - acc * 0.5;
                }
                s[c][i] = float(s[c][i] * m_in + acc * m_wet);
            }
        }
    }

  private:
    struct Comb {
        std::vector<float> buf;
        size_t at = 0;
        double feedback = 0, damp = 0, low = 0;
    };
    double m_in, m_wet;
    std::array<Comb, 8> m_comb[2];
    std::array<std::vector<float>, 4> m_pass[2];
    size_t m_passAt[2][4] = {};
};

// Compressor: the level (peak, with the attack and release times) above the threshold is reduced
// by the ratio; the gain is added after; the signal is delayed by the predelay so the detector
// looks ahead.
class Compressor : public IEffect {
  public:
    Compressor(const double* p, int rate)
        : m_gain(DbGain(p[0])), m_attack(std::exp(-1 / (p[1] / 1000 * rate))),
          m_release(std::exp(-1 / (p[2] / 1000 * rate))), m_threshold(p[3]), m_ratio(p[4]),
          m_lookahead(size_t(std::lround(p[5] / 1000 * rate))),
          m_line{std::vector<float>(m_lookahead + 1, 0.f), std::vector<float>(m_lookahead + 1, 0.f)} {}
    void Process(float* l, float* r, size_t n) override {
        for (size_t i = 0; i < n; i++) {
            const double peak = std::max(std::abs(l[i]), std::abs(r[i]));
            const double k = peak > m_env ? m_attack : m_release;
            m_env = peak + (m_env - peak) * k;
            const double level = 20 * std::log10(std::max(m_env, 1e-9));
            const double over = level - m_threshold;
            const double g = over > 0 ? DbGain(-over * (1 - 1 / m_ratio)) : 1.0;
            float* s[2] = {l + i, r + i};
            for (int c = 0; c < 2; c++) {
                std::vector<float>& b = m_line[c];
                b[m_at] = *s[c];
                *s[c] = float(b[(m_at + 1) % b.size()] * g * m_gain);
            }
            m_at = (m_at + 1) % m_line[0].size();
        }
    }

  private:
    double m_gain, m_attack, m_release, m_threshold, m_ratio;
    size_t m_lookahead;
    std::vector<float> m_line[2];
    size_t m_at = 0;
    double m_env = 0;
};

// Distortion at its standard settings: a low-pass at 8 kHz, a soft clipper with edge 15, a
// band-pass round 2,400 Hz and a gain of -18 dB.
class Distortion : public IEffect {
  public:
    explicit Distortion(int rate) : m_post(BandPass(2400, 2400, rate)) {
        m_pre = 1 - std::exp(-2 * kPi * std::min(8000.0, 0.45 * rate) / rate);
    }
    void Process(float* l, float* r, size_t n) override {
        const double drive = 1 + 15 / 5.0;
        float* s[2] = {l, r};
        for (int c = 0; c < 2; c++)
            for (size_t i = 0; i < n; i++) {
                m_low[c] += (s[c][i] - m_low[c]) * m_pre;
                s[c][i] = float(std::tanh(drive * m_low[c]) / std::tanh(drive));
            }
        m_post->Process(l, r, n);
        const double g = DbGain(-18);
        for (size_t i = 0; i < n; i++) l[i] = float(l[i] * g), r[i] = float(r[i] * g);
    }

  private:
    std::unique_ptr<IEffect> m_post;
    double m_pre = 1;
    double m_low[2] = {0, 0};
};

} // namespace

namespace {

// The parameter array of one effect in fx, with its ranges and count.
double* ParamsOf(RSoundEffects& fx, ESoundEffect which, const RRange*& ranges, size_t& n) {
    switch (which) {
    case ESoundEffect::Chorus:
        return ranges = kChorus, n = 7, fx.chorus;
    case ESoundEffect::Compressor:
        return ranges = kCompressor, n = 6, fx.compressor;
    case ESoundEffect::Echo:
        return ranges = kEcho, n = 5, fx.echo;
    case ESoundEffect::Flanger:
        return ranges = kFlanger, n = 7, fx.flanger;
    case ESoundEffect::Gargle:
        return ranges = kGargle, n = 2, fx.gargle;
    case ESoundEffect::Equalizer:
        return ranges = kEqualizer, n = 3, fx.equalizer;
    case ESoundEffect::Reverb:
        break;
    }
    return ranges = kReverb, n = 4, fx.reverb;
}

} // namespace

void SoundFx_SetParams(RSoundEffects& fx, ESoundEffect which, const double* args, size_t count) {
    RSoundEffects defaults;
    const RRange* ranges = nullptr;
    size_t n = 0;
    double* params = ParamsOf(fx, which, ranges, n);
    const double* fallback = ParamsOf(defaults, which, ranges, n);
    for (size_t i = 0; i < n && i < count; i++) {
        double v = args[i];
        if (std::isnan(v)) v = fallback[i];
        v = std::clamp(v, ranges[i].lo, ranges[i].hi);
        params[i] = ranges[i].integer ? std::round(v) : v;
    }
}

struct CSoundFxChain::Impl {
    std::vector<std::unique_ptr<IEffect>> chain;
};

CSoundFxChain::CSoundFxChain(const RSoundEffects& fx, int rate) : m_impl(std::make_unique<Impl>()) {
    auto& chain = m_impl->chain;
    if (rate <= 0) return;
    if (fx.flags & kFxChorus) chain.push_back(std::make_unique<Sweep>(fx.chorus, rate));
    if (fx.flags & kFxEcho) chain.push_back(std::make_unique<Echo>(fx.echo, rate));
    if (fx.flags & kFxFlanger) chain.push_back(std::make_unique<Sweep>(fx.flanger, rate));
    if (fx.flags & kFxGargle) chain.push_back(std::make_unique<Gargle>(fx.gargle, rate));
    if (fx.flags & kFxEqualizer)
        chain.push_back(PeakingEq(fx.equalizer[0], fx.equalizer[1], fx.equalizer[2], rate));
    if (fx.flags & kFxReverb)
        chain.push_back(
            std::make_unique<Reverb>(fx.reverb[0], fx.reverb[1], fx.reverb[2], fx.reverb[3], rate));
    if (fx.flags & kFxCompressor) chain.push_back(std::make_unique<Compressor>(fx.compressor, rate));
    // The equaliser's second place keeps its standard settings (0 dB: it changes nothing).
    if (fx.flags & kFxDistortion) chain.push_back(std::make_unique<Distortion>(rate));
    if (fx.flags & kFxEnvReverb) chain.push_back(std::make_unique<Reverb>(0, -8, 1490, 0.83, rate));
}

CSoundFxChain::~CSoundFxChain() = default;

bool CSoundFxChain::Empty() const {
    return m_impl->chain.empty();
}

void CSoundFxChain::Process(float* left, float* right, size_t n) {
    for (auto& e : m_impl->chain) e->Process(left, right, n);
}

RSoundPcm SoundFx_Render(const RSoundPcm& dry, const RSoundEffects& fx) {
    if (!(fx.flags & kFxAll) || dry.rate <= 0 || (dry.channels != 1 && dry.channels != 2)) return dry;
    const int rate = dry.rate;
    CSoundFxChain chain(fx, rate);

    const size_t frames = dry.Frames();
    const size_t block = 4096, maxTail = size_t(rate) * 20, quietRun = size_t(rate) / 2;
    std::vector<float> l(block), r(block);
    RSoundPcm out;
    out.rate = rate;
    out.channels = 2;
    out.samples.reserve(frames * 2 + size_t(rate) * 4);
    size_t tail = 0, quiet = 0;
    for (size_t at = 0;; at += block) {
        const bool inSound = at < frames;
        if (!inSound && (quiet >= quietRun || tail >= maxTail)) break;
        const size_t n = inSound ? std::min(block, frames - at) : block;
        for (size_t i = 0; i < n; i++) {
            if (inSound) {
                const size_t f = at + i;
                const int16_t* s = &dry.samples[f * size_t(dry.channels)];
                l[i] = s[0] / 32768.f;
                r[i] = s[dry.channels - 1] / 32768.f;
            } else {
                l[i] = r[i] = 0;
            }
        }
        chain.Process(l.data(), r.data(), n);
        float peak = 0;
        for (size_t i = 0; i < n; i++) {
            peak = std::max({peak, std::abs(l[i]), std::abs(r[i])});
            for (float v : {l[i], r[i]})
                out.samples.push_back(
                    int16_t(std::lround(std::clamp(std::isnan(v) ? 0.f : v, -1.f, 1.f) * 32767)));
        }
        if (!inSound) {
            tail += n;
            quiet = peak < 1e-4f ? quiet + n : 0; // -80 dB
        }
    }
    // The tail ends with its last sound.
    size_t end = out.samples.size();
    while (end > frames * 2 && out.samples[end - 1] == 0) end--;
    out.samples.resize(std::max(end + (end & 1), frames * 2));
    return out;
}
