#include "ConversionRun.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "DescriptorLineReader.h"
#include "DescriptorRecordWriter.h"
#include "EngineTestSupport.h"
#include "RunStatisticsTesting.h"
#include "SampleDDFiles.h"
#include "MpIO.h"
#include "MpAlloc.h"
#include "TempDir.h"
#include "SkipOnWindows.h"

namespace lathwell {

namespace {

// Every case runs on one thread and on several: the records, statistics and failures are the same.
class ConversionRunTest : public ::testing::TestWithParam<int> {
protected:
    ConversionRunTest() { settings.threads = GetParam(); }

    ConversionResult Run(const std::string& input, const char* inputName = "in.txt",
                         const char* outputName = "out.txd") {
        settings.inputName = dir.Write(inputName, input).c_str();
        settings.outputName = dir.File(outputName).c_str();
        return RunConversion(settings, observer);
    }
    ConversionResult RunCsv(const std::string& input, MpVector<int16_t> map, const std::string& dd = kTenByteDD) {
        settings.ddFileName = dir.Write("layout.dd", dd).c_str();
        settings.fieldPositions = map;
        return Run(input, "in.csv");
    }
    std::string Output(const char* name = "out.txd") { return TempDir::Read(dir.File(name)); }
    bool OutputExists(const char* name = "out.txd") { return std::filesystem::exists(dir.File(name)); }

