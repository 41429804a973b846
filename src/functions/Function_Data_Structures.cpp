// Data structures: stacks, queues, lists, maps, priority queues and grids. One id table per
// kind hands out the lowest free id; the structures themselves are in Support_Data_Structures.
#include "functions/Function_Data_Structures.h"

#include "functions/Function_Args.h"
#include "functions/Function_Families.h"
#include "support/Support_Data_Structures.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr const char* kNoStructure = "Data structure with index does not exist.";

// Live structures of one kind by id; a free slot is null.
template <class T>
struct CTable {
    std::vector<std::unique_ptr<T>> items;

    int64_t Create(std::unique_ptr<T> t) {
        for (size_t k = 0; k < items.size(); ++k)
            if (!items[k]) {
                items[k] = std::move(t);
                return int64_t(k);
            }
        items.push_back(std::move(t));
        return int64_t(items.size() - 1);
    }
    // The live structure the argument names; otherwise the error is reported and nullptr.
    T* Get(const RValue& id) {
        const int64_t k = Arg_Int64(id);
        if (k >= 0 && uint64_t(k) < items.size() && items[size_t(k)]) return items[size_t(k)].get();
        Function_Error(kNoStructure);
        return nullptr;
    }
    void Destroy(const RValue& id) {
        if (Get(id)) items[size_t(Arg_Int64(id))].reset();
    }
};

CTable<CDS_Stack> g_stacks;
CTable<CDS_Queue> g_queues;
CTable<CDS_List> g_lists;
CTable<CDS_Map> g_maps;
CTable<CDS_Priority> g_priorities;
CTable<CDS_Grid> g_grids;

// False (and the error reported) when a structure holding n elements may not grow.
bool CanGrow(size_t n) {
    if (n < DS_MaxElements()) return true;
    Function_Error(kDSTooLarge);
    return false;
}

template <class T>
void WriteForm(const T& t, RValue& result) {
    std::string s;
    if (!t.Write(s)) {
        Function_Error(kStringTooLong);
        return;
    }
    result.SetString(TRefString::FromAscii(s));
}

template <class T>
void ReadForm(T& t, const RValue& text) {
    switch (t.Read(Arg_String(text))) {
    case EDSRead::Ok:
    case EDSRead::OtherKind: // a string of another kind is ignored
        break;
    case EDSRead::Bad:
        Function_Error(kDSBadString);
        break;
    case EDSRead::TooLarge:
        Function_Error(kDSTooLarge);
        break;
    }
}

void SetValue(RValue& result, const RValue* v) {
    if (v) result = *v;
}

// The common functions of every kind but the grid.
#define QV_DS_COMMON(Kind, table, T)                                                                         \
    QV_FUNCTION(F_DS##Kind##Create) {                                                                        \
        result.SetReal(double(table.Create(std::make_unique<T>())));                                         \
    }                                                                                                        \
    QV_FUNCTION(F_DS##Kind##Destroy) {                                                                       \
        table.Destroy(args[0]);                                                                              \
    }                                                                                                        \
    QV_FUNCTION(F_DS##Kind##Copy) {                                                                          \
        T* d = table.Get(args[0]);                                                                           \
        T* s = d ? table.Get(args[1]) : nullptr;                                                             \
        if (s && s != d) *d = *s;                                                                            \
    }                                                                                                        \
    QV_FUNCTION(F_DS##Kind##Write) {                                                                         \
        if (T* t = table.Get(args[0])) WriteForm(*t, result);                                                \
    }                                                                                                        \
    QV_FUNCTION(F_DS##Kind##Read) {                                                                          \
        if (T* t = table.Get(args[0])) ReadForm(*t, args[1]);                                                \
    }

QV_DS_COMMON(Stack, g_stacks, CDS_Stack)
QV_DS_COMMON(Queue, g_queues, CDS_Queue)
QV_DS_COMMON(List, g_lists, CDS_List)
QV_DS_COMMON(Map, g_maps, CDS_Map)
QV_DS_COMMON(Priority, g_priorities, CDS_Priority)

