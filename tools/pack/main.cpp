// quarvel-pack: writes game files from a project folder and inspects them.
#include "Pack_Eval.h"
#include "Pack_Functions.h"
#include "Pack_Info.h"
#include "Pack_New.h"
#include "Pack_Project.h"
#include "Pack_Unpack.h"
#include "Pack_Writer.h"

#include "data/DataNew_Main.h"

#include "platform/Platform_Sanitizer.h"
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

QV_LEAK_SUPPRESSIONS

namespace {

const char* const kUsage =
    "usage:\n"
    "  quarvel-pack new DIR [--template empty|example]\n"
    "      writes a small project that builds and runs, with a README of next steps\n"
    "  quarvel-pack run PROJECT_DIR [--runner RUNNER] [-- ARGS]\n"
    "      builds the project into a temporary game and runs it (headless without a display),\n"
    "      ending with the game's exit status\n"
    "  quarvel-pack build PROJECT_DIR -o GAME [--runner RUNNER] [--data-only] [--no-check]\n"
    "      checks the project's code, then writes a standalone game executable (or, with\n"
    "      --data-only, a data file for QUARVEL_GAME); --no-check skips the check\n"
    "  quarvel-pack unpack GAME -o DIR [--force]\n"
    "      writes a game file back out as a project folder (code in .qvs files); DIR must be\n"
    "      empty, or --force replaces what it holds\n"
    "  quarvel-pack info GAME\n"
    "      prints what a game file holds\n"
    "  quarvel-pack functions [NAME]\n"
    "      lists every built-in function (or the one named) with its argument count and whether\n"
    "      it is implemented\n"
    "  quarvel-pack eval [--expression] [--game GAME | --script NAME=FILE ...] (CODE | --file F)\n"
    "      compiles and runs game code once, printing the outcome as JSON lines; with --game,\n"
    "      after loading GAME and compiling all its code, so its names and scripts are visible\n"
    "  quarvel-pack check PROJECT_DIR\n"
    "      compiles every piece of code in a project and prints each compile error\n";

std::string SelfDir() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string p(buf, size_t(n));
    size_t slash = p.rfind('/');
    return slash == std::string::npos ? "." : p.substr(0, slash);
}

int Build(int argc, char** argv) {
    std::string project, output, runner;
    bool dataOnly = false, check = true;
    for (int i = 0; i < argc; i++) {
        std::string a = argv[i];
        if (a == "-o" && i + 1 < argc)
            output = argv[++i];
        else if (a == "--runner" && i + 1 < argc)
            runner = argv[++i];
        else if (a == "--data-only")
            dataOnly = true;
        else if (a == "--no-check")
            check = false;
        else if (!a.empty() && a[0] != '-' && project.empty())
            project = a;
        else {
            std::fprintf(stderr, "quarvel-pack build: unexpected argument '%s'\n%s", a.c_str(), kUsage);
            return 2;
        }
    }
    if (project.empty() || output.empty()) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    GameImage game;
    try {
        game = Pack_ReadProject(project);
    } catch (const EProjectError& e) {
        std::fprintf(stderr, "quarvel-pack: %s\n", e.what());
        return 1;
    }
    // Every piece of code must compile before the game is written.
    if (check) {
        std::vector<std::string> args = {project};
        std::vector<char*> argvCheck = {args[0].data()};
        if (Pack_Check(1, argvCheck.data()) != 0) {
            std::fprintf(stderr, "quarvel-pack: the build stops: code does not compile\n");
            return 1;
        }
    }
    std::vector<uint8_t> data = Pack_WriteGameData(game);
    std::vector<uint8_t> file;
    if (dataOnly) {
        file = Pack_DataOnly(data);
    } else {
        if (runner.empty()) runner = SelfDir() + "/quarvel-runner";
        CStream image;
        if (!image.LoadFromFile(runner)) {
            std::fprintf(stderr, "quarvel-pack: cannot read the runner image '%s' (give it with --runner)\n",
                         runner.c_str());
            return 1;
        }
        if (DataNew_ElfImageEnd(image.Data(), image.Size()) == 0) {
            std::fprintf(stderr, "quarvel-pack: '%s' is not a runner executable\n", runner.c_str());
            return 1;
        }
        // A runner that already carries a game: keep only its own image.
        image.SetSize(DataNew_ElfImageEnd(image.Data(), image.Size()));
        file = Pack_Assemble(image.Bytes(), data);
    }
    std::error_code ec;
    if (std::filesystem::path(output).has_parent_path())
        std::filesystem::create_directories(std::filesystem::path(output).parent_path(), ec);
    if (!Pack_WriteFile(output, file, !dataOnly)) {
        std::fprintf(stderr, "quarvel-pack: cannot write '%s': %s\n", output.c_str(), std::strerror(errno));
        return 1;
    }
    return 0;
}

