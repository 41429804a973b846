// The file family through games: code run by `quarvel-pack eval` in a scratch folder, checked by
// the exact bytes it leaves on disk, the values it returns and the errors it reports.
#include "TestRun.h"

#include "functions/Function_File.h"
#include "graphics/BM32_Bitmap.h"
#include "platform/Platform_Dialog.h"
#include "platform/Platform_Store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// What one run of game code gave: its result (as JSON text) and the messages it reported, in order.
struct REval {
    std::string value; // the result line's "value" as it stands in the JSON
    std::vector<std::string> errors;
    std::string out;
    int status = -1;
};

// The message of an error line: its text after the event heading, JSON escapes as written.
std::string ErrorMessage(const std::string& line) {
    size_t text = line.find("\"text\":\"");
    size_t end = line.rfind("\",\"fatal\"");
    if (text == std::string::npos || end == std::string::npos) return line;
    std::string t = line.substr(text + 8, end - text - 8);
    size_t head = t.rfind("\\r\\n\\r\\n");
    return head == std::string::npos ? t : t.substr(head + 8);
}

// A string result or message as the JSON lines hold it.
std::string Json(const std::string& s) {
    return Platform_JsonString(s);
}
std::vector<std::string> Json(const std::vector<std::string>& messages) {
    std::vector<std::string> out;
    for (const std::string& m : messages) out.push_back(Json(m).substr(1, Json(m).size() - 2));
    return out;
}

// Runs code with the current directory dir (created when missing), with the eval options and
// the game's parameters. The store is the scratch folder's own unless env names one.
REval Eval(const std::string& dir, const std::string& code, std::map<std::string, std::string> env = {},
           const std::vector<std::string>& options = {}, const std::vector<std::string>& params = {}) {
    fs::create_directories(dir);
    std::string codeFile = dir + "/../code.txt";
    WriteFileText(codeFile, code);
    env.emplace("QUARVEL_STORE", dir + "/../store.sqlite");
    std::vector<std::string> argv = {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", dir, QV_PACK_EXE, "eval"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {"--file", codeFile});
    if (!params.empty()) argv.push_back("--");
    argv.insert(argv.end(), params.begin(), params.end());
    RunResult r = RunProgram(argv, env);
    REval e;
    e.out = r.out + r.err;
    e.status = r.status;
    for (const std::string& line : r.JsonLines()) {
        if (line.rfind("{\"dialog\":\"error\"", 0) == 0) e.errors.push_back(ErrorMessage(line));
        size_t v = line.find("\"value\":");
        if (line.rfind("{\"kind\":", 0) == 0 && v != std::string::npos)
            e.value = line.substr(v + 8, line.size() - v - 9);
    }
    return e;
}

std::string Bytes(const std::string& path) {
    return ReadFileText(path);
}

// Writes a file, making its folder first.
void Put(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    WriteFileText(path, text);
}

// Equal bytes, or where they first differ (long contents are not printed whole).
testing::AssertionResult SameBytes(const std::string& got, const std::string& want) {
    if (got == want) return testing::AssertionSuccess();
    size_t k = 0;
    while (k < got.size() && k < want.size() && got[k] == want[k]) ++k;
    return testing::AssertionFailure()
           << "sizes " << got.size() << " and " << want.size() << ", first difference at " << k << ": got \""
           << got.substr(k, 40) << "\", want \"" << want.substr(k, 40) << "\"";
}

std::set<std::string> Listing(const std::string& dir) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(dir, ec))
        names.insert(e.path().string().substr(dir.size()));
    return names;
}

