// The data structure family through game code: orders, string forms, grid regions, messages
// for ids that do not exist, hostile string forms and the growth limit.
#include "FunctionEval.h"

#include "support/Support_Data_Structures.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* code;
    const char* expected;
};

const char* const kNoDs = " !Data structure with index does not exist.";

TEST(DataStructures, OperationsAndOrders) {
    const std::string noDs = kNoDs;
    const struct {
        const char* code;
        std::string expected;
    } rows[] = {
        // ids: lowest free per kind, kinds independent
        {"a = ds_list_create(); b = ds_list_create(); c = ds_list_create(); ds_list_destroy(b); "
         "return string(ds_list_create()) + string(ds_stack_create())",
         "\"10\""},
        {"ds_list_size(7)", "0" + noDs},
        {"s = ds_stack_create(); ds_stack_destroy(s); return ds_stack_push(s, 1)", "0" + noDs},
        {"s = ds_stack_create(); ds_stack_push(s, 1); ds_stack_push(s, \"two\"); "
         "return ds_stack_pop(s) + string(ds_stack_top(s)) + string(ds_stack_size(s))",
         "\"two11\""},
        {"s = ds_stack_create(); return ds_stack_pop(s) + ds_stack_top(s) + ds_stack_empty(s)", "1"},
        {"s = ds_stack_create(); return ds_stack_write(s)", "\"6500000000000000\""},
        // queues: an empty queue's head and tail are real 0
        {"q = ds_queue_create(); return ds_queue_tail(q) + ds_queue_head(q) + ds_queue_dequeue(q)", "0"},
        {"q = ds_queue_create(); for (i = 0; i < 40; i += 1) ds_queue_enqueue(q, i); "
         "repeat (30) ds_queue_dequeue(q); return string(ds_queue_head(q)) + string(ds_queue_tail(q)) + "
         "string(ds_queue_size(q))",
         "\"303910\""},
        {"q = ds_queue_create(); ds_queue_enqueue(q, 1); ds_queue_enqueue(q, 2); ds_queue_dequeue(q); "
         "r = ds_queue_create(); ds_queue_read(r, ds_queue_write(q)); return string(ds_queue_size(r)) + "
         "string(ds_queue_head(r))",
         "\"12\""},
        // lists
        {"l = ds_list_create(); ds_list_add(l, 0.3); return ds_list_find_index(l, 0.1 + 0.2)", "0"},
        {"l = ds_list_create(); ds_list_add(l, 3); ds_list_add(l, \"a\"); ds_list_add(l, 1); ds_list_sort(l, "
         "1); "
         "return string(ds_list_find_value(l, 0)) + string(ds_list_find_value(l, 1)) + ds_list_find_value(l, "
         "2)",
         "\"13a\""},
        {"l = ds_list_create(); ds_list_add(l, \"b\"); ds_list_add(l, 2); ds_list_add(l, \"a\"); "
         "ds_list_sort(l, 0); return ds_list_find_value(l, 0) + ds_list_find_value(l, 1) + "
         "string(ds_list_find_value(l, 2))",
         "\"ba2\""},
        {"l = ds_list_create(); ds_list_add(l, 1); ds_list_insert(l, 0, 2); ds_list_insert(l, 5, 9); "
         "ds_list_replace(l, 1, 7); ds_list_delete(l, -1); return string(ds_list_find_value(l, 0)) + "
         "string(ds_list_find_value(l, 1)) + string(ds_list_size(l)) + string(ds_list_find_value(l, 9))",
         "\"2720\""},
        {"random_set_seed(5); l = ds_list_create(); for (i = 0; i < 10; i += 1) ds_list_add(l, i); "
         "ds_list_shuffle(l); s = 0; for (i = 0; i < 10; i += 1) s += ds_list_find_value(l, i); return s",
         "45"},
        // maps: duplicates, order, neighbours
        {"m = ds_map_create(); ds_map_add(m, 5, \"first\"); ds_map_add(m, 5, \"second\"); "
         "return ds_map_find_value(m, 5) + string(ds_map_size(m))",
         "\"first2\""},
        {"m = ds_map_create(); ds_map_add(m, 1, 0); ds_map_add(m, 3, 0); return string(ds_map_find_next(m, "
         "9)) + "
         "string(ds_map_find_next(m, -9)) + string(ds_map_find_previous(m, 3)) + "
         "string(ds_map_find_previous(m, 99))",
         "\"0113\""},
        {"m = ds_map_create(); ds_map_add(m, \"b\", 1); ds_map_add(m, 2, 1); ds_map_add(m, \"a\", 1); "
         "k = ds_map_find_first(m); s = string(k); repeat (3) { k = ds_map_find_next(m, k); s += string(k); "
         "} "
         "return s + ds_map_find_last(m)",
         "\"2ab0b\""},
        {"m = ds_map_create(); ds_map_add(m, 0.3, \"x\"); return ds_map_find_value(m, 0.1 + 0.2) + "
         "string(ds_map_exists(m, 0.31)) + string(ds_map_exists(m, \"0.3\"))",
         "\"x00\""},
        {"m = ds_map_create(); ds_map_add(m, \"k\", 1); ds_map_add(m, \"k\", 2); ds_map_replace(m, \"k\", "
         "5); "
         "ds_map_replace(m, \"none\", 9); ds_map_delete(m, \"k\"); return string(ds_map_find_value(m, "
         "\"k\")) + "
         "string(ds_map_size(m)) + string(ds_map_exists(m, \"none\"))",
         "\"210\""},
        // priority queues: ties go to the one added first
        {"p = ds_priority_create(); ds_priority_add(p, \"a\", 1); ds_priority_add(p, \"b\", 1); "
         "ds_priority_add(p, \"c\", 5); ds_priority_add(p, \"d\", 5); return ds_priority_find_min(p) + "
         "ds_priority_find_max(p) + ds_priority_delete_min(p) + ds_priority_delete_min(p) + "
         "ds_priority_delete_max(p) + string(ds_priority_size(p))",
         "\"acabc1\""},
        {"p = ds_priority_create(); ds_priority_add(p, \"a\", 1); ds_priority_add(p, \"b\", 2); "
         "ds_priority_change_priority(p, \"a\", 3); return ds_priority_find_max(p) + "
         "string(ds_priority_find_priority(p, \"b\")) + string(ds_priority_find_priority(p, \"z\"))",
         "\"a20\""},
        {"p = ds_priority_create(); return ds_priority_delete_min(p) + ds_priority_find_max(p)", "0"},
        {"ds_set_precision(-0.5); l = ds_list_create(); ds_list_add(l, 1); return ds_list_find_index(l, 1.4)",
         "0"},
    };
    EvalReset();
    for (const auto& r : rows) {
        EvalReset();
        EXPECT_EQ(EvalLine(r.code), r.expected) << r.code;
    }
}