QV_FUNCTION(F_DSSetPrecision) {
    DS_SetPrecision(Arg_Real(args[0]));
}

// ---- stack ----

QV_FUNCTION(F_DSStackClear) {
    if (CDS_Stack* t = g_stacks.Get(args[0])) t->i_val.clear();
}
QV_FUNCTION(F_DSStackSize) {
    if (CDS_Stack* t = g_stacks.Get(args[0])) result.SetReal(double(t->i_val.size()));
}
QV_FUNCTION(F_DSStackEmpty) {
    if (CDS_Stack* t = g_stacks.Get(args[0])) result.SetReal(t->i_val.empty() ? 1.0 : 0.0);
}
QV_FUNCTION(F_DSStackPush) {
    CDS_Stack* t = g_stacks.Get(args[0]);
    if (t && CanGrow(t->i_val.size())) t->i_val.push_back(args[1]);
}
QV_FUNCTION(F_DSStackPop) {
    CDS_Stack* t = g_stacks.Get(args[0]);
    if (!t || t->i_val.empty()) return;
    result = std::move(t->i_val.back());
    t->i_val.pop_back();
}
QV_FUNCTION(F_DSStackTop) {
    CDS_Stack* t = g_stacks.Get(args[0]);
    if (t && !t->i_val.empty()) result = t->i_val.back();
}

// ---- queue ----

QV_FUNCTION(F_DSQueueClear) {
    if (CDS_Queue* t = g_queues.Get(args[0])) t->Clear();
}
QV_FUNCTION(F_DSQueueSize) {
    if (CDS_Queue* t = g_queues.Get(args[0])) result.SetReal(double(t->Size()));
}
QV_FUNCTION(F_DSQueueEmpty) {
    if (CDS_Queue* t = g_queues.Get(args[0])) result.SetReal(t->Empty() ? 1.0 : 0.0);
}
QV_FUNCTION(F_DSQueueEnqueue) {
    CDS_Queue* t = g_queues.Get(args[0]);
    if (t && CanGrow(t->Size())) t->Enqueue(args[1]);
}
QV_FUNCTION(F_DSQueueDequeue) {
    if (CDS_Queue* t = g_queues.Get(args[0])) result = t->Dequeue();
}
QV_FUNCTION(F_DSQueueHead) {
    if (CDS_Queue* t = g_queues.Get(args[0])) SetValue(result, t->Head());
}
QV_FUNCTION(F_DSQueueTail) {
    if (CDS_Queue* t = g_queues.Get(args[0])) SetValue(result, t->Tail());
}

// ---- list ----

// The position argument as an index below limit, or -1.
int64_t Position(const RValue& v, size_t limit) {
    const int64_t p = Arg_Int64(v);
    return p >= 0 && uint64_t(p) < limit ? p : -1;
}

QV_FUNCTION(F_DSListClear) {
    if (CDS_List* t = g_lists.Get(args[0])) t->i_val.clear();
}
QV_FUNCTION(F_DSListSize) {
    if (CDS_List* t = g_lists.Get(args[0])) result.SetReal(double(t->i_val.size()));
}
QV_FUNCTION(F_DSListEmpty) {
    if (CDS_List* t = g_lists.Get(args[0])) result.SetReal(t->i_val.empty() ? 1.0 : 0.0);
}
QV_FUNCTION(F_DSListAdd) {
    CDS_List* t = g_lists.Get(args[0]);
    if (t && CanGrow(t->i_val.size())) t->i_val.push_back(args[1]);
}
QV_FUNCTION(F_DSListInsert) {
    CDS_List* t = g_lists.Get(args[0]);
    if (!t) return;
    const int64_t p = Position(args[1], t->i_val.size() + 1);
    if (p >= 0 && CanGrow(t->i_val.size())) t->i_val.insert(t->i_val.begin() + p, args[2]);
}
QV_FUNCTION(F_DSListReplace) {
    CDS_List* t = g_lists.Get(args[0]);
    if (!t) return;
    const int64_t p = Position(args[1], t->i_val.size());
    if (p >= 0) t->i_val[size_t(p)] = args[2];
}
QV_FUNCTION(F_DSListDelete) {
    CDS_List* t = g_lists.Get(args[0]);
    if (!t) return;
    const int64_t p = Position(args[1], t->i_val.size());
    if (p >= 0) t->i_val.erase(t->i_val.begin() + p);
}
QV_FUNCTION(F_DSListFindIndex) {
    if (CDS_List* t = g_lists.Get(args[0])) result.SetReal(double(t->FindIndex(args[1])));
}
QV_FUNCTION(F_DSListFindValue) {
    CDS_List* t = g_lists.Get(args[0]);
    if (!t) return;
    const int64_t p = Position(args[1], t->i_val.size());
    if (p >= 0) result = t->i_val[size_t(p)];
}
QV_FUNCTION(F_DSListSort) {
    if (CDS_List* t = g_lists.Get(args[0])) t->Sort(Arg_Bool(args[1]));
}
QV_FUNCTION(F_DSListShuffle) {
    if (CDS_List* t = g_lists.Get(args[0])) t->Shuffle();
}

