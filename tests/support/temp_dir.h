#pragma once

#include <filesystem>
#include <string>

namespace tavix::testing {

// A fresh directory under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "tavix");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Whole-file helpers for tests.
std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& bytes);

// What a checking tool prints (standard output and error) for one file:
// "<tool> '<file>'".
std::string toolOutput(const std::string& tool, const std::filesystem::path& file);

} // namespace tavix::testing
