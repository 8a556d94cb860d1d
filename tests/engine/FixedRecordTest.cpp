// Reading fixed-length records back: finding them, checking them, unpacking them into CSV.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CheckRun.h"
#include "EngineTestSupport.h"
#include "FixedRecordReader.h"
#include "MpException.h"
#include "RecordChecker.h"
#include "RecordUnpacker.h"
#include "RoundTripCase.h"
#include "SampleDDFiles.h"
#include "TempDir.h"
#include "UnpackRun.h"

namespace lathwell {

namespace {

// kTwelveByteDD, ordinary layout: Name (text, 1-5), Age Group (numeric, 6-7), Deaths (Cases)
// (numeric, 8-11), byte 12 uncovered.
RecordLayout TwelveByteLayout(const TempDir& dir) {
    DDFile ddFile(dir.Write("twelve.dd", kTwelveByteDD).c_str());
    return ReadRecordLayout(ddFile, false, 12);
}

std::string Findings(const RecordChecker& checker, const FixedRecord& record) {
    std::vector<Finding> findings;
    checker.Check(record, findings);
    std::string text;
    for (const Finding& f : findings) text += std::to_string(f.record) + ":" + f.field + ": " + f.what + "|";
    return text;
}

}  // namespace

TEST(FixedRecordReader, FindsRecordsByTheirEndOrLengthAndTellsAWrongEnd) {
    const std::string overlong(65540, 'a');
    const struct {
        std::string bytes;
        RecordEnd end;
        const char* records;  // text, then "/" and the fault when there is one
    } cases[] = {
        {"abc\r\nde\r\nfgh\n", RecordEnd::CrLf, "abc|de|fgh/LfNotCrLf|"},
        {"abc\nab\rc\nabc\r\n", RecordEnd::Lf, "abc|ab\rc|abc/CrLfNotLf|"},
        {"abc\r\nxyz", RecordEnd::CrLf, "abc|xyz/Missing|"},
        {"abc\r\n\r\n", RecordEnd::CrLf, "abc||"},
        {"abcdefgh", RecordEnd::None, "abc|def|gh|"},
        {"", RecordEnd::CrLf, ""},
        {overlong + "\nabc\r\n", RecordEnd::CrLf, "65539 bytes, overlong|abc|"},
    };
    static const char* const kFaults[] = {"", "/LfNotCrLf", "/CrLfNotLf", "/Missing"};
    for (const auto& c : cases) {
        for (size_t block : {1, 2, 5, 1 << 20}) {
            FixedRecordReader reader(
                std::make_unique<BlockLineReader>(c.bytes, block, LoneCarriageReturn::EndsLine), 3, c.end);
            std::string records;
            FixedRecord record;
            for (int64_t number = 1; reader.Next(record); ++number) {
                ASSERT_EQ(record.number, number);
                records += record.overlong ? std::to_string(record.length) + " bytes, overlong"
                                           : std::string(record.bytes, record.length);
                records += std::string(kFaults[static_cast<int>(record.endFault)]) + "|";
            }
            EXPECT_EQ(records.substr(0, 80), c.records) << c.bytes.substr(0, 20) << " in blocks of " << block;
        }
    }
}

TEST(RecordChecker, ReportsEachFaultOfARecordOnce) {
    TempDir dir;
    const RecordChecker checker(TwelveByteLayout(dir));
    const struct {
        std::string bytes;
        RecordEndFault fault;
        const char* findings;
    } cases[] = {
        {"Ann  070012  ", RecordEndFault::None, ""},
        {"Ann  07      ", RecordEndFault::None, ""},  // a blank numeric field is an empty value
        {"Ann  070012  ", RecordEndFault::LfNotCrLf, "7:: record ends in LF, not CR LF|"},
        {"Ann  070012 ", RecordEndFault::Missing,
         "7:: record is 11 bytes, not 12|7:: record has no record end (the file ends)|"},
        {"Ann  0x0012  ", RecordEndFault::None,
         "7:Age Group: value \"0x\" has 'x' at position 7, not a digit|"},
        {"Ann  07   1  ", RecordEndFault::None,
         "7:Deaths (Cases): value \"   1\" has ' ' at position 8, not a digit|"},
        {"A\"n  070012  ", RecordEndFault::None, ""},  // a quote in a text comes back doubled in CSV
        {"A\tn  070-02 \x80", RecordEndFault::None,
         "7:Name: byte 0x09 at position 2 is not printable|"
         "7:Deaths (Cases): value \"0-02\" has '-' at position 9, not a digit|"},
        {"Ann  070012\x01 ", RecordEndFault::None, "7:: byte 0x01 at position 12 is not printable|"},
    };
    for (const auto& c : cases) {
        FixedRecord record;
        record.bytes = c.bytes.data();
        record.length = c.bytes.size() - 1;  // the last byte lies past the record
        record.endFault = c.fault;
        record.number = 7;
        EXPECT_EQ(Findings(checker, record), c.findings) << c.bytes;
    }
}

// Records of 16 bytes or more are checked many bytes at a time: one wrong byte anywhere in them
// must still be found, and only where the rules say it is wrong.
TEST(RecordChecker, FindsOneWrongByteAnywhereInALongRecord) {
    RecordLayout layout;
    layout.recordLength = 37;
    layout.fields = {{"Text", 1, 0, 10, false, {}}, {"Number", 2, 10, 9, true, {}}, {"Tail", 3, 19, 18, true, {}}};
    const RecordChecker checker(layout);
    const std::string clean = "Ann Smith 000001234" + std::string(18, '5') + "x";
    for (size_t at = 0; at < clean.size(); ++at) {
        for (char wrong : {'x', '\x01', ' '}) {
            std::string bytes = clean;
            bytes[at] = wrong;
            FixedRecord record;
            record.bytes = bytes.data();
            record.length = 37;
            record.number = 1;
            // Past the record nothing counts; in the text only an unprintable byte; in a number
            // anything but a digit.
            const bool found = at < 37 && (wrong == '\x01' || at >= 10);
            EXPECT_EQ(!Findings(checker, record).empty(), found) << "byte " << int(wrong) << " at " << at;
        }
    }
}

TEST(RecordUnpacker, TrimsTheFillAndQuotesWhatACsvReaderWouldMisread) {
    TempDir dir;
    const struct {
        const char* record;
        char delimiter;
        bool keepFill;
        const char* line;
    } cases[] = {
        {"Ann  070012 ", ',', false, "Ann,7,12\r\n"},
        {"Ann  070012 ", ',', true, "Ann  ,07,0012\r\n"},
        {"  A,b00     ", ',', false, "\"  A,b\",0,\r\n"},
        {"A\"b\r 000000 ", ',', false, "\"A\"\"b\r\",0,0\r\n"},
        {"A,b  070012 ", ';', false, "A,b;7;12\r\n"},
    };
    for (const auto& c : cases) {
        const RecordUnpacker unpacker(TwelveByteLayout(dir), c.delimiter, c.keepFill);
        std::string line(unpacker.LongestLine(), '\0');
        EXPECT_EQ(line.substr(0, unpacker.Unpack(c.record, &line[0])), c.line) << c.record;
        EXPECT_EQ(line.substr(0, unpacker.Header(&line[0])),
                  std::string("Name") + c.delimiter + "Age Group" + c.delimiter + "Deaths (Cases)\r\n");
    }
}

TEST(RecordLayout, RefusesAFieldThatEndsPastTheRecord) {
    TempDir dir;
    const std::string dd = "[FileInfo]\nRecordLength=4\n[Field1]\nFieldName=A\nLength=3\nByteOffset=3\n";
    DDFile ddFile(dir.Write("bad.dd", dd).c_str());
    try {
        ReadRecordLayout(ddFile, false, 4);
        ADD_FAILURE() << "no refusal";
    } catch (const MpException& e) {
        EXPECT_STREQ(e.GetErrorMessage(),
                     "Field \"A\" [Field1] cannot be placed in the record: it ends at byte 5, past "
                     "the record length 4.");
    }
}

TEST(RoundTrip, RandomCsvFilesConvertCheckCleanAndUnpackToTheirValues) {
    TempDir dir;
    std::mt19937 random(20261210);
    for (int round = 0; round < 250; ++round) {
        const RoundTripCase c =
            MakeRoundTripCase([&](size_t n) { return static_cast<size_t>(random() % n); });
        const std::string ddPath = dir.Write("round.dd", c.ddText);
        EXPECT_EQ(RoundTripFault(c, ddPath.c_str()), "") << c.ddText;
    }
}

TEST(CheckRun, CountsEveryFindingAndKeepsTheFirstOfEachKind) {
    const std::string bytes = "abc\r\nab\r\nabc\nab\r\nabc\r\n";
    FixedRecordReader reader(std::make_unique<BlockLineReader>(bytes, 4, LoneCarriageReturn::EndsLine), 3,
                             RecordEnd::CrLf);
    RecordLayout layout;
    layout.recordLength = 3;
    RecordingObserver observer;
    CheckSummary summary;
    CheckRecords(reader, RecordChecker(layout), 99, observer, 1, summary);
    EXPECT_EQ(summary.records, 5);
    EXPECT_EQ(summary.recordsWithFindings, 3);
    EXPECT_EQ(summary.counts, (std::array<int64_t, kFindingKinds>{2, 1, 0, 0}));  // by FindingKind
    ASSERT_EQ(summary.shown.size(), 2u);
    EXPECT_EQ(summary.shown[0].record, 2);
    EXPECT_EQ(summary.shown[1].record, 3);
    EXPECT_EQ(observer.startedWith, 99);
}

TEST(UnpackRun, StopsAtARecordItCannotReadAndDeletesTheOutputOfACancelledRun) {
    TempDir dir;
    const std::string good = "Ann  070012 \r\n";
    std::string many;
    for (int i = 0; i < 4096; ++i) many += good;
    const char* const header = "Name,Age Group,Deaths (Cases)\r\n";
    const struct {
        std::string bytes;
        int cancelAt;  // the question (one per block read) that asks to stop
        RunOutcome outcome;
        const char* message;
        int64_t failureRecord;
        std::string output;  // empty: no output file left
    } cases[] = {
        {good + "Bo   070012 \r\n", 0, RunOutcome::Completed, "", 0,
         header + std::string("Ann,7,12\r\nBo,7,12\r\n")},
        {good + "Bo   07012 \r\n", 0, RunOutcome::Failed, "record is 11 bytes, not 12", 2,
         header + std::string("Ann,7,12\r\n")},
        {many, 1, RunOutcome::Cancelled, "", 0, ""},
    };
    for (const auto& c : cases) {
        FixedRecordReader reader(
            std::make_unique<BlockLineReader>(c.bytes, 1 << 20, LoneCarriageReturn::EndsLine), 12,
            RecordEnd::CrLf);
        const RecordLayout layout = TwelveByteLayout(dir);
        UnpackSettings settings;
        settings.outputName = dir.File("out.csv").c_str();
        RecordingObserver observer(c.cancelAt);
        const UnpackResult result = UnpackRecords(reader, RecordUnpacker(layout, ',', false),
                                                  RecordChecker(layout), settings, nullptr, observer);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_STREQ(result.message.GetCString(), c.message);
        EXPECT_EQ(result.failureRecord, c.failureRecord);
        const bool kept = std::filesystem::exists(dir.Path() / "out.csv");
        EXPECT_EQ(kept ? TempDir::Read(dir.File("out.csv")) : "", c.output);
    }
}

}  // namespace lathwell