int Dispatch(int argc, char** argv);

// quarvel-pack run: builds the project into a temporary game beside nothing else and runs it
// (headless without a display), passing the game's exit status through.
int Run(int argc, char** argv) {
    std::string project, runner;
    std::vector<std::string> gameArgs;
    for (int i = 0; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--") {
            gameArgs.assign(argv + i + 1, argv + argc);
            break;
        }
        if (a == "--runner" && i + 1 < argc)
            runner = argv[++i];
        else if (!a.empty() && a[0] != '-' && project.empty())
            project = a;
        else {
            std::fprintf(stderr, "usage: quarvel-pack run PROJECT_DIR [--runner RUNNER] [-- ARGS]\n");
            return 2;
        }
    }
    if (project.empty()) {
        std::fprintf(stderr, "usage: quarvel-pack run PROJECT_DIR [--runner RUNNER] [-- ARGS]\n");
        return 2;
    }
    std::string tmpl = (std::filesystem::temp_directory_path() / "quarvel-run-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        std::fprintf(stderr, "quarvel-pack run: cannot make a temporary folder: %s\n", std::strerror(errno));
        return 1;
    }
    const std::string game = tmpl + "/" + std::filesystem::path(project).filename().string() + ".game";
    std::vector<std::string> buildArgs = {project, "-o", game};
    if (!runner.empty()) buildArgs.insert(buildArgs.end(), {"--runner", runner});
    std::vector<char*> bargv;
    for (std::string& a : buildArgs) bargv.push_back(a.data());
    int status = Build(int(bargv.size()), bargv.data());
    if (status == 0) {
        std::vector<std::string> args = {game};
        args.insert(args.end(), gameArgs.begin(), gameArgs.end());
        std::vector<char*> rargv;
        for (std::string& a : args) rargv.push_back(a.data());
        rargv.push_back(nullptr);
        // No display: the game runs headless, its dialogs as JSON lines on standard output.
        const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
        if (!display) ::setenv("QUARVEL_HEADLESS", "1", 0);
        pid_t pid = -1;
        if (posix_spawn(&pid, game.c_str(), nullptr, nullptr, rargv.data(), environ) != 0) {
            std::fprintf(stderr, "quarvel-pack run: cannot start %s: %s\n", game.c_str(),
                         std::strerror(errno));
            status = 1;
        } else {
            int ws = 0;
            while (waitpid(pid, &ws, 0) < 0 && errno == EINTR) {
            }
            status = WIFEXITED(ws) ? WEXITSTATUS(ws) : WIFSIGNALED(ws) ? 128 + WTERMSIG(ws) : 1;
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(tmpl, ec);
    return status;
}

} // namespace

// No input may abort the packer: what escapes a command is reported and fails it.
int main(int argc, char** argv) {
    try {
        return Dispatch(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quarvel-pack: %s\n", e.what());
        return 1;
    }
}

namespace {

int Dispatch(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    std::string cmd = argv[1];
    if (cmd == "build") return Build(argc - 2, argv + 2);
    if (cmd == "run") return Run(argc - 2, argv + 2);
    if (cmd == "new") return Pack_New(argc - 2, argv + 2);
    if (cmd == "eval") return Pack_Eval(argc - 2, argv + 2);
    if (cmd == "check") return Pack_Check(argc - 2, argv + 2);
    if (cmd == "unpack") return Pack_Unpack(argc - 2, argv + 2);
    if (cmd == "info" && argc == 3) return Pack_Info(argv[2], stdout, stderr);
    if (cmd == "functions" && argc == 2) return Pack_ListFunctions(stdout);
    if (cmd == "functions" && argc == 3) return Pack_DescribeFunction(argv[2], stdout, stderr);
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::printf("%s", kUsage);
        return 0;
    }
    std::fprintf(stderr, "quarvel-pack: unknown command '%s'\n%s", cmd.c_str(), kUsage);
    return 2;
}

} // namespace