// ---- map ----

QV_FUNCTION(F_DSMapClear) {
    if (CDS_Map* t = g_maps.Get(args[0])) t->Clear();
}
QV_FUNCTION(F_DSMapSize) {
    if (CDS_Map* t = g_maps.Get(args[0])) result.SetReal(double(t->Size()));
}
QV_FUNCTION(F_DSMapEmpty) {
    if (CDS_Map* t = g_maps.Get(args[0])) result.SetReal(t->Size() == 0 ? 1.0 : 0.0);
}
QV_FUNCTION(F_DSMapAdd) {
    CDS_Map* t = g_maps.Get(args[0]);
    if (t && CanGrow(t->Size())) t->Add(args[1], args[2]);
}
QV_FUNCTION(F_DSMapReplace) {
    CDS_Map* t = g_maps.Get(args[0]);
    if (!t) return;
    if (RValue* v = t->Find(args[1])) *v = args[2];
}
QV_FUNCTION(F_DSMapDelete) {
    if (CDS_Map* t = g_maps.Get(args[0])) t->Delete(args[1]);
}
QV_FUNCTION(F_DSMapExists) {
    if (CDS_Map* t = g_maps.Get(args[0])) result.SetReal(t->Find(args[1]) ? 1.0 : 0.0);
}
QV_FUNCTION(F_DSMapFindValue) {
    if (CDS_Map* t = g_maps.Get(args[0])) SetValue(result, t->Find(args[1]));
}
QV_FUNCTION(F_DSMapFindPrevious) {
    if (CDS_Map* t = g_maps.Get(args[0])) SetValue(result, t->Previous(args[1]));
}
QV_FUNCTION(F_DSMapFindNext) {
    if (CDS_Map* t = g_maps.Get(args[0])) SetValue(result, t->Next(args[1]));
}
QV_FUNCTION(F_DSMapFindFirst) {
    if (CDS_Map* t = g_maps.Get(args[0])) SetValue(result, t->First());
}
QV_FUNCTION(F_DSMapFindLast) {
    if (CDS_Map* t = g_maps.Get(args[0])) SetValue(result, t->Last());
}

// ---- priority queue ----