TEST(DataStructures, Grids) {
    const Row rows[] = {
        {"g = ds_grid_create(3, 2); ds_grid_set(g, 2, 1, 5); ds_grid_set(g, 3, 1, 9); "
         "return string(ds_grid_get(g, 2, 1)) + string(ds_grid_get(g, -1, 0)) + string(ds_grid_width(g))",
         "\"503\""},
        {"g = ds_grid_create(1, 1); ds_grid_set(g, 0, 0, \"s\"); ds_grid_add(g, 0, 0, 2); return "
         "ds_grid_get(g, 0, 0)",
         "2"},
        {"g = ds_grid_create(1, 1); ds_grid_set(g, 0, 0, \"s\"); ds_grid_add(g, 0, 0, \"t\"); "
         "ds_grid_multiply(g, 0, 0, 3); return ds_grid_get(g, 0, 0)",
         "\"st\""},
        {"g = ds_grid_create(4, 4); ds_grid_set_region(g, 3, 3, 1, 1, 2); ds_grid_add_region(g, -5, 0, 1, 9, "
         "1); "
         "return ds_grid_get_sum(g, 0, 0, 3, 3) * 100 + ds_grid_get_max(g, 0, 0, 3, 3) * 10 + "
         "ds_grid_get_min(g, 0, 0, 3, 3)",
         "2630"},
        {"g = ds_grid_create(2, 2); ds_grid_set(g, 0, 0, -500000000); ds_grid_set(g, 1, 1, \"x\"); "
         "return string(ds_grid_get_max(g, 0, 0, 0, 0)) + string(ds_grid_get_mean(g, 0, 0, 1, 1))",
         "\"-500000000-166666666.70\""},
        {"g = ds_grid_create(2, 2); ds_grid_set(g, 0, 0, \"x\"); return ds_grid_get_max(g, 0, 0, 0, 0) + "
         "ds_grid_get_min(g, 5, 5, 9, 9) + ds_grid_get_mean(g, 5, 5, 9, 9)",
         "0"},
        {"g = ds_grid_create(5, 5); ds_grid_set_disk(g, 2, 2, 1, 1); return ds_grid_get_sum(g, 0, 0, 4, 4)",
         "5"},
        {"g = ds_grid_create(5, 5); ds_grid_set_disk(g, 0, 0, 1000000000000, 1); return "
         "ds_grid_get_disk_sum(g, 4, 4, 0.5)",
         "1"},
        {"g = ds_grid_create(4, 3); ds_grid_set(g, 1, 2, 7); ds_grid_set(g, 3, 0, 7); "
         "return string(ds_grid_value_exists(g, 0, 0, 3, 2, 7)) + string(ds_grid_value_x(g, 0, 0, 3, 2, 7)) "
         "+ "
         "string(ds_grid_value_y(g, 0, 0, 3, 2, 7)) + string(ds_grid_value_disk_x(g, 3, 0, 1, 7)) + "
         "string(ds_grid_value_exists(g, 0, 0, 0, 2, 7))",
         "\"11230\""},
        // A grid copied onto itself, overlapping: every source cell is read before it is written.
        {"g = ds_grid_create(4, 1); for (i = 0; i < 4; i += 1) ds_grid_set(g, i, 0, i); "
         "ds_grid_set_grid_region(g, g, 0, 0, 2, 0, 1, 0); return string(ds_grid_get(g, 0, 0)) + "
         "string(ds_grid_get(g, 1, 0)) + string(ds_grid_get(g, 2, 0)) + string(ds_grid_get(g, 3, 0))",
         "\"0012\""},
        {"g = ds_grid_create(3, 1); for (i = 0; i < 3; i += 1) ds_grid_set(g, i, 0, i + 1); h = "
         "ds_grid_create(2, 1); "
         "ds_grid_add_grid_region(h, g, 0, 0, 2, 0, -1, 0); return string(ds_grid_get(h, 0, 0)) + "
         "string(ds_grid_get(h, 1, 0))",
         "\"23\""},
        {"g = ds_grid_create(2, 2); ds_grid_set(g, 1, 1, \"z\"); ds_grid_resize(g, 3, 1); "
         "return string(ds_grid_height(g)) + string(ds_grid_get(g, 1, 1)) + string(ds_grid_get_sum(g, 0, 0, "
         "2, 0))",
         "\"100\""},
        {"g = ds_grid_create(2, 1); ds_grid_set(g, 1, 0, \"v\"); h = ds_grid_create(0, 0); "
         "ds_grid_read(h, ds_grid_write(g)); return ds_grid_write(h)",
         "\"590200000200000001000000000000000000000000000000000000000100000000000000000000000100000076\""},
        {"ds_grid_create(-1, 2)", "-1 !Grid size is not valid."},
        {"ds_grid_create(100000, 100000)", "-1 !Data structure is too large."},
        // A side beyond the limit is refused even without cells, so no region walks its columns.
        {"ds_grid_create(power(2, 40), 0)", "-1 !Data structure is too large."},
        {"g = ds_grid_create(5, 0); ds_grid_set_region(g, 0, 0, 4, 4, 1); return ds_grid_get_max(g, 0, 0, 4, "
         "4) + "
         "ds_grid_value_exists(g, 0, 0, 4, 4, 0) + ds_grid_width(g)",
         "5"},
        {"random_set_seed(2); g = ds_grid_create(3, 3); for (i = 0; i < 9; i += 1) ds_grid_set(g, i mod 3, i "
         "div 3, i); "
         "ds_grid_shuffle(g); return ds_grid_get_sum(g, 0, 0, 2, 2)",
         "36"},
    };
    for (const Row& r : rows) {
        EvalReset();
        EXPECT_EQ(EvalLine(r.code), r.expected) << r.code;
    }
}

