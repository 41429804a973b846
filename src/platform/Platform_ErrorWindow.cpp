// The error window, drawn with Dear ImGui in its own SDL window and OpenGL context, and its
// headless form. The window is created on first use and hidden between errors; the memo itself
// belongs to the caller.
#include "platform/Platform_ErrorWindow.h"

#include "platform/Platform_App.h"
#include "platform/Platform_Dialog.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kClientWidth = 499;
constexpr int kClientHeight = 361;

bool EnvIs(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v && std::strcmp(v, value) == 0;
}

TErrorAnswer HeadlessAnswer(const std::string& text, bool canIgnore) {
    Platform_EmitDialog("error", "", text, {{"fatal", canIgnore ? "false" : "true"}});
    if (!canIgnore || EnvIs("QUARVEL_ERROR_ANSWER", "abort")) return TErrorAnswer::Abort;
    return TErrorAnswer::Ignore;
}

bool Readable(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

void Unavailable(const std::string& why) {
    std::string line = "Error window unavailable (" + why + "); errors are written as text.";
    Platform_Trace(line);
    std::fprintf(stderr, "%s\n", line.c_str());
}

std::string Joined(const std::vector<std::string>& memo) {
    std::string all;
    for (size_t k = 0; k < memo.size(); ++k) {
        if (k) all += '\n';
        all += memo[k];
    }
    return all;
}

// Restores the caller's GL and ImGui contexts when a block that switched to ours ends.
struct ContextSwitch {
    SDL_Window* oldWin = SDL_GL_GetCurrentWindow();
    SDL_GLContext oldGl = SDL_GL_GetCurrentContext();
    ImGuiContext* oldImGui = ImGui::GetCurrentContext();
    ~ContextSwitch() {
        if (oldWin && oldGl) SDL_GL_MakeCurrent(oldWin, oldGl);
        ImGui::SetCurrentContext(oldImGui);
    }
};

class TErrorForm {
  public:
    bool Open();
    // One frame. Returns the button pressed: 0 none, 1 abort, 2 ignore.
    int Frame(std::vector<std::string>* memo, const std::vector<std::string>& view, bool canIgnore);
    void Show() {
        SDL_ShowWindow(m_win);
        SDL_RaiseWindow(m_win);
        m_scrollToEnd = true;
    }
    void Hide() { SDL_HideWindow(m_win); }
    void Activate() {
        SDL_GL_MakeCurrent(m_win, m_gl);
        ImGui::SetCurrentContext(m_imgui);
    }
    bool closed = false;

  private:
    SDL_Window* m_win = nullptr;
    SDL_GLContext m_gl = nullptr;
    ImGuiContext* m_imgui = nullptr;
    bool m_failed = false;
    bool m_scrollToEnd = true;
};

bool TErrorForm::Open() {
    if (m_win) return true;
    if (m_failed) return false;
    m_failed = true;
    if (!Platform_Init()) {
        Unavailable("no video driver");
        return false;
    }
    ContextSwitch keep;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    m_win = SDL_CreateWindow("Error Messages", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kClientWidth,
                             kClientHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALWAYS_ON_TOP);
    if (m_win) m_gl = SDL_GL_CreateContext(m_win);
    if (!m_win || !m_gl) {
        Unavailable(SDL_GetError());
        if (m_win) SDL_DestroyWindow(m_win);
        m_win = nullptr;
        return false;
    }
    SDL_GL_MakeCurrent(m_win, m_gl);
    m_imgui = ImGui::CreateContext();
    ImGui::SetCurrentContext(m_imgui);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    // Liberation Mono has Courier New's metrics; ImGui's built-in font is fixed-pitch as well.
    static const char* const kFonts[] = {"/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf",
                                         "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf",
                                         "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"};
    bool font = false;
    for (const char* f : kFonts)
        if (!font && Readable(f)) font = io.Fonts->AddFontFromFileTTF(f, 14.0f) != nullptr;
    if (!font) io.Fonts->AddFontDefault();
    ImGui::StyleColorsLight();
    ImGui_ImplSDL2_InitForOpenGL(m_win, m_gl);
    ImGui_ImplOpenGL3_Init("#version 130");
    m_failed = false;
    return true;
}

int TErrorForm::Frame(std::vector<std::string>* memo, const std::vector<std::string>& view, bool canIgnore) {
    int answer = 0;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        ImGui_ImplSDL2_ProcessEvent(&e);
        if (e.type == SDL_QUIT) closed = true;
        if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE &&
            e.window.windowID == SDL_GetWindowID(m_win))
            closed = true;
    }
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    const ImGuiViewport* vp = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(vp->Pos);
    ImGui::SetNextWindowSize(vp->Size);
    ImGui::Begin("##errors", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings);
    float buttons = ImGui::GetFrameHeightWithSpacing() + ImGui::GetStyle().ItemSpacing.y;
    ImGui::BeginChild("memo", ImVec2(0, -buttons), true,
                      ImGuiWindowFlags_AlwaysVerticalScrollbar | ImGuiWindowFlags_HorizontalScrollbar);
    std::string text = Joined(view);
    ImGui::TextUnformatted(text.data(), text.data() + text.size());
    if (m_scrollToEnd) {
        ImGui::SetScrollHereY(1.0f);
        m_scrollToEnd = false;
    }
    ImGui::EndChild();

    const ImVec2 size(90, 0);
    // Alt + the underlined letter of each caption, as the buttons' accelerators.
    bool alt = ImGui::GetIO().KeyAlt;
    auto hint = [](const char* h) {
        if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s", h);
    };
    // Abort is the default button (Enter): drawn stronger than the others.
    ImGui::PushStyleColor(ImGuiCol_Button, ImGui::GetStyleColorVec4(ImGuiCol_ButtonHovered));
    bool abortPressed = ImGui::Button("Abort", size);
    ImGui::PopStyleColor();
    if (abortPressed || ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter)) ||
        (alt && ImGui::IsKeyPressed(SDL_SCANCODE_A)))
        answer = 1;
    hint("Abort the execution of the game");
    if (canIgnore) {
        ImGui::SameLine();
        if (ImGui::Button("Ignore", size) || (alt && ImGui::IsKeyPressed(SDL_SCANCODE_I))) answer = 2;
        hint("Ignore the error and continue the game");
    }
    ImGui::SameLine();
    if ((ImGui::Button("Clear", size) || (alt && ImGui::IsKeyPressed(SDL_SCANCODE_L))) && memo) memo->clear();
    hint("Clear the list of error messages");
    ImGui::SameLine();
    if (ImGui::Button("Copy", size) || (alt && ImGui::IsKeyPressed(SDL_SCANCODE_C)))
        ImGui::SetClipboardText(text.c_str());
    hint("Copy the error messages to the clipboard");
    ImGui::End();

    ImGui::Render();
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(m_win, &w, &h);
    glViewport(0, 0, w, h);
    glClearColor(0.94f, 0.94f, 0.94f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    return answer;
}

