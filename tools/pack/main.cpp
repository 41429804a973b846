// quarvel-pack: writes game files from a project folder and inspects them.
#include "Pack_Eval.h"
#include "Pack_Functions.h"
#include "Pack_Info.h"
#include "Pack_Project.h"
#include "Pack_Unpack.h"
#include "Pack_Writer.h"

#include "data/DataNew_Main.h"

#include "platform/Platform_Sanitizer.h"
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

QV_LEAK_SUPPRESSIONS

namespace {

const char* const kUsage =
    "usage:\n"
    "  quarvel-pack build PROJECT_DIR -o GAME [--runner RUNNER] [--data-only] [--no-check]\n"
    "      checks the project's code, then writes a standalone game executable (or, with\n"
    "      --data-only, a data file for QUARVEL_GAME); --no-check skips the check\n"
    "  quarvel-pack unpack GAME -o DIR\n"
    "      writes a game file back out as a project folder\n"
    "  quarvel-pack info GAME\n"
    "      prints what a game file holds\n"
    "  quarvel-pack functions\n"
    "      lists every built-in function with its argument count and whether it is implemented\n"
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
    if (!Pack_WriteFile(output, file, !dataOnly)) {
        std::fprintf(stderr, "quarvel-pack: cannot write '%s': %s\n", output.c_str(), std::strerror(errno));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    std::string cmd = argv[1];
    if (cmd == "build") return Build(argc - 2, argv + 2);
    if (cmd == "eval") return Pack_Eval(argc - 2, argv + 2);
    if (cmd == "check") return Pack_Check(argc - 2, argv + 2);
    if (cmd == "unpack") return Pack_Unpack(argc - 2, argv + 2);
    if (cmd == "info" && argc == 3) return Pack_Info(argv[2], stdout, stderr);
    if (cmd == "functions" && argc == 2) return Pack_ListFunctions(stdout);
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::printf("%s", kUsage);
        return 0;
    }
    std::fprintf(stderr, "quarvel-pack: unknown command '%s'\n%s", cmd.c_str(), kUsage);
    return 2;
}
