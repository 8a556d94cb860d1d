// Writes the deterministic input files of the whole-run benchmarks (engine_bench.sh).
//
//   bench_make_data flat MEGABYTES FILE       printable lines of 0 to 160 bytes, a few empty
//   bench_make_data csv MEGABYTES FILE DDFILE a header and six columns, some of them quoted
//                                             fields with commas, and the DD file for it
//   bench_make_data dd FIELDS DDFILE CSVFILE  a DD file of FIELDS one-byte fields over a
//                                             100-byte record (overlapping every 100), and a
//                                             CSV file of three records for it
//
// The same arguments always give the same bytes (fixed seed), so timings can be compared
// from one machine or commit to the next. Files grow to at least MEGABYTES x 10^6 bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// splitmix64: fast, and the same sequence everywhere.
class Random {
public:
    uint64_t Next() {
        uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // 0 .. bound - 1
    uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(Next() % bound); }

private:
    uint64_t m_state = 20240611;
};

class Output {
public:
    explicit Output(const char* fileName) : m_file(std::fopen(fileName, "wb")) {
        if (m_file == nullptr) {
            std::perror(fileName);
            std::exit(1);
        }
    }
    ~Output() {
        if (std::fclose(m_file) != 0) {
            std::perror("close");
            std::exit(1);
        }
    }
    void Write(const std::string& text) {
        if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size()) {
            std::perror("write");
            std::exit(1);
        }
        m_written += text.size();
    }
    uint64_t Written() const { return m_written; }

private:
    std::FILE* m_file;
    uint64_t m_written = 0;
};

void AppendPrintable(Random& random, size_t count, std::string& text) {
    for (size_t i = 0; i < count; ++i) {
        text += static_cast<char>(32 + random.Below(95));
    }
}

void AppendWord(Random& random, const char* letters, size_t shortest, size_t longest, std::string& text) {
    const size_t count = shortest + random.Below(static_cast<uint32_t>(longest - shortest + 1));
    const size_t choices = std::strlen(letters);
    for (size_t i = 0; i < count; ++i) {
        text += letters[random.Below(static_cast<uint32_t>(choices))];
    }
}

const char kLower[] = "abcdefghijklmnopqrstuvwxyz";
const char kUpper[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const char kDigits[] = "0123456789";

void WriteFlat(uint64_t bytes, const char* fileName) {
    Random random;
    Output out(fileName);
    std::string chunk;
    while (out.Written() < bytes) {
        chunk.clear();
        while (chunk.size() < (1 << 16)) {
            // One line in 25 is empty; the others are shorter or longer than 80 bytes.
            if (random.Below(25) != 0) {
                AppendPrintable(random, 1 + random.Below(160), chunk);
            }
            chunk += '\n';
        }
        out.Write(chunk);
    }
}

// Columns Id, Name, City, Amount, Code, Note; the DD file places them one after the other.
const char kDDFile[] =
    "; Layout of the benchmark's CSV records: six fields, 70 bytes.\n"
    "[FileInfo]\n"
    "RecordLength=70\n"
    "[Field1]\nFieldName=Id\nLength=8\nByteOffset=1\n"
    "[Field2]\nFieldName=Name\nLength=20\nByteOffset=9\n"
    "[Format=Name]\nA=Any text\n"
    "[Field3]\nFieldName=City\nLength=12\nByteOffset=29\n"
    "[Format=City]\nA=Any text\n"
    "[Field4]\nFieldName=Amount\nLength=9\nByteOffset=41\n"
    "[Field5]\nFieldName=Code\nLength=4\nByteOffset=50\n"
    "[Format=Code]\nAB=Code AB\n"
    "[Field6]\nFieldName=Note\nLength=15\nByteOffset=54\n"
    "[Format=Note]\nA=Any text\n";

void WriteCsv(uint64_t bytes, const char* fileName, const char* ddFileName) {
    Output(ddFileName).Write(kDDFile);
    Random random;
    Output out(fileName);
    out.Write("Id,Name,City,Amount,Code,Note\n");
    std::string chunk;
    uint64_t id = 0;
    while (out.Written() < bytes) {
        chunk.clear();
        while (chunk.size() < (1 << 16)) {
            chunk += std::to_string(++id % 100000000);
            chunk += ',';
            if (random.Below(3) == 0) {
                // A quoted "Last, First" keeps its comma.
                chunk += '"';
                AppendWord(random, kUpper, 1, 1, chunk);
                AppendWord(random, kLower, 2, 12, chunk);
                chunk += ", ";
                AppendWord(random, kUpper, 1, 1, chunk);
                AppendWord(random, kLower, 2, 9, chunk);
                chunk += '"';
            } else {
                AppendWord(random, kUpper, 1, 1, chunk);
                AppendWord(random, kLower, 2, 14, chunk);
            }
            chunk += ',';
            AppendWord(random, kLower, 3, 16, chunk);
            chunk += ',';
            if (random.Below(10) != 0) {
                AppendWord(random, kDigits, 1, 10, chunk);
            }
            chunk += ',';
            AppendWord(random, kUpper, 2, 5, chunk);
            chunk += ',';
            switch (random.Below(4)) {
            case 0:
                break;
            case 1:
                AppendWord(random, kLower, 1, 20, chunk);
                break;
            default:
                chunk += '"';
                AppendWord(random, kLower, 1, 10, chunk);
                chunk += ", ";
                AppendWord(random, kLower, 1, 10, chunk);
                chunk += '"';
            }
            chunk += '\n';
        }
        out.Write(chunk);
    }
}

// A layout far larger than any written by hand: FieldName=F<n>, Length=1, ByteOffset cycling
// over 1 to 100, so every position holds many fields; the CSV header names them all.
void WriteLargeLayout(uint64_t fields, const char* ddFileName, const char* csvFileName) {
    Output dd(ddFileName);
    Output csv(csvFileName);
    dd.Write("[FileInfo]\nRecordLength=100\n");
    std::string chunk;
    std::string header;
    for (uint64_t field = 1; field <= fields; ++field) {
        const std::string name = "F" + std::to_string(field);
        chunk += "[Field" + std::to_string(field) + "]\nFieldName=" + name + "\nLength=1\nByteOffset=" +
                 std::to_string(1 + (field - 1) % 100) + "\n";
        header += (field == 1 ? "" : ",") + name;
        if (chunk.size() >= (1 << 16)) {
            dd.Write(chunk);
            chunk.clear();
        }
    }
    dd.Write(chunk);
    csv.Write(header + "\n");
    for (char digit = '1'; digit <= '3'; ++digit) {
        std::string record;
        for (uint64_t field = 1; field <= fields; ++field) {
            record += (field == 1 ? "" : ",");
            record += digit;
        }
        csv.Write(record + "\n");
    }
}

[[noreturn]] void Usage() {
    std::fprintf(stderr, "usage: bench_make_data flat MEGABYTES FILE\n"
                         "       bench_make_data csv MEGABYTES FILE DDFILE\n"
                         "       bench_make_data dd FIELDS DDFILE CSVFILE\n");
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) Usage();
    const std::string kind = argv[1];
    const uint64_t number = std::strtoull(argv[2], nullptr, 10);  // megabytes, or fields for dd
    if (number == 0) Usage();
    const uint64_t bytes = number * 1000000;
    if (kind == "dd" && argc == 5) {
        WriteLargeLayout(number, argv[3], argv[4]);
    } else if (kind == "flat" && argc == 4) {
        WriteFlat(bytes, argv[3]);
    } else if (kind == "csv" && argc == 5) {
        WriteCsv(bytes, argv[3], argv[4]);
    } else {
        Usage();
    }
    return 0;
}