TErrorForm g_form;

// True when a window opened now would be seen by nobody (offscreen or dummy video driver).
bool NobodyCanSee() {
    std::string d = Platform_VideoDriver();
    return d == "offscreen" || d == "dummy";
}

} // namespace

TErrorAnswer ErrorForm_Show(std::vector<std::string>& memo, const std::string& text, bool canIgnore) {
    if (Platform_IsHeadless() || !g_form.Open()) return HeadlessAnswer(text, canIgnore);
    if (NobodyCanSee()) {
        // A modal window nobody can see would wait for ever: answer as headless instead.
        Platform_Trace("Error window not visible under the " + Platform_VideoDriver() +
                       " driver; written as text");
        return HeadlessAnswer(text, canIgnore);
    }
    ContextSwitch keep;
    g_form.Activate();
    g_form.Show();
    g_form.closed = false;
    int answer = 0;
    while (!answer && !g_form.closed) {
        answer = g_form.Frame(&memo, memo, canIgnore);
        SDL_GL_SwapWindow(SDL_GL_GetCurrentWindow());
        SDL_Delay(15);
    }
    g_form.Hide();
    return answer == 2 ? TErrorAnswer::Ignore : TErrorAnswer::Abort;
}

bool ErrorForm_RenderForTest(const std::vector<std::string>& memo, bool canIgnore,
                             std::vector<uint32_t>& pixels, int& width, int& height) {
    if (!g_form.Open()) return false;
    ContextSwitch keep;
    g_form.Activate();
    g_form.Show();
    // The first frame lays the window out; the second draws it settled.
    g_form.Frame(nullptr, memo, canIgnore);
    g_form.Frame(nullptr, memo, canIgnore);
    SDL_GL_GetDrawableSize(SDL_GL_GetCurrentWindow(), &width, &height);
    pixels.assign(size_t(width) * size_t(height), 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    // GL rows run bottom-up.
    for (int y = 0; y < height / 2; ++y)
        std::swap_ranges(pixels.begin() + ptrdiff_t(y) * width, pixels.begin() + ptrdiff_t(y + 1) * width,
                         pixels.begin() + ptrdiff_t(height - 1 - y) * width);
    SDL_GL_SwapWindow(SDL_GL_GetCurrentWindow());
    g_form.Hide();
    return true;
}