    TempDir dir;
    ConversionSettings settings;
    RecordingObserver observer;
};

}  // namespace

TEST_P(ConversionRunTest, PadsAndTruncatesEveryLineAndCountsIt) {
    settings.recordLength = 5;
    ConversionResult result = Run("abcdefgh\nab\n\nabcde\r\nlast");
    EXPECT_EQ(RunOutcome::Completed, result.outcome);
    EXPECT_EQ(MpString(""), result.message);
    EXPECT_EQ("abcde\r\nab   \r\nabcde\r\nlast \r\n", Output());
    EXPECT_EQ(Counts(4, 2, 8, 3, 1, 2, 1, 0), result.statistics);
    EXPECT_TRUE(observer.failures.empty());
}

TEST_P(ConversionRunTest, EndsRecordsAsTheSettingsSay) {
    settings.recordLength = 3;
    for (auto [end, output] :
         {std::pair{RecordEnd::Lf, "ab \nabc\n"}, std::pair{RecordEnd::None, "ab abc"}}) {
        settings.recordEnd = end;
        Run("ab\nabcd\n");
        EXPECT_EQ(Output(), output);
    }
}

TEST_P(ConversionRunTest, InputWithoutTextWritesEmptyOutput) {
    settings.recordLength = 5;
    ConversionResult empty = Run("");
    EXPECT_EQ("", Output());
    EXPECT_EQ(Counts(0, 0, 0, 0, 0, 0, 0, 0), empty.statistics);
    EXPECT_TRUE(observer.positions.empty());
    ConversionResult blankLines = Run("\n\r\n\n");
    EXPECT_EQ(RunOutcome::Completed, blankLines.outcome);
    EXPECT_EQ("", Output());
    EXPECT_EQ(Counts(0, 0, 0, 0, 0, 0, 3, 0), blankLines.statistics);
}
TEST_P(ConversionRunTest, BlanksUnprintableBytesOnlyWhenAsked) {
    settings.recordLength = 3;
    ConversionResult kept = Run("a\tc\n", "in.txt", "kept.txd");
    EXPECT_EQ("a\tc\r\n", Output("kept.txd"));
    EXPECT_EQ(Counts(1, 3, 3, 0, 0, 0, 0, 0), kept.statistics);

    settings.blankUnprintable = true;
    ConversionResult blanked = Run("a\tc\n\xe9\x7f\nabc\n", "in.txt", "blanked.txd");
    EXPECT_EQ("a c\r\n   \r\nabc\r\n", Output("blanked.txd"));
    EXPECT_EQ(Counts(3, 2, 3, 2, 0, 1, 0, 2), blanked.statistics);
}

TEST_P(ConversionRunTest, LoneCarriageReturnInPlainInputStopsTheRunKeepingEarlierRecords) {
    settings.recordLength = 5;
    ConversionResult result = Run("ab\ncd\ref\ngh\n");
    const char* message = "Return character not followed by newline; unknown end of line type";
    EXPECT_EQ(RunOutcome::Failed, result.outcome);
    EXPECT_EQ(MpString(message), result.message);
    ASSERT_EQ(1u, observer.failures.size());
    EXPECT_EQ(message, observer.failures[0]);
    EXPECT_EQ("ab   \r\n", Output());
    EXPECT_EQ(Counts(1, 2, 2, 1, 0, 1, 0, 0), result.statistics);
}

TEST_P(ConversionRunTest, ReportsInputSizeAndConsumedBytes) {
    settings.recordLength = 5;
    Run("ab\r\ncde\n\nf");
    EXPECT_EQ(1, observer.startCalls);
    EXPECT_EQ(10, observer.startedWith);
    EXPECT_EQ((std::vector<int64_t>{10}), observer.positions);  // one block, then the end

    // A CSV whose first block came with its header: the second block's position counts both.
    std::string csv = "Count,Sex\n";
    while (csv.size() < 300000) csv += "7,M\n";
    observer.positions.clear();
    settings.recordLength = 10;
    RunCsv(csv, {1, 2});
    EXPECT_EQ((std::vector<int64_t>{static_cast<int64_t>(csv.size())}), observer.positions);
}

TEST_P(ConversionRunTest, ReadsAndWritesGzipByExtensionInAnyCase) {
    settings.recordLength = 7;
    const std::string text = "first\nsecond line\r\n\nthird\rfourth";
    WriteGzip(dir.File("in.txd.gz"), text);
    settings.inputName = dir.File("in.txd.gz").c_str();
    settings.outputName = dir.File("out.TXD.GZ").c_str();
    ConversionResult result = RunConversion(settings, observer);
    EXPECT_EQ(RunOutcome::Completed, result.outcome);
    // A lone CR ends a line in a gzip input (and fails in a plain one).
    EXPECT_EQ("first  \r\nsecond \r\nthird  \r\nfourth \r\n", ReadGzip(dir.File("out.TXD.GZ")));
    EXPECT_EQ(Counts(4, 5, 11, 4, 1, 3, 1, 0), result.statistics);
}

TEST_P(ConversionRunTest, PadsRecordsLongerThanSixtyFiveThousandBytes) {
    settings.recordLength = 70000;
    ConversionResult result = Run("a\nb\n");
    std::string blanks(69999, ' ');
    EXPECT_EQ("a" + blanks + "\r\nb" + blanks + "\r\n", Output());
    EXPECT_EQ(2, result.statistics.LinesPadded);
}

TEST_P(ConversionRunTest, ConvertsCsvLinesAfterTheHeader) {
    settings.recordLength = 10;
    ConversionResult result = RunCsv("Count,Sex,Other\n7,M,x\n\n1234,Female,y\n123,Male,z\n", {1, 2, -1});
    EXPECT_EQ(RunOutcome::Completed, result.outcome);
    EXPECT_EQ("007M      \r\n123Fema   \r\n123Male   \r\n", Output());
    EXPECT_EQ(Counts(3, 5, 13, 2, 0, 1, 1, 0), result.statistics);
    EXPECT_TRUE(observer.positions.empty());  // the one block was read with the header
}

TEST_P(ConversionRunTest, CsvLineWithTooFewColumnsStopsTheRunKeepingEarlierRecords) {
    settings.recordLength = 10;
    ConversionResult result = RunCsv("Count,Sex\n7,M\n8\n9,F\n", {1, 2});
    EXPECT_EQ(RunOutcome::Failed, result.outcome);
    EXPECT_EQ(MpString("No token 1 in \"8\" with delimiter \",\""), result.message);
    EXPECT_EQ("007M      \r\n", Output());
    // The failing line counts as processed and in the lengths, not in the other counters.
    EXPECT_EQ(Counts(2, 1, 3, 1, 0, 1, 0, 0), result.statistics);
}

TEST_P(ConversionRunTest, CsvFieldBeyondTheRecordWritesNoRecord) {
    settings.recordLength = 10;
    ConversionResult result = RunCsv("a,b\n1,2\n3,4\n", {1, 4});
    EXPECT_EQ(MpString("Field length extends beyond record length."), result.message);
    EXPECT_EQ("", Output());
    EXPECT_EQ(Counts(1, 3, 3, 0, 0, 0, 0, 0), result.statistics);
}

TEST_P(ConversionRunTest, CsvFieldWithoutPositionIsRefusedBeforeTheOutputIsOpened) {
    settings.recordLength = 10;
    ConversionResult result = RunCsv("a,b\n1,2\n", {1, 11}, kTenByteDD + std::string("[Field4]\nFieldName=Nowhere\nLength=4\n"));
    EXPECT_EQ(RunOutcome::Failed, result.outcome);
    EXPECT_EQ(MpString("Field \"Nowhere\" [Field4] cannot be placed in the record: its ByteOffset, 0, is below 1."),
              result.message);
    EXPECT_FALSE(OutputExists());
}

TEST_P(ConversionRunTest, CancelStopsAfterTheCurrentLineAndDeletesTheOutput) {
    settings.recordLength = 5;
    RecordingObserver cancelling(1);
    settings.inputName = dir.Write("in.txt", "a\nb\nc\nd\n").c_str();
    for (const char* output : {"out.txd", "out.txd.gz"}) {
        settings.outputName = dir.File(output).c_str();
        ConversionResult result = RunConversion(settings, cancelling);
        EXPECT_EQ(RunOutcome::Cancelled, result.outcome) << output;
        EXPECT_FALSE(OutputExists(output)) << output;
        EXPECT_EQ(Counts(1, 1, 1, 1, 0, 1, 0, 0), result.statistics);
        cancelling.positions.clear();
    }
    // A device the run only wrote to stays (here a link to one, which a delete would remove).
    LATHWELL_SKIP_ON_WINDOWS("the rest needs a symbolic link to /dev/null");
    std::filesystem::create_symlink("/dev/null", dir.File("device"));
    settings.outputName = dir.File("device").c_str();
    EXPECT_EQ(RunOutcome::Cancelled, RunConversion(settings, cancelling).outcome);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("device")));
}

