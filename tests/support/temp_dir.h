#pragma once
// A fresh folder under the system's temporary directory, removed with everything in it.

#include <filesystem>
#include <string>
#include <string_view>

namespace mw::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, std::string_view bytes);
// How many entries a folder holds (left-over temporary files show here).
std::size_t entriesIn(const std::filesystem::path& dir);

// The folder of the source tree, for tests that use shipped files.
std::filesystem::path sourceDir();

}  // namespace mw::test
