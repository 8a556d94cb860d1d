// Helpers shared by the engine tests: an observer that records what a run tells it and can
// ask for a cancel, gzip file helpers built directly on zlib, and descriptors that close
// themselves.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#ifdef _WIN32
#define O_CLOEXEC (_O_NOINHERIT | _O_BINARY)
#endif

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <zlib.h>

#include "ConversionObserver.h"
#include "LineReader.h"
#include "MpString.h"

namespace lathwell {

// Lets GoogleTest show MpString values as their text.
inline void PrintTo(const MpString& text, std::ostream* out) {
    *out << '"' << text.GetCString() << '"';
}

class RecordingObserver : public ConversionObserver {
public:
    // With cancelAtCall > 0, that question (1-based; one per block read) asks to stop.
    explicit RecordingObserver(int cancelAtCall = 0) : m_cancelAtCall(cancelAtCall) {}

    void RunStarting(int64_t inputBytes) override {
        ++startCalls;
        startedWith = inputBytes;
    }
    bool CancelRequested(int64_t bytesConsumed) override {
        positions.push_back(bytesConsumed);
        return static_cast<int>(positions.size()) == m_cancelAtCall;
    }
    void ReportFailure(const char* message) override { failures.push_back(message); }

    int startCalls = 0;
    int64_t startedWith = -1;
    std::vector<int64_t> positions;
    std::vector<std::string> failures;

private:
    int m_cancelAtCall;
};

// Hands out the input in blocks of a fixed size, so every way of cutting it can be tried.
class BlockLineReader : public LineReader {
public:
    BlockLineReader(std::string bytes, size_t blockSize, LoneCarriageReturn loneCr, bool blank = false)
        : LineReader(loneCr, blank), m_bytes(std::move(bytes)), m_blockSize(blockSize) {}

protected:
    int32_t ReadBlock(char* destination, int32_t capacity) override {
        size_t count = std::min({m_blockSize, static_cast<size_t>(capacity), m_bytes.size() - m_next});
        std::memcpy(destination, m_bytes.data() + m_next, count);
        m_next += count;
        return static_cast<int32_t>(count);
    }

private:
    std::string m_bytes;
    size_t m_blockSize;
    size_t m_next = 0;
};

inline void WriteGzip(const std::string& path, const std::string& bytes) {
    gzFile file = gzopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("gzopen failed");
    if (!bytes.empty() && gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size())) != static_cast<int>(bytes.size())) {
        throw std::runtime_error("gzwrite failed");
    }
    if (gzclose(file) != Z_OK) throw std::runtime_error("gzclose failed");
}

inline std::string ReadGzip(const std::string& path) {
    gzFile file = gzopen(path.c_str(), "rb");
    if (file == nullptr) throw std::runtime_error("gzopen failed");
    std::string bytes;
    char block[65536];
    int got;
    while ((got = gzread(file, block, sizeof block)) > 0) bytes.append(block, static_cast<size_t>(got));
    gzclose(file);
    if (got < 0) throw std::runtime_error("gzread failed");
    return bytes;
}

// A descriptor opened with open(2), closed when the object goes out of scope.
class FileDescriptor {
public:
    FileDescriptor(const std::string& path, int flags) : m_descriptor(open(path.c_str(), flags | O_CLOEXEC, 0600)) {
        if (m_descriptor < 0) throw std::runtime_error("open failed: " + path);
    }
    ~FileDescriptor() { close(m_descriptor); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_descriptor; }

private:
    int m_descriptor;
};

}  // namespace lathwell
