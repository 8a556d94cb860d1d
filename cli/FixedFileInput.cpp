#include "FixedFileInput.h"

#include "ColumnMapping.h"
#include "ConversionFiles.h"
#include "ConvertCommand.h"
#include "MpIO.h"
#include "StandardStreams.h"
#include "Utf8Text.h"

namespace lathwell::cli {

FixedFileInput OpenFixedFileInput(const CliArguments& arguments, const CliStreams& streams) {
    CheckInputName(arguments.input);
    FixedFileInput input;
    if (arguments.ddFile.empty()) {
        input.layout.recordLength = arguments.recordLength;
    } else {
        std::unique_ptr<DDFile> ddFile = OpenDDFile(arguments.ddFile, streams.err);
        input.layout = ReadRecordLayout(*ddFile, arguments.population, DDRecordLength(*ddFile, arguments));
    }
    const char* name = arguments.input.c_str();
    if (!IsStandardStreamName(name) && !IsCompressedName(name))
        input.inputBytes = MpIOInterface::GetFileSizeByName(name);
    input.reader = std::make_unique<FixedRecordReader>(OpenInputReader(arguments.input, streams),
                                                       input.layout.recordLength, arguments.recordEnd);
    input.displayName = InputDisplayName(arguments.input);
    return input;
}

void WarnIfNotCompressed(const FixedFileInput& input, std::ostream& err) {
    if (input.reader->IsPlainTextUnderCompressedName())
        err << "lathwell-cli: warning: " << TerminalSafe(NotCompressedWarning(input.displayName)) << "\n";
}

std::string RecordPlace(const FixedFileInput& input, int64_t record) {
    return input.displayName + ":" + std::to_string(record) + ": ";
}

}  // namespace lathwell::cli
