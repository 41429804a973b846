// Where compile time and memory go, for the program of bench/compile/run (short lines of
// `a = a + 3; if (a > 1000) { a -= 1000; }`): processor time of lexing alone, of lexing and
// resolving names (the token stream), and of the whole compile (tokens, tree, post pass); and
// the bytes the compiled code keeps per line (the tree) beside the bytes of its text; and the
// resident memory of each phase: its peak above the memory at its start, and what stays after it.
// Usage: bench_compile [LINES]   (default 100000)
#include "code/Code_Exec.h"
#include "code/Code_Lex.h"
#include "code/Code_Main.h"
#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Families.h"
#include "run/Instance_Class.h"

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// Resident and peak resident bytes of the process (the peak since the last ResetPeak).
size_t StatusBytes(const char* key) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    size_t kb = 0;
    const size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, key, n) == 0) kb = size_t(std::atol(line + n));
    std::fclose(f);
    return kb * 1024;
}
size_t Resident() {
    return StatusBytes("VmRSS:");
}
size_t PeakResident() {
    return StatusBytes("VmHWM:");
}
void ResetPeak() {
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

// Resident memory of one phase: the peak above the start, and the growth that stays.
struct RPhaseMemory {
    size_t start = Resident();
    long peak = 0, kept = 0;
    RPhaseMemory() { ResetPeak(); }
    void End() {
        peak = long(PeakResident()) - long(start);
        kept = long(Resident()) - long(start);
    }
};

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
    RPhaseMemory lexMemory;
    double t0 = Now();
    CLexer lexer(text);
    while (lexer.Next().symbol != kSymEnd) ++tokens;
    const double lex = Now() - t0;
    lexMemory.End();

    RPhaseMemory streamMemory;
    t0 = Now();
    {
        CCode owner(text, false);
        CTokenStream stream(&owner, owner.i_str);
        while (stream->symbol != kSymEnd) ++stream;
    }
    const double stream = Now() - t0;
    streamMemory.End();

    const size_t before = HeapBytes();
    CCode code(text, false); // the code's own copy of the text, as a loader makes it
    RPhaseMemory compileMemory;
    t0 = Now();
    if (!code.Compile()) {
        std::fprintf(stderr, "compile failed\n");
        return 1;
    }
    const double compile = Now() - t0;
    compileMemory.End();
    const size_t kept = HeapBytes() - before - text.size();
    const size_t nodes = code.i_nodes.size();

    RPhaseMemory runMemory;
    t0 = Now();
    CInstance self;
    RValue result;
    if (!Code_Execute(&self, &self, &code, result)) {
        std::fprintf(stderr, "run failed\n");
        return 1;
    }
    const double run = Now() - t0;
    runMemory.End();

    t0 = Now();
    { CCode gone(std::move(code)); }
    const double release = Now() - t0;

    const double perLine = 1e9 / double(lines);
    std::printf("%ld lines, %ld tokens, %zu bytes of text\n", lines, tokens, text.size());
    std::printf("%-34s %10s %10s\n", "phase", "total (s)", "ns/line");
    std::printf("%-34s %10.3f %10.0f\n", "lex", lex, lex * perLine);
    std::printf("%-34s %10.3f %10.0f\n", "token stream (lex + names)", stream, stream * perLine);
    std::printf("%-34s %10.3f %10.0f\n", "compile (stream + tree + post)", compile, compile * perLine);
    std::printf("%-34s %10.3f %10.0f\n", "first run", run, run * perLine);
    std::printf("%-34s %10.3f %10.0f\n", "free the compiled code", release, release * perLine);
    std::printf("code kept (allocated): %.1f MB, %.0f bytes per line (text: %.0f bytes per line)\n",
                double(kept) / 1e6, double(kept) / double(lines), double(text.size()) / double(lines));
    std::printf("tree: %zu nodes of %zu bytes, %.1f per line\n", nodes, sizeof(RToken),
                double(nodes) / double(lines));
    std::printf("%-34s %10s %10s %10s %10s\n", "resident memory", "peak (MB)", "B/line", "kept (MB)",
                "B/line");
    auto row = [&](const char* name, const RPhaseMemory& m) {
        std::printf("%-34s %10.1f %10.0f %10.1f %10.0f\n", name, double(m.peak) / 1e6,
                    double(m.peak) / double(lines), double(m.kept) / 1e6, double(m.kept) / double(lines));
    };
    row("lex", lexMemory);
    row("token stream (lex + names)", streamMemory);
    row("compile (stream + tree + post)", compileMemory);
    row("first run", runMemory);
    return 0;
}
