// quarvel-pack eval and check, driven as an author would from the shell: the JSON lines, exit
// codes, the shortest text of reals, and the compile errors of a project with file and line.
#include "Pack_Eval.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace {

struct ROutput {
    std::string out;
    int status;
};

ROutput RunPack(const std::string& args) {
    std::string cmd = std::string(QV_PACK_EXE) + " " + args + " 2>/dev/null";
    ROutput r{"", -1};
    std::FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string WriteTemp(const std::string& name, const std::string& text) {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "quarvel-eval-test";
    std::filesystem::path p = dir / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
}

TEST(PackEval, OutcomesAsJsonLines) {
    struct Row {
        std::string code;
        bool expression;
        std::string out;
        int status;
    };
    const Row rows[] = {
        {"x = 1/3", false, "{\"kind\":\"real\",\"value\":0.3333333333333333}\n", 0},
        {"return 0.1 + 0.2", false, "{\"kind\":\"real\",\"value\":0.30000000000000004}\n", 0},
        {"x = 1; repeat (400) x *= 10; return x", false, "{\"kind\":\"real\",\"value\":\"inf\"}\n", 0},
        {"x = 1; repeat (400) x *= 10; return -x", false, "{\"kind\":\"real\",\"value\":\"-inf\"}\n", 0},
        {"x = 1; repeat (400) x *= 10; return x - x", false, "{\"kind\":\"real\",\"value\":\"nan\"}\n", 0},
        {"return 'say \"hi\"\\'", false, "{\"kind\":\"string\",\"value\":\"say \\\"hi\\\"\\\\\"}\n", 0},
        {"3 + 4 5", true, "{\"kind\":\"real\",\"value\":7}\n", 0},
        {"", false, "{\"kind\":\"real\",\"value\":0}\n", 0},
        {"x = qq", false,
         "{\"error\":\"Error in code at line 1:\\r   x = qq\\r      ^\\rat position 5: Unknown variable "
         "qq\"}\n",
         1},
        {"1 +", true,
         "{\"error\":\"Error in expression:1 +\\r position 3: Unexpected symbol in expression.\"}\n", 1},
    };
    int k = 0;
    for (const Row& r : rows) {
        std::string file = WriteTemp("code" + std::to_string(k++) + ".txt", r.code);
        ROutput o =
            RunPack(std::string("eval ") + (r.expression ? "--expression " : "") + "--file '" + file + "'");
        EXPECT_EQ(o.out, r.out) << r.code;
        EXPECT_EQ(o.status, r.status) << r.code;
    }
    // A reported error of a function comes first, in headless form; the run goes on.
    ROutput o = RunPack("eval 'x = 5; mplay_init_ipx(); y = 2'");
    EXPECT_EQ(o.out.find("{\"dialog\":\"error\""), 0u) << o.out;
    EXPECT_NE(o.out.find("Function mplay_init_ipx is not available yet."), std::string::npos);
    EXPECT_NE(o.out.find("}\n{\"kind\":\"real\",\"value\":2}\n"), std::string::npos) << o.out;
    EXPECT_EQ(o.status, 0);
}

TEST(PackEval, CheckReportsEachCompileError) {
    WriteTemp("project/game.json", R"({
  "format": 1,
  "constants": [
    { "name": "A", "value": "3" },
    { "name": "B", "value": "A * 2 +" },
    { "name": "C", "value": "A + 1" },
    { "name": " 2x ", "value": "1" }
  ],
  "init_code": ["x = C + 1;", "y = (1 + 2"]
})");
    const std::string dir =
        (std::filesystem::temp_directory_path() / "quarvel-eval-test" / "project").string();
    ROutput o = RunPack("check '" + dir + "'");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("game.json:5: Value for constant B  is not valid.\nError in expression:A * 2 +\n "
                         "position 7: Unexpected symbol in expression.\n"),
              std::string::npos)
        << o.out;
    EXPECT_NE(
        o.out.find("game.json:9: COMPILATION ERROR in library initialization code\nError in code at line 1:"),
        std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("game.json:7: Constant name 2x  is not valid.\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("6 pieces of code checked, 3 failed"), std::string::npos) << o.out;

    WriteTemp("project/game.json",
              R"({"constants": [{ "name": "A", "value": "3" }], "init_code": ["x = A"]})");
    o = RunPack("check '" + dir + "'");
    EXPECT_EQ(o.status, 0) << o.out;
}

} // namespace