TEST(FileFunctions, TextFilesWriteExactBytesAndReadNumbersAndLines) {
    TempDir d;
    std::string w = d / "w";
    REval e = Eval(w, R"(
        f = file_text_open_write("t.txt");
        file_text_write_string(f, "café");
        file_text_write_real(f, 3.5); file_text_write_real(f, -1.25); file_text_write_real(f, 7);
        file_text_write_real(f, 3/10); file_text_write_real(f, 2); file_text_write_real(f, -0.5);
        file_text_write_real(f, 12345678901234); file_text_write_real(f, 1/1000000);
        file_text_writeln(f);
        file_text_close(f);
        f = file_text_open_append("t.txt"); file_text_write_string(f, "end"); file_text_close(f);
        file_open_write("c.txt"); file_write_string("x"); file_write_real(0.25); file_writeln();
        file_open_append("c.txt"); file_write_string("y"); file_close();
        return f;)");
    EXPECT_TRUE(e.errors.empty()) << e.out;
    EXPECT_EQ(e.value, "1") << "the lowest free slot again";
    EXPECT_EQ(Bytes(w + "/t.txt"),
              "caf\xC3\xA9 3.500000 -1.250000 7 0.299999 2 -0.500000 12345678901234 0\r\nend");
    EXPECT_EQ(Bytes(w + "/c.txt"), "x 0.250000\r\ny");

    // Reading: numbers stop at the first character that is not part of them and consume it;
    // line ends may be CR LF, LF or CR.
    Put(w + "/in.txt", " -12,5abc\r\n3 4\nlast\rx 1-2\r\n\r\n");
    e = Eval(w, R"(
        f = file_text_open_read("in.txt");
        s = string(file_text_read_real(f)) + "|" + file_text_read_string(f);
        s += "|" + string(file_text_eoln(f)) + string(file_text_eof(f));
        file_text_readln(f);
        s += "|" + string(file_text_read_real(f)) + "," + string(file_text_read_real(f)) + string(file_text_eoln(f));
        file_text_readln(f);
        s += "|" + file_text_read_string(f); file_text_readln(f);
        s += "|" + file_text_read_string(f); file_text_readln(f); file_text_readln(f);
        s += "|" + string(file_text_eof(f)) + string(file_text_eoln(f)) + file_text_read_string(f);
        s += "|" + string(file_text_open_read("missing.txt"));
        file_open_read("in.txt"); file_readln(); s += "|" + string(file_read_real());
        file_readln(); file_read_string(); file_readln(); s += "|" + string(file_read_real()) + string(file_read_real());
        file_close();
        return s;)");
    EXPECT_TRUE(e.errors.empty()) << e.out;
    // The current-file form skips spaces anywhere ("3 4" is 34) and takes '-' anywhere.
    EXPECT_EQ(e.value, Json("-12.50|bc|10|3,41|last|x 1-2|11|-1|34|0-12")) << e.out;
}

TEST(FileFunctions, BinaryFilesBytesPositionsAndFailures) {
    TempDir d;
    std::string w = d / "w";
    REval e = Eval(w, R"(
        f = file_bin_open("b.bin", 1);
        for (i = 0; i < 256; i += 1) file_bin_write_byte(f, i);
        file_bin_write_byte(f, 257); file_bin_write_byte(f, -1); file_bin_write_byte(f, 2.5);
        s = string(file_bin_size(f)) + "," + string(file_bin_position(f));
        file_bin_read_byte(f);                    // write-only
        file_bin_close(f);
        f = file_bin_open("b.bin", 2);
        file_bin_seek(f, 200); s += "|" + string(file_bin_read_byte(f));
        file_bin_write_byte(f, 7); s += "," + string(file_bin_position(f));
        file_bin_seek(f, 259); file_bin_read_byte(f);   // past the end
        file_bin_seek(f, -1);
        file_bin_close(f);
        g = file_bin_open("r.bin", 0);            // missing: created empty
        file_bin_write_byte(g, 1);                // read-only
        file_bin_rewrite(g);
        s += "|" + string(file_bin_size(g));
        h = file_bin_open("e.bin", 2); file_bin_write_byte(h, 65); file_bin_rewrite(h); file_bin_write_byte(h, 66);
        file_bin_close(h);
        return s;)");
    std::string expected;
    for (int i = 0; i < 256; ++i) expected.push_back(char(i));
    expected += std::string("\x01\xFF\x02", 3);
    expected[201] = 7;
    EXPECT_EQ(Bytes(w + "/b.bin"), expected);
    EXPECT_EQ(Bytes(w + "/r.bin"), "");
    EXPECT_EQ(Bytes(w + "/e.bin"), "B");
    EXPECT_EQ(e.value, Json("259,259|200,202|0")) << e.out;
    const std::vector<std::string> messages = {"Error reading byte.", "Error reading byte.", "Error seeking.",
                                               "Error writing byte.", "Error rewriting file."};
    EXPECT_EQ(e.errors, messages) << e.out;
}

