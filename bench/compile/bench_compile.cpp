// Where compile time and memory go, for the program of bench/compile/run (short lines of
// `a = a + 3; if (a > 1000) { a -= 1000; }`): processor time of lexing alone, of lexing and
// resolving names (the token stream), and of the whole compile (tokens, tree, post pass); and
// the bytes the compiled code keeps per line (the tree) beside the bytes of its text.
// Usage: bench_compile [LINES]   (default 100000)
#include "code/Code_Exec.h"
#include "code/Code_Lex.h"
#include "code/Code_Main.h"
#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Families.h"

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

double Now() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

size_t HeapBytes() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

} // namespace

int main(int argc, char** argv) {
    const long lines = argc > 1 ? std::atol(argv[1]) : 100000;
    ::setenv("QUARVEL_HEADLESS", "1", 1);
    Option_SetDefaults();
    opt_displayerrors = false;
    opt_writeerrors = false;
    Function_RegisterAll();
    Code_AddArgumentVariables();
    Global_Reset();

    std::string text = "a = 0;\n";
    for (long k = 0; k < lines; ++k) text += "a = a + 3; if (a > 1000) { a -= 1000; }\n";
    text += "return a\n";

    long tokens = 0;
    double t0 = Now();
    CLexer lexer(text);
    while (lexer.Next().symbol != kSymEnd) ++tokens;
    const double lex = Now() - t0;

    t0 = Now();
    {
        CCode owner(text, false);
        CTokenStream stream(&owner, owner.i_str);
        while (stream->symbol != kSymEnd) ++stream;
    }
    const double stream = Now() - t0;

    const size_t before = HeapBytes();
    t0 = Now();
    CCode code(text, false);
    if (!code.Compile()) {
        std::fprintf(stderr, "compile failed\n");
        return 1;
    }
    const double compile = Now() - t0;
    const size_t kept = HeapBytes() - before - text.size();
    t0 = Now();
    { CCode gone(std::move(code)); }
    const double release = Now() - t0;

    const double perLine = 1e9 / double(lines);
    std::printf("%ld lines, %ld tokens, %zu bytes of text\n", lines, tokens, text.size());
    std::printf("%-34s %10s %10s\n", "phase", "total (s)", "ns/line");
    std::printf("%-34s %10.3f %10.0f\n", "lex", lex, lex * perLine);
    std::printf("%-34s %10.3f %10.0f\n", "token stream (lex + names)", stream, stream * perLine);
    std::printf("%-34s %10.3f %10.0f\n", "compile (stream + tree + post)", compile, compile * perLine);
    std::printf("%-34s %10.3f %10.0f\n", "free the compiled code", release, release * perLine);
    std::printf("code kept: %.1f MB, %.0f bytes per line (text: %.0f bytes per line)\n", double(kept) / 1e6,
                double(kept) / double(lines), double(text.size()) / double(lines));
    return 0;
}
