// Fuzz target: the gzip line reader.
//
// The first two input bytes steer the test, the rest is the payload:
//   byte 0, bit 0   compress the payload first (else the file holds the payload as it is, which
//                   zlib reads through unchanged unless it starts with the gzip magic bytes)
//           bit 1   blank unprintable bytes
//           bit 2   compress into two gzip members instead of one
//           bit 3   cut the last bytes off the compressed file (the reader may refuse it)
//           bits 4-5 compression level 0, 1, 6 or 9; bits 6-7 the zlib strategy
//   byte 1          how many more times the payload is repeated, so that small inputs can
//                   still make long lines and cross the reader's block boundaries
// Whenever the file is complete, the lines read are compared with a reference split of the
// uncompressed bytes.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "GzipLineReader.h"
#include "MpException.h"

using namespace lathwell;

namespace {

// Just over the line reader's first buffer (256 KiB), so that a long line makes it grow;
// larger texts only slow the fuzzer down.
constexpr size_t kLargestText = 320 * 1024;

struct ExpectedLine {
    std::string text;
    bool blanked;
};

// Lines end at LF, CR LF or a lone CR; a last line without an end of line counts; blanking
// turns every byte outside 32..126 into a blank, and without it a NUL ends the line's text.
std::vector<ExpectedLine> ReferenceLines(const std::string& bytes, bool blankUnprintable) {
    std::vector<ExpectedLine> lines;
    size_t begin = 0;
    while (begin < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", begin);
        size_t next;
        if (end == std::string::npos) {
            end = next = bytes.size();
        } else if (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') {
            next = end + 2;
        } else {
            next = end + 1;
        }
        ExpectedLine line{bytes.substr(begin, end - begin), false};
        if (blankUnprintable) {
            for (char& byte : line.text) {
                const unsigned char value = static_cast<unsigned char>(byte);
                if (value < 32 || value > 126) {
                    byte = ' ';
                    line.blanked = true;
                }
            }
        } else {
            line.text = line.text.c_str();
        }
        lines.push_back(line);
        begin = next;
    }
    return lines;
}

// One gzip member holding bytes.
void AppendMember(const std::string& bytes, int level, int strategy, std::string& file) {
    z_stream stream{};
    FUZZ_CHECK(deflateInit2(&stream, level, Z_DEFLATED, 15 + 16, 8, strategy) == Z_OK);
    std::vector<unsigned char> out(deflateBound(&stream, bytes.size()) + 32);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    FUZZ_CHECK(deflate(&stream, Z_FINISH) == Z_STREAM_END);
    file.append(reinterpret_cast<const char*>(out.data()), stream.total_out);
    deflateEnd(&stream);
}

void ReadAndCompare(const char* fileName, bool blankUnprintable, const std::vector<ExpectedLine>* expected) {
    GzipLineReader reader(fileName, blankUnprintable);
    TextLine line;
    size_t count = 0;
    int64_t position = 0;
    while (reader.ReadLine(line)) {
        FUZZ_CHECK(line.length >= 0 && line.text[line.length] == '\0');
        FUZZ_CHECK(reader.InputPosition() >= position);
        position = reader.InputPosition();
        if (expected != nullptr) {
            FUZZ_CHECK(count < expected->size());
            const ExpectedLine& want = (*expected)[count];
            FUZZ_CHECK(want.text.size() == static_cast<size_t>(line.length));
            FUZZ_CHECK(std::memcmp(want.text.data(), line.text, want.text.size()) == 0);
            FUZZ_CHECK(want.blanked == line.blanked);
        }
        ++count;
    }
    FUZZ_CHECK(expected == nullptr || count == expected->size());
    FUZZ_CHECK(!reader.ReadLine(line));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const uint8_t flags = data[0];
    const bool compress = (flags & 1) != 0;
    const bool blankUnprintable = (flags & 2) != 0;
    const bool twoMembers = (flags & 4) != 0;
    const bool cutShort = (flags & 8) != 0;
    static const int kLevels[] = {0, 1, 6, 9};
    static const int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE};
    const int level = kLevels[(flags >> 4) & 3];
    const int strategy = kStrategies[(flags >> 6) & 3];

    const std::string payload(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::string text;
    for (size_t copies = 0; copies <= data[1] && text.size() + payload.size() <= kLargestText; ++copies) {
        text += payload;
    }

    std::string file;
    bool complete = true;
    if (compress) {
        const size_t half = twoMembers ? text.size() / 2 : text.size();
        AppendMember(text.substr(0, half), level, strategy, file);
        if (twoMembers) {
            AppendMember(text.substr(half), level, strategy, file);
        }
        if (cutShort) {
            // Anything from the last byte of the trailer to most of the stream.
            file.resize(file.size() - 1 - data[1] % file.size());
            complete = false;
        }
    } else {
        file = text;
        // zlib takes a file that starts with the magic bytes for gzip, whatever follows.
        complete = !(text.size() >= 2 && static_cast<uint8_t>(text[0]) == 0x1f &&
                     static_cast<uint8_t>(text[1]) == 0x8b);
    }

    static const ScratchFile scratch(".txd.gz");
    scratch.Write(file.data(), file.size());
    const std::vector<ExpectedLine> expected = ReferenceLines(text, blankUnprintable);
    try {
        ReadAndCompare(scratch.Name(), blankUnprintable, complete ? &expected : nullptr);
    } catch (const MpException&) {
        // A complete file must read without failure; only a damaged one may be refused.
        FUZZ_CHECK(!complete);
    }
    return 0;
}