TEST(FileFunctions, SlotsAndMessagesForFilesNotOpen) {
    TempDir d;
    std::string w = d / "w";
    Put(w + "/in.txt", "x\n");
    REval e = Eval(w, R"(
        for (i = 0; i < 32; i += 1) last = file_bin_open("b" + string(i), 2);
        s = string(last) + "," + string(file_bin_open("b32", 2));
        t = file_text_open_read("in.txt");        // text slots are counted apart
        for (i = 1; i < 32; i += 1) file_text_open_write("t" + string(i));
        s += "," + string(t) + "," + string(file_text_open_write("t32"));
        file_bin_close(last); s += "," + string(file_bin_open("again", 2));
        file_text_close(0); file_text_close(33); file_text_close(t); file_text_close(t);
        file_bin_close(0); file_bin_rewrite(40); file_bin_size(-1); file_bin_position(0.4);
        file_bin_seek(33, 0); file_bin_read_byte(33); file_bin_write_byte(33, 0);
        file_text_read_string(2); file_text_read_real(2); file_text_readln(2); file_text_eof(2); file_text_eoln(2);
        file_text_write_string(1, "x"); file_text_write_real(1, 1); file_text_writeln(1);
        file_read_string(); file_read_real(); file_readln(); file_eof(); file_eoln();
        file_write_string("x"); file_write_real(1); file_writeln();
        file_open_read("in.txt"); file_write_string("x");
        file_open_write("o.txt"); file_read_string();
        file_open_read("missing.txt"); file_eof();
        return s;)");
    EXPECT_EQ(e.value, Json("32,-1,1,-1,32")) << e.out;
    const std::string tooMany = "Cannot open another file (maximum exceeded).";
    const std::vector<std::string> messages = {
        tooMany, tooMany, "Trying to close unexisting text file.", "Trying to close unexisting text file.",
        "Trying to close unopened file.", "Trying to rewrite unopened file.", "File is not opened.",
        "File is not opened.", "File is not opened.", "File is not opened.", "File is not opened.",
        // slot 2 is open for writing, slot 1 was closed
        "File is not opened for reading.", "File is not opened for reading.",
        "File is not opened for reading.", "File is not opened for reading.",
        "File is not opened for reading.", "File not opened for writing.", "File not opened for writing.",
        "File not opened for writing.",
        // the current file
        "File not opened for reading.", "File not opened for reading.", "File not opened for reading.",
        "File is not opened for reading.", "File is not opened for reading.", "File not opened for writing.",
        "File not opened for writing.", "File not opened for writing.", "File not opened for writing.",
        "File not opened for reading.", "File is not opened for reading."};
    EXPECT_EQ(e.errors, messages) << e.out;
}

TEST(FileFunctions, LongLinesAreBoundedAndSkipped) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    std::fputs("abcdefgh\r\nxy", f);
    std::rewind(f);
    std::string s = "old";
    EXPECT_EQ(File_ReadLine(f, s, 8), ELineRead::Ok);
    EXPECT_EQ(s, "abcdefgh");
    std::rewind(f);
    EXPECT_EQ(File_ReadLine(f, s, 7), ELineRead::TooLong);
    EXPECT_EQ(s, "");
    EXPECT_EQ(std::fgetc(f), '\r') << "the long line is read to its end, which stays";
    std::fgetc(f);
    EXPECT_EQ(File_ReadLine(f, s, 7), ELineRead::Ok);
    EXPECT_EQ(s, "xy");
    std::fclose(f);
}

TEST(FileFunctions, NamesDirectoriesSearchAndProgramContext) {
    TempDir d;
    std::string w = d / "w";
    fs::create_directories(w + "/sub.txt");
    for (const char* n : {"a.txt", "B.TXT", ".hidden.txt", "c.dat", "keep.txt", "old.txt"})
        Put(w + "/" + n, n);
    ::chmod((w + "/keep.txt").c_str(), 0444);
    REval e = Eval(w, R"(
        s = filename_name("C:\dir\a.b.txt") + "|" + filename_name("saves/slot1.sav") + "|" + filename_path("C:\dir\x.txt");
        s += "|" + filename_path("a/b/c") + "|" + filename_dir("C:\dir\x.txt") + "|" + filename_dir("C:\x") + "|" + filename_dir("/x");
        s += "|" + filename_drive("C:\dir") + "|" + filename_drive("\\server\share\dir\x") + "|" + filename_drive("dir\x");
        s += "|" + filename_ext("a.b.txt") + "|" + filename_ext("dir.d/name") + "|" + filename_change_ext("a.txt", ".dat");
        s += "|" + filename_change_ext("dir.d\name", ".x") + "|" + filename_change_ext("a.txt", "");
        s += "|" + file_find_first("*.txt", 0); s += "," + file_find_next(); s += "," + file_find_next(); s += "," + file_find_next();
        s += "|" + file_find_first("*.TXT", fa_hidden + fa_directory);
        repeat (4) s += "," + file_find_next();
        file_find_close(); s += "," + file_find_next();
        s += "|" + file_find_first("./?.dat", 0) + file_find_first("nothing/*", 16);
        s += "|" + string(file_attributes("keep.txt", fa_readonly)) + string(file_attributes("a.txt", fa_readonly));
        s += string(file_attributes("sub.txt", fa_directory)) + string(file_attributes(".hidden.txt", fa_hidden));
        s += string(file_attributes("a.txt", fa_archive)) + string(file_attributes("none", 63));
        s += "|" + string(file_exists("a.txt")) + string(file_exists("sub.txt")) + string(directory_exists("sub.txt"));
        directory_create("x\y/z"); s += string(directory_exists("x/y\z"));
        file_rename("a.txt", "b.txt"); file_rename("b.txt", "keep.txt");     // never replaces
        file_copy("c.dat", "keep2.txt"); file_copy("c.dat", "old.txt");      // replaces
        file_delete("c.dat"); file_delete("sub.txt");
        s += "|" + string(parameter_count()) + parameter_string(1) + parameter_string(2) + parameter_string(3);
        s += "|" + environment_get_variable("QV_FILE_TEST") + environment_get_variable("QV_NOT_SET");
        s += "|" + string(disk_free() > 0 && disk_free("c") == disk_free() && disk_size("C:") >= disk_free());
        s += string(disk_free("Q")) + string(disk_size("q"));
        return s;)",
                   {{"QV_FILE_TEST", "v=1"}}, {}, {"-x", "two words"});
    EXPECT_TRUE(e.errors.empty()) << e.out;
    EXPECT_EQ(e.value,
              Json(R"(a.b.txt|slot1.sav|C:\dir\|a/b/|C:\dir|C:\|/|C:|\\server\share||.txt||a.dat|)"
                   R"(dir.d\name.x|a|B.TXT,a.txt,keep.txt,old.txt|.hidden.txt,B.TXT,a.txt,keep.txt,old.txt,)"
                   R"(|c.dat|10111-1|1011|2-xtwo words|v=1|1-1-1)"))
        << e.out;
    EXPECT_FALSE(fs::exists(w + "/a.txt"));
    EXPECT_EQ(Bytes(w + "/b.txt"), "a.txt");
    EXPECT_EQ(Bytes(w + "/keep.txt"), "keep.txt");
    EXPECT_EQ(Bytes(w + "/keep2.txt"), "c.dat");
    EXPECT_EQ(Bytes(w + "/old.txt"), "c.dat");
    EXPECT_FALSE(fs::exists(w + "/c.dat"));
    EXPECT_TRUE(fs::is_directory(w + "/sub.txt"));
    EXPECT_TRUE(fs::is_directory(w + "/x/y/z"));
}

