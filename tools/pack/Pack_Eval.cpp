// quarvel-pack eval: compiles a piece of code and runs it once for a stand-in instance, writing
// the outcome as JSON lines. quarvel-pack check: compiles the code pieces of a project the way
// the runner's prepare sequence does and prints each compile error with file and line.
#include "Pack_Eval.h"

#include "platform/Platform_App.h"
#include "platform/Platform_Dialog.h"

#include "Pack_GameCode.h"

#include "Pack_Folder.h"
#include "Pack_Project.h"
#include "Pack_Source.h"

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Families.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Main.h"
#include "resources/Script_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_Runtime.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

const char* const kEvalUsage =
    "usage: quarvel-pack eval [--expression] [--game GAME | --script NAME=FILE ...] (CODE | --file F)"
    " [-- PARAMETER ...]\n";

void WriteLine(const std::string& line) {
    std::string s = line + "\n";
    std::fwrite(s.data(), 1, s.size(), stdout);
    std::fflush(stdout);
}

// Reads a whole file into text, in place: no stream buffer or second copy of a large file.
bool ReadFile(const std::string& path, std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    text.clear();
    char buf[65536];
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0) text.reserve(size_t(size));
        std::rewind(f);
    }
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, got);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// The language runtime as the runner sets it up before compiling anything; errors in headless
// form on stdout, and no error log in the working folder.
void PrepareRuntime() {
    ::setenv("QUARVEL_HEADLESS", "1", 1);
    Option_SetDefaults();
    opt_writeerrors = false;
    Runtime_Start();
    Runtime_Reset();
    Option_ReadSecure();
}

} // namespace

std::string Pack_JsonReal(double v) {
    if (std::isnan(v)) return "\"nan\"";
    if (std::isinf(v)) return v > 0 ? "\"inf\"" : "\"-inf\"";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

int Pack_Eval(int argc, char** argv) {
    std::string text, file, game;
    bool expression = false, haveText = false;
    std::vector<std::pair<std::string, std::string>> scripts; // name, file
    std::vector<std::string> parameters;
    for (int i = 0; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--") {
            // The rest are the game's command-line parameters.
            parameters.assign(argv + i + 1, argv + argc);
            break;
        } else if (a == "--expression") {
            expression = true;
        } else if (a == "--script" && i + 1 < argc &&
                   std::string(argv[i + 1]).find('=') != std::string::npos) {
            std::string arg = argv[++i];
            size_t eq = arg.find('=');
            scripts.emplace_back(arg.substr(0, eq), arg.substr(eq + 1));
        } else if (a == "--game" && i + 1 < argc) {
            game = argv[++i];
        } else if (a == "--file" && i + 1 < argc) {
            file = argv[++i];
        } else if (!haveText && file.empty() && (a.empty() || a[0] != '-')) {
            text = a;
            haveText = true;
        } else {
            std::fprintf(stderr, "%s", kEvalUsage);
            return 2;
        }
    }
    if (!file.empty()) {
        if (haveText || !ReadFile(file, text)) {
            std::fprintf(stderr, "quarvel-pack eval: cannot read '%s'\n", file.c_str());
            return 2;
        }
    } else if (!haveText) {
        std::fprintf(stderr, "%s", kEvalUsage);
        return 2;
    }

    PrepareRuntime();
    // The game's command line: the program (the game when one is given) and its parameters.
    parameters.insert(parameters.begin(), game.empty() ? Platform_ExePath() : game);
    Platform_SetCommandLine(std::move(parameters));
    if (!game.empty()) {
        // The game's own scripts, constants and resources stand in for --script.
        if (!scripts.empty()) {
            std::fprintf(stderr, "%s", kEvalUsage);
            return 2;
        }
        Constant_Reset();
        if (!Pack_LoadGameForEval(game)) return 1;
    } else {
        Script_Clear();
    }
    // Scripts first, all named before any is compiled, so that they can call each other.
    for (size_t k = 0; k < scripts.size(); ++k) {
        auto s = std::make_unique<CScript>();
        s->s_name = scripts[k].first;
        if (!ReadFile(scripts[k].second, s->s_text)) {
            std::fprintf(stderr, "quarvel-pack eval: cannot read '%s'\n", scripts[k].second.c_str());
            return 2;
        }
        Script_Set(int(k), std::move(s));
    }
    for (size_t k = 0; k < scripts.size(); ++k) {
        CScript* s = Script_Get(int(k));
        if (!s->Compile()) {
            WriteLine(
                "{\"error\":" +
                Platform_JsonString("COMPILATION ERROR in Script: " + s->s_name + "\r" + Error_Buffer()) +
                "}");
            return 1;
        }
    }
    CCode code(std::move(text), expression);
    if (!code.Compile()) {
        WriteLine("{\"error\":" + Platform_JsonString(Error_Buffer()) + "}");
        return 1;
    }
    // Drawing works as in a game: the render device (headless) with the game's textures, and the
    // one frame presented at the end, so QUARVEL_CAPTURE can keep it.
    Graphics_Start();
    CInstance self; // id 0, object 0, outside any room
    RValue result;
    const bool ran = Code_Execute(&self, &self, &code, result);
    GR_Device_End_Frame();
    Graphics_Stop();
    if (!ran) {
        WriteLine("{\"error\":" + Platform_JsonString(Error_Buffer()) + "}");
        return 1;
    }
    if (result.IsString())
        WriteLine("{\"kind\":\"string\",\"value\":" + Platform_JsonString(result.str.str()) + "}");
    else
        WriteLine("{\"kind\":\"real\",\"value\":" + Pack_JsonReal(result.val) + "}");
    return 0;
}