QV_FUNCTION(F_DSPriorityClear) {
    if (CDS_Priority* t = g_priorities.Get(args[0])) t->Clear();
}
QV_FUNCTION(F_DSPrioritySize) {
    if (CDS_Priority* t = g_priorities.Get(args[0])) result.SetReal(double(t->Size()));
}
QV_FUNCTION(F_DSPriorityEmpty) {
    if (CDS_Priority* t = g_priorities.Get(args[0])) result.SetReal(t->Size() == 0 ? 1.0 : 0.0);
}
QV_FUNCTION(F_DSPriorityAdd) {
    CDS_Priority* t = g_priorities.Get(args[0]);
    if (t && CanGrow(t->Size())) t->Add(args[1], args[2]);
}
QV_FUNCTION(F_DSPriorityChangePriority) {
    if (CDS_Priority* t = g_priorities.Get(args[0])) t->ChangePriority(args[1], args[2]);
}
QV_FUNCTION(F_DSPriorityFindPriority) {
    if (CDS_Priority* t = g_priorities.Get(args[0])) SetValue(result, t->FindPriority(args[1]));
}
QV_FUNCTION(F_DSPriorityDeleteValue) {
    if (CDS_Priority* t = g_priorities.Get(args[0])) t->DeleteValue(args[1]);
}
QV_FUNCTION(F_DSPriorityDeleteMin) {
    if (CDS_Priority* t = g_priorities.Get(args[0])) result = t->TakeMin();
}
QV_FUNCTION(F_DSPriorityFindMin) {
    if (CDS_Priority* t = g_priorities.Get(args[0])) SetValue(result, t->Min());
}
QV_FUNCTION(F_DSPriorityDeleteMax) {
    if (CDS_Priority* t = g_priorities.Get(args[0])) result = t->TakeMax();
}
QV_FUNCTION(F_DSPriorityFindMax) {
    if (CDS_Priority* t = g_priorities.Get(args[0])) SetValue(result, t->Max());
}

// ---- grid ----

// A rectangle of cells, both corners included; empty when x1 > x2 or y1 > y2.
struct RRegion {
    int64_t x1, y1, x2, y2;
    bool Empty() const { return x1 > x2 || y1 > y2; }
};

// Whole numbers far beyond any grid are held at a bound that keeps sums from overflowing.
int64_t Coord(const RValue& v) {
    return std::clamp<int64_t>(Arg_Int64(v), -(int64_t(1) << 40), int64_t(1) << 40);
}

// The region of the four arguments, put in order and clipped to the grid.
RRegion Region(const CDS_Grid& g, const RValue* a) {
    int64_t x1 = Coord(a[0]), y1 = Coord(a[1]), x2 = Coord(a[2]), y2 = Coord(a[3]);
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    return {std::max<int64_t>(x1, 0), std::max<int64_t>(y1, 0), std::min(x2, g.i_w - 1),
            std::min(y2, g.i_h - 1)};
}

// Calls f(x, y) for every cell of the disk around (xm, ym) with radius r, x outer, y inner.
template <class F>
void ForDisk(const CDS_Grid& g, double xm, double ym, double r, F f) {
    if (g.i_w == 0 || g.i_h == 0 || !std::isfinite(xm) || !std::isfinite(ym) || !std::isfinite(r)) return;
    auto lo = [](double v, int64_t n) { return int64_t(std::clamp(std::floor(v), 0.0, double(n))); };
    auto hi = [](double v, int64_t n) { return int64_t(std::clamp(std::ceil(v), -1.0, double(n - 1))); };
    const int64_t x1 = lo(xm - r, g.i_w), x2 = hi(xm + r, g.i_w), y1 = lo(ym - r, g.i_h),
                  y2 = hi(ym + r, g.i_h);
    for (int64_t x = x1; x <= x2; ++x)
        for (int64_t y = y1; y <= y2; ++y)
            if ((x - xm) * (x - xm) + (y - ym) * (y - ym) <= r * r) f(x, y);
}

template <class F>
void ForRegion(const RRegion& r, F f) {
    if (r.Empty()) return; // also a grid with no rows: its columns are not walked
    for (int64_t x = r.x1; x <= r.x2; ++x)
        for (int64_t y = r.y1; y <= r.y2; ++y) f(x, y);
}

