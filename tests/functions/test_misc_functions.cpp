// Dates, variables by name, code execution and the clipboard through game code: calendar
// arithmetic, leap years and week numbers, the messages, argument slots kept around executed
// code, and endless recursion that ends in a clear error.
#include "FunctionEval.h"

#include "code/Code_Error.h"
#include "code/Code_Exec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

struct Row {
    const char* code;
    const char* expected;
};

void RunRows(const Row* rows, size_t n) {
    for (size_t k = 0; k < n; ++k) {
        EvalReset();
        EXPECT_EQ(EvalLine(rows[k].code), rows[k].expected) << rows[k].code;
    }
}

// "y-m-d h:mi:s" of a date-time, built in game code.
const std::string kShow = "s = string(date_get_year(d)) + \"-\" + string(date_get_month(d)) + \"-\" + "
                          "string(date_get_day(d)) + \" \" + "
                          "string(date_get_hour(d)) + \":\" + string(date_get_minute(d)) + \":\" + "
                          "string(date_get_second(d)); return s";

TEST(MiscFunctions, Dates) {
    const Row rows[] = {
        {"date_create_date(1900, 1, 1)", "2"},
        {"date_create_date(1899, 12, 30)", "0"},
        {"date_create_date(2011, 2, 29)", "0"},
        {"date_valid_date(2012, 2, 29)", "1"},
        {"date_valid_date(1900, 2, 29)", "0"},
        {"date_valid_date(2000, 2, 29)", "1"},
        {"date_valid_time(24, 0, 0) * 10 + date_valid_time(23, 60, 0)", "10"},
        {"date_create_date(65537, 1, 1) = date_create_date(1, 1, 1)", "1"},
        {"date_create_date(1, 1, 1)", "-693593"},
        {"date_create_date(9999, 12, 31)", "2958465"},
        {"date_create_time(24, 0, 0)", "1"},
        {"date_create_datetime(2000, 1, 1, 12, 0, 0)", "36526.5"},
        {"date_create_datetime(1899, 12, 29, 6, 0, 0)", "-1.25"},
        {"date_create_datetime(2000, 1, 1, 12, 0, 60)", "0"},
        {"date_get_weekday(date_create_date(2012, 1, 1))", "1"},
        {"date_get_weekday(date_create_date(2012, 1, 7))", "7"},
        {"date_get_week(date_create_date(2012, 1, 1))", "52"},
        {"date_get_week(date_create_date(2012, 12, 31))", "1"},
        {"date_get_week(date_create_date(2009, 12, 31))", "53"},
        {"date_get_week(date_create_date(2010, 1, 3))", "53"},
        {"date_get_week(date_create_date(2010, 1, 4))", "1"},
        {"date_get_day_of_year(date_create_date(2012, 12, 31))", "366"},
        {"date_get_second_of_year(date_create_datetime(2011, 1, 2, 1, 1, 1))", "90061"},
        {"date_days_in_month(date_create_date(2012, 2, 5)) * 1000 + date_days_in_year(date_create_date(2100, "
         "3, 1))",
         "29365"},
        {"date_leap_year(date_create_date(2400, 1, 1))", "1"},
        {"date_year_span(0, 365.25) + date_hour_span(1, 0) + date_day_span(3, 5)", "27"},
        {"date_compare_datetime(1, 1 + 0.5 / 86400000) * 10 + date_compare_date(5.1, 5.9) + "
         "date_compare_time(7.25, 3.5)",
         "-1"},
        {"date_date_of(-1.25) * 100 + date_time_of(-1.25)", "-100.25"},
        {"date_inc_week(10, 2) + date_inc_day(10, -1)", "33"},
        {"date_inc_hour(0, 1) * 24", "-1"},
        {"date_get_year(4000000) + date_get_month(-4000000) + date_get_day(-700000)", "0"},
        {"date_get_week(-700000) + date_days_in_year(4000000) + date_leap_year(-700000)", "0"},
        {"date_inc_month(date_create_date(9999, 12, 1), 1)", "0"},
        {"date_inc_year(date_create_date(2000, 1, 1), 1000000000000)", "0"},
        {"date_date_string(-700000)", "\"\""},
    };
    RunRows(rows, std::size(rows));
    const struct {
        std::string code;
        const char* expected;
    } shown[] = {
        {"d = date_inc_month(date_create_datetime(2012, 1, 31, 13, 45, 10), 1); " + kShow,
         "\"2012-2-29 13:45:10\""},
        {"d = date_inc_month(date_create_date(2011, 3, 31), -1); " + kShow, "\"2011-2-28 0:0:0\""},
        {"d = date_inc_year(date_create_date(2012, 2, 29), -1); " + kShow, "\"2011-2-28 0:0:0\""},
        {"d = date_inc_month(date_create_date(2012, 1, 15), -13); " + kShow, "\"2010-12-15 0:0:0\""},
        {"d = 0.9999999999; " + kShow, "\"1899-12-31 0:0:0\""},
        {"d = date_inc_hour(0, 1); " + kShow, "\"1899-12-30 1:0:0\""},
        {"d = -1.25; " + kShow, "\"1899-12-29 6:0:0\""},
        {"d = date_inc_second(date_create_datetime(2000, 1, 1, 23, 59, 59), 1); " + kShow,
         "\"2000-1-2 0:0:0\""},
        {"d = date_current_datetime(); return date_is_today(d) + (date_compare_date(d, date_current_date()) "
         "= 0)",
         "2"},
    };
    for (const auto& r : shown) {
        EvalReset();
        EXPECT_EQ(EvalLine(r.code), r.expected) << r.code;
    }
    // The strings follow the user's patterns: the day and the time appear in them.
    EvalReset();
    const std::string full = EvalLine("date_datetime_string(date_create_datetime(2012, 11, 23, 13, 45, 10))");
    EXPECT_NE(full.find("23"), std::string::npos) << full;
    EXPECT_NE(full.find("45"), std::string::npos) << full;
    EXPECT_EQ(EvalLine("date_datetime_string(date_create_date(2012, 11, 23))"),
              EvalLine("date_date_string(date_create_date(2012, 11, 23))"));
}

