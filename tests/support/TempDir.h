// A fresh temporary directory for one test, removed with everything in it when the
// object goes out of scope. Tests never write outside such a directory.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

class TempDir {
public:
    // A new directory under a random name: creating it fails when the name is taken.
    TempDir() {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = std::filesystem::temp_directory_path() / ("lathwell-test-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(path_, error)) return;
            if (error) break;
        }
        throw std::runtime_error("cannot create a temporary directory");
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
