// The private temp directory and the process helpers on Linux: fork/exec with a close-on-exec
// pipe that tells the parent whether the program could be started, and a removal that works
// on directory descriptors so that no symbolic link is ever followed out of the temp directory.
#include "support/Support_File.h"

#include "platform/Platform_App.h"
#include "platform/Platform_Dialog.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxNameDraws = 1000;

std::string g_tempDir;

std::mt19937& Rng() {
    static std::mt19937 rng(std::random_device{}() ^
                            uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    return rng;
}

std::string RandomNumber() {
    return std::to_string(std::uniform_int_distribution<int>(0, 99999)(Rng()));
}

std::string CurrentDir() {
    std::error_code ec;
    fs::path p = fs::current_path(ec);
    return ec ? std::string(".") : p.string();
}

// Absolute form of a path without trailing '/', so a later change of directory does not move it.
std::string AbsoluteRoot(const std::string& root) {
    std::error_code ec;
    std::string abs = fs::absolute(root, ec).lexically_normal().string();
    if (ec) abs = root;
    while (abs.size() > 1 && abs.back() == '/') abs.pop_back();
    return abs;
}

std::string ResolvedPath(const std::string& path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

// Removes everything inside the open directory dirFd, never following symbolic links.
void RemoveContents(int dirFd) {
    int listFd = dup(dirFd);
    if (listFd < 0) return;
    DIR* dir = fdopendir(listFd);
    if (!dir) {
        close(listFd);
        return;
    }
    std::vector<std::string> names;
    while (dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    }
    closedir(dir);
    for (const std::string& name : names) {
        struct stat st {};
        if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            int sub = openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0) {
                RemoveContents(sub);
                close(sub);
            }
            unlinkat(dirFd, name.c_str(), AT_REMOVEDIR);
        } else {
            unlinkat(dirFd, name.c_str(), 0);
        }
    }
}

