// Fuzz target: the round trip of CSV values through a conversion and back, and reading any
// bytes as a fixed-length file.
//
// The input's bytes choose a layout and CSV lines (see RoundTripCase.h): every record the
// conversion builds must check clean and unpack to the values of its line. Then the same bytes
// are read as a fixed-length file of that layout, with each kind of record end: every record
// found must check without a failure, and unpack within the room the unpacker asks for.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../tests/support/RoundTripCase.h"
#include "FuzzSupport.h"

using namespace lathwell;

namespace {

// The input's bytes as the numbers a case is made of; 0 once they are used up.
class ByteDraws {
public:
    ByteDraws(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    size_t operator()(size_t bound) {
        const size_t value = m_next < m_size ? m_data[m_next++] : 0;
        return value % bound;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_next = 0;
};

// The fuzzer's bytes as a plain input.
class MemoryLineReader : public LineReader {
public:
    MemoryLineReader(const uint8_t* data, size_t size)
        : LineReader(LoneCarriageReturn::EndsLine, false), m_data(data), m_size(size) {}

protected:
    int32_t ReadBlock(char* destination, int32_t capacity) override {
        const size_t count = std::min(static_cast<size_t>(capacity), m_size - m_next);
        std::memcpy(destination, m_data + m_next, count);
        m_next += count;
        return static_cast<int32_t>(count);
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_next = 0;
};

void ReadAsFixedFile(const RecordLayout& layout, const uint8_t* data, size_t size) {
    const RecordChecker checker(layout);
    const RecordUnpacker unpacker(layout, ',', false);
    std::string line(unpacker.LongestLine(), '\0');
    for (RecordEnd end : {RecordEnd::CrLf, RecordEnd::Lf, RecordEnd::None}) {
        FixedRecordReader reader(std::make_unique<MemoryLineReader>(data, size), layout.recordLength, end);
        FixedRecord record;
        std::vector<Finding> findings;
        while (reader.Next(record)) {
            FUZZ_CHECK(record.length > 0 || end != RecordEnd::None);
            findings.clear();
            const bool clean = checker.Check(record, findings);
            FUZZ_CHECK(clean == findings.empty());
            if (checker.CheckShape(record, findings))
                FUZZ_CHECK(unpacker.Unpack(record.bytes, &line[0]) <= line.size());
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFile ddFile(".dd");
    ByteDraws draws(data, size);
    const RoundTripCase c = MakeRoundTripCase(draws);
    ddFile.Write(c.ddText.data(), c.ddText.size());
    const std::string fault = RoundTripFault(c, ddFile.Name());
    if (!fault.empty()) std::fprintf(stderr, "%s\n", fault.c_str());
    FUZZ_CHECK(fault.empty());
    DDFile dd(ddFile.Name());
    ReadAsFixedFile(ReadRecordLayout(dd, false, c.recordLength), data, size);
    return 0;
}
