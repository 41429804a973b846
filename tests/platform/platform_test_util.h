// Helpers shared by the platform tests: scoped environment variables and scratch folders.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

// Sets (or, with nullopt, unsets) an environment variable for the lifetime of the object.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, std::optional<std::string> value) : m_name(std::move(name)) {
        if (const char* old = std::getenv(m_name.c_str())) m_old = old;
        if (value)
            setenv(m_name.c_str(), value->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }
    ~ScopedEnv() {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// A fresh empty folder, removed with everything in it at the end.
class ScratchDir {
  public:
    explicit ScratchDir(const std::string& tag) {
        std::string tmpl = std::filesystem::temp_directory_path().string() + "/qvtest_" + tag + "_XXXXXX";
        m_path = mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& rel) const { return m_path + "/" + rel; }

  private:
    std::string m_path;
};