TEST(FileFunctions, ProgramsRunInTheCurrentDirectory) {
    TempDir d;
    std::string w = d / "w";
    REval e = Eval(w, R"(
        execute_program("touch", "waited.txt", 1);
        s = string(file_exists("waited.txt"));
        execute_shell("C:\docs\readme.txt", "");
        execute_program("qv-no-such-program", "", 1);
        return s;)");
    EXPECT_EQ(e.value, Json("1")) << e.out;
    EXPECT_EQ(e.errors, std::vector<std::string>{"Cannot execute qv-no-such-program"}) << e.out;
    EXPECT_NE(e.out.find(R"({"dialog":"shell_open","text":"/docs/readme.txt"})"), std::string::npos) << e.out;
}

TEST(FileFunctions, IniFilesKeepEverythingAndWriteWhole) {
    TempDir d;
    std::string w = d / "w";
    fs::create_directories(w);
    const std::string longValue(3 << 20, 'v');
    const std::string garbage = std::string("garbage \x01\xFF") + '\0' + " line";
    Put(w + "/s.ini", "; players' note\n[Video]\r\nwidth = 640\nfull=1\n" + garbage +
                          "\n[audio]\nvolume=0,75\nbig=" + longValue + "\n");
    REval e = Eval(w, R"(
        ini_open("s.ini");
        s = ini_read_string("VIDEO", "Width", "x") + "|" + string(ini_read_real("audio", "volume", 0));
        s += "|" + ini_read_string("video", "none", "dflt") + "|" + string(ini_read_real("s", "k", 1.5));
        s += "|" + string(ini_key_exists("audio", "BIG")) + string(ini_section_exists("Audio")) + string(ini_section_exists("x"));
        s += "|" + string(string_length(ini_read_string("audio", "big", "")));
        ini_write_string("video", "FULL", "0");
        ini_write_real("Scores", "best", 1234.5); ini_write_real("Scores", "tiny", 1/4000000);
        ini_write_real("Scores", "huge", 100000000000000000000 * 3); ini_write_string(" Scores ", " name ", " a=b ");
        ini_key_delete("audio", "volume"); ini_section_delete("nothing");
        s += "|" + string(ini_read_real("scores", "tiny", 0) * 4000000) + "," + string(ini_read_real("scores", "huge", 0) / 100000000000000000000);
        ini_close();
        ini_read_string("a", "b", ""); ini_write_real("a", "b", 1); ini_key_delete("a", "b");
        ini_open("nodir/x.ini");
        return s;)");
    EXPECT_EQ(e.value, Json("640|0.75|dflt|1.50|110|3145728|1,3")) << e.out;
    std::string abs = fs::canonical(w).string();
    const std::vector<std::string> messages = {
        "Trying to read from undefined INI file", "Trying to write to undefined INI file",
        "Trying to change undefined INI file",
        "Error directory does not exist when opening ini file - " + abs + "/nodir/x.ini"};
    EXPECT_EQ(e.errors, Json(messages)) << e.out;
    EXPECT_TRUE(SameBytes(
        Bytes(w + "/s.ini"),
        "; players' note\r\n\r\n[Video]\r\nwidth=640\r\nfull=0\r\n" + garbage + "\r\n\r\n[audio]\r\nbig=" +
            longValue + "\r\n\r\n[Scores]\r\nbest=1234.5\r\ntiny=2.5E-7\r\nhuge=3E20\r\nname=a=b\r\n\r\n"));
    EXPECT_EQ(Listing(w), std::set<std::string>{"/s.ini"}) << "no temporary file stays";
}