TEST_P(ConversionRunTest, CancelDuringAFailingLineStillDeletesTheOutput) {
    settings.recordLength = 10;
    settings.ddFileName = dir.Write("layout.dd", kTenByteDD).c_str();
    settings.fieldPositions = MpVector<int16_t>{1, 2};
    settings.inputName = dir.Write("in.csv", "Count,Sex\n7,M\n8\n").c_str();
    settings.outputName = dir.File("out.txd").c_str();
    // The question after the failure is the first: the input's one block went with the header.
    RecordingObserver cancelling(1);
    ConversionResult result = RunConversion(settings, cancelling);
    EXPECT_EQ(RunOutcome::Cancelled, result.outcome);
    EXPECT_EQ(MpString("No token 1 in \"8\" with delimiter \",\""), result.message);
    EXPECT_FALSE(OutputExists());
}

TEST_P(ConversionRunTest, FullDiskIsAFailureNeverASuccess) {
    LATHWELL_SKIP_ON_WINDOWS("there is no full device (/dev/full)");
    settings.recordLength = 10;
    settings.inputName = dir.Write("in.txt", "a\nb\nc\n").c_str();
    settings.outputName = "/dev/full";
    ConversionResult result = RunConversion(settings, observer);
    EXPECT_EQ(RunOutcome::Failed, result.outcome);
    // The message counts the bytes of the records: three of 10 bytes and CR LF.
    EXPECT_EQ(MpString("Unable to write 36 bytes at offset 0 of file \"/dev/full\" -- No space left on device"), result.message);
    EXPECT_EQ(3, result.statistics.LinesProcessed);
}

TEST_P(ConversionRunTest, FullDiskThroughGzipIsAFailure) {
    LATHWELL_SKIP_ON_WINDOWS("there is no full device (/dev/full)");
    settings.recordLength = 10;
    settings.inputName = dir.Write("in.txt", "a\nb\nc\n").c_str();
    std::filesystem::create_symlink("/dev/full", dir.File("full.gz"));
    settings.outputName = dir.File("full.gz").c_str();
    ConversionResult result = RunConversion(settings, observer);
    EXPECT_EQ(RunOutcome::Failed, result.outcome);
    EXPECT_EQ(MpString(("Could not finish compressed file \"" + dir.File("full.gz") +
                        "\" -- No space left on device").c_str()),
              result.message);
}

