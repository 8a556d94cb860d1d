#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "CliTestSupport.h"
#include "SampleDDFiles.h"

namespace lathwell::cli {

namespace {

// The DD file is kTwelveByteDD (SampleDDFiles.h).
const char* const kCsv = "name,AGE GROUP,Deaths,Notes\nBob,3,12,x\nAlexandra,,7,y\n";

class CliCsv : public CliThreadsTest {
protected:
    void SetUp() override {
        Write("t.dd", kTwelveByteDD);
        Write("t.csv", kCsv);
    }
};

void WriteGzip(const std::string& path, const std::string& text) {
    gzFile file = gzopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(gzwrite(file, text.data(), static_cast<unsigned>(text.size())), static_cast<int>(text.size()));
    ASSERT_EQ(gzclose(file), Z_OK);
}

}  // namespace

TEST_P(CliCsv, MatchesHeadersAutomaticallyThenAppliesMaps) {
    CliOutcome outcome =
        Run({"csv", "t.csv", "out.txd", "--dd", "t.dd", "--map", "Deaths=deaths (CASES)", "--json"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    RunNotes notes;
    notes.warnings = {"t.csv: column 'Notes' is matched with no DD field; its values are left out",
                      "t.csv:3: 1 value cut to the length of field 'Name' (the first on this line)"};
    EXPECT_EQ(outcome.out, StatisticsJson(12, Counts(2, 10, 14, 2, 0, 2, 0, 0), nullptr, notes));
    EXPECT_EQ(Read("out.txd"), "Bob  030012 \r\nAlexa  0007 \r\n");
}

TEST_P(CliCsv, ColumnsByNumberFieldsBySectionAndLaterOverridesWin) {
    CliOutcome outcome = Run({"csv", "t.csv", "out.txd", "--dd", "t.dd", "--quiet", "--map", "#3=@4",
                              "--ignore", "AGE GROUP", "--map", "Notes=Age Group", "--ignore", "#4"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out + outcome.err, "");
    EXPECT_EQ(Read("out.txd"), "Bob    0012 \r\nAlexa  0007 \r\n");
}

TEST_P(CliCsv, PopulationFieldsUseTheirOffsetsAndRecordLength) {
    Write("pop.csv", "Name,Population\nBob,5\n");
    CliOutcome outcome = Run({"csv", "pop.csv", "-", "--dd", "t.dd", "--population", "--map",
                              "Population=population (populations)", "--quiet"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "Bob  0005\r\n");
    EXPECT_EQ(outcome.err, "");
}

TEST_P(CliCsv, GzipAndStandardInputGiveTheSameRecords) {
    WriteGzip(dir_.File("t.CSV.GZ"), kCsv);
    const std::string records = "Bob  030012 \r\nAlexa  0007 \r\n";
    CliOutcome packed = Run({"csv", "t.CSV.GZ", "-", "--dd", "t.dd", "--map", "#3=@4", "--quiet"});
    EXPECT_EQ(packed.status, 0);
    EXPECT_EQ(packed.out, records);
    CliOutcome piped = Run({"csv", "-", "-", "--dd", "t.dd", "--map", "#3=@4", "--quiet"}, kCsv);
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, records);
    EXPECT_EQ(packed.err + piped.err, "");
}

TEST_P(CliCsv, FailureMidwayKeepsEarlierRecordsAndReportsTheStatistics) {
    Write("short.csv", "name,AGE GROUP\nBob,3\nJo\nAl,4\n");
    CliOutcome outcome = Run({"csv", "short.csv", "out.txd", "--dd", "t.dd"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "lathwell-cli: short.csv:3: No token 1 in \"Jo\" with delimiter \",\"\n" +
                               StatisticsText(12, Counts(2, 2, 5, 1, 0, 1, 0, 0)));
    EXPECT_EQ(Read("out.txd"), "Bob  03     \r\n");
}

TEST_P(CliCsv, BlankHeadersAreReportedAndNeverMatched) {
    Write("blank.csv", "Name, ,Deaths (Cases)\nBob,x,1\n");
    CliOutcome outcome = Run({"csv", "blank.csv", "-", "--dd", "t.dd", "--quiet"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "Bob    0001 \r\n");
    const std::string warning =
        "lathwell-cli: Blank Column Header found in input file. '<Blank>' used as field name.\n";
    EXPECT_EQ(outcome.err, warning);

    CliOutcome refused = Run({"csv", "blank.csv", "-", "--dd", "t.dd", "--map", "#2=Name"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, warning + "lathwell-cli: Column #2 has a blank header and cannot be matched\n");
}

TEST_P(CliCsv, RefusalsWriteNothing) {
    Write("one.dd", "[FileInfo]\nRecordLength=12\n");
    Write("zero.dd", "[FileInfo]\nRecordLength=0\n[Field1]\nFieldName=Name\n");
    Write("bom.dd", "\xEF\xBB\xBF[FileInfo]\nRecordLength=12\n[Field1]\nFieldName=Name\nLength=5\nByteOffset=1\n");
    Write("nopop.dd", "[FileInfo]\nRecordLength=12\n[Field1]\nFieldName=Name\nLength=5\nByteOffset=1\n");
    Write("single.csv", "Name\nBob\n");
    Write("unmatched.csv", "Name,Other\nBob,1\n");
    Write("twice.csv", "A,A,Name\n1,2,3\n");
    Write("dup.dd",
          "[FileInfo]\nRecordLength=12\n[Field1]\nFieldName=Name\nLength=1\nByteOffset=1\n"
          "[Field2]\nFieldName=NAME\nLength=1\nByteOffset=2\n");
    struct Case {
        std::vector<std::string> extra;
        std::string message;
    };
    const std::string atLeastTwo =
        "At least two fields in the Input File must be matched with corresponding fields from the DD File.  "
        "Please set field positions.";
    const Case cases[] = {
        {{"t.csv", "new.txd", "--dd", "none.dd"}, "none.dd: DD File Does Not Exist"},
        {{"t.csv", "new.txd", "--dd", "one.dd"}, "one.dd: Invalid DD file."},
        {{"t.csv", "new.txd", "--dd", "zero.dd"}, "zero.dd: Invalid DD File"},
        {{"t.csv", "new.txd", "--dd", "bom.dd"}, "bom.dd: Invalid DD file (it begins with a UTF-8 byte order mark; save it without one)."},
        {{"t.csv", "new.txd", "--dd", "nopop.dd", "--population"},
         "nopop.dd: The DD File has no population fields (PopRecordLength is 0)"},
        {{"single.csv", "new.txd", "--dd", "t.dd"}, "single.csv: The Input File is not a valid CSV file."},
        {{"-", "new.txd", "--dd", "t.dd"}, "standard input: The Input File is not a valid CSV file."},
        {{"unmatched.csv", "new.txd", "--dd", "t.dd"}, atLeastTwo},
        {{"t.csv", "new.txd", "--dd", "t.dd", "--ignore", "name"}, atLeastTwo},
        {{"t.csv", "new.txd", "--dd", "t.dd", "--map", "Zip=Name"}, "No column is headed 'Zip'"},
        {{"t.csv", "new.txd", "--dd", "t.dd", "--map", "#5=Name"}, "No column #5 (the header has 4 columns)"},
        {{"t.csv", "new.txd", "--dd", "t.dd", "--map", "Notes=Nothing"},
         "The DD File offers no field named 'Nothing'"},
        {{"t.csv", "new.txd", "--dd", "t.dd", "--map", "Notes=@3"},
         "The DD File offers no field in section @3"},
        {{"twice.csv", "new.txd", "--dd", "t.dd", "--map", "A=Name"},
         "More than one column is headed 'A'; name it by number (#N)"},
        {{"t.csv", "new.txd", "--dd", "dup.dd", "--map", "Notes=name"},
         "More than one DD field is named 'name'; name it by section (@J)"},
        {{"t.csv", "t.dd", "--dd", "t.dd", "--force"}, "t.dd: Output File and Input File are the same"},
        {{"t.csv", "new.txd", "--dd", "t.dd", "--population", "--blank-unprintable"}, atLeastTwo},
        {{"t.csv", "new.txd", "--dd", "t.dd", "--map", "#3=@4", "--strict"},
         "t.csv: columns matched with no DD field (--strict): 'Notes'; match them with --map or leave them "
         "out with --ignore"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> arguments{"csv"};
        arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
        ExpectRefused(Run(arguments), c.message);
    }
    EXPECT_FALSE(Exists("new.txd"));
    EXPECT_FALSE(Exists("none.dd"));
    EXPECT_EQ(Read("t.dd"), kTwelveByteDD);
}

TEST_P(CliCsv, AByteOrderMarkAndUnmatchedColumnsAreWarnedOf) {
    Write("bom.csv", std::string("\xEF\xBB\xBF") + kCsv);
    CliOutcome outcome = Run({"csv", "bom.csv", "out.txd", "--dd", "t.dd", "--map", "#3=@4"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(
        outcome.err,
        "lathwell-cli: warning: bom.csv: the header starts with a UTF-8 byte order mark; it was removed\n"
        "lathwell-cli: warning: bom.csv: column 'Notes' is matched with no DD field; its values are left "
        "out\n"
        "lathwell-cli: warning: bom.csv:3: 1 value cut to the length of field 'Name' (the first on this "
        "line)\n" +
            StatisticsText(12, Counts(2, 10, 14, 2, 0, 2, 0, 0)));
    EXPECT_EQ(Read("out.txd"), "Bob  030012 \r\nAlexa  0007 \r\n");
    CliOutcome quiet =
        Run({"csv", "bom.csv", "-", "--dd", "t.dd", "--map", "#3=@4", "-q", "--ignore", "Notes"});
    EXPECT_EQ(quiet.out, "Bob  030012 \r\nAlexa  0007 \r\n");
    EXPECT_EQ(quiet.err, "");
}

// Needs the engine's per-field cut counts, stop at the first cut and failure lines.
TEST_P(CliCsv, CutValuesAreCountedPerFieldAndStrictStopsAtTheFirst) {
    Write("cut.csv", "name,AGE GROUP,Deaths\nAlexandra,123,1\nBob,3,12345\nChristopher,4,1\n");
    CliOutcome outcome = Run({"csv", "cut.csv", "out.txd", "--dd", "t.dd", "--map", "#3=@4", "--json"});
    EXPECT_EQ(outcome.status, 0);
    RunNotes notes;
    notes.warnings = {
        "cut.csv:2: 2 values cut to the length of field 'Name' (the first on this line)",
        "cut.csv:2: 1 value cut to the length of field 'Age Group' (the first on this line)",
        "cut.csv:3: 1 value cut to the length of field 'Deaths (Cases)' (the first on this line)"};
    EXPECT_EQ(outcome.out, StatisticsJson(12, Counts(3, 11, 15, 3, 0, 3, 0, 0), nullptr, notes));

    CliOutcome strict =
        Run({"csv", "cut.csv", "strict.txd", "--dd", "t.dd", "--map", "#3=@4", "--strict", "-q"});
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(strict.err.rfind("lathwell-cli: cut.csv:2: ", 0), 0u) << strict.err;
    EXPECT_NE(strict.err.find("Alexandra"), std::string::npos) << strict.err;
    EXPECT_FALSE(Exists("strict.txd"));
}

// Needs the engine's failure lines.
TEST_P(CliCsv, AFailureNamesTheInputAndLineOnOneLine) {
    Write("group.csv", "name,AGE GROUP\nBob,3\n\"Jo,4\n");
    const std::string message =
        "A group token has no end delimeter.\nCannot retrieve token as specified.\nPlease correct.\n\n";
    CliOutcome outcome = Run({"csv", "group.csv", "-", "--dd", "t.dd", "--json"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "Bob  03     \r\n");
    RunNotes notes;
    notes.errorLine = 3;
    EXPECT_EQ(outcome.err,
              "lathwell-cli: group.csv:3: A group token has no end delimeter. Cannot retrieve token "
              "as specified. Please correct.\n" +
                  StatisticsJson(12, Counts(2, 5, 5, 1, 0, 1, 0, 0), &message, notes));
}

// Needs the engine's line limit, dry run and delimiter.
TEST_P(CliCsv, PreviewDryRunAndOtherDelimiters) {
    Write("semi.csv", "name;AGE GROUP;Deaths\nBob;3;12\nAlexandra;;7\n");
    Write("tab.csv", "name\tAGE GROUP\tDeaths\nBob\t3\t12\nAlexandra\t\t7\n");
    const std::string records = "Bob  030012 \r\nAlexa  0007 \r\n";
    const struct {
        std::vector<std::string> arguments;
        std::string out;
    } cases[] = {
        {{"csv", "t.csv", "-", "--head", "1", "--ignore", "Notes"}, "Bob  030012 \r\n"},
        {{"csv", "semi.csv", "-", "--delimiter", ";"}, records},
        {{"csv", "tab.csv", "-", "--delimiter", "tab"}, records},
        {{"pad", "t.csv", "-", "-l", "4", "--head", "2"}, "name\r\nBob,\r\n"},
        {{"csv", "t.csv", "dry.txd", "--dry-run", "--ignore", "Notes"}, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        if (arguments[0] == "csv") arguments.insert(arguments.end(), {"--dd", "t.dd", "--map", "#3=@4"});
        arguments.push_back("-q");
        CliOutcome outcome = Run(arguments);
        EXPECT_EQ(outcome.status, 0) << arguments[1];
        EXPECT_EQ(outcome.out + outcome.err, c.out) << arguments[1];
    }
    RunNotes cutName;
    cutName.warnings = {"t.csv:3: 1 value cut to the length of field 'Name' (the first on this line)"};
    CliOutcome dry = Run({"csv", "t.csv", "dry.txd", "--dd", "t.dd", "--map", "#3=@4", "--dry-run", "--json",
                          "--ignore", "Notes"});
    EXPECT_EQ(dry.out, StatisticsJson(12, Counts(2, 10, 14, 2, 0, 2, 0, 0), nullptr, cutName));
    EXPECT_FALSE(Exists("dry.txd"));
    // A dry run writes nothing, so an existing OUTPUT needs no --force and stays as it was.
    Write("kept.txd", "earlier records");
    EXPECT_EQ(Run({"csv", "t.csv", "kept.txd", "--dd", "t.dd", "--dry-run", "-q", "--ignore", "Notes"}).status, 0);
    EXPECT_EQ(Read("kept.txd"), "earlier records");
}

// The pieces of a split input, each converted with the header of the whole, join into the
// records of one run over the whole.
TEST_P(CliCsv, PiecesConvertedWithTheHeaderFromAFileJoinIntoTheWholeRun) {
    std::string data;
    for (int i = 0; i < 30; ++i) data += "Name" + std::to_string(i) + "," + std::to_string(i % 90) + ",x\n";
    Write("whole.csv", "name,AGE GROUP,Notes\n" + data);
    Write("header.csv", "name,AGE GROUP,Notes\n");
    std::string::size_type third = data.find('\n', data.size() / 3) + 1;
    Write("piece1", data.substr(0, third));
    Write("piece2", data.substr(third));
    ASSERT_EQ(Run({"csv", "whole.csv", "whole.txd", "--dd", "t.dd", "-q"}).status, 0);
    std::string joined;
    for (const char* piece : {"piece1", "piece2"}) {
        CliOutcome outcome = Run({"csv", piece, "-", "--dd", "t.dd", "--header-from", "header.csv", "-q"});
        EXPECT_EQ(outcome.status, 0);
        joined += outcome.out;
    }
    EXPECT_EQ(joined, Read("whole.txd"));
    EXPECT_EQ(joined.size(), 30u * 14u);
}

// Wiring of the checks that keep data from being lost without a word: statuses and streams.
TEST_P(CliCsv, ValuesAndLayoutsThatWouldLoseDataAreWarnedOrRefused) {
    Write("q.csv", "name,AGE GROUP\n\"J \"\"B\"\"\",3\n\"Al\"x,4\n");
    Write("dup.csv", "name,NAME,AGE GROUP\nA,B,1\n");
    Write("bad.dd", "[FileInfo]\nRecordLength=12\n[Field1]\nFieldName=Name\nLenght=5\nByteOffset=1\n");
    const struct {
        std::vector<std::string> arguments;
        int status;
        const char* out;
        const char* err;
    } rows[] = {
        {{"csv", "q.csv", "-", "--dd", "t.dd", "-q"}, 0, "J \"B\"03     \r\nAl   04     \r\n", ""},
        {{"csv", "q.csv", "-", "--dd", "t.dd", "-q", "--strict"}, 1, "J \"B\"03     \r\n",
         "lathwell-cli: q.csv:3: Text after a closing quote belongs to no column and would be left out.\n"},
        {{"csv", "dup.csv", "-", "--dd", "t.dd", "-q", "--strict"}, 2, "",
         "lathwell-cli: dup.csv: columns 'name' and 'NAME' are both matched with field 'Name' (--strict); match "
         "one of them with --map or leave it out with --ignore\n"},
        {{"layout", "bad.dd", "--check"}, 1,
         "bad.dd: [Field1] Lenght: unknown key, not read (did you mean Length?)\n"
         "bad.dd: [Field1] Name takes no byte (Length 0)\n",
         ""},
        {{"layout", "t.dd", "--check"}, 0, "t.dd: no problems found\n", ""},
    };
    for (const auto& row : rows) {
        const CliOutcome outcome = Run(row.arguments);
        EXPECT_EQ(row.status, outcome.status) << row.arguments[1];
        EXPECT_EQ(row.out, outcome.out) << row.arguments[1];
        EXPECT_EQ(row.err, outcome.err) << row.arguments[1];
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, CliCsv, ::testing::Values(1, 2, 7));

}  // namespace lathwell::cli
