// Data structure operations at 10^3 and 10^6 elements: for each structure, the mean time of one
// operation (a pair such as push and pop, so that the size stays put) on a structure of that
// size. Flat figures between the two sizes show O(1), slowly growing ones O(log n).
// Usage: bench_ds [OPS]   (operations timed per structure and size, default 200000)
#include "support/Support_Data_Structures.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

// CPU time of this thread: on a busy machine, time spent waiting for a processor is not counted.
double Now() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

RValue Key(size_t k) {
    return RValue::String("key" + std::to_string(k));
}

// The operations run once untimed first, so that one-time growth (new memory, first touches of
// its pages) is not counted as the cost of an operation.
template <class Op>
double NsPerOp(size_t ops, Op op) {
    for (size_t k = 0; k < ops; ++k) op(k);
    const double t0 = Now();
    for (size_t k = 0; k < ops; ++k) op(k);
    return (Now() - t0) * 1e9 / double(ops);
}

volatile double g_sink;

} // namespace

int main(int argc, char** argv) {
    const size_t ops = argc > 1 ? size_t(std::atol(argv[1])) : 200000;
    const size_t sizes[] = {1000, 1000000};
    std::mt19937_64 rng(1);
    std::printf("%-44s %12s %12s\n", "operation", "n=10^3 (ns)", "n=10^6 (ns)");
    struct Line {
        const char* name;
        double ns[2];
    };
    std::vector<Line> lines(10);
    for (int s = 0; s < 2; ++s) {
        const size_t n = sizes[s];
        {
            CDS_Stack st;
            for (size_t k = 0; k < n; ++k) st.i_val.push_back(RValue::Real(double(k)));
            lines[0].name = "stack push + pop";
            lines[0].ns[s] = NsPerOp(ops, [&](size_t k) {
                st.i_val.push_back(RValue::Real(double(k)));
                st.i_val.pop_back();
            });
        }
        {
            CDS_Queue q;
            for (size_t k = 0; k < n; ++k) q.Enqueue(RValue::Real(double(k)));
            lines[1].name = "queue enqueue + dequeue";
            lines[1].ns[s] = NsPerOp(ops, [&](size_t k) {
                q.Enqueue(RValue::Real(double(k)));
                g_sink = q.Dequeue().val;
            });
        }
        {
            CDS_List l;
            for (size_t k = 0; k < n; ++k) l.i_val.push_back(RValue::Real(double(k)));
            lines[2].name = "list add + find_value(random) + delete last";
            lines[2].ns[s] = NsPerOp(ops, [&](size_t k) {
                l.i_val.push_back(RValue::Real(double(k)));
                g_sink = l.i_val[size_t(rng() % n)].val;
                l.i_val.pop_back();
            });
        }
        {
            CDS_Map m;
            for (size_t k = 0; k < n; ++k) m.Add(Key(k), RValue::Real(double(k)));
            std::vector<RValue> probes;
            for (size_t k = 0; k < 4096; ++k) probes.push_back(Key(size_t(rng() % n)));
            lines[3].name = "map find_value (string key)";
            lines[3].ns[s] = NsPerOp(ops, [&](size_t k) { g_sink = m.Find(probes[k % 4096])->val; });
            lines[4].name = "map add + delete (string key)";
            const RValue extra = RValue::String("extra key");
            lines[4].ns[s] = NsPerOp(ops, [&](size_t) {
                m.Add(extra, RValue::Real(1));
                m.Delete(extra);
            });
        }
        {
            CDS_Map m;
            for (size_t k = 0; k < n; ++k) m.Add(RValue::Real(double(k)), RValue::Real(double(k)));
            lines[5].name = "map find_value + find_next (real key)";
            lines[5].ns[s] = NsPerOp(ops, [&](size_t) {
                const RValue key = RValue::Real(double(rng() % n));
                g_sink = m.Find(key)->val;
                const RValue* next = m.Next(key);
                g_sink = next ? next->val : 0;
            });
        }
        {
            // A rising key added, a neighbour asked for, the lowest key removed: orders asked
            // for between changes.
            CDS_Map m;
            for (size_t k = 0; k < n; ++k) m.Add(RValue::Real(double(k)), RValue::Real(double(k)));
            double next = double(n);
            lines[9].name = "map add + find_next + delete first (real key)";
            lines[9].ns[s] = NsPerOp(ops, [&](size_t) {
                m.Add(RValue::Real(next), RValue::Real(next));
                next += 1;
                const RValue* k = m.Next(RValue::Real(next - double(rng() % n)));
                g_sink = k ? k->val : 0;
                m.Delete(*m.First());
            });
        }
        {
            CDS_Priority p;
            for (size_t k = 0; k < n; ++k) p.Add(RValue::Real(double(k)), RValue::Real(double(rng() % n)));
            lines[6].name = "priority add + delete_min";
            lines[6].ns[s] = NsPerOp(ops, [&](size_t k) {
                p.Add(RValue::Real(double(k)), RValue::Real(double(rng() % n)));
                g_sink = p.TakeMin().val;
            });
            lines[7].name = "priority find_max";
            lines[7].ns[s] = NsPerOp(ops, [&](size_t) { g_sink = p.Max()->val; });
        }
        {
            CDS_Grid g;
            const int64_t side = s == 0 ? 32 : 1000;
            g.Resize(side, side);
            lines[8].name = "grid set + get (random cell)";
            lines[8].ns[s] = NsPerOp(ops, [&](size_t k) {
                const int64_t x = int64_t(rng() % uint64_t(side)), y = int64_t(rng() % uint64_t(side));
                DS_GridApply(g.At(x, y), RValue::Real(double(k)), EGridOp::Add);
                g_sink = g.At(y, x).val;
            });
        }
    }
    for (const Line& l : lines) std::printf("%-44s %12.1f %12.1f\n", l.name, l.ns[0], l.ns[1]);
    return 0;
}
