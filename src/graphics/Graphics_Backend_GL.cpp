// The OpenGL 3.3 core backend. Everything is drawn into a framebuffer object of our own (rows
// from the top, so reads need no flipping) that each present blits into the window: the frame
// survives a present whatever the driver's swap does. Draws are collected into one vertex batch
// that is sent when the primitive kind, texture, address mode or a render state changes.
#include "graphics/Graphics_Backend.h"

#include "platform/Platform_App.h"
#include "platform/Platform_Window.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <vector>

namespace {

const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 a_pos;
layout(location = 1) in vec4 a_col;
layout(location = 2) in vec2 a_uv;
uniform vec3 u_row0;
uniform vec3 u_row1;
out vec4 v_col;
out vec2 v_uv;
void main() {
    vec3 p = vec3(a_pos.xy, 1.0);
    gl_Position = vec4(dot(u_row0, p), dot(u_row1, p), 0.0, 1.0);
    v_col = a_col;
    v_uv = a_uv;
}
)";

// One fragment shader per way of colouring, so that the software rasteriser never pays for a
// texture fetch it does not use: 0 vertex colour only, 1 texture times vertex colour, 2 texture.
const char* const kFragmentShaders[3] = {
    R"(#version 330 core
in vec4 v_col;
out vec4 o_col;
void main() { o_col = v_col; }
)",
    R"(#version 330 core
in vec4 v_col;
in vec2 v_uv;
uniform sampler2D u_tex;
out vec4 o_col;
void main() { o_col = texture(u_tex, v_uv) * v_col; }
)",
    R"(#version 330 core
in vec2 v_uv;
uniform sampler2D u_tex;
out vec4 o_col;
void main() { o_col = texture(u_tex, v_uv); }
)"};

GLenum BlendFactor(int f) {
    switch (f) {
    case 1:
        return GL_ZERO;
    case 2:
        return GL_ONE;
    case 3:
        return GL_SRC_COLOR;
    case 4:
        return GL_ONE_MINUS_SRC_COLOR;
    case 5:
        return GL_SRC_ALPHA;
    case 6:
        return GL_ONE_MINUS_SRC_ALPHA;
    case 7:
        return GL_DST_ALPHA;
    case 8:
        return GL_ONE_MINUS_DST_ALPHA;
    case 9:
        return GL_DST_COLOR;
    case 10:
        return GL_ONE_MINUS_DST_COLOR;
    case 11:
        return GL_SRC_ALPHA_SATURATE;
    default:
        return GL_ONE;
    }
}

GLuint Compile(GLenum kind, const char* src, std::string& error) {
    GLuint s = glCreateShader(kind);
    glShaderSource(s, 1, &src, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[512] = {};
        glGetShaderInfoLog(s, sizeof log, nullptr, log);
        error = std::string("shader: ") + log;
        glDeleteShader(s);
        return 0;
    }
    return s;
}

class TGLBackend final : public IRenderBackend {
  public:
    ~TGLBackend() override { Stop(); }
    const char* Name() const override { return "gl"; }

    bool Start(int w, int h, std::string& error) override {
        if (!GameWindow_Open(w, h, error)) return false;
        if (!MakeObjects(w, h, error)) {
            Stop();
            return false;
        }
        return true;
    }