TEST_P(ConversionRunTest, RefusesAnOutputThatIsTheInputOrTheDDFileUnderAnotherName) {
    LATHWELL_SKIP_ON_WINDOWS("symbolic links need a privilege on Windows");
    settings.recordLength = 10;
    std::filesystem::create_directory(dir.File("sub"));
    ConversionResult sameInput = Run("keep me\n", "in.txt", "sub/../in.txt");
    EXPECT_EQ(MpString("Output File and Input File are the same"), sameInput.message);
    EXPECT_EQ("keep me\n", TempDir::Read(dir.File("in.txt")));

    ConversionResult sameDD = RunCsv("a,b\n1,M\n", {1, 2});
    EXPECT_EQ(RunOutcome::Completed, sameDD.outcome);
    std::filesystem::create_symlink(dir.File("layout.dd"), dir.File("link.dd"));
    settings.outputName = dir.File("link.dd").c_str();
    ConversionResult result = RunConversion(settings, observer);
    EXPECT_EQ(MpString("Output File and DD File are the same"), result.message);
    EXPECT_EQ(std::string(kTenByteDD), TempDir::Read(dir.File("layout.dd")));
}

TEST_P(ConversionRunTest, FailsToOpenWhatIsNotThere) {
    settings.recordLength = 10;
    const struct {
        const char* input;
        const char* output;
        std::string message;
    } cases[] = {
        {"missing.gz", "out.txd", "Error in opening file '" + dir.File("missing.gz") + "'.  No such file or directory."},
        {"missing.txt", "out.txd", "Error in opening file '" + dir.File("missing.txt") + "'.  No such file or directory."},
        {"in.txt", "no/such/out.txd",
         "Error in opening file '" + dir.File("no/such/out.txd") + "'.  No such file or directory."},
    };
    dir.Write("in.txt", "x\n");
    for (const auto& c : cases) {
        settings.inputName = dir.File(c.input).c_str();
        settings.outputName = dir.File(c.output).c_str();
        ConversionResult result = RunConversion(settings, observer);
        EXPECT_EQ(RunOutcome::Failed, result.outcome) << c.input;
        EXPECT_EQ(MpString(c.message.c_str()), result.message);
    }
}

// Asks at the first line whether another opener could lock the output now.
class OutputLockProbe : public RecordingObserver {
public:
    explicit OutputLockProbe(std::string output) : m_output(std::move(output)) {}
    bool CancelRequested(int64_t bytesConsumed) override {
        MpIO other(m_output.c_str(), IO_READ | IO_WRITE);
        if (positions.empty()) otherCouldLock = other.TryLock(IO_LOCK_WRITE, 0, 0);
        return RecordingObserver::CancelRequested(bytesConsumed);
    }
    bool otherCouldLock = true;

private:
    std::string m_output;
};

TEST_P(ConversionRunTest, OutputIsHeldForTheWholeRunAndANewOneIsCreatedExclusively) {
    settings.recordLength = 2;
    settings.inputName = dir.Write("in.txt", "a\nb\n").c_str();
    for (const char* output : {"out.txd", "out.gz"}) {
        const std::string name = dir.File(output);
        settings.outputName = name.c_str();
        settings.createNew = false;
        dir.Write(output, "another run's records");
        {
            MpIO anotherRun(name.c_str(), IO_READ | IO_WRITE);
            ASSERT_TRUE(anotherRun.TryLock(IO_LOCK_WRITE, 0, 0));
            EXPECT_EQ(MpString(("Output File \"" + name + "\" is in use by another program").c_str()),
                      RunConversion(settings, observer).message);
        }
        settings.createNew = true;
        EXPECT_EQ(MpString(("Output File \"" + name + "\" already exists").c_str()),
                  RunConversion(settings, observer).message);
        EXPECT_EQ("another run's records", TempDir::Read(name));

        std::filesystem::remove(name);
        OutputLockProbe probe(name);
        EXPECT_EQ(RunOutcome::Completed, RunConversion(settings, probe).outcome) << output;
        EXPECT_FALSE(probe.otherCouldLock) << output;
    }
    EXPECT_EQ("a \r\nb \r\n", Output());
}