TEST(MiscFunctions, VariablesByName) {
    const Row rows[] = {
        {"variable_global_get(\"never_set\")", "0"},
        {"variable_global_exists(\"never_set_either\")", "0"},
        {"variable_global_set(\"g1\", \"v\"); return variable_global_get(\"g1\") + string(global.g1 = \"v\") "
         "+ "
         "string(variable_global_exists(\"g1\"))",
         "\"v11\""},
        {"global.arr[2, 3] = 9; return variable_global_array2_get(\"arr\", 2, 3)", "9"},
        {"variable_local_array2_set(\"loc\", 2, 3, 7); return loc[2, 3]", "7"},
        {"variable_local_array_set(\"la\", 4, 5); return la[4] + variable_local_array_get(\"la\", 4)", "10"},
        {"variable_local_set(\"mine\", 4); return mine + variable_local_exists(\"mine\")", "5"},
        {"variable_global_array_get(\"arr\", 32000)", "0 !Array index >= 32000"},
        {"variable_global_array2_set(\"arr\", 1, 32000, 5); return variable_global_exists(\"arr\")",
         "0 !Array index >= 32000"},
        {"variable_local_array_set(\"neg\", -3, 5); return variable_local_exists(\"neg\") + "
         "variable_local_array_get(\"neg\", -3)",
         "0"},
        {"variable_local_array2_set(\"n2\", 1, -1, 5); return n2[0, 31999]", "5"},
    };
    RunRows(rows, std::size(rows));
}

TEST(MiscFunctions, ExecuteCode) {
    const Row rows[] = {
        {"execute_string(\"return argument0 + argument1\", 2, 3)", "5"},
        {"execute_string()", "0"},
        {"execute_string(\"return argument2\", 1, 2)", "0"},
        {"execute_string(\"x = \")", "0 !at position 4: Unexpected symbol in expression."},
        {"execute_string(\"y = 1 / 0\")", "0 !at position 9: Division by 0."},
        {"global.s = \"return execute_string(global.s)\"; return execute_string(global.s)",
         "0 !at position 1: Script calls are nested too deeply."},
        {"execute_file(\"/nonexistent/quarvel/file.txt\")", "0 !Trying to execute non-existing file."},
        {"execute_file(\"/\")", "0 !Trying to execute non-existing file."},
    };
    RunRows(rows, std::size(rows));
    EvalReset();
    EvalLine("execute_string(\"x = \")");
    EXPECT_EQ(Error_Last().rfind("COMPILATION ERROR in string to be executed\rError in code at line 1:", 0),
              0u)
        << Error_Last();

    // The caller's argument slots are the same afterwards.
    EvalReset();
    arg_slots[0] = RValue::Real(11);
    arg_slots[1] = RValue::String("b");
    arg_high = 2;
    EXPECT_EQ(EvalLine("execute_string(\"return argument0 * 2\", 4)"), "8");
    EXPECT_EQ(arg_slots[0].val, 11);
    EXPECT_EQ(arg_slots[1].str.view(), "b");
    EXPECT_EQ(arg_high, 2);
    arg_slots[0] = RValue();
    arg_slots[1] = RValue();
    arg_high = 0;

    // A file's lines are joined with line breaks and run with the further arguments.
    const std::string file = (std::filesystem::temp_directory_path() / "quarvel-execute-test.txt").string();
    std::ofstream(file) << "a = argument0;\r\nreturn a * 3\n";
    EvalReset();
    EXPECT_EQ(EvalLine("execute_file(\"" + file + "\", 5)"), "15");
    std::filesystem::remove(file);
}

TEST(MiscFunctions, ClipboardAndProcess) {
    EvalReset();
    EXPECT_EQ(
        EvalLine("clipboard_set_text(\"héllo\"); return clipboard_get_text() + string(clipboard_has_text())"),
        "\"héllo1\"");
    EXPECT_EQ(EvalLine("set_application_title(\"Title\"); set_application_title(3); set_program_priority(0); "
                       "return 1"),
              "1");
}

} // namespace