QV_FUNCTION(F_DSGridCreate) {
    result.SetReal(-1.0);
    const int64_t w = Arg_Int64(args[0]), h = Arg_Int64(args[1]);
    auto g = std::make_unique<CDS_Grid>();
    if (w < 0 || h < 0) return Function_Error("Grid size is not valid.");
    if (!g->Resize(w, h)) return Function_Error(kDSTooLarge);
    result.SetReal(double(g_grids.Create(std::move(g))));
}
QV_FUNCTION(F_DSGridDestroy) {
    g_grids.Destroy(args[0]);
}
QV_FUNCTION(F_DSGridCopy) {
    CDS_Grid* d = g_grids.Get(args[0]);
    CDS_Grid* s = d ? g_grids.Get(args[1]) : nullptr;
    if (s && s != d) *d = *s;
}
QV_FUNCTION(F_DSGridResize) {
    CDS_Grid* g = g_grids.Get(args[0]);
    if (!g) return;
    const int64_t w = Arg_Int64(args[1]), h = Arg_Int64(args[2]);
    if (w < 0 || h < 0) return Function_Error("Grid size is not valid.");
    if (!g->Resize(w, h)) Function_Error(kDSTooLarge);
}
QV_FUNCTION(F_DSGridWidth) {
    if (CDS_Grid* g = g_grids.Get(args[0])) result.SetReal(double(g->i_w));
}
QV_FUNCTION(F_DSGridHeight) {
    if (CDS_Grid* g = g_grids.Get(args[0])) result.SetReal(double(g->i_h));
}
QV_FUNCTION(F_DSGridClear) {
    if (CDS_Grid* g = g_grids.Get(args[0]))
        for (RValue& c : g->i_val) c = args[1];
}

template <EGridOp Op>
QV_FUNCTION(F_DSGridCell) {
    CDS_Grid* g = g_grids.Get(args[0]);
    if (!g) return;
    const int64_t x = Coord(args[1]), y = Coord(args[2]);
    if (g->Inside(x, y)) DS_GridApply(g->At(x, y), args[3], Op);
}

template <EGridOp Op>
QV_FUNCTION(F_DSGridRegion) {
    CDS_Grid* g = g_grids.Get(args[0]);
    if (!g) return;
    ForRegion(Region(*g, args + 1), [&](int64_t x, int64_t y) { DS_GridApply(g->At(x, y), args[5], Op); });
}

template <EGridOp Op>
QV_FUNCTION(F_DSGridDisk) {
    CDS_Grid* g = g_grids.Get(args[0]);
    if (!g) return;
    ForDisk(*g, Arg_Real(args[1]), Arg_Real(args[2]), Arg_Real(args[3]),
            [&](int64_t x, int64_t y) { DS_GridApply(g->At(x, y), args[4], Op); });
}

template <EGridOp Op>
QV_FUNCTION(F_DSGridGridRegion) {
    CDS_Grid* d = g_grids.Get(args[0]);
    CDS_Grid* s = d ? g_grids.Get(args[1]) : nullptr;
    if (!s) return;
    RRegion r = Region(*s, args + 2);
    int64_t xpos = Coord(args[6]), ypos = Coord(args[7]);
    // A negative position moves the region start by as much; then the region is cut to fit.
    if (xpos < 0) {
        r.x1 -= xpos;
        xpos = 0;
    }
    if (ypos < 0) {
        r.y1 -= ypos;
        ypos = 0;
    }
    r.x2 = std::min(r.x2, r.x1 + (d->i_w - 1 - xpos));
    r.y2 = std::min(r.y2, r.y1 + (d->i_h - 1 - ypos));
    if (r.Empty()) return;
    // The source cells are read before any is written, so a grid can be copied onto itself.
    std::vector<RValue> cells;
    cells.reserve(size_t((r.x2 - r.x1 + 1) * (r.y2 - r.y1 + 1)));
    ForRegion(r, [&](int64_t x, int64_t y) { cells.push_back(s->At(x, y)); });
    size_t k = 0;
    ForRegion(r, [&](int64_t x, int64_t y) {
        DS_GridApply(d->At(x - r.x1 + xpos, y - r.y1 + ypos), cells[k++], Op);
    });
}

QV_FUNCTION(F_DSGridGet) {
    CDS_Grid* g = g_grids.Get(args[0]);
    if (!g) return;
    const int64_t x = Coord(args[1]), y = Coord(args[2]);
    if (g->Inside(x, y)) result = g->At(x, y);
}