// A line end inside a name or value cannot smuggle other sections or keys into the file.
TEST(FileFunctions, IniLineEndsInValuesStayInTheirKey) {
    TempDir d;
    std::string file = d / "s.ini";
    auto call = [](void (*f)(CInstance*, CInstance*, int, RValue&, RValue*), std::vector<RValue> args) {
        RValue result;
        f(nullptr, nullptr, int(args.size()), result, args.data());
        return result;
    };
    call(F_IniOpen, {RValue::String(file)});
    call(F_IniWriteString,
         {RValue::String("a\n[b]"), RValue::String("k\r\nx=1"), RValue::String("v\r\n[c]\nk=2")});
    File_IniClose();
    EXPECT_EQ(Bytes(file), "[a [b]]\r\nk  x=1=v  [c] k=2\r\n\r\n");
    call(F_IniOpen, {RValue::String(file)});
    EXPECT_EQ(call(F_IniSectionExists, {RValue::String("c")}).val, 0);
    EXPECT_EQ(call(F_IniSectionExists, {RValue::String("b")}).val, 0);
    File_IniClose();
}

TEST(FileFunctions, IniNumbers) {
    struct Row {
        const char* text;
        double value;
    } rows[] = {{"12", 12},     {"-1.5", -1.5},           {"0,25", 0.25}, {"2E3", 2000}, {"2e-3", 0.002},
                {"1-", -1},     {"1.2.3", 1.2},           {"5x7", 5},     {" 5", 0},     {"", 0},
                {"1E2E3", 100}, {"1e99999999", HUGE_VAL}, {"0.1", 0.1},   {"1E-5", 1e-5}};
    for (const Row& r : rows) EXPECT_EQ(File_IniNumber(r.text), r.value) << r.text;
    for (double x : {0.1, 1234.5, 1e20, 2.5e-7, -3.0, 1.0 / 3, 123456789012345.0})
        EXPECT_EQ(File_IniNumber(File_IniRealText(x)), std::stod(File_IniRealText(x))) << File_IniRealText(x);
    EXPECT_EQ(File_IniRealText(1e20), "1E20");
    EXPECT_EQ(File_IniRealText(1.0 / 3), "0.333333333333333");
}

// The store of a scratch folder with secure mode switched on.
void SecureStore(const std::string& file) {
    setenv("QUARVEL_STORE", file.c_str(), 1);
    Store_Close();
    ASSERT_TRUE(Store_WriteInt("\\Software\\Quarvel\\Version 8.1\\Preferences", "Warning", 1));
    Store_Close();
    unsetenv("QUARVEL_STORE");
}

