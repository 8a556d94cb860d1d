// Helpers shared by the fuzz targets.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <unistd.h>

// A property of the code under test that must hold for every input. A violation is reported
// like a crash, so the fuzzer saves the input.
#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (false)

// One file in the system temporary folder that a target rewrites for every input, because
// the code under test reads files by name. Made once per process and removed at its end.
class ScratchFile {
public:
    // suffix is kept at the end of the name (the readers decide by extension); the file
    // starts with content.
    explicit ScratchFile(const char* suffix, const std::string& content = std::string()) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "lathwell-fuzz-XXXXXX").string() + suffix;
        const int descriptor = mkstemps(pattern.data(), static_cast<int>(std::char_traits<char>::length(suffix)));
        if (descriptor < 0) {
            throw std::runtime_error("mkstemps failed");
        }
        close(descriptor);
        m_name = pattern;
        Write(content.data(), content.size());
    }
    ~ScratchFile() { unlink(m_name.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const char* Name() const { return m_name.c_str(); }

    // Replaces the whole content of the file. It is overwritten and then cut to size rather
    // than emptied first: ext4 flushes a file to disk when it is closed after being truncated
    // to zero, which would slow every input down to the disk's pace.
    void Write(const void* bytes, size_t size) const {
        const int descriptor = open(m_name.c_str(), O_WRONLY);
        if (descriptor < 0) {
            throw std::runtime_error("cannot open " + m_name);
        }
        const char* next = static_cast<const char*>(bytes);
        size_t left = size;
        bool failed = false;
        while (left > 0 && !failed) {
            const ssize_t written = write(descriptor, next, left);
            failed = written <= 0;
            if (!failed) {
                next += written;
                left -= static_cast<size_t>(written);
            }
        }
        failed = failed || ftruncate(descriptor, static_cast<off_t>(size)) != 0;
        close(descriptor);
        if (failed) {
            throw std::runtime_error("cannot write " + m_name);
        }
    }

private:
    std::string m_name;
};