namespace {

// One piece of game.json's code: its origin key, how the runner names a compile failure, and
// its text.
struct RCodePiece {
    std::string key;
    std::string heading;
    std::string text;
    bool expression;
    std::string constantName; // constants: defined once compiled, so later ones can use them
};

std::string Trimmed(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
    while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
    return s.substr(a, b - a);
}

bool IsIdentifier(const std::string& s) {
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (s.empty() || !letter(s[0])) return false;
    for (char c : s)
        if (!letter(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

std::vector<RCodePiece> CollectPieces(const GameImage& game) {
    std::vector<RCodePiece> pieces;
    int k = 0;
    for (const auto& [name, value] : game.constants)
        pieces.push_back({Pack_CodeKey("constant", k++), "Value for constant " + name + "  is not valid.",
                          value, true, name});
    k = 0;
    for (const std::string& code : game.initCode)
        pieces.push_back(
            {Pack_CodeKey("init", k++), "COMPILATION ERROR in library initialization code", code, false, ""});
    return pieces;
}

} // namespace

int Pack_Check(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: quarvel-pack check PROJECT_DIR\n");
        return 2;
    }
    const std::string dir = argv[0];
    GameImage game;
    try {
        game = Pack_ReadProject(dir);
    } catch (const EProjectError& e) {
        std::fprintf(stderr, "quarvel-pack: %s\n", e.what());
        return 1;
    }
    PrepareRuntime();
    Constant_Reset();
    std::string failure;
    if (!Pack_LoadImage(game, failure)) {
        std::fprintf(stderr, "quarvel-pack: %s: %s\n", dir.c_str(), failure.c_str());
        return 1;
    }
    Constant_Reset(); // the game's constants are defined one by one below
    const std::string manifest = dir + "/game.json";
    int failures = 0, pieces = 0, warnings = 0;
    for (const RCodePiece& p : CollectPieces(game)) {
        ++pieces;
        auto origin = game.codeOrigins.find(p.key);
        const PackCodeOrigin* at = origin == game.codeOrigins.end() ? nullptr : &origin->second;
        Error_ClearFlag();
        bool ok;
        if (!p.constantName.empty()) {
            // As the runner defines a constant: a valid name, then the value text compiled and run
            // once with a temporary instance; later constants can use it.
            const std::string name = Trimmed(p.constantName);
            if (!IsIdentifier(name)) {
                ++failures;
                Pack_ReportAt(at, manifest, 1, "Constant name " + name + "  is not valid.");
                continue;
            }
            CCode code(p.text, true);
            CInstance temp;
            RValue value;
            ok = code.Compile() && Code_ExecuteValue(&temp, &temp, &code, value);
            if (ok) Constant_Add(name, value);
        } else {
            CCode code(p.text, p.expression);
            ok = code.Compile();
        }
        if (ok) continue;
        ++failures;
        if (Error_IsSet())
            Pack_ReportCompileError(at, manifest, p.text, p.heading, Error_Buffer());
        else
            Pack_ReportAt(at, manifest, 1, p.heading);
        Error_ClearFlag();
    }
    failures += Pack_CheckCodeResources(game, dir, pieces, warnings);
    if (game.named[int(EChunk::Rooms)].empty() && !game.roomOrderGiven) {
        ++warnings;
        std::printf(
            "%s:1: warning: the game has no rooms, so nothing runs (\"room_order\": [] says that is meant)\n",
            manifest.c_str());
    }
    std::printf("%d piece%s of code checked, %d failed", pieces, pieces == 1 ? "" : "s", failures);
    if (warnings) std::printf(", %d warning%s", warnings, warnings == 1 ? "" : "s");
    std::printf("\n");
    return failures ? 1 : 0;
}
