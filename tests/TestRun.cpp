// Process running and temporary files for the end-to-end tests.
#include "TestRun.h"
#include "platform/Platform_Sanitizer.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

QV_LEAK_SUPPRESSIONS

std::vector<std::string> RunResult::JsonLines() const {
    std::vector<std::string> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line[0] == '{') lines.push_back(line);
    return lines;
}

RunResult RunProgram(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env) {
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
        if (!getenv("LSAN_OPTIONS"))
            setenv("LSAN_OPTIONS", "suppressions=" QV_TESTS_DIR "/lsan.supp:use_tls=0", 1);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    RunResult r;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    char buf[4096];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) break;
        for (int i = 0; i < 2; i++) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                open--;
            } else {
                (i == 0 ? r.out : r.err).append(buf, size_t(n));
            }
        }
    }
    int st = 0;
    waitpid(pid, &st, 0);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return r;
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "qvtest_XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

RunResult RunGame(const std::string& dataFile, const std::map<std::string, std::string>& env,
                  const std::vector<std::string>& args) {
    std::map<std::string, std::string> e = env;
    e.emplace("QUARVEL_GAME", dataFile);
    e.emplace("QUARVEL_HEADLESS", "1");
    // A game runs until it ends itself; tests that do not say otherwise run one step at once.
    e.emplace("QUARVEL_MAX_STEPS", "1");
    e.emplace("QUARVEL_NO_WAIT", "1");
    std::vector<std::string> argv = {QV_RUNNER_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, e);
}