TEST_P(ConversionRunTest, RecordLengthBelowOneFails) {
    settings.recordLength = 0;
    ConversionResult result = Run("x\n");
    EXPECT_EQ(RunOutcome::Failed, result.outcome);
    EXPECT_EQ(MpString("Please specify a record length"), result.message);
}

TEST_P(ConversionRunTest, CsvRunGoesOnWhereTheCallersReaderLeftTheHeader) {
    settings.recordLength = 10;
    settings.ddFileName = dir.Write("layout.dd", kTenByteDD).c_str();
    settings.fieldPositions = MpVector<int16_t>{1, 2};
    settings.blankUnprintable = true;
    // The run must neither open the input by its name nor skip a second header line.
    settings.inputName = dir.File("missing.csv").c_str();
    settings.outputName = dir.File("out.txd").c_str();
    const std::string input = "Count\t,Sex\n7,M\t\n8,F\n";
    FileDescriptor file(dir.Write("in.csv", input), O_RDONLY);
    OpenedFiles opened;
    opened.input = std::make_unique<DescriptorLineReader>(file.Get(), "standard input", false);
    TextLine header;
    ASSERT_TRUE(opened.input->ReadLine(header));
    EXPECT_EQ("Count\t,Sex", std::string(header.text, static_cast<size_t>(header.length)));

    ConversionResult result = RunConversion(settings, std::move(opened), observer);
    EXPECT_EQ(RunOutcome::Completed, result.outcome);
    EXPECT_EQ(MpString(""), result.message);
    // The run switched blanking on for the data lines.
    EXPECT_EQ("007M      \r\n008F      \r\n", Output());
    EXPECT_EQ(Counts(2, 3, 4, 2, 0, 2, 0, 0), result.statistics);
    EXPECT_EQ(static_cast<int64_t>(input.size()), observer.startedWith);
    EXPECT_TRUE(observer.positions.empty());  // the caller's reader read the one block
}

TEST_P(ConversionRunTest, CancelOrFailureNeverDeletesAnOutputHandedOver) {
    settings.recordLength = 3;
    settings.inputName = dir.Write("in.txt", "a\nb\nc\n").c_str();
    // The settings' output name is not the output; a cancel must not delete it.
    settings.outputName = dir.Write("keep.txd", "keep me").c_str();
    FileDescriptor records(dir.Write("records.txd", ""), O_WRONLY);
    OpenedFiles opened;
    opened.output = std::make_unique<DescriptorRecordWriter>(records.Get(), "standard output", 3);
    RecordingObserver cancelling(1);
    ConversionResult cancelled = RunConversion(settings, std::move(opened), cancelling);
    EXPECT_EQ(RunOutcome::Cancelled, cancelled.outcome);
    EXPECT_EQ(MpString(""), cancelled.message);
    EXPECT_EQ("keep me", Output("keep.txd"));
    EXPECT_EQ("a  \r\n", Output("records.txd"));

    settings.inputName = dir.Write("bad.txt", "d\ne\rf\n").c_str();
    opened.output = std::make_unique<DescriptorRecordWriter>(records.Get(), "standard output", 3);
    ConversionResult failed = RunConversion(settings, std::move(opened), observer);
    EXPECT_EQ(RunOutcome::Failed, failed.outcome);
    EXPECT_EQ("keep me", Output("keep.txd"));
    EXPECT_EQ("a  \r\nd  \r\n", Output("records.txd"));
}

