// A private temporary directory, removed with everything in it at the end.
#pragma once

#include <string>

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "zrso-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes a whole file (created or replaced); returns its path.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};

// Sets (or, with a null value, unsets) an environment variable for the
// lifetime of the object and restores the earlier state after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    bool had_;
    std::string old_;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadFileText(const std::string& path);
