// A backend made on its first real use. Making a GL device costs far more than most short runs
// (loading the driver, compiling shaders): until something is drawn, read back after drawing or
// shown in a window, this wrapper only records what the device would hold (the render size,
// viewport, transform, states, and every texture as its pixels) and hands it all to the real
// backend when it is made. Until then the render area is what a fresh device has: opaque black.
#include "graphics/Graphics_Backend.h"

#include "platform/Platform_Window.h"
#include "runner/Runner_Form.h"

#include <algorithm>
#include <vector>

namespace {

// Every OpenGL 3.3 device takes textures of this size; a larger one asks the device itself.
constexpr int kSurelyAccepted = 1024;
constexpr uint32_t kBlack = 0xFF000000u;

class TLazyBackend final : public IRenderBackend {
  public:
    TLazyBackend(std::unique_ptr<IRenderBackend> real, std::function<void(const std::string&)> onFail)
        : m_real(std::move(real)), m_onFail(std::move(onFail)) {}
    ~TLazyBackend() override { Stop(); }

    const char* Name() const override { return m_real->Name(); }

    bool Start(int w, int h, std::string&) override {
        m_stage = EStage::Waiting;
        m_width = w;
        m_height = h;
        m_vp[0] = m_vp[1] = 0;
        m_vp[2] = w;
        m_vp[3] = h;
        return true;
    }

    bool Make(std::string& error) override {
        if (m_stage == EStage::Made) return true;
        if (m_stage == EStage::Failed) {
            error = m_error;
            return false;
        }
        if (MakeReal()) return true;
        error = m_error;
        return false;
    }

    void Stop() override {
        if (m_stage == EStage::Made) m_real->Stop();
        m_stage = EStage::Waiting;
        m_kept.clear();
    }

    bool Reset(std::string& error) override {
        if (m_stage == EStage::Made) return m_real->Reset(error);
        return m_stage == EStage::Waiting; // nothing made yet: nothing to make again
    }

    bool CreateTexture(int slot, int w, int h, const uint32_t* pixels) override {
        if (m_stage != EStage::Waiting || w > kSurelyAccepted || h > kSurelyAccepted)
            return Ready() ? m_real->CreateTexture(slot, w, h, pixels) : m_stage == EStage::Failed;
        if (slot < 0 || w <= 0 || h <= 0) return false;
        if (size_t(slot) >= m_kept.size()) m_kept.resize(size_t(slot) + 1);
        RKept& k = m_kept[size_t(slot)];
        k.used = true;
        k.w = w;
        k.h = h;
        if (pixels)
            k.pixels.assign(pixels, pixels + size_t(w) * size_t(h));
        else
            k.pixels.clear();
        return true;
    }

    void FreeTexture(int slot) override {
        if (m_stage == EStage::Made) return m_real->FreeTexture(slot);
        if (slot >= 0 && size_t(slot) < m_kept.size()) m_kept[size_t(slot)] = RKept{};
    }

    bool SetTarget(int slot) override {
        if (m_stage == EStage::Waiting && slot < 0) return true; // the render area already
        return Ready() && m_real->SetTarget(slot);
    }

    void SetRenderSize(int w, int h) override {
        if (m_stage == EStage::Made) return m_real->SetRenderSize(w, h);
        m_width = w;
        m_height = h;
        m_vp[0] = m_vp[1] = 0;
        m_vp[2] = w;
        m_vp[3] = h;
    }

    void SetViewport(int x, int y, int w, int h) override {
        if (m_stage == EStage::Made) return m_real->SetViewport(x, y, w, h);
        m_vp[0] = x;
        m_vp[1] = y;
        m_vp[2] = w;
        m_vp[3] = h;
    }

    void SetTransform(const float m[6]) override {
        if (m_stage == EStage::Made) return m_real->SetTransform(m);
        std::copy(m, m + 6, m_matrix);
        m_matrixSet = true;
    }

    void SetState(const RRenderState& s) override {
        if (m_stage == EStage::Made) return m_real->SetState(s);
        m_state = s;
        m_stateSet = true;
    }

    void Clear(uint32_t argb) override {
        // Until the device is made the whole render area is opaque black.
        if (m_stage == EStage::Waiting && argb == kBlack) return;
        if (Ready()) m_real->Clear(argb);
    }

    void Draw(EPrimitive kind, int texture, bool wrap, const RVertex* v, int n) override {
        if (n > 0 && Ready()) m_real->Draw(kind, texture, wrap, v, n);
    }

    bool ReadPixels(int x, int y, int w, int h, uint32_t* out) override {
        if (m_stage == EStage::Made) return m_real->ReadPixels(x, y, w, h, out);
        if (m_stage == EStage::Failed) return false;
        std::fill(out, out + size_t(w) * size_t(h), kBlack);
        return true;
    }

    void Present(int w, int h) override {
        // A frame nobody can see needs no device; a window on screen does.
        if (m_stage == EStage::Waiting && !GameWindow_Visible()) return;
        if (Ready()) m_real->Present(w, h);
    }

    void SetPresentPlace(int x, int y, int w, int h, uint32_t marginArgb) override {
        m_real->SetPresentPlace(x, y, w, h, marginArgb);
    }

    void Flush() override {
        if (m_stage == EStage::Made) m_real->Flush();
    }

  private:
    enum class EStage { Waiting, Made, Failed };
    struct RKept {
        bool used = false;
        int w = 0, h = 0;
        std::vector<uint32_t> pixels; // empty: a transparent texture that may be drawn into
    };

    bool Ready() { return m_stage == EStage::Made || (m_stage == EStage::Waiting && MakeReal()); }

    // Makes the real device and gives it everything recorded so far.
    bool MakeReal() {
        m_stage = EStage::Made;
        if (!m_real->Start(m_width, m_height, m_error)) {
            m_stage = EStage::Failed;
            m_kept.clear();
            if (m_onFail) m_onFail(m_error);
            return false;
        }
        for (size_t s = 0; s < m_kept.size(); s++) {
            const RKept& k = m_kept[s];
            if (!k.used) continue;
            if (!m_real->CreateTexture(int(s), k.w, k.h, k.pixels.empty() ? nullptr : k.pixels.data()))
                Trace("Render device: texture " + std::to_string(s) + " of " + std::to_string(k.w) + " x " +
                      std::to_string(k.h) + " could not be made");
        }
        m_kept.clear();
        m_kept.shrink_to_fit();
        m_real->SetViewport(m_vp[0], m_vp[1], m_vp[2], m_vp[3]);
        if (m_matrixSet) m_real->SetTransform(m_matrix);
        if (m_stateSet) m_real->SetState(m_state);
        return true;
    }

    std::unique_ptr<IRenderBackend> m_real;
    std::function<void(const std::string&)> m_onFail;
    EStage m_stage = EStage::Waiting;
    std::string m_error;
    int m_width = 1, m_height = 1;
    int m_vp[4] = {0, 0, 1, 1};
    float m_matrix[6] = {1, 0, 0, 0, 1, 0};
    bool m_matrixSet = false;
    RRenderState m_state;
    bool m_stateSet = false;
    std::vector<RKept> m_kept;
};

} // namespace

std::unique_ptr<IRenderBackend> Backend_CreateLazy(std::unique_ptr<IRenderBackend> real,
                                                   std::function<void(const std::string&)> onFail) {
    return std::make_unique<TLazyBackend>(std::move(real), std::move(onFail));
}