TEST(DataStructures, HostileStringForms) {
    const std::string noDs = kNoDs;
    const Row rows[] = {
        // A string of another kind is ignored; malformed ones are refused clearly, content kept.
        {"l = ds_list_create(); ds_list_add(l, 4); ds_list_read(l, \"6500000000000000\"); return "
         "ds_list_size(l)",
         "1"},
        {"l = ds_list_create(); ds_list_add(l, 4); ds_list_read(l, \"2D0100000200\"); return ds_list_size(l)",
         "1 !Data structure string is not valid."},
        {"l = ds_list_create(); ds_list_read(l, \"2D010000FFFFFF7F\"); return ds_list_size(l)",
         "0 !Data structure is too large."},
        {"l = ds_list_create(); ds_list_read(l, \"2D010000FFFFFFFF\"); return ds_list_size(l)",
         "0 !Data structure string is not valid."},
        {"l = ds_list_create(); ds_list_read(l, \"2D01000001000000\" + "
         "\"0100000000000000000000000000FFFFFF7F\"); "
         "return ds_list_size(l)",
         "0 !Data structure string is not valid."},
        {"l = ds_list_create(); ds_list_read(l, \"2D01000001000000ZZ\"); return ds_list_size(l)",
         "0 !Data structure string is not valid."},
        {"l = ds_list_create(); ds_list_read(l, \"2d010000000000000\"); return ds_list_size(l)",
         "0"}, // odd tail ignored
        {"g = ds_grid_create(1, 1); ds_grid_read(g, \"59020000FFFF0000FFFF0000\"); return ds_grid_width(g)",
         "1 !Data structure is too large."},
        {"q = ds_queue_create(); ds_queue_read(q, \"C9000000050000000600000006000000\"); return "
         "ds_queue_size(q)",
         "0 !Data structure string is not valid."},
        {"ds_map_read(3, \"\")", "0 !Data structure with index does not exist."},
    };
    for (const Row& r : rows) {
        EvalReset();
        EXPECT_EQ(EvalLine(r.code), r.expected) << r.code;
    }
}

TEST(DataStructures, GrowthStopsAtTheLimit) {
    EvalReset();
    DS_SetMaxElements(3);
    EXPECT_EQ(EvalLine("l = ds_list_create(); repeat (5) ds_list_add(l, 1); return ds_list_size(l)"),
              "3 !Data structure is too large. !Data structure is too large.");
    EXPECT_EQ(
        EvalLine(
            "m = ds_map_create(); for (i = 0; i < 4; i += 1) ds_map_add(m, i, i); return ds_map_size(m)"),
        "3 !Data structure is too large.");
    EXPECT_EQ(EvalLine("g = ds_grid_create(1, 1); ds_grid_resize(g, 2, 2); return ds_grid_width(g)"),
              "1 !Data structure is too large.");
    DS_SetMaxElements(size_t(1) << 24);
}

} // namespace
