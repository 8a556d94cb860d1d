#include "StandardStreams.h"

#include "ConversionFiles.h"
#include "MpException.h"
#include "MpIODescriptor.h"
#include "SameFile.h"

namespace lathwell::cli {

namespace {

// Standard input given as a C++ stream, read with the plain-file line rules.
class StreamLineReader : public LineReader {
public:
    explicit StreamLineReader(std::istream& in) : LineReader(LoneCarriageReturn::Refused, false), in_(in) {}

protected:
    int32_t ReadBlock(char* destination, int32_t capacity) override {
        in_.read(destination, capacity);
        if (in_.bad()) throw MpException("Reading standard input failed");
        return static_cast<int32_t>(in_.gcount());
    }

private:
    std::istream& in_;
};

// Standard output given as a C++ stream; flushed on closing, which reports what the stream
// could not take.
class StreamRecordWriter : public RecordWriter {
public:
    StreamRecordWriter(std::ostream& out, int32_t recordLength) : RecordWriter(recordLength), out_(out) {}
    ~StreamRecordWriter() override { CloseQuietly(); }

protected:
    void WriteBlock(const char* bytes, int64_t count) override {
        if (!out_.write(bytes, count)) RaiseWriteFailure();
    }
    void CloseFile() override {
        if (!out_.flush()) RaiseWriteFailure();
    }

private:
    [[noreturn]] static void RaiseWriteFailure() { throw MpException("Writing to standard output failed"); }

    std::ostream& out_;
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

}  // namespace lathwell::cli