TEST_P(ConversionRunTest, RefusesToOverwriteTheFileBehindAReaderOrWriterHandedOver) {
    settings.recordLength = 10;
    const std::string input = dir.Write("in.txt", "keep me\n");
    std::filesystem::create_directory(dir.File("sub"));
    FileDescriptor reading(input, O_RDONLY);
    OpenedFiles opened;
    opened.input = std::make_unique<DescriptorLineReader>(reading.Get(), "standard input", false);
    settings.outputName = dir.File("sub/../in.txt").c_str();
    ConversionResult sameInput = RunConversion(settings, std::move(opened), observer);
    EXPECT_EQ(MpString("Output File and Input File are the same"), sameInput.message);

    FileDescriptor appending(input, O_WRONLY | O_APPEND);
    settings.inputName = input.c_str();
    settings.outputName = dir.File("unused.txd").c_str();
    opened.output = std::make_unique<DescriptorRecordWriter>(appending.Get(), "standard output", 10);
    ConversionResult sameOutput = RunConversion(settings, std::move(opened), observer);
    EXPECT_EQ(MpString("Output File and Input File are the same"), sameOutput.message);
    EXPECT_EQ("keep me\n", TempDir::Read(input));

    settings.ddFileName = dir.Write("layout.dd", kTenByteDD).c_str();
    settings.fieldPositions = MpVector<int16_t>{1, 2};
    settings.inputName = dir.Write("in.csv", "a,b\n1,M\n").c_str();
    FileDescriptor ddFile(dir.File("layout.dd"), O_WRONLY | O_APPEND);
    opened.output = std::make_unique<DescriptorRecordWriter>(ddFile.Get(), "standard output", 10);
    ConversionResult sameDD = RunConversion(settings, std::move(opened), observer);
    EXPECT_EQ(MpString("Output File and DD File are the same"), sameDD.message);
    EXPECT_EQ(std::string(kTenByteDD), TempDir::Read(dir.File("layout.dd")));
    EXPECT_FALSE(OutputExists("unused.txd"));
}

TEST_P(ConversionRunTest, LineLimitEndsTheRunAfterThatManyDataLinesEmptyOnesIncluded) {
    settings.recordLength = 3;
    settings.lineLimit = 2;
    ConversionResult pad = Run("a\n\nb\n");
    EXPECT_EQ(RunOutcome::Completed, pad.outcome);
    EXPECT_EQ("a  \r\n", Output());
    EXPECT_EQ(Counts(1, 1, 1, 1, 0, 1, 1, 0), pad.statistics);

    settings.recordLength = 10;
    ConversionResult csv = RunCsv("Count,Sex\n7,M\n8,F\n9,M\n", {1, 2});
    EXPECT_EQ(RunOutcome::Completed, csv.outcome);
    EXPECT_EQ("007M      \r\n008F      \r\n", Output());
}

TEST_P(ConversionRunTest, DryRunCountsEverythingAndLeavesTheOutputAlone) {
    settings.recordLength = 10;
    settings.dryRun = true;
    ConversionResult missing = RunCsv("Count,Sex\n7,M\n1234,F\n", {1, 2});
    EXPECT_EQ(RunOutcome::Completed, missing.outcome);
    EXPECT_FALSE(OutputExists());
    EXPECT_EQ(Counts(2, 3, 6, 2, 0, 2, 0, 0), missing.statistics);
    ASSERT_EQ(1u, missing.fieldCuts.size());
    EXPECT_EQ(3, missing.fieldCuts[0].firstLine);

    dir.Write("out.txd", "keep me");
    settings.ddFileName = "";
    RecordingObserver cancelling(1);
    settings.inputName = dir.File("in.csv").c_str();
    ConversionResult cancelled = RunConversion(settings, cancelling);
    EXPECT_EQ(RunOutcome::Cancelled, cancelled.outcome);
    EXPECT_EQ("keep me", Output());
}

TEST_P(ConversionRunTest, CsvColumnsSplitAtTheChosenDelimiter) {
    settings.recordLength = 10;
    const struct {
        char delimiter;
        const char* input;
        const char* output;
        const char* message;
    } cases[] = {
        {';', "Count;Sex\n7;M\n\"8;9\";F,x\n", "007M      \r\n8;9F,x    \r\n", ""},
        {'\t', "Count\tSex\n7\tM\n8,F\n", "007M      \r\n", "No token 1 in \"8,F\" with delimiter \"\t\""},
    };
    for (const auto& c : cases) {
        settings.delimiter = c.delimiter;
        ConversionResult result = RunCsv(c.input, {1, 2});
        EXPECT_EQ(c.output, Output()) << c.input;
        EXPECT_EQ(MpString(c.message), result.message) << c.input;
    }
}

