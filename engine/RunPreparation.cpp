#include "RunPreparation.h"

#include <utility>

#include "ConversionFiles.h"
#include "CsvRecordBuilder.h"
#include "DDFile.h"
#include "MpPathKind.h"
#include "SameFile.h"

namespace lathwell {

namespace {

// The output of a dry run: records are built and counted, and then dropped.
class DiscardingRecordWriter : public RecordWriter {
public:
    explicit DiscardingRecordWriter(int32_t recordLength) : RecordWriter(recordLength) {}

protected:
    void WriteBlock(const char*, int64_t) override {}
    void CloseFile() override {}
};

// Runs step, raising any failure of it as a refusal of that check and file.
template <class Step>
auto Refusing(RunCheck check, RunFile file, Step step) -> decltype(step()) {
    try {
        return step();
    } catch (const RunRefusal&) {
        throw;
    } catch (const MpException& failure) {
        throw RunRefusal(check, file, failure.GetErrorMessage());
    }
}

bool IsNamed(const char* name) { return name != nullptr && name[0] != '\0'; }

std::unique_ptr<LineReader> OpenInput(const ConversionSettings& settings, OpenedFiles& opened) {
    if (opened.input) {
        opened.input->SetBlankUnprintable(settings.blankUnprintable);
        return std::move(opened.input);
    }
    const char* name = settings.inputName.GetCString();
    if (MpPathInfo::Kind(name) == MpPathKind::Directory) {
        throw RunRefusal(RunCheck::InputIsFolder, RunFile::Input, "Input File is a folder, not a file");
    }
    return Refusing(RunCheck::InputNotOpened, RunFile::Input,
                    [&] { return OpenFileLineReader(name, settings.blankUnprintable); });
}

std::unique_ptr<CsvRecordBuilder> ReadLayout(const ConversionSettings& settings, DDFile* ddFile) {
    return Refusing(RunCheck::DDFile, RunFile::DDFile, [&] {
        std::unique_ptr<DDFile> ownFile;
        if (ddFile == nullptr) {
            ownFile = std::make_unique<DDFile>(settings.ddFileName.GetCString());
            ddFile = ownFile.get();
        }
        return std::make_unique<CsvRecordBuilder>(*ddFile, settings.recordLength, settings.fieldPositions,
                                                  settings.usePopulationFields, settings.delimiter,
                                                  CsvValueRules{settings.stopAtFirstCut, settings.refuseMisplacedValues,
                                                                settings.cutOnCharacters});
    });
}

// Whether the output is the file called name: a writer handed over knows its own file; an input
// handed over knows its own and is asked when the output is named.
bool OutputIsFile(const char* name, const ConversionSettings& settings, const RecordWriter* handedOver) {
    return handedOver ? handedOver->IsFile(name) : IsSameFile(settings.outputName.GetCString(), name);
}

void CheckOutputIsNoFile(const PreparedRun& run, const RecordWriter* handedOver,
                         const std::vector<MpString>& otherInputs) {
    const ConversionSettings& settings = run.settings;
    if (settings.dryRun) return;
    const bool sameAsInput = run.inputHandedOver
                                 ? handedOver == nullptr && run.input->IsFile(settings.outputName.GetCString())
                                 : OutputIsFile(settings.inputName.GetCString(), settings, handedOver);
    if (sameAsInput) {
        throw RunRefusal(RunCheck::OutputIsInput, RunFile::Output, "Output File and Input File are the same");
    }
    if (handedOver) {
        if (IsNamed(settings.ddFileName.GetCString()) && handedOver->IsFile(settings.ddFileName.GetCString())) {
            throw RunRefusal(RunCheck::OutputIsDDFile, RunFile::Output, "Output File and DD File are the same");
        }
        for (const MpString& other : otherInputs) {
            if (handedOver->IsFile(other.GetCString())) {
                throw RunRefusal(RunCheck::OutputIsInput, RunFile::Output, "Output File and Input File are the same");
            }
        }
        return;
    }
    CheckOutputIsNoInput(settings.outputName.GetCString(), nullptr, settings.ddFileName.GetCString(), otherInputs);
}

}  // namespace

std::unique_ptr<RecordWriter> PrepareOutput(const char* outputName, int32_t recordLength, bool createNew,
                                            int threads, int level) {
    try {
        return OpenFileRecordWriter(outputName, recordLength, createNew, threads, level);
    } catch (const RunRefusal&) {
        throw;
    } catch (const MpException& failure) {
        throw RunRefusal(RunCheck::OutputNotOpened, RunFile::Output, failure.GetErrorMessage());
    }
}

void OpenWithheldOutput(PreparedRun& run) {
    const ConversionSettings& settings = run.settings;
    run.output = PrepareOutput(settings.outputName.GetCString(), settings.recordLength, settings.createNew,
                               settings.threads, settings.level);
    run.output->SetRecordEnd(settings.recordEnd);
    run.output->ShareStop(run.stop);
    run.outputWithheld = false;
}

PreparedRun::PreparedRun() = default;
PreparedRun::PreparedRun(PreparedRun&&) noexcept = default;
PreparedRun& PreparedRun::operator=(PreparedRun&&) noexcept = default;
PreparedRun::~PreparedRun() = default;

void CheckOutputIsNoInput(const char* outputName, const char* inputName, const char* ddFileName,
                          const std::vector<MpString>& otherInputs) {
    bool sameAsInput = IsNamed(inputName) && IsSameFile(outputName, inputName);
    for (const MpString& other : otherInputs) sameAsInput = sameAsInput || IsSameFile(outputName, other.GetCString());
    if (sameAsInput) {
        throw RunRefusal(RunCheck::OutputIsInput, RunFile::Output, "Output File and Input File are the same");
    }
    if (IsNamed(ddFileName) && IsSameFile(outputName, ddFileName)) {
        throw RunRefusal(RunCheck::OutputIsDDFile, RunFile::Output, "Output File and DD File are the same");
    }
}

PreparedRun PrepareRun(const ConversionSettings& settings, OpenedFiles opened, DDFile* ddFile,
                       const std::vector<MpString>& otherInputs) {
    if (settings.recordLength < 1) {
        throw RunRefusal(RunCheck::RecordLength, RunFile::None, "Please specify a record length");
    }
    PreparedRun run;
    run.settings = settings;
    run.inputHandedOver = opened.input != nullptr;
    run.input = OpenInput(settings, opened);
    run.inputSize = run.input->InputSize();
    if (!settings.ddFileName.IsEmpty()) {
        if (!run.inputHandedOver) {
            TextLine header;
            Refusing(RunCheck::HeaderNotRead, RunFile::Input, [&] { return run.input->ReadLine(header); });
        }
        run.builder = ReadLayout(settings, ddFile);
    }
    CheckOutputIsNoFile(run, opened.output.get(), otherInputs);
    run.outputHandedOver = opened.output != nullptr;
    if (opened.output) {
        run.output = std::move(opened.output);
    } else if (settings.dryRun) {
        run.output = std::make_unique<DiscardingRecordWriter>(settings.recordLength);
    } else if (run.builder && !run.builder->EveryFieldFitsRecord()) {
        run.outputWithheld = true;
        run.output = std::make_unique<DiscardingRecordWriter>(settings.recordLength);
    } else {
        run.output = PrepareOutput(settings.outputName.GetCString(), settings.recordLength, settings.createNew,
                                   settings.threads, settings.level);
    }
    run.output->SetRecordEnd(settings.recordEnd);
    run.stop = std::make_shared<RunStop>();
    run.input->ShareStop(run.stop);
    run.output->ShareStop(run.stop);
    return run;
}

}  // namespace lathwell
