#include "StandardStreams.h"

#include "ConversionFiles.h"
#include "MpPathKind.h"
#include "MpException.h"
#include "MpIODescriptor.h"
#include "SameFile.h"

namespace lathwell::cli {

namespace {

// Standard input given as a C++ stream, read with the plain-file line rules.
class StreamLineReader : public LineReader {
public:
    explicit StreamLineReader(std::istream& in) : LineReader(LoneCarriageReturn::Refused, false), m_in(in) {}

protected:
    int32_t ReadBlock(char* destination, int32_t capacity) override {
        m_in.read(destination, capacity);
        if (m_in.bad()) throw MpException("Reading standard input failed");
        return static_cast<int32_t>(m_in.gcount());
    }

private:
    std::istream& m_in;
};

// Standard output given as a C++ stream; flushed on closing, which reports what the stream
// could not take.
class StreamRecordWriter : public RecordWriter {
public:
    StreamRecordWriter(std::ostream& out, int32_t recordLength) : RecordWriter(recordLength), m_out(out) {}
    ~StreamRecordWriter() override { CloseQuietly(); }

protected:
    void WriteBlock(const char* bytes, int64_t count) override {
        if (!m_out.write(bytes, count)) RaiseWriteFailure();
    }
    void CloseFile() override {
        if (!m_out.flush()) RaiseWriteFailure();
    }

private:
    [[noreturn]] static void RaiseWriteFailure() { throw MpException("Writing to standard output failed"); }

    std::ostream& m_out;
};

}  // namespace

std::string InputDisplayName(const std::string& name) {
    return IsStandardStreamName(name.c_str()) ? "standard input" : name;
}

std::unique_ptr<LineReader> OpenInputReader(const std::string& name, const CliStreams& streams) {
    if (IsStandardStreamName(name.c_str()) && !streams.processStreams) {
        return std::make_unique<StreamLineReader>(streams.in);
    }
    return OpenLineReader(name.c_str(), false);
}

std::unique_ptr<RecordWriter> OpenStandardOutputWriter(const CliStreams& streams, int32_t recordLength) {
    if (!streams.processStreams) return std::make_unique<StreamRecordWriter>(streams.out, recordLength);
    return OpenStandardOutput(recordLength);
}

bool StandardInputIsFile(const CliStreams& streams, const std::string& name) {
    return streams.processStreams && IsSameFile(MpIODescriptor::kStandardInput, name.c_str());
}

bool StandardOutputIsFile(const CliStreams& streams, const std::string& name) {
    return streams.processStreams && IsSameFile(MpIODescriptor::kStandardOutput, name.c_str());
}

bool StandardStreamsAreOneFile(const CliStreams& streams) {
    // The name under which the process sees the file its standard output goes to.
    const char* const kStandardOutputName = "/dev/stdout";
    return streams.processStreams && MpPathInfo::Kind(kStandardOutputName) == MpPathKind::RegularFile &&
           StandardInputIsFile(streams, kStandardOutputName);
}

}  // namespace lathwell::cli