TEST(FileFunctions, SecureModeRefusesEveryWriteOutsideTheFolderAndWritesNothing) {
    TempDir d;
    std::string w = d / "w";
    fs::create_directories(w + "/cfg");
    fs::create_directories(w + "/data");
    Put(w + "/cfg/s.ini", "[a]\r\nk=1\r\n");
    Put(w + "/data/r.bin", "R");
    Put(d / "outside.txt", "mine");
    fs::create_symlink("../outside.txt", w + "/link.txt");
    SecureStore(d / "store.sqlite");
    std::set<std::string> before = Listing(d.path());

    struct Row {
        const char* code;
        std::string message;
    } rows[] = {
        {"file_text_open_write('../x.txt')", "In secure mode you cannot write file ../x.txt"},
        {"file_text_open_write('link.txt')", "In secure mode you cannot write file link.txt"},
        {"file_text_open_append('C:\\x.txt')", "In secure mode you cannot append to file C:\\x.txt"},
        {"file_open_write('/tmp/x.txt')", "In secure mode you cannot write file /tmp/x.txt"},
        {"file_open_append('link.txt')", "In secure mode you cannot append to file link.txt"},
        {"file_bin_open('data/r.bin', 1)", "In secure mode you cannot write file data/r.bin"},
        {"file_bin_open('data/new.bin', 0)", "In secure mode you cannot write file data/new.bin"},
        {"file_bin_open('link.txt', 2)", "In secure mode you cannot write file link.txt"},
        {"file_delete('data/r.bin')", "In Secure mode you cannot delete file data/r.bin"},
        {"file_delete('link.txt')", "In Secure mode you cannot delete file link.txt"},
        {"file_rename('save.txt', '../save.txt')",
         "In Secure mode you cannot rename file save.txt into ../save.txt"},
        {"file_copy('data/r.bin', 'r.bin')", "In Secure mode you cannot copy file data/r.bin to r.bin"},
        {"file_copy('save.txt', 'link.txt')", "In Secure mode you cannot copy file save.txt to link.txt"},
        {"directory_create('a/b')", "In Secure mode you cannot create directory a/b"},
        {"ini_open('cfg/s.ini'); ini_write_string('a', 'k', '2')",
         "In secure mode you cannot write file cfg/s.ini"},
        {"ini_open('cfg/s.ini'); ini_write_real('a', 'k', 2)",
         "In secure mode you cannot write file cfg/s.ini"},
        {"ini_open('cfg/s.ini'); ini_key_delete('a', 'k')", "In secure mode you cannot write file cfg/s.ini"},
        {"ini_open('cfg/s.ini'); ini_section_delete('a')", "In secure mode you cannot write file cfg/s.ini"},
        {"registry_write_string_ext('Software\\X', 'n', 's')",
         "In Secure mode you cannot write registry entries in Software\\X"},
        {"registry_write_real_ext('Software\\X', 'n', 1)",
         "In Secure mode you cannot write registry entries in Software\\X"},
        {"execute_program('touch', 'ran', 1)", "In Secure mode you cannot execute program touch"},
        {"execute_shell('ran.txt', '')", "In Secure mode you cannot execute program ran.txt"},
    };
    std::string code = "save = file_text_open_write('save.txt'); file_text_write_string(save, 'ok'); "
                       "file_text_close(save);\n";
    for (const Row& r : rows) code += std::string(r.code) + ";\n";
    code += "ini_open('cfg/s.ini'); return ini_read_string('a', 'k', '') + "
            "file_text_read_string(file_text_open_read('data/r.bin'));";
    REval e = Eval(w, code, {{"QUARVEL_STORE", d / "store.sqlite"}});
    std::vector<std::string> messages;
    for (const Row& r : rows) messages.push_back(r.message);
    EXPECT_EQ(e.errors, Json(messages)) << e.out;
    EXPECT_EQ(e.value, Json("1R")) << "reading stays allowed";

    // Only the allowed plain name was written; everything else is as it was.
    std::set<std::string> after = Listing(d.path());
    for (const char* n : {"/code.txt", "/store.sqlite-wal", "/store.sqlite-shm"}) {
        before.erase(n);
        after.erase(n);
    }
    after.erase("/w/save.txt");
    EXPECT_EQ(after, before);
    setenv("QUARVEL_STORE", (d / "store.sqlite").c_str(), 1);
    Store_Close();
    EXPECT_FALSE(Store_KeyExists("Software\\X"));
    Store_Close();
    unsetenv("QUARVEL_STORE");
    EXPECT_EQ(Bytes(w + "/save.txt"), "ok");
    EXPECT_EQ(Bytes(d / "outside.txt"), "mine");
    EXPECT_EQ(Bytes(w + "/cfg/s.ini"), "[a]\r\nk=1\r\n");
}

