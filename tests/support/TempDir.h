// A fresh temporary directory for one test, removed with everything in it when the
// object goes out of scope. Tests never write outside such a directory.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include <stdlib.h>

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lathwell-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Full path of a name inside the directory.
    std::string File(const std::string& name) const { return (path_ / name).string(); }

    // Writes bytes to a file inside the directory and returns its full path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::string full = File(name);
        std::ofstream out(full, std::ios::binary);
        out << bytes;
        return full;
    }

    static std::string Read(const std::string& fullPath) {
        std::ifstream in(fullPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path path_;
};