    // A new context for the same window: every texture is read back, the old context with all
    // its objects is dropped, and the textures are made again in the same slots.
    bool Reset(std::string& error) override {
        if (!m_started) return false;
        GameWindow_MakeCurrent();
        Flush();
        struct RKept {
            int slot, w, h;
            bool target;
            std::vector<uint32_t> pixels;
        };
        std::vector<RKept> kept;
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        for (size_t k = 0; k < m_slots.size(); k++) {
            const RSlot& sl = m_slots[k];
            if (!sl.tex) continue;
            RKept t{int(k), sl.tw, sl.th, sl.target, std::vector<uint32_t>(size_t(sl.tw) * size_t(sl.th))};
            glBindTexture(GL_TEXTURE_2D, sl.tex);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, t.pixels.data());
            kept.push_back(std::move(t));
        }
        const int w = m_width, h = m_height;
        FreeObjects();
        if (!GameWindow_NewContext(error) || !MakeObjects(w, h, error)) {
            Stop();
            return false;
        }
        for (const RKept& t : kept)
            if (!MakeTexture(t.slot, t.w, t.h, t.pixels.data(), !t.target)) {
                error = "a texture could not be made again";
                Stop();
                return false;
            }
        return true;
    }

    bool MakeObjects(int w, int h, std::string& error) {
        if (epoxy_gl_version() < 33) {
            error = "OpenGL 3.3 is not available";
            return false;
        }
        GLuint vs = Compile(GL_VERTEX_SHADER, kVertexShader, error);
        if (!vs) return false;
        for (int k = 0; k < 3; k++) {
            GLuint fs = Compile(GL_FRAGMENT_SHADER, kFragmentShaders[k], error);
            if (!fs) {
                glDeleteShader(vs);
                return false;
            }
            RProgram& p = m_programs[k];
            p.id = glCreateProgram();
            glAttachShader(p.id, vs);
            glAttachShader(p.id, fs);
            glLinkProgram(p.id);
            glDeleteShader(fs);
            GLint ok = 0;
            glGetProgramiv(p.id, GL_LINK_STATUS, &ok);
            if (!ok) {
                error = "shader program does not link";
                glDeleteShader(vs);
                return false;
            }
            glUseProgram(p.id);
            p.row0 = glGetUniformLocation(p.id, "u_row0");
            p.row1 = glGetUniformLocation(p.id, "u_row1");
            if (k) glUniform1i(glGetUniformLocation(p.id, "u_tex"), 0);
            p.matrixSet = false;
        }
        glDeleteShader(vs);
        glUseProgram(m_programs[0].id);
        m_mode = 0;

        glGenVertexArrays(1, &m_vao);
        glBindVertexArray(m_vao);
        glGenBuffers(1, &m_vbo);
        glBindBuffer(GL_ARRAY_BUFFER, m_vbo);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(RVertex), (void*)offsetof(RVertex, x));
        glEnableVertexAttribArray(1);
        // 0xAARRGGBB in memory is B, G, R, A: the BGRA component order.
        glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(RVertex),
                              (void*)offsetof(RVertex, col));
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(RVertex), (void*)offsetof(RVertex, u));

        // Samplers: [linear][wrap].
        glGenSamplers(4, m_samplers);
        for (int i = 0; i < 4; i++) {
            GLint filter = (i & 2) ? GL_LINEAR : GL_NEAREST;
            GLint address = (i & 1) ? GL_REPEAT : GL_CLAMP_TO_EDGE;
            glSamplerParameteri(m_samplers[i], GL_TEXTURE_MIN_FILTER, filter);
            glSamplerParameteri(m_samplers[i], GL_TEXTURE_MAG_FILTER, filter);
            glSamplerParameteri(m_samplers[i], GL_TEXTURE_WRAP_S, address);
            glSamplerParameteri(m_samplers[i], GL_TEXTURE_WRAP_T, address);
        }
        glGenFramebuffers(1, &m_fbo);
        m_drawFbo = m_fbo;
        glGenTextures(1, &m_target);
        SetRenderSize(w, h);
        glEnable(GL_BLEND);
        glEnable(GL_SCISSOR_TEST);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        SetState(RRenderState{});
        m_started = true;
        m_batch.reserve(kBatchVertices);
        if (glGetError() != GL_NO_ERROR) {
            error = "OpenGL reported an error at start";
            return false;
        }
        return true;
    }

    void Stop() override {
        if (!GameWindow_IsOpen()) return;
        FreeObjects();
        GameWindow_Close();
    }

    // Deletes every object of the current context and forgets them.
    void FreeObjects() {
        GameWindow_MakeCurrent();
        for (RSlot& t : m_slots)
            if (t.tex) glDeleteTextures(1, &t.tex);
        m_slots.clear();
        for (RPage& p : m_pages) glDeleteTextures(1, &p.tex);
        m_pages.clear();
        for (RProgram& p : m_programs) {
            if (p.id) glDeleteProgram(p.id);
            p = RProgram{};
        }
        if (m_vbo) glDeleteBuffers(1, &m_vbo);
        if (m_vao) glDeleteVertexArrays(1, &m_vao);
        if (m_samplers[0]) glDeleteSamplers(4, m_samplers);
        if (m_fbo) glDeleteFramebuffers(1, &m_fbo);
        if (m_targetFbo) glDeleteFramebuffers(1, &m_targetFbo);
        m_targetFbo = 0;
        m_drawFbo = 0;
        m_targetSlot = -1;
        if (m_target) glDeleteTextures(1, &m_target);
        m_vbo = m_vao = m_fbo = m_target = 0;
        m_samplers[0] = 0;
        m_batch.clear();
        m_started = false;
        m_mode = -1;
        m_boundTexture = 0;
    }

    bool CreateTexture(int slot, int w, int h, const uint32_t* pixels) override {
        return MakeTexture(slot, w, h, pixels, pixels != nullptr);
    }

    // A texture in `slot`; atlas: also copied onto an atlas page (never for a drawing target,
    // whose pixels change after the copy).
    bool MakeTexture(int slot, int w, int h, const uint32_t* pixels, bool atlas) {
        if (slot < 0 || w <= 0 || h <= 0 || w > m_maxTexture || h > m_maxTexture) return false;
        GameWindow_MakeCurrent();
        Flush();
        FreeTexture(slot);
        if (size_t(slot) >= m_slots.size()) m_slots.resize(size_t(slot) + 1);
        std::vector<uint32_t> empty;
        if (!pixels) {
            empty.assign(size_t(w) * size_t(h), 0);
            pixels = empty.data();
        }
        GLuint t = 0;
        glGenTextures(1, &t);
        glBindTexture(GL_TEXTURE_2D, t);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        m_boundTexture = 0;
        if (glGetError() != GL_NO_ERROR) {
            glDeleteTextures(1, &t);
            return false;
        }
        RSlot& sl = m_slots[size_t(slot)];
        sl = RSlot{};
        sl.tex = t;
        sl.tw = w;
        sl.th = h;
        sl.target = !atlas;
        if (atlas) PlaceInAtlas(sl, w, h, pixels);
        return true;
    }

    bool SetTarget(int slot) override {
        GameWindow_MakeCurrent();
        Flush();
        if (slot < 0) {
            m_drawFbo = m_fbo;
            m_targetSlot = -1;
            glBindFramebuffer(GL_FRAMEBUFFER, m_fbo);
            return true;
        }
        if (size_t(slot) >= m_slots.size() || !m_slots[size_t(slot)].tex || !m_slots[size_t(slot)].target)
            return false;
        if (!m_targetFbo) glGenFramebuffers(1, &m_targetFbo);
        glBindFramebuffer(GL_FRAMEBUFFER, m_targetFbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_slots[size_t(slot)].tex,
                               0);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            glBindFramebuffer(GL_FRAMEBUFFER, m_drawFbo);
            return false;
        }
        m_drawFbo = m_targetFbo;
        m_targetSlot = slot;
        return true;
    }

    void FreeTexture(int slot) override {
        if (slot < 0 || size_t(slot) >= m_slots.size() || !m_slots[size_t(slot)].tex) return;
        GameWindow_MakeCurrent();
        RSlot& sl = m_slots[size_t(slot)];
        if (m_batchGL == sl.tex) Flush();
        if (slot == m_targetSlot) SetTarget(-1);
        glDeleteTextures(1, &sl.tex);
        // The image's place on its atlas page is not reused.
        sl = RSlot{};
        m_boundTexture = 0;
    }

    void SetRenderSize(int w, int h) override {
        GameWindow_MakeCurrent();
        Flush();
        m_width = std::max(1, w);
        m_height = std::max(1, h);
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &m_maxTexture);
        m_width = std::min(m_width, m_maxTexture);
        m_height = std::min(m_height, m_maxTexture);
        glBindTexture(GL_TEXTURE_2D, m_target);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, m_width, m_height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glBindFramebuffer(GL_FRAMEBUFFER, m_fbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_target, 0);
        m_boundTexture = 0;
        SetViewport(0, 0, m_width, m_height);
        glClearColor(0, 0, 0, 1);
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glBindFramebuffer(GL_FRAMEBUFFER, m_drawFbo);
    }

    void SetViewport(int x, int y, int w, int h) override {
        Flush();
        glViewport(x, y, std::max(0, w), std::max(0, h));
        glScissor(x, y, std::max(0, w), std::max(0, h));
    }

    void SetTransform(const float m[6]) override {
        Flush();
        GameWindow_MakeCurrent();
        std::copy(m, m + 6, m_matrix);
        for (RProgram& p : m_programs) p.matrixSet = false;
    }

    void SetState(const RRenderState& s) override {
        Flush();
        GameWindow_MakeCurrent();
        glBlendFunc(BlendFactor(s.blendSrc), BlendFactor(s.blendDest));
        m_state = s;
    }

    void Clear(uint32_t argb) override {
        Flush();
        GameWindow_MakeCurrent();
        glClearColor(float((argb >> 16) & 255) / 255.0f, float((argb >> 8) & 255) / 255.0f,
                     float(argb & 255) / 255.0f, float(argb >> 24) / 255.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    void Draw(EPrimitive kind, int texture, bool wrap, const RVertex* v, int n) override {
        if (n <= 0) return;
        GLuint gl = 0;
        const RSlot* atlas = nullptr;
        if (texture >= 0) {
            if (size_t(texture) >= m_slots.size() || !m_slots[size_t(texture)].tex) return;
            const RSlot& sl = m_slots[size_t(texture)];
            gl = sl.tex;
            // Drawn from its atlas page when the coordinates stay inside the image and nothing
            // asks to repeat it, so that draws of different small images share one batch.
            if (sl.page >= 0 && !wrap && InsideImage(v, n)) {
                atlas = &sl;
                gl = m_pages[size_t(sl.page)].tex;
            }
        }
        if (kind != m_batchKind || gl != m_batchGL || (gl && wrap != m_batchWrap) ||
            m_batch.size() + size_t(n) > kBatchVertices) {
            Flush();
            m_batchKind = kind;
            m_batchGL = gl;
            m_batchWrap = wrap;
        }
        if (!atlas) {
            m_batch.insert(m_batch.end(), v, v + n);
            return;
        }
        const float su = float(atlas->w) / kPage, sv = float(atlas->h) / kPage;
        const float ou = float(atlas->x0) / kPage, ov = float(atlas->y0) / kPage;
        for (int i = 0; i < n; i++) {
            RVertex q = v[i];
            q.u = ou + q.u * su;
            q.v = ov + q.v * sv;
            m_batch.push_back(q);
        }
    }

    bool ReadPixels(int x, int y, int w, int h, uint32_t* out) override {
        GameWindow_MakeCurrent();
        Flush();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_fbo);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(x, y, w, h, GL_BGRA, GL_UNSIGNED_BYTE, out);
        return glGetError() == GL_NO_ERROR;
    }

    void Present(int w, int h) override {
        GameWindow_MakeCurrent();
        Flush();
        // Copying the frame into a window nobody sees (headless) would cost a full-screen pass of
        // the software renderer per frame; the frame itself stays in the render area.
        if (!GameWindow_Visible()) return;
        int ww = 0, wh = 0;
        GameWindow_DrawableSize(ww, wh);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_fbo);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDisable(GL_SCISSOR_TEST);
        // The margins in the window colour, then the render area in its place. Our rows run
        // from the top, the window's from the bottom.
        int px = 0, py = 0, pw = ww, ph = wh;
        if (m_placeSet) {
            px = m_place[0];
            py = m_place[1];
            pw = m_place[2];
            ph = m_place[3];
        }
        if (px > 0 || py > 0 || px + pw < ww || py + ph < wh) {
            const uint32_t c = m_margin;
            glClearColor(float((c >> 16) & 255) / 255, float((c >> 8) & 255) / 255, float(c & 255) / 255, 1);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        const bool same = pw == w && ph == h;
        glBlitFramebuffer(0, 0, w, h, px, wh - py, px + pw, wh - py - ph, GL_COLOR_BUFFER_BIT,
                          same ? GL_NEAREST : GL_LINEAR);
        GameWindow_Swap();
        glEnable(GL_SCISSOR_TEST);
        glBindFramebuffer(GL_FRAMEBUFFER, m_drawFbo);
    }

    void SetPresentPlace(int x, int y, int w, int h, uint32_t marginArgb) override {
        m_place[0] = x;
        m_place[1] = y;
        m_place[2] = w;
        m_place[3] = h;
        m_margin = marginArgb;
        m_placeSet = true;
    }

    void Flush() override {
        if (m_batch.empty()) return;
        GameWindow_MakeCurrent();
        int mode = 0;
        if (m_batchGL) {
            mode = m_state.textureBlending ? 1 : 2;
            if (m_boundTexture != m_batchGL) {
                glBindTexture(GL_TEXTURE_2D, m_batchGL);
                m_boundTexture = m_batchGL;
            }
            glBindSampler(0, m_samplers[(m_state.interpolate ? 2 : 0) | (m_batchWrap ? 1 : 0)]);
        }
        RProgram& p = m_programs[mode];
        if (mode != m_mode) {
            glUseProgram(p.id);
            m_mode = mode;
        }
        if (!p.matrixSet) {
            glUniform3f(p.row0, m_matrix[0], m_matrix[1], m_matrix[2]);
            glUniform3f(p.row1, m_matrix[3], m_matrix[4], m_matrix[5]);
            p.matrixSet = true;
        }
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(m_batch.size() * sizeof(RVertex)), m_batch.data(),
                     GL_STREAM_DRAW);
        const GLenum prim = m_batchKind == EPrimitive::Points  ? GL_POINTS
                            : m_batchKind == EPrimitive::Lines ? GL_LINES
                                                               : GL_TRIANGLES;
        glDrawArrays(prim, 0, GLsizei(m_batch.size()));
        m_batch.clear();
    }

  private:
    // One texture slot: its own texture of tw x th, and where it sits on an atlas page (page -1:
    // nowhere).
    struct RSlot {
        GLuint tex = 0;
        int tw = 0, th = 0;
        bool target = false; // made without pixels: may be drawn into, never on an atlas page
        int page = -1;
        int x0 = 0, y0 = 0, w = 0, h = 0;
    };
    // An atlas page filled shelf by shelf.
    struct RPage {
        GLuint tex = 0;
        int shelfY = 0, shelfH = 0, x = 0;
    };
    static constexpr int kPage = 2048;
    static constexpr int kAtlasMaxSide = 256;
    static constexpr size_t kMaxPages = 8;
    static constexpr size_t kBatchVertices = 65536;

    static bool InsideImage(const RVertex* v, int n) {
        for (int i = 0; i < n; i++)
            if (!(v[i].u >= 0.0f && v[i].u <= 1.0f && v[i].v >= 0.0f && v[i].v <= 1.0f)) return false;
        return true;
    }

    // Copies a small image onto an atlas page with a one-texel border repeating its edges, so
    // that filtering at its edges samples what clamping its own texture would.
    void PlaceInAtlas(RSlot& sl, int w, int h, const uint32_t* pixels) {
        if (w > kAtlasMaxSide || h > kAtlasMaxSide) return;
        const int bw = w + 2, bh = h + 2;
        RPage* page = nullptr;
        for (RPage& p : m_pages) {
            if (p.x + bw > kPage) {
                p.shelfY += p.shelfH;
                p.shelfH = 0;
                p.x = 0;
            }
            if (p.shelfY + bh <= kPage) {
                page = &p;
                break;
            }
        }
        if (!page) {
            if (m_pages.size() >= kMaxPages) return;
            RPage p;
            glGenTextures(1, &p.tex);
            glBindTexture(GL_TEXTURE_2D, p.tex);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kPage, kPage, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
            if (glGetError() != GL_NO_ERROR) {
                glDeleteTextures(1, &p.tex);
                return;
            }
            m_pages.push_back(p);
            page = &m_pages.back();
        }
        std::vector<uint32_t> border(size_t(bw) * size_t(bh));
        for (int y = 0; y < bh; y++) {
            const int sy = std::clamp(y - 1, 0, h - 1);
            for (int x = 0; x < bw; x++)
                border[size_t(y) * bw + x] = pixels[size_t(sy) * w + std::clamp(x - 1, 0, w - 1)];
        }
        glBindTexture(GL_TEXTURE_2D, page->tex);
        glTexSubImage2D(GL_TEXTURE_2D, 0, page->x, page->shelfY, bw, bh, GL_BGRA, GL_UNSIGNED_BYTE,
                        border.data());
        m_boundTexture = 0;
        sl.page = int(page - m_pages.data());
        sl.x0 = page->x + 1;
        sl.y0 = page->shelfY + 1;
        sl.w = w;
        sl.h = h;
        page->x += bw;
        page->shelfH = std::max(page->shelfH, bh);
    }

    bool m_started = false;
    struct RProgram {
        GLuint id = 0;
        GLint row0 = -1, row1 = -1;
        bool matrixSet = false;
    };
    RProgram m_programs[3];
    float m_matrix[6] = {1, 0, 0, 0, 1, 0};
    GLuint m_vao = 0, m_vbo = 0, m_fbo = 0, m_target = 0;
    GLuint m_targetFbo = 0, m_drawFbo = 0; // the drawing target's framebuffer: m_fbo or m_targetFbo
    int m_targetSlot = -1;
    GLuint m_samplers[4] = {};
    GLint m_maxTexture = 8192;
    int m_width = 1, m_height = 1;
    std::vector<RSlot> m_slots;
    std::vector<RPage> m_pages;
    RRenderState m_state;
    int m_mode = -1;
    GLuint m_boundTexture = 0;
    int m_place[4] = {};
    uint32_t m_margin = 0xFF000000u;
    bool m_placeSet = false;
    std::vector<RVertex> m_batch;
    EPrimitive m_batchKind = EPrimitive::Triangles;
    GLuint m_batchGL = 0;
    bool m_batchWrap = false;
};

} // namespace

std::unique_ptr<IRenderBackend> Backend_CreateGL() {
    return std::make_unique<TGLBackend>();
}