// Statistics over the real cells: sum, max, min, mean. With no real cell every one is 0.
enum class EStat { Sum, Max, Min, Mean };

struct RStat {
    double sum = 0, max = 0, min = 0;
    int64_t n = 0;
    void Add(const RValue& c) {
        if (c.IsString()) return;
        if (n == 0 || c.val > max) max = c.val;
        if (n == 0 || c.val < min) min = c.val;
        sum += c.val;
        ++n;
    }
    double Get(EStat s) const {
        switch (s) {
        case EStat::Sum:
            return sum;
        case EStat::Max:
            return max;
        case EStat::Min:
            return min;
        case EStat::Mean:
            return n > 0 ? sum / double(n) : 0.0;
        }
        return 0;
    }
};

template <EStat S>
QV_FUNCTION(F_DSGridStat) {
    CDS_Grid* g = g_grids.Get(args[0]);
    if (!g) return;
    RStat st;
    ForRegion(Region(*g, args + 1), [&](int64_t x, int64_t y) { st.Add(g->At(x, y)); });
    result.SetReal(st.Get(S));
}

template <EStat S>
QV_FUNCTION(F_DSGridDiskStat) {
    CDS_Grid* g = g_grids.Get(args[0]);
    if (!g) return;
    RStat st;
    ForDisk(*g, Arg_Real(args[1]), Arg_Real(args[2]), Arg_Real(args[3]),
            [&](int64_t x, int64_t y) { st.Add(g->At(x, y)); });
    result.SetReal(st.Get(S));
}

// 0: exists, 1: x, 2: y of the first cell equal to the value.
template <int What>
QV_FUNCTION(F_DSGridValue) {
    CDS_Grid* g = g_grids.Get(args[0]);
    if (!g) return;
    const RRegion r = Region(*g, args + 1);
    if (r.Empty()) return;
    for (int64_t x = r.x1; x <= r.x2; ++x)
        for (int64_t y = r.y1; y <= r.y2; ++y)
            if (DS_Compare(g->At(x, y), args[5]) == 0)
                return result.SetReal(What == 0 ? 1.0 : double(What == 1 ? x : y));
}

template <int What>
QV_FUNCTION(F_DSGridValueDisk) {
    CDS_Grid* g = g_grids.Get(args[0]);
    if (!g) return;
    bool found = false;
    ForDisk(*g, Arg_Real(args[1]), Arg_Real(args[2]), Arg_Real(args[3]), [&](int64_t x, int64_t y) {
        if (!found && DS_Compare(g->At(x, y), args[4]) == 0) {
            found = true;
            result.SetReal(What == 0 ? 1.0 : double(What == 1 ? x : y));
        }
    });
}

QV_FUNCTION(F_DSGridShuffle) {
    if (CDS_Grid* g = g_grids.Get(args[0])) g->Shuffle();
}
QV_FUNCTION(F_DSGridWrite) {
    if (CDS_Grid* g = g_grids.Get(args[0])) WriteForm(*g, result);
}
QV_FUNCTION(F_DSGridRead) {
    if (CDS_Grid* g = g_grids.Get(args[0])) ReadForm(*g, args[1]);
}

} // namespace

void DS_DestroyAll() {
    g_stacks.items.clear();
    g_queues.items.clear();
    g_lists.items.clear();
    g_maps.items.clear();
    g_priorities.items.clear();
    g_grids.items.clear();
    DS_SetPrecision(0.00000001);
}

