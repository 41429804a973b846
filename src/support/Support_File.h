// The runner's private temporary directory, the two process helpers (open a file with the
// desktop's handler, run a program), game file names on Linux and replacing a file whole.
// Paths use '/'. Relies on the platform layer for the executable's folder, message boxes, the
// message pump and the trace.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Picks the temp root and creates the private temp directory below it, once at start-up. The
// root is the first line of "tempdir.txt" beside the executable, else the environment variable
// "temp", "tmp" or TMPDIR (first one set and not empty), else "/tmp". When the directory cannot
// be made there, "/tmp" and then the current directory are tried; when all fail the message
// "Failed to create temp dir. This can cause serious problems with sounds, etc." is shown.
// Returns whether a directory was created. The first call also arranges RemoveTempDirectory
// at process exit (normal return or exit(); not after a fatal signal or _exit).
bool InitTempDirectory();
// The same with an explicit list of roots, tried in order, and the same message when all fail.
bool InitTempDirectoryFrom(const std::vector<std::string>& roots);
// The first choice of root as described above, reading "tempdir.txt" in exeDir.
std::string TempRootCandidate(const std::string& exeDir);

// Creates a new directory root + "/qv_ttt_" + a random number in 0..99999 (missing parents
// too, the directory itself private to the user) and makes it the temp directory, even when
// creating it fails. Returns whether it was created.
bool MakeTempDirectory(const std::string& root);
// The temp directory, without trailing '/'; "" before one was chosen.
std::string GetTempDirectory();
// Creates a new empty file temp directory + "/a" + a random number in 0..99999 + ext, created
// exclusively so no other process can claim the same name, and returns its path. Returns ""
// when no file can be created there (no temp directory, disk full, names exhausted).
std::string MakeTempFileName(const std::string& ext);

// Removes dir with everything in it, but only when dir is the temp directory or lies inside
// it (compared after resolving "..", symbolic links and duplicate '/'); any other directory is
// left alone. Symbolic links inside are removed as links, never followed. Whatever cannot be
// removed stays; no error is reported.
void RemoveDirectoryTree(const std::string& dir);
// RemoveDirectoryTree of the temp directory; for the end of the program.
void RemoveTempDirectory();

// Opens file with the desktop's handler (xdg-open) in the working directory `directory` ("" =
// current) without waiting for it; `parameters` are not used. True when the handler could be
// started. Headless: writes {"dialog":"shell_open","text":file} and returns true.
bool ShellOpenFile(const std::string& file, const std::string& parameters, const std::string& directory);

// Runs the command line program + " " + parameters through /bin/sh (so parameters split into
// words as a shell splits them; a program path naming an existing file is quoted) in the
// working directory `directory` ("" = current). Open files of the runner are not passed on;
// headless, the program's standard output goes to standard error (stdout carries the dialog
// protocol). With wait, polls for its end, pumping messages and sleeping 50 ms between polls.
// False when the process cannot be started or the directory does not exist, and, with wait,
// when the shell could not find or run the program (status 127 or 126).
bool ExecuteProgram(const std::string& program, const std::string& parameters, const std::string& directory,
                    bool wait);

// The Linux path for a file name as games write it: every '\' becomes '/'; a drive letter with
// a separator ("C:\x", "c:/x") stands for the root ("/x"); a drive letter without one ("C:x")
// is dropped, leaving a name relative to the current directory.
std::string LocalPath(std::string_view name);

// Replaces the file at path as a whole: the bytes go to a new file beside it that is renamed
// over the target, so a process that dies at any moment leaves either the old or the new file,
// never a part. With durable, the new file and the rename are flushed to the disk before the
// call returns (also safe against a power cut, at the cost of waiting for the disk). A symbolic
// link at path is followed (its target is replaced); a new file gets the mode 0666 less the
// umask, a replaced one keeps its mode. write(fd) writes the content and returns false on
// failure. False (the target untouched, the temporary file removed) on any failure.
bool ReplaceFileWith(const std::string& path, const std::function<bool(int fd)>& write, bool durable);
bool WriteFileAtomic(const std::string& path, std::string_view bytes, bool durable);
// Flushes a file written without durable, and its folder entry, to the disk.
void SyncFile(const std::string& path);
// Reads the whole regular file at path into out. The file is opened non-blocking and taken only
// when it is a regular file, so a folder, pipe or device given as the name cannot stall the game.
// Missing: no such file; TooLarge: more than maxBytes; Failed: not a regular file or unreadable.
// A file that shrinks while being read is taken as it was read.
enum class EFileRead { Ok, Missing, Failed, TooLarge };
EFileRead ReadRegularFile(const std::string& path, int64_t maxBytes, std::vector<uint8_t>& out);
// Copies the regular file from over to (replacing it as above). False when from is no regular
// file, cannot be read, or to cannot be written.
bool CopyFileAtomic(const std::string& from, const std::string& to);