// Image and game saves of a running game in secure mode: names outside the current folder (folders,
// absolute paths, "..", symbolic links) are refused and write nothing; plain names are written.
TEST(FileFunctions, SecureModeImageAndGameSavesWriteOnlyPlainNames) {
    TempDir d;
    const std::string hello = QV_SOURCE_DIR "/examples/hello";
    fs::create_directories(d / "proj/sprites");
    fs::copy(hello + "/sprites/spr_ball", d / "proj/sprites/spr_ball");
    fs::create_directories(d / "proj/backgrounds");
    fs::copy(hello + "/backgrounds/bg_sky.json", d / "proj/backgrounds/bg_sky.json");
    fs::copy(hello + "/backgrounds/bg_sky.png", d / "proj/backgrounds/bg_sky.png");
    Put(d / "proj/game.json", "{}");
    Put(d / "proj/objects/index.json", R"(["o"])");
    const std::string code = "sprite_save(spr_ball, 0, 'sub/a.png'); sprite_save(spr_ball, 0, '../b.bmp');"
                             "sprite_save_strip(spr_ball, 'sub\\c.png'); background_save(bg_sky, 'link.png');"
                             "screen_save('sub/d.png'); screen_save_part('" +
                             d / "e.bmp" +
                             "', 0, 0, 4, 4);"
                             "game_save('sub/g.sav');"
                             "sprite_save(spr_ball, 1, 'ok.png'); sprite_save(spr_ball, 0, 'ok.bmp');"
                             "sprite_save_strip(spr_ball, 'strip.bmp'); background_save(bg_sky, 'bg.png');"
                             "game_save('g.sav');";
    Put(d / "proj/objects/o.json", R"({"events": [{"type": "step", "number": 0, "actions": [{"code": )" +
                                       Platform_JsonString(code) + "}]}]}");
    Put(d / "proj/rooms/index.json", R"(["r0"])");
    Put(d / "proj/rooms/r0.json", R"({"instances": [{"object": "o"}]})");
    RunResult b = RunProgram({QV_PACK_EXE, "build", d / "proj", "-o", d / "g.dat", "--data-only"});
    ASSERT_EQ(b.status, 0) << b.out << b.err;
    const std::string w = d / "w";
    fs::create_directories(w + "/sub");
    Put(d / "outside.png", "mine");
    fs::create_symlink("../outside.png", w + "/link.png");
    SecureStore(d / "store.sqlite");
    RunResult r = RunProgram({"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", w, QV_RUNNER_EXE},
                             {{"QUARVEL_GAME", d / "g.dat"},
                              {"QUARVEL_HEADLESS", "1"},
                              {"QUARVEL_MAX_STEPS", "1"},
                              {"QUARVEL_NO_WAIT", "1"},
                              {"QUARVEL_STORE", d / "store.sqlite"}});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::vector<std::string> errors;
    for (const std::string& line : r.JsonLines())
        if (line.rfind("{\"dialog\":\"error\"", 0) == 0) errors.push_back(ErrorMessage(line));
    EXPECT_EQ(errors, Json({"In secure mode you cannot write file sub/a.png",
                            "In secure mode you cannot write file ../b.bmp",
                            "In secure mode you cannot write file sub\\c.png",
                            "In secure mode you cannot write file link.png",
                            "In secure mode you cannot write file sub/d.png",
                            "In secure mode you cannot write file " + d / "e.bmp",
                            "In secure mode you cannot save game to file sub/g.sav"}))
        << r.out;
    EXPECT_EQ(Listing(w), (std::set<std::string>{"/sub", "/link.png", "/ok.png", "/ok.bmp", "/strip.bmp",
                                                 "/bg.png", "/g.sav"}));
    EXPECT_EQ(Bytes(d / "outside.png"), "mine");
    // PNG data for .png names and strips, BMP for other names.
    TBitmap32 img;
    ASSERT_TRUE(img.LoadFromImageFile(w + "/ok.png"));
    EXPECT_EQ(img.Width(), 16);
    EXPECT_EQ(Bytes(w + "/ok.bmp").substr(0, 2), "BM");
    EXPECT_EQ(Bytes(w + "/strip.bmp").substr(1, 3), "PNG");
    ASSERT_TRUE(img.LoadFromImageFile(w + "/strip.bmp"));
    EXPECT_EQ(img.Width(), 32);
    EXPECT_EQ(img.Height(), 16);
}

TEST(FileFunctions, RegistryValuesPersistAcrossRunsAndRootsStayApart) {
    TempDir d;
    std::string w = d / "w";
    fs::create_directories(w);
    Put(d / "proj/game.json", R"({"format": 1, "game_id": 4242})");
    RunResult b = RunProgram({QV_PACK_EXE, "build", d / "proj", "-o", d / "g.dat", "--data-only"});
    ASSERT_EQ(b.status, 0) << b.out << b.err;
    REval first = Eval(w, R"(
        registry_write_string("name", "Zoë"); registry_write_real("best", 3/10); registry_write_real("name2", 1);
        registry_write_string("name2", "now a string");
        registry_set_root(1); registry_write_string_ext("\Software\Shared", "v", "machine");
        registry_set_root(0); registry_write_real_ext("Software\Shared", "v", 7);
        registry_set_root(3); registry_write_string_ext("HKEY_LOCAL_MACHINE\Software\Shared", "v", "users");
        return 0;)",
                       {}, {"--game", d / "g.dat"});
    EXPECT_TRUE(first.errors.empty()) << first.out;
    REval second = Eval(w, R"(
        s = registry_read_string("NAME") + "|" + string(registry_read_real("best") * 10) + "|" + string(registry_read_real("name"));
        s += "|" + registry_read_string("name2") + string(registry_read_real("name2")) + "|" + string(registry_exists("best")) + string(registry_exists("none"));
        registry_set_root(7); s += "|" + string(registry_read_real_ext("\software\shared\", "V")) + registry_read_string_ext("Software\Shared", "v");
        registry_set_root(1); s += "|" + registry_read_string_ext("Software\Shared", "v") + string(registry_exists_ext("Software\Shared", "v"));
        registry_set_root(2); s += "|" + string(registry_exists_ext("Software\Shared", "v"));
        registry_set_root(3); s += "|" + registry_read_string_ext("HKEY_LOCAL_MACHINE\Software\Shared", "v");
        registry_set_root(0); s += "|" + registry_read_string_ext("HKEY_LOCAL_MACHINE\Software\Shared", "v");
        return s;)",
                        {}, {"--game", d / "g.dat"});
    EXPECT_TRUE(second.errors.empty()) << second.out;
    EXPECT_EQ(second.value, Json("Zoë|3|0|now a string0|10|7|machine1|0|users|")) << second.out;

    // The game's own key and the real's eight bytes, as stored.
    setenv("QUARVEL_STORE", (d / "store.sqlite").c_str(), 1);
    Store_Close();
    std::string bytes;
    EXPECT_TRUE(Store_ReadBinary("\\Software\\Quarvel\\4242", "best", bytes));
    double best = 3.0 / 10;
    EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(&best), 8));
    EXPECT_TRUE(Store_ValueExists("HKEY_LOCAL_MACHINE\\Software\\Shared", "v"));
    EXPECT_TRUE(Store_ValueExists("HKEY_USERS\\HKEY_LOCAL_MACHINE\\Software\\Shared", "v"));
    Store_Close();
    unsetenv("QUARVEL_STORE");
}

