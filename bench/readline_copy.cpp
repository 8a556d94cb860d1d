// Line copy through MpIO, the hot path of every conversion: ReadLine of each input line and
// WriteLine of it to the output (with CR LF). bench/readline_copy.sh times it against cat.
//
//   bench_readline_copy <input> <output> [buffer]  copies with MpIO buffers of that size
//                                                  (default 8000), prints the line count
//   bench_readline_copy --generate <file> <MB>     writes a deterministic file of random-length
//                                                  printable lines of at least that many MB
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "MpIO.h"
#include "MpString.h"

namespace {

// A fixed-seed linear congruential generator, so every run produces the same file.
class Random {
public:
    uint32_t Next() {
        m_ullState = m_ullState * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(m_ullState >> 33);
    }

private:
    uint64_t m_ullState = 20240611;
};

int Generate(const char* pPath, long lMegabytes) {
    std::FILE* pFile = std::fopen(pPath, "wb");
    if (pFile == nullptr) {
        std::perror(pPath);
        return 1;
    }
    const uint64_t ullTarget = static_cast<uint64_t>(lMegabytes) * 1024 * 1024;
    Random random;
    std::string line;
    uint64_t ullWritten = 0;
    while (ullWritten < ullTarget) {
        // Mostly short records, some long ones (up to 4000 bytes), a few empty lines.
        uint32_t ulLength = random.Next() % 16 == 0 ? random.Next() % 4000 : random.Next() % 160;
        line.assign(ulLength, ' ');
        for (char& c : line) c = static_cast<char>(32 + random.Next() % 95);
        line += '\n';
        if (std::fwrite(line.data(), 1, line.size(), pFile) != line.size()) {
            std::perror(pPath);
            std::fclose(pFile);
            return 1;
        }
        ullWritten += line.size();
    }
    return std::fclose(pFile) == 0 ? 0 : 1;
}

int Copy(const char* pInput, const char* pOutput, int32_t lBufferSize) {
    try {
        MpIO input(pInput, IO_READ);
        MpIO output(pOutput, IO_READ | IO_WRITE | IO_CREATE | IO_TRUNCATE);
        input.SetBufferSize(lBufferSize);
        output.SetBufferSize(lBufferSize);
        MpString sLine;
        uint64_t ullLines = 0;
        while (input.ReadLine(sLine) != 0) {
            output.WriteLine(sLine.GetCString());
            ++ullLines;
        }
        output.Close();
        std::printf("%llu lines\n", static_cast<unsigned long long>(ullLines));
        return 0;
    } catch (MpException& e) {
        std::fprintf(stderr, "%s\n%s\n", e.GetErrorMessage(), e.GetCallpath());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--generate") == 0) return Generate(argv[2], std::atol(argv[3]));
    if (argc == 3 || argc == 4) {
        return Copy(argv[1], argv[2], argc == 4 ? std::atoi(argv[3]) : static_cast<int32_t>(MpIO::kDefaultBufferSize));
    }
    std::fprintf(stderr, "usage: %s <input> <output> [buffer] | --generate <file> <MB>\n", argv[0]);
    return 2;
}
