#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliArguments.h"

namespace lathwell::cli {

namespace {

CliArguments Parse(std::vector<const char*> words) {
    words.insert(words.begin(), "lathwell-cli");
    return ParseCliArguments(static_cast<int>(words.size()), words.data());
}

std::string RefusalOf(const std::vector<const char*>& words) {
    try {
        Parse(words);
    } catch (const CliUsageError& error) {
        return error.what();
    }
    return "<accepted>";
}

}  // namespace

TEST(CliArguments, PadTakesItsOperandsAndOptionsInAnyOrder) {
    CliArguments a = Parse(
        {"pad", "--force", "in.txt", "--length=80", "out.txd", "--blank-unprintable", "--quiet", "--json"});
    EXPECT_EQ(a.command, CliCommand::Pad);
    EXPECT_EQ(a.input, "in.txt");
    EXPECT_EQ(a.output, "out.txd");
    EXPECT_EQ(a.recordLength, 80);
    EXPECT_TRUE(a.force && a.blankUnprintable && a.quiet && a.json);
    EXPECT_FALSE(a.population);
    EXPECT_EQ(a.threads, 0);
    EXPECT_EQ(Parse({"csv", "a", "b", "--dd", "x.dd", "--threads", "256"}).threads, 256);
    EXPECT_EQ(a.level, 6);
    EXPECT_EQ(Parse({"unpack", "a", "b", "--dd", "x.dd", "--level", "1"}).level, 1);
}

TEST(CliArguments, CsvKeepsOverridesInCommandLineOrder) {
    CliArguments a = Parse({"csv", "-", "-", "--dd", "x.dd", "--map", "Age=Age Group", "--ignore", "#3",
                            "--map=#2=@7", "--population"});
    EXPECT_EQ(a.command, CliCommand::Csv);
    EXPECT_EQ(a.input, "-");
    EXPECT_EQ(a.output, "-");
    EXPECT_EQ(a.ddFile, "x.dd");
    EXPECT_TRUE(a.population);
    ASSERT_EQ(a.overrides.size(), 3u);
    EXPECT_EQ(a.overrides[0].column, "Age");
    EXPECT_EQ(a.overrides[0].field, "Age Group");
    EXPECT_FALSE(a.overrides[0].ignore);
    EXPECT_EQ(a.overrides[1].column, "#3");
    EXPECT_TRUE(a.overrides[1].ignore);
    EXPECT_EQ(a.overrides[2].column, "#2");
    EXPECT_EQ(a.overrides[2].field, "@7");
}

TEST(CliArguments, FieldsAndDoubleDashOperands) {
    CliArguments a = Parse({"fields", "--csv", "in.csv", "--", "-odd.dd"});
    EXPECT_EQ(a.command, CliCommand::Fields);
    EXPECT_EQ(a.ddFile, "-odd.dd");
    EXPECT_EQ(a.csvInput, "in.csv");
    EXPECT_EQ(Parse({"--help"}).command, CliCommand::Help);
    EXPECT_EQ(Parse({"pad", "a", "--help"}).command, CliCommand::Help);
    EXPECT_EQ(Parse({"--version"}).command, CliCommand::Version);
}

TEST(CliArguments, ShortFormsPreviewOptionsAndCommandHelp) {
    CliArguments pad = Parse({"pad", "a", "b", "-l", "80", "-f", "-q", "--head", "3", "--dry-run"});
    EXPECT_EQ(pad.recordLength, 80);
    EXPECT_TRUE(pad.force && pad.quiet && pad.dryRun);
    EXPECT_EQ(pad.headLines, 3);
    CliArguments csv =
        Parse({"csv", "a", "b", "--dd", "x.dd", "--delimiter", "tab", "--strict", "--header-from", "h"});
    EXPECT_EQ(csv.delimiter, '\t');
    EXPECT_TRUE(csv.strict);
    EXPECT_EQ(csv.headerFrom, "h");
    EXPECT_EQ(Parse({"csv", "a", "b", "--dd", "x.dd", "--delimiter=\\t"}).delimiter, '\t');
    EXPECT_EQ(Parse({"csv", "a", "b", "--dd", "x.dd", "--delimiter", ";"}).delimiter, ';');
    CliArguments init = Parse({"fields", "--init", "a.csv", "--scan", "10"});
    EXPECT_TRUE(init.initLayout);
    EXPECT_EQ(init.csvInput, "a.csv");
    EXPECT_EQ(init.scanLines, 10);
    EXPECT_EQ(Parse({"layout", "x.dd", "--population"}).ddFile, "x.dd");
    for (auto words : {std::vector<const char*>{"pad", "--help"}, {"help", "pad"}, {"pad", "a", "-h"}}) {
        CliArguments help = Parse(words);
        EXPECT_EQ(help.command, CliCommand::Help);
        EXPECT_EQ(help.helpTopic, CliCommand::Pad);
    }
    EXPECT_EQ(Parse({"help"}).helpTopic, CliCommand::Help);
}

TEST(CliArguments, HelpFitsEightyColumnsAndEndsWithTwoExamples) {
    for (CliCommand topic :
         {CliCommand::Help, CliCommand::Pad, CliCommand::Csv, CliCommand::Fields, CliCommand::Layout}) {
        std::string text = CliHelpText(topic);
        std::string::size_type start = 0;
        for (std::string::size_type end; (end = text.find('\n', start)) != std::string::npos;
             start = end + 1) {
            EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
        }
        EXPECT_EQ(start, text.size());
    }
    const std::string general = CliHelpText();
    EXPECT_EQ(general.substr(general.rfind("Examples:")),
              "Examples:\n"
              "  lathwell-cli pad flat.txt flat.txd -l 80\n"
              "  lathwell-cli csv deaths.csv deaths.txd --dd deaths.dd --map Deaths=@10\n");
    EXPECT_EQ(
        CliHelpText(CliCommand::Pad).rfind("Usage: lathwell-cli pad INPUT OUTPUT --length N [options]\n", 0),
        0u);
}

TEST(CliArguments, RecordLengthIsAPositive32BitNumber) {
    EXPECT_EQ(Parse({"pad", "a", "b", "--length", "2147483647"}).recordLength, 2147483647);
    EXPECT_EQ(Parse({"pad", "a", "b", "--length", "007"}).recordLength, 7);
    for (const char* bad : {"0", "-5", "12.5", "", "2147483648", "99999999999", "8x", " 8"}) {
        EXPECT_EQ(RefusalOf({"pad", "a", "b", "--length", bad}),
                  std::string("--length expects a record length from 1 to 2147483647, not '") + bad + "'")
            << bad;
    }
}

TEST(CliArguments, MistakesAreNamed) {
    struct Case {
        std::vector<const char*> words;
        const char* message;
    };
    const Case cases[] = {
        {{}, "no command given"},
        {{"convert"}, "unknown command 'convert'"},
        {{"pad", "a", "b", "--length", "5", "--bogus"}, "unknown option '--bogus'"},
        {{"pad", "a", "b", "--length"}, "option '--length' needs a value"},
        {{"pad", "a", "b", "--length", "5", "--force=yes"}, "option '--force' takes no value"},
        {{"pad", "a", "b", "--length", "5", "--dd", "x.dd"}, "option '--dd' does not apply to pad"},
        {{"fields", "x.dd", "--force"}, "option '--force' does not apply to fields"},
        {{"csv", "a", "b", "--dd", "x.dd", "--length", "5"}, "option '--length' does not apply to csv"},
        {{"pad", "a", "--length", "5"}, "pad needs an input and an output file"},
        {{"pad", "a", "b", "c", "--length", "5"}, "unexpected operand 'c'"},
        {{"pad", "a", "b"}, "pad needs --length N"},
        {{"csv", "a", "b"}, "csv needs --dd DDFILE"},
        {{"fields"}, "fields needs a DD file"},
        {{"--version", "x"}, "unexpected operand 'x'"},
        {{"csv", "a", "b", "--dd", "x.dd", "--map", "Age"}, "--map expects COLUMN=FIELD, not 'Age'"},
        {{"csv", "a", "b", "--dd", "x.dd", "--map", "=Age"}, "--map expects COLUMN=FIELD, not '=Age'"},
        {{"csv", "a", "b", "--dd", "x.dd", "--map", "Age="}, "--map expects COLUMN=FIELD, not 'Age='"},
        {{"pad", "a", "b", "--length", "5", "--threads", "257"},
         "--threads expects a number of threads from 0 to 256, not '257'"},
        {{"pad", "a", "b", "--length", "5", "--threads=-1"},
         "--threads expects a number of threads from 0 to 256, not '-1'"},
        {{"fields", "x.dd", "--threads", "2"}, "option '--threads' does not apply to fields"},
        {{"pad", "a", "b", "-l", "5", "--level", "0"},
         "--level expects a compression level from 1 (fastest) to 9 (smallest), not '0'"},
        {{"pad", "a", "b", "-l", "5", "--level=10"},
         "--level expects a compression level from 1 (fastest) to 9 (smallest), not '10'"},
        {{"csv", "a", "b", "--dd", "x.dd", "--level", "fast"},
         "--level expects a compression level from 1 (fastest) to 9 (smallest), not 'fast'"},
        {{"cvs"}, "unknown command 'cvs'; did you mean 'csv'?"},
        {{"lay"}, "unknown command 'lay'; did you mean 'layout'?"},
        {{"pad", "a", "b", "--lenght", "5"}, "unknown option '--lenght'; did you mean '--length'?"},
        {{"csv", "a", "b", "--dd", "x.dd", "--delimiter", ";;"},
         "--delimiter expects one character (or \\t or tab), not ';;'"},
        {{"csv", "a", "b", "--dd", "x.dd", "--delimiter", "\""},
         "--delimiter expects one character (or \\t or tab), not '\"'"},
        {{"pad", "a", "b", "-l", "5", "--head", "0"},
         "--head expects a number of lines from 1 to 9223372036854775807, not '0'"},
        {{"fields", "x.dd", "--scan", "5"}, "--scan needs --init CSV"},
        {{"fields", "x.dd", "--init", "a.csv"}, "unexpected operand 'x.dd'"},
        {{"layout", "x.dd", "--force"}, "option '--force' does not apply to layout"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const char* word : c.words) line += std::string(word) + " ";
        EXPECT_EQ(RefusalOf(c.words), c.message) << line;
    }
}

}  // namespace lathwell::cli