std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Marks every descriptor from 3 up close-on-exec, so the child gets only stdin, stdout and stderr.
void CloseOnExecFrom3() {
#if defined(SYS_close_range)
    if (syscall(SYS_close_range, 3u, ~0u, 4u /* CLOSE_RANGE_CLOEXEC */) == 0) return;
#endif
    for (int fd = 3; fd < 4096; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// Starts argv in directory dir ("" = current). With detach the program is started through an
// intermediate child that exits at once, so nobody has to wait for it. Returns the pid to wait
// for (the intermediate one when detached), or -1 when it could not be started.
pid_t Spawn(const std::vector<std::string>& args, const std::string& dir, bool detach) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    bool stdoutToStderr = Platform_IsHeadless();
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0) return -1;
    pid_t pid = fork();
    if (pid < 0) {
        close(errPipe[0]);
        close(errPipe[1]);
        return -1;
    }
    if (pid == 0) {
        // Child: only async-signal-safe calls from here on.
        auto fail = [&](int err) {
            ssize_t ignored = write(errPipe[1], &err, sizeof err);
            (void)ignored;
            _exit(127);
        };
        if (detach) {
            pid_t inner = fork();
            if (inner < 0) fail(errno);
            if (inner > 0) _exit(0);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        sigaction(SIGPIPE, &dfl, nullptr);
        if (stdoutToStderr) dup2(2, 1);
        if (!dir.empty() && chdir(dir.c_str()) != 0) fail(errno);
        CloseOnExecFrom3();
        execvp(argv[0], argv.data());
        fail(errno);
    }
    close(errPipe[1]);
    if (detach) {
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    int err = 0;
    ssize_t n;
    while ((n = read(errPipe[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    close(errPipe[0]);
    if (n > 0) {
        if (!detach) {
            int status;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
        Platform_Trace("Cannot start " + args[0] + ": " + std::strerror(err));
        return -1;
    }
    return pid;
}

} // namespace

std::string TempRootCandidate(const std::string& exeDir) {
    std::ifstream in(exeDir + "/tempdir.txt");
    std::string line;
    if (in && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) return line;
    }
    for (const char* var : {"temp", "tmp", "TMPDIR"}) {
        const char* v = std::getenv(var);
        if (v && *v) return v;
    }
    return "/tmp";
}

bool InitTempDirectoryFrom(const std::vector<std::string>& roots) {
    // The directory goes at every normal process end, also an exit() deep inside the loader.
    static const bool cleanupRegistered = std::atexit(RemoveTempDirectory) == 0;
    (void)cleanupRegistered;
    for (const std::string& root : roots)
        if (!root.empty() && MakeTempDirectory(root)) return true;
    Platform_ShowMessage("Failed to create temp dir. This can cause serious problems with sounds, etc.");
    return false;
}

bool InitTempDirectory() {
    return InitTempDirectoryFrom({TempRootCandidate(Platform_ExeDir()), "/tmp", CurrentDir()});
}

bool MakeTempDirectory(const std::string& root) {
    std::string base = AbsoluteRoot(root);
    if (base == "/") base.clear();
    std::error_code ec;
    fs::create_directories(base.empty() ? "/" : base, ec);
    for (int i = 0; i < kMaxNameDraws; ++i) {
        std::string candidate = base + "/qv_ttt_" + RandomNumber();
        g_tempDir = candidate;
        if (mkdir(candidate.c_str(), 0700) == 0) return true;
        if (errno != EEXIST) break;
    }
    Platform_Trace("Cannot create the temp directory " + g_tempDir + ": " + std::strerror(errno));
    return false;
}

std::string GetTempDirectory() {
    return g_tempDir;
}

std::string MakeTempFileName(const std::string& ext) {
    if (g_tempDir.empty()) return "";
    for (int i = 0; i < kMaxNameDraws; ++i) {
        std::string name = g_tempDir + "/a" + RandomNumber() + ext;
        int fd = open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0) {
            close(fd);
            return name;
        }
        if (errno != EEXIST) {
            Platform_Trace("Cannot create a temp file in " + g_tempDir + ": " + std::strerror(errno));
            return "";
        }
    }
    return "";
}

void RemoveDirectoryTree(const std::string& dir) {
    if (g_tempDir.empty()) return;
    std::string target = ResolvedPath(dir);
    std::string temp = ResolvedPath(g_tempDir);
    if (target.empty() || temp.empty()) return;
    if (target != temp && target.compare(0, temp.size() + 1, temp + "/") != 0) {
        Platform_Trace("Not removing " + dir + ": outside the temp directory");
        return;
    }
    int fd = open(target.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    RemoveContents(fd);
    close(fd);
    rmdir(target.c_str());
}

void RemoveTempDirectory() {
    RemoveDirectoryTree(g_tempDir);
}

bool ShellOpenFile(const std::string& file, const std::string& parameters, const std::string& directory) {
    (void)parameters;
    if (Platform_IsHeadless()) {
        Platform_EmitDialog("shell_open", "", file);
        return true;
    }
    return Spawn({"xdg-open", file}, directory, true) > 0;
}

bool ExecuteProgram(const std::string& program, const std::string& parameters, const std::string& directory,
                    bool wait) {
    std::error_code ec;
    fs::path prog(program);
    bool isFile = !program.empty() && (fs::exists(prog, ec) || (!directory.empty() && prog.is_relative() &&
                                                                fs::exists(fs::path(directory) / prog, ec)));
    std::string command = (isFile ? ShellQuote(program) : program) + " " + parameters;
    pid_t pid = Spawn({"/bin/sh", "-c", command}, directory, !wait);
    if (pid < 0) return false;
    if (wait) {
        int status = 0;
        for (;;) {
            pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == pid || (r < 0 && errno != EINTR)) break;
            PumpMessages();
            Platform_Sleep(50);
        }
        // The shell's status for a command it could not find or run.
        if (WIFEXITED(status) && (WEXITSTATUS(status) == 127 || WEXITSTATUS(status) == 126)) {
            Platform_Trace("Cannot start " + program);
            return false;
        }
    }
    return true;
}

std::string LocalPath(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c == '\\') c = '/';
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (out.size() >= 2 && letter(out[0]) && out[1] == ':') out.erase(0, 2);
    return out;
}

namespace {

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

namespace {

void SyncFolderOf(const std::string& path) {
    std::string dir = fs::path(path).parent_path().string();
    int dfd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
}

} // namespace

void SyncFile(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
    SyncFolderOf(path);
}

bool ReplaceFileWith(const std::string& path, const std::function<bool(int fd)>& write, bool durable) {
    if (path.empty()) return false;
    std::string target = path;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::string resolved = ResolvedPath(path);
        if (resolved.empty()) return false; // a dangling link: where it points may not exist
        target = resolved;
    }
    bool existed = stat(target.c_str(), &st) == 0;
    if (existed && !S_ISREG(st.st_mode)) return false;
    std::string tmp = target + ".qvtmp_XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) return false;
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    mode_t mode = existed ? (st.st_mode & 07777) : mode_t(0666);
    if (!existed) {
        mode_t mask = umask(0);
        umask(mask);
        mode &= ~mask;
    }
    bool ok = fchmod(fd, mode) == 0 && write(fd) && (!durable || fsync(fd) == 0);
    ok = close(fd) == 0 && ok;
    if (ok && rename(tmp.c_str(), target.c_str()) == 0) {
        if (durable) SyncFolderOf(target); // the rename itself reaches the disk with the folder
        return true;
    }
    unlink(tmp.c_str());
    return false;
}

bool WriteFileAtomic(const std::string& path, std::string_view bytes, bool durable) {
    return ReplaceFileWith(
        path, [bytes](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); }, durable);
}

EFileRead ReadRegularFile(const std::string& path, int64_t maxBytes, std::vector<uint8_t>& out) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? EFileRead::Missing : EFileRead::Failed;
    struct stat st {};
    EFileRead r = EFileRead::Ok;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        r = EFileRead::Failed;
    else if (st.st_size > maxBytes)
        r = EFileRead::TooLarge;
    else {
        out.resize(size_t(st.st_size));
        size_t got = 0;
        while (got < out.size()) {
            const ssize_t n = read(fd, out.data() + got, out.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += size_t(n);
        }
        out.resize(got);
        if (got == 0 && st.st_size > 0) r = EFileRead::Failed;
    }
    close(fd);
    return r;
}

bool CopyFileAtomic(const std::string& from, const std::string& to) {
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {};
    if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(in);
        return false;
    }
    bool ok = ReplaceFileWith(
        to,
        [in](int out) {
            char buf[65536];
            for (;;) {
                ssize_t n = read(in, buf, sizeof buf);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) return false;
                if (n == 0) return true;
                if (!WriteAll(out, buf, size_t(n))) return false;
            }
        },
        true);
    close(in);
    return ok;
}
