// Helpers for end-to-end tests: running the real executables and making game files.
#pragma once

#include <map>
#include <string>
#include <vector>

struct RunResult {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
    // The lines of standard output that are JSON objects.
    std::vector<std::string> JsonLines() const;
};

// Runs argv[0] with the arguments, the given extra environment, and no standard input.
RunResult RunProgram(const std::vector<std::string>& argv,
                     const std::map<std::string, std::string>& env = {});

// A fresh empty directory for one test; removed by the destructor.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

  private:
    std::string m_path;
};

std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);

// Runs the runner headless on a game-data file; unless env says otherwise, for one step without
// waiting (QUARVEL_MAX_STEPS=1, QUARVEL_NO_WAIT=1).
RunResult RunGame(const std::string& dataFile, const std::map<std::string, std::string>& env = {},
                  const std::vector<std::string>& args = {});