// A runner killed in the middle of a burst of registry writes loses no value that was written
// before the kill, and the store stays readable.
TEST(FileFunctions, KilledDuringRegistryWritesLosesNothingCommitted) {
    TempDir d;
    std::string store = d / "store.sqlite";
    Put(d / "code.txt", "for (i = 1; i <= 1000000; i += 1) { registry_write_real('v' + string(i), i); "
                        "registry_write_real('n', i); }");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("QUARVEL_STORE", store.c_str(), 1);
        freopen("/dev/null", "w", stdout);
        execl(QV_PACK_EXE, QV_PACK_EXE, "eval", "--file", (d / "code.txt").c_str(), (char*)nullptr);
        _exit(127);
    }
    setenv("QUARVEL_STORE", store.c_str(), 1);
    auto readN = [] {
        std::string b;
        double n = 0;
        if (Store_ReadBinary("\\Software\\Quarvel\\0", "n", b) && b.size() == 8) std::memcpy(&n, b.data(), 8);
        return n;
    };
    double seen = 0;
    for (int k = 0; k < 600 && seen < 150; ++k) {
        usleep(50000);
        seen = readN();
    }
    Store_Close();
    kill(pid, SIGKILL);
    int st = 0;
    waitpid(pid, &st, 0);
    ASSERT_TRUE(WIFSIGNALED(st)) << "the writer ended before it was killed";
    ASSERT_GE(seen, 150) << "the writer was too slow";

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(store.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* check = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
    sqlite3_finalize(check);
    sqlite3_close(db);

    double n = readN();
    EXPECT_GE(n, seen);
    for (int i = 1; i <= int(n); ++i) {
        std::string b;
        double v = 0;
        ASSERT_TRUE(Store_ReadBinary("\\Software\\Quarvel\\0", "v" + std::to_string(i), b)) << i;
        std::memcpy(&v, b.data(), 8);
        EXPECT_EQ(v, i);
    }
    Store_Close();
    unsetenv("QUARVEL_STORE");
}

// A store another runner holds locked: writes fail after the wait without a crash or a message,
// reads still work, and the next write after the lock is gone succeeds.
TEST(FileFunctions, LockedStoreFailsWritesQuietly) {
    TempDir d;
    std::string store = d / "store.sqlite";
    setenv("QUARVEL_STORE", store.c_str(), 1);
    Store_Close();
    ASSERT_TRUE(Store_WriteString("\\Software\\Quarvel\\0", "old", "kept"));
    Store_Close();
    unsetenv("QUARVEL_STORE");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const char* code = "registry_write_string('new', 'x'); return registry_read_string('old') + "
                       "registry_read_string('new');";
    REval e = Eval(d / "w", code);
    EXPECT_EQ(e.status, 0) << e.out;
    EXPECT_TRUE(e.errors.empty()) << e.out;
    EXPECT_EQ(e.value, Json("kept"));
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    e = Eval(d / "w", code);
    EXPECT_EQ(e.value, Json("keptx")) << e.out;
}

TEST(FileFunctions, IncludedFilesExportDiscardAndRefuse) {
    TempDir d;
    std::string w = d / "w";
    fs::create_directories(w);
    Put(d / "proj/game.json", R"({"format": 1})");
    Put(d / "proj/included/notes.txt", "notes");
    Put(d / "proj/included/files.json",
        R"([{"file": "notes.txt", "source": "notes.txt", "export": "none", "free": false}])");
    RunResult b = RunProgram({QV_PACK_EXE, "build", d / "proj", "-o", d / "g.dat", "--data-only"});
    ASSERT_EQ(b.status, 0) << b.out << b.err;
    REval e = Eval(w, R"(
        export_include_file_location("notes.txt", "copy.txt");
        export_include_file("nothing"); export_include_file_location("nothing", "x"); discard_include_file("nothing");
        discard_include_file("notes.txt"); export_include_file_location("notes.txt", "gone.txt");
        return 0;)",
                   {}, {"--game", d / "g.dat"});
    EXPECT_EQ(Bytes(w + "/copy.txt"), "notes");
    EXPECT_FALSE(fs::exists(w + "/gone.txt")) << "the bytes were discarded";
    const std::vector<std::string> messages = {"Trying to export non-existing file.",
                                               "Trying to export non-existing file.",
                                               "Trying to discard non-existing file."};
    EXPECT_EQ(e.errors, messages) << e.out;
}

} // namespace