// 110 functions, in registration order.
// clang-format off
static const RFunctionEntry kDataStructuresFunctions[] = {
    // name                          handler  arguments
    {"ds_set_precision",             F_DSSetPrecision, 1},
    {"ds_stack_create",              F_DSStackCreate, 0},
    {"ds_stack_destroy",             F_DSStackDestroy, 1},
    {"ds_stack_clear",               F_DSStackClear, 1},
    {"ds_stack_copy",                F_DSStackCopy, 2},
    {"ds_stack_size",                F_DSStackSize, 1},
    {"ds_stack_empty",               F_DSStackEmpty, 1},
    {"ds_stack_push",                F_DSStackPush, 2},
    {"ds_stack_pop",                 F_DSStackPop, 1},
    {"ds_stack_top",                 F_DSStackTop, 1},
    {"ds_stack_write",               F_DSStackWrite, 1},
    {"ds_stack_read",                F_DSStackRead, 2},
    {"ds_queue_create",              F_DSQueueCreate, 0},
    {"ds_queue_destroy",             F_DSQueueDestroy, 1},
    {"ds_queue_clear",               F_DSQueueClear, 1},
    {"ds_queue_copy",                F_DSQueueCopy, 2},
    {"ds_queue_size",                F_DSQueueSize, 1},
    {"ds_queue_empty",               F_DSQueueEmpty, 1},
    {"ds_queue_enqueue",             F_DSQueueEnqueue, 2},
    {"ds_queue_dequeue",             F_DSQueueDequeue, 1},
    {"ds_queue_head",                F_DSQueueHead, 1},
    {"ds_queue_tail",                F_DSQueueTail, 1},
    {"ds_queue_write",               F_DSQueueWrite, 1},
    {"ds_queue_read",                F_DSQueueRead, 2},
    {"ds_list_create",               F_DSListCreate, 0},
    {"ds_list_destroy",              F_DSListDestroy, 1},
    {"ds_list_clear",                F_DSListClear, 1},
    {"ds_list_copy",                 F_DSListCopy, 2},
    {"ds_list_size",                 F_DSListSize, 1},
    {"ds_list_empty",                F_DSListEmpty, 1},
    {"ds_list_add",                  F_DSListAdd, 2},
    {"ds_list_insert",               F_DSListInsert, 3},
    {"ds_list_replace",              F_DSListReplace, 3},
    {"ds_list_delete",               F_DSListDelete, 2},
    {"ds_list_find_index",           F_DSListFindIndex, 2},
    {"ds_list_find_value",           F_DSListFindValue, 2},
    {"ds_list_sort",                 F_DSListSort, 2},
    {"ds_list_shuffle",              F_DSListShuffle, 1},
    {"ds_list_write",                F_DSListWrite, 1},
    {"ds_list_read",                 F_DSListRead, 2},
    {"ds_map_create",                F_DSMapCreate, 0},
    {"ds_map_destroy",               F_DSMapDestroy, 1},
    {"ds_map_clear",                 F_DSMapClear, 1},
    {"ds_map_copy",                  F_DSMapCopy, 2},
    {"ds_map_size",                  F_DSMapSize, 1},
    {"ds_map_empty",                 F_DSMapEmpty, 1},
    {"ds_map_add",                   F_DSMapAdd, 3},
    {"ds_map_replace",               F_DSMapReplace, 3},
    {"ds_map_delete",                F_DSMapDelete, 2},
    {"ds_map_exists",                F_DSMapExists, 2},
    {"ds_map_find_value",            F_DSMapFindValue, 2},
    {"ds_map_find_previous",         F_DSMapFindPrevious, 2},
    {"ds_map_find_next",             F_DSMapFindNext, 2},
    {"ds_map_find_first",            F_DSMapFindFirst, 1},
    {"ds_map_find_last",             F_DSMapFindLast, 1},
    {"ds_map_write",                 F_DSMapWrite, 1},
    {"ds_map_read",                  F_DSMapRead, 2},
    {"ds_priority_create",           F_DSPriorityCreate, 0},
    {"ds_priority_destroy",          F_DSPriorityDestroy, 1},
    {"ds_priority_clear",            F_DSPriorityClear, 1},
    {"ds_priority_copy",             F_DSPriorityCopy, 2},
    {"ds_priority_size",             F_DSPrioritySize, 1},
    {"ds_priority_empty",            F_DSPriorityEmpty, 1},
    {"ds_priority_add",              F_DSPriorityAdd, 3},
    {"ds_priority_change_priority",  F_DSPriorityChangePriority, 3},
    {"ds_priority_find_priority",    F_DSPriorityFindPriority, 2},
    {"ds_priority_delete_value",     F_DSPriorityDeleteValue, 2},
    {"ds_priority_delete_min",       F_DSPriorityDeleteMin, 1},
    {"ds_priority_find_min",         F_DSPriorityFindMin, 1},
    {"ds_priority_delete_max",       F_DSPriorityDeleteMax, 1},
    {"ds_priority_find_max",         F_DSPriorityFindMax, 1},
    {"ds_priority_write",            F_DSPriorityWrite, 1},
    {"ds_priority_read",             F_DSPriorityRead, 2},
    {"ds_grid_create",               F_DSGridCreate, 2},
    {"ds_grid_destroy",              F_DSGridDestroy, 1},
    {"ds_grid_copy",                 F_DSGridCopy, 2},
    {"ds_grid_resize",               F_DSGridResize, 3},
    {"ds_grid_width",                F_DSGridWidth, 1},
    {"ds_grid_height",               F_DSGridHeight, 1},
    {"ds_grid_clear",                F_DSGridClear, 2},
    {"ds_grid_set",                  F_DSGridCell<EGridOp::Set>, 4},
    {"ds_grid_add",                  F_DSGridCell<EGridOp::Add>, 4},
    {"ds_grid_multiply",             F_DSGridCell<EGridOp::Multiply>, 4},
    {"ds_grid_set_region",           F_DSGridRegion<EGridOp::Set>, 6},
    {"ds_grid_add_region",           F_DSGridRegion<EGridOp::Add>, 6},
    {"ds_grid_multiply_region",      F_DSGridRegion<EGridOp::Multiply>, 6},
    {"ds_grid_set_disk",             F_DSGridDisk<EGridOp::Set>, 5},
    {"ds_grid_add_disk",             F_DSGridDisk<EGridOp::Add>, 5},
    {"ds_grid_multiply_disk",        F_DSGridDisk<EGridOp::Multiply>, 5},
    {"ds_grid_set_grid_region",      F_DSGridGridRegion<EGridOp::Set>, 8},
    {"ds_grid_add_grid_region",      F_DSGridGridRegion<EGridOp::Add>, 8},
    {"ds_grid_multiply_grid_region", F_DSGridGridRegion<EGridOp::Multiply>, 8},
    {"ds_grid_get",                  F_DSGridGet, 3},
    {"ds_grid_get_sum",              F_DSGridStat<EStat::Sum>, 5},
    {"ds_grid_get_max",              F_DSGridStat<EStat::Max>, 5},
    {"ds_grid_get_min",              F_DSGridStat<EStat::Min>, 5},
    {"ds_grid_get_mean",             F_DSGridStat<EStat::Mean>, 5},
    {"ds_grid_get_disk_sum",         F_DSGridDiskStat<EStat::Sum>, 4},
    {"ds_grid_get_disk_max",         F_DSGridDiskStat<EStat::Max>, 4},
    {"ds_grid_get_disk_min",         F_DSGridDiskStat<EStat::Min>, 4},
    {"ds_grid_get_disk_mean",        F_DSGridDiskStat<EStat::Mean>, 4},
    {"ds_grid_value_exists",         F_DSGridValue<0>, 6},
    {"ds_grid_value_x",              F_DSGridValue<1>, 6},
    {"ds_grid_value_y",              F_DSGridValue<2>, 6},
    {"ds_grid_value_disk_exists",    F_DSGridValueDisk<0>, 5},
    {"ds_grid_value_disk_x",         F_DSGridValueDisk<1>, 5},
    {"ds_grid_value_disk_y",         F_DSGridValueDisk<2>, 5},
    {"ds_grid_shuffle",              F_DSGridShuffle, 1},
    {"ds_grid_write",                F_DSGridWrite, 1},
    {"ds_grid_read",                 F_DSGridRead, 2},
};
// clang-format on

void Function_RegisterDataStructures() {
    Function_AddTable(kDataStructuresFunctions);
}
