// GzipStreamDecoder: the uncompressed bytes of a gzip file, inflated with ISA-L's igzip, which
// decodes deflate streams markedly faster than zlib; where ISA-L is not available (the build
// option LATHWELL_WITH_ISAL off, the Windows build), with zlib, giving the same bytes.
//
// It reads what zlib's gzread reads: every gzip member of the file one after another, each
// checked against its CRC-32 and length; bytes after the last member that do not start
// another member are ignored; a file that does not start with a gzip member is passed through
// as it is. A file that cannot be opened or read raises the library's file failure (naming the
// file, with the system's reason); a corrupt member raises "Reading compressed file -- <name>:
// damaged data" (so do bytes after a member that open another one with a damaged header), a
// member cut off before its end "... <name>: unexpected end of file". Every byte decoded before
// a failure is delivered first: the failure is raised by the Read after them. The decoder owns
// its file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

class MpIOUnbuffered;

namespace lathwell {

class GzipStreamDecoder {
public:
    explicit GzipStreamDecoder(const char* fileName);
    ~GzipStreamDecoder();
    GzipStreamDecoder(const GzipStreamDecoder&) = delete;
    GzipStreamDecoder& operator=(const GzipStreamDecoder&) = delete;

    // Fills destination with up to capacity uncompressed bytes and returns how many; fewer
    // only at the end of the file, and 0 once everything has been delivered.
    // REQUIRES: capacity > 0.
    int32_t Read(char* destination, int32_t capacity);

    // Bytes of the file consumed so far.
    int64_t CompressedPosition() const;

    // Whether the file turned out to hold bytes that do not start a gzip member, passed through
    // as they are (an empty file holds none). Known once Read has delivered something.
    bool IsPlainText() const { return m_plainText; }

private:
    enum class Mode { BeforeMember, InMember, PassThrough, Ended };
    // The inflater's state, as the library that inflates keeps it.
    struct State;

    // Compressed bytes read from the file at a time.
    static constexpr size_t kInputBlock = 256 * 1024;

    // What each inflating library provides (GzipStreamDecoder.cpp for ISA-L,
    // GzipStreamDecoderZlib.cpp for zlib); the rest is shared.
    // The inflater's unused input.
    uint8_t*& NextIn();
    uint32_t& AvailIn();
    uint32_t AvailIn() const;
    // Readies the inflater for a member that starts at the unused input, which it keeps.
    void StartMember();
    // Inflates into out + produced up to wanted bytes, counting them in produced; true once the
    // member has ended. Raises the failure of damaged data.
    bool Inflate(uint8_t* out, uint32_t wanted, uint32_t& produced);

    // Reads more of the file after the unused input; false at the end of the file.
    bool ReadInput();
    // Decides what the bytes at the current position are: another member, or the end.
    void LookForMember();
    // Adds decoded bytes at out + produced until wanted are there or the file has ended;
    // produced counts them also when a failure is raised.
    void Fill(uint8_t* out, uint32_t wanted, uint32_t& produced);
    // Raises the failure of damaged or cut-off data, naming the file.
    [[noreturn]] void RaiseDataFailure(const char* reason) const;

    std::string m_fileName;
    std::unique_ptr<MpIOUnbuffered> m_file;
    std::unique_ptr<State> m_state;
    std::vector<uint8_t> m_input;
    int64_t m_fileBytesRead = 0;
    bool m_membersSeen = false;
    bool m_plainText = false;  // the file opens with no member: passed through
    Mode m_mode = Mode::BeforeMember;
    std::exception_ptr m_failure;  // raised again by every Read after the bytes before it
};

}  // namespace lathwell
