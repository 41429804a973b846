// The render backend interface: what the drawing code needs from a device. Two backends exist,
// `gl` (OpenGL 3.3 core, also headless on the offscreen driver) and `null` (no context: every
// draw is accepted and does nothing, reads give 0); Graphics_Device chooses one at start.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// One vertex as every drawing routine sends it: position, colour 0xAARRGGBB, texture coordinates.
struct RVertex {
    float x, y, z;
    uint32_t col;
    float u, v;
};

enum class EPrimitive { Points, Lines, Triangles };

// Render states a draw depends on.
struct RRenderState {
    int blendSrc = 5;  // blend factor numbers 1..11 (5: source alpha)
    int blendDest = 6; // 6: inverse source alpha
    bool interpolate = true;
    bool textureBlending = true;
};

class IRenderBackend {
  public:
    virtual ~IRenderBackend() = default;
    virtual const char* Name() const = 0;
    // Makes the device with a render area of w x h, opaque black. False with a reason when it
    // cannot.
    virtual bool Start(int w, int h, std::string& error) = 0;
    // Makes the device now if it waits for its first use. False with a reason when it cannot.
    virtual bool Make(std::string& error) {
        (void)error;
        return true;
    }
    virtual void Stop() = 0;
    // Makes the device again (as after losing it): textures keep their slots and pixels, the render
    // area is cleared, states must be applied again. False (the device stopped) when it cannot.
    virtual bool Reset(std::string& error) = 0;
    // A texture of w x h pixels (0xAARRGGBB, rows from the top) in table slot `slot`; pixels may be
    // null for an empty (transparent) texture. False when the device cannot make it.
    virtual bool CreateTexture(int slot, int w, int h, const uint32_t* pixels) = 0;
    virtual void FreeTexture(int slot) = 0;
    // Draws into texture `slot` from now on (-1: the render area again). A texture made without
    // pixels can be a target. False (drawing stays where it was) when the slot cannot be one.
    virtual bool SetTarget(int slot) = 0;
    // Size of the render area (the drawing target); its contents are undefined afterwards.
    virtual void SetRenderSize(int w, int h) = 0;
    // Viewport inside the render area (top-left origin); clears are limited to it as well.
    virtual void SetViewport(int x, int y, int w, int h) = 0;
    // World to normalised device coordinates: a row-major 2 x 3 affine matrix.
    virtual void SetTransform(const float m[6]) = 0;
    virtual void SetState(const RRenderState& state) = 0;
    // Clears the viewport to the colour 0xAARRGGBB.
    virtual void Clear(uint32_t argb) = 0;
    // Draws n vertices; texture -1 draws untextured; wrap repeats the texture instead of clamping.
    virtual void Draw(EPrimitive kind, int texture, bool wrap, const RVertex* v, int n) = 0;
    // Reads w x h pixels at (x, y) of the render area as 0xAARRGGBB, rows from the top. False
    // when nothing can be read (the caller has clipped the rectangle to the render area).
    virtual bool ReadPixels(int x, int y, int w, int h, uint32_t* out) = 0;
    // Shows the top-left w x h of the render area in the window, in the place last given.
    virtual void Present(int w, int h) = 0;
    // Where Present puts the render area in the window's drawable area (x, y, w, h, rows from
    // the top), and the colour 0xAARRGGBB of the window around it.
    virtual void SetPresentPlace(int x, int y, int w, int h, uint32_t marginArgb) {
        (void)x, (void)y, (void)w, (void)h, (void)marginArgb;
    }
    // Sends batched drawing to the device now.
    virtual void Flush() = 0;
};

std::unique_ptr<IRenderBackend> Backend_CreateGL();
std::unique_ptr<IRenderBackend> Backend_CreateNull();
// `real` made on its first real use (a draw, a clear to a colour, a drawing target, a frame shown
// in a window); until then its start succeeds and everything it would hold is recorded. When it
// cannot be made then, onFail gets the reason and the device goes on as one without a context:
// draws do nothing and reads fail.
std::unique_ptr<IRenderBackend> Backend_CreateLazy(std::unique_ptr<IRenderBackend> real,
                                                   std::function<void(const std::string&)> onFail);
