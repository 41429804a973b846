// The null backend: for machines where no GL context can be made and the game should still run
// its logic. Textures are accepted (their table slots stay valid), draws do nothing, reads give 0.
#include "graphics/Graphics_Backend.h"

#include <cstring>

namespace {

class TNullBackend final : public IRenderBackend {
  public:
    const char* Name() const override { return "null"; }
    bool Start(int, int, std::string&) override { return true; }
    void Stop() override {}
    bool Reset(std::string&) override { return true; }
    bool CreateTexture(int, int, int, const uint32_t*) override { return true; }
    void FreeTexture(int) override {}
    bool SetTarget(int) override { return true; }
    void SetRenderSize(int, int) override {}
    void SetViewport(int, int, int, int) override {}
    void SetTransform(const float*) override {}
    void SetState(const RRenderState&) override {}
    void Clear(uint32_t) override {}
    void Draw(EPrimitive, int, bool, const RVertex*, int) override {}
    bool ReadPixels(int, int, int w, int h, uint32_t* out) override {
        std::memset(out, 0, size_t(w) * size_t(h) * sizeof(uint32_t));
        return true;
    }
    void Present(int, int) override {}
    void Flush() override {}
};

} // namespace

std::unique_ptr<IRenderBackend> Backend_CreateNull() {
    return std::make_unique<TNullBackend>();
}
