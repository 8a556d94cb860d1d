#include "ConversionFiles.h"

#include <cstring>
#include <strings.h>

#include "DescriptorLineReader.h"
#include "DescriptorRecordWriter.h"
#include "GzipLineReader.h"
#include "MpFileName.h"
#include "MpIODescriptor.h"
#include "PlainLineReader.h"

namespace lathwell {

bool IsStandardStreamName(const char* name) {
    return std::strcmp(name, "-") == 0;
}

bool IsCompressedName(const char* name) {
    MpFileName fileName(name);
    return strcasecmp(fileName.GetExtension(), ".gz") == 0;
}

std::unique_ptr<LineReader> OpenFileLineReader(const char* fileName, bool blankUnprintable) {
    if (IsCompressedName(fileName)) return std::make_unique<GzipLineReader>(fileName, blankUnprintable);
    return std::make_unique<PlainLineReader>(fileName, blankUnprintable);
}

std::unique_ptr<LineReader> OpenLineReader(const char* name, bool blankUnprintable) {
    if (IsStandardStreamName(name)) {
        return std::make_unique<DescriptorLineReader>(MpIODescriptor::kStandardInput, "standard input", blankUnprintable);
    }
    return OpenFileLineReader(name, blankUnprintable);
}

std::unique_ptr<RecordWriter> OpenStandardOutput(int32_t recordLength) {
    return std::make_unique<DescriptorRecordWriter>(MpIODescriptor::kStandardOutput, "standard output", recordLength);
}

}  // namespace lathwell