TEST_P(ConversionRunTest, FailureNamesTheInputLineItCameFrom) {
    const struct {
        const char* input;
        int16_t csvSection;  // section of the second column; 0: a pad run
        const char* output;
        int64_t line;
    } cases[] = {
        {"ab\n\ncd\ref\n", 0, "in.txd", 3},
        {"Count,Sex\n7,M\n\n8\n", 2, "in.txd", 4},
        {"Count,Sex\n7,M\n", 99, "in.txd", 0},  // the DD file fails after the header was read
        {"ab\n", 0, "/dev/full", 0},
    };
    settings.recordLength = 10;
    for (const auto& c : cases) {
#ifdef _WIN32
        if (std::string(c.output) == "/dev/full") continue;  // there is no full device
#endif
        settings.ddFileName = c.csvSection > 0 ? dir.Write("layout.dd", kTenByteDD).c_str() : "";
        settings.fieldPositions = MpVector<int16_t>{1, c.csvSection};
        settings.inputName = dir.Write("in.txt", c.input).c_str();
        settings.outputName = c.output[0] == '/' ? c.output : dir.File(c.output).c_str();
        ConversionResult result = RunConversion(settings, observer);
        EXPECT_EQ(RunOutcome::Failed, result.outcome) << c.input;
        EXPECT_EQ(c.line, result.failureLine) << c.input;
    }
}

TEST_P(ConversionRunTest, CutValuesAreCountedPerFieldOrRefusedWhenAsked) {
    settings.recordLength = 10;
    ConversionResult counted = RunCsv("Sex,Count\nFemale,7\nM,1234\n\nMale,12345\n", {2, 1});
    EXPECT_EQ(RunOutcome::Completed, counted.outcome);
    ASSERT_EQ(2u, counted.fieldCuts.size());
    const FieldCut expected[] = {{1, 2, 3}, {2, 1, 2}};
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(expected[i].sectionIndex, counted.fieldCuts[i].sectionIndex) << i;
        EXPECT_EQ(expected[i].count, counted.fieldCuts[i].count) << i;
        EXPECT_EQ(expected[i].firstLine, counted.fieldCuts[i].firstLine) << i;
    }

    settings.stopAtFirstCut = true;
    ConversionResult refused = RunCsv("Count,Sex\n7,M\n1234,F\n", {1, 2});
    EXPECT_EQ(RunOutcome::Failed, refused.outcome);
    EXPECT_EQ(MpString("Value \"1234\" is longer than the 3 bytes of field \"Count\" [Field1]."),
              refused.message);
    EXPECT_EQ(3, refused.failureLine);
    EXPECT_EQ("007M      \r\n", Output());
}

TEST_P(ConversionRunTest, NoMemoryForALongLineIsTheLibrarysMemoryFailure) {
    settings.recordLength = 5;
    // The size asked for is that of the one thread's reader, whose buffer holds the line before.
    settings.threads = 1;
    MpAllocationFailureScope failing(1 << 20);
    ConversionResult result = Run("ok\n" + std::string(3 << 20, 'x'));
    EXPECT_EQ(RunOutcome::Failed, result.outcome);
    EXPECT_STREQ("Could not reallocate chunk - tried to allocate 1179645 bytes.",
                 result.message.GetCString());
    EXPECT_EQ(2, result.failureLine);
    EXPECT_EQ("ok   \r\n", Output());
}

// Inputs of many blocks, with lines cut, padded, blanked, empty, ended by CR LF, with text after
// a closing quote, one longer than a block, and one failing near the end: what the test's
// threads write, count and report is what one thread does.
TEST_P(ConversionRunTest, InputsOfManyBlocksGiveWhatOneThreadGives) {
    std::string csv = "Count,Sex\n";
    std::string text;
    for (int i = 0; i < 200000; ++i) {
        const std::string count = std::to_string(i % 1500);
        csv += i % 977 == 0 ? "\n" : count + (i % 3001 == 0 ? ",\"F\"x\r\n" : ",Female\n");
        text += std::string(static_cast<size_t>(i % 23), static_cast<char>('a' + i % 26)) +
                (i % 5 == 0 ? "\t\xe9\r\n" : "\n");
    }
    const struct {
        const char* name;
        std::string input;
        bool csv;
        int64_t failureLine;
    } cases[] = {
        {"pad", text, false, 0},
        {"pad, a line longer than a block", text.substr(0, 500000) + std::string(700000, 'x') + text, false, 0},
        {"csv", csv, true, 0},
        {"csv failing", csv + "7\n" + csv, true, 200002},
    };
    for (const auto& c : cases) {
        ConversionResult results[2];
        std::string outputs[2];
        for (int run = 0; run < 2; ++run) {
            settings.threads = run == 0 ? 1 : GetParam();
            settings.recordLength = 10;
            settings.blankUnprintable = !c.csv;
            settings.ddFileName = "";
            results[run] = c.csv ? RunCsv(c.input, {1, 2}) : Run(c.input);
            outputs[run] = Output();
        }
        const ConversionResult& one = results[0];
        const ConversionResult& many = results[1];
        EXPECT_EQ(c.failureLine, many.failureLine) << c.name;
        EXPECT_EQ(one.failureLine, many.failureLine) << c.name;
        EXPECT_EQ(one.outcome, many.outcome) << c.name;
        EXPECT_EQ(one.message, many.message) << c.name;
        EXPECT_EQ(one.statistics, many.statistics) << c.name;
        EXPECT_TRUE(outputs[0] == outputs[1]) << c.name << ": " << outputs[0].size() << " bytes, " << outputs[1].size();
        EXPECT_EQ(c.csv, !many.fieldCuts.empty()) << c.name;
        ASSERT_EQ(one.fieldCuts.size(), many.fieldCuts.size()) << c.name;
        for (size_t i = 0; i < one.fieldCuts.size(); ++i) {
            EXPECT_EQ(one.fieldCuts[i].count, many.fieldCuts[i].count) << c.name;
            EXPECT_EQ(one.fieldCuts[i].firstLine, many.fieldCuts[i].firstLine) << c.name;
        }
        EXPECT_EQ(one.textAfterQuote.count, many.textAfterQuote.count) << c.name;
        EXPECT_EQ(one.textAfterQuote.firstLine, many.textAfterQuote.firstLine) << c.name;
    }
}

#ifndef _WIN32  // a FIFO is Linux's
// An input whose writer holds it open and sends nothing more: the observer is still asked while
// the read waits, and its cancel ends the run, plain or gzip.
TEST_P(ConversionRunTest, CancelEndsARunWaitingForSilentInput) {
    settings.recordLength = 5;
    WriteGzip(dir.File("sent.gz"), "ab\n");
    const struct {
        const char* input;
        std::string sent;
    } cases[] = {{"in.txt", "ab\n"}, {"in.gz", TempDir::Read(dir.File("sent.gz"))}};
    for (const auto& c : cases) {
        const std::string fifo = dir.File(c.input);
        ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
        // Read-write, so that opening it waits for no reader, and it stays open with nothing more.
        FileDescriptor writer(fifo, O_RDWR);
        ASSERT_EQ(static_cast<ssize_t>(c.sent.size()), write(writer.Get(), c.sent.data(), c.sent.size()));
        settings.inputName = fifo.c_str();
        settings.outputName = dir.File("out.txd").c_str();
        RecordingObserver cancelling(3);
        ConversionResult result = RunConversion(settings, cancelling);
        EXPECT_EQ(RunOutcome::Cancelled, result.outcome) << c.input;
        EXPECT_EQ(MpString(""), result.message) << c.input;
        EXPECT_EQ(3u, cancelling.positions.size()) << c.input;
        EXPECT_FALSE(OutputExists()) << c.input;
    }
}
#endif

INSTANTIATE_TEST_SUITE_P(Threads, ConversionRunTest, ::testing::Values(1, 2, 7));

TEST(RunStatistics, CountStopsAtTheLargestValueInsteadOfOverflowing) {
    int32_t counter = INT32_MAX - 1;
    CountOne(counter);
    EXPECT_EQ(INT32_MAX, counter);
    CountOne(counter);
    EXPECT_EQ(INT32_MAX, counter);
    int32_t added = 5;
    AddCount(added, INT64_C(3) << 40);  // a run's 64-bit count of lines
    EXPECT_EQ(INT32_MAX, added);
    AddCount(added, 1);
    EXPECT_EQ(INT32_MAX, added);
}

}  // namespace lathwell
