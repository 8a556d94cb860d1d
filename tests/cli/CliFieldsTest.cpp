#include <gtest/gtest.h>

#include <string>

#include "CliTestSupport.h"

namespace lathwell::cli {

namespace {

// Sections: 0 [FileInfo], 1 Zip (no ByteOffset), 2 Name, 3 hidden, 4 Deaths, 5 Population.
const char* const kDD =
    "[FileInfo]\nRecordLength=40\nPopRecordLength=20\n"
    "[Field1]\nFieldName=Zip\nLength=5\nPopByteOffset=3\n"
    "[Field2]\nFieldName=Name\nLength=5\nByteOffset=12\nPopByteOffset=1\n"
    "[Field3]\nFieldName=Secret\nByteOffset=2\nHidden=yes\n"
    "[CountField1]\nFieldName=Deaths\nLength=4\nByteOffset=8\n"
    "[PopCountField1]\nFieldName=Population\nByteOffset=6\nPopByteOffset=6\n";

class CliFields : public CliProcessTest {
protected:
    void SetUp() override { Write("t.dd", kDD); }
};

}  // namespace

TEST_F(CliFields, ListsOfferedFieldsByPositionAndTheColumnMatches) {
    Write("in.csv", "name,\"Zip\",deaths (cases), ,Other\n");
    CliOutcome outcome = Run({"fields", "t.dd", "--csv", "in.csv"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out,
              "Available DD Fields  Position  Section\n"
              "Zip                  N/A       1\n"
              "Deaths (Cases)       8         4\n"
              "Name                 12        2\n"
              "\n"
              "Input Field     Output Field\n"
              "name            Name\n"
              "\"Zip\"\n"
              "deaths (cases)  Deaths (Cases)\n"
              "<Blank>\n"
              "Other\n");
    EXPECT_EQ(outcome.err,
              "lathwell-cli: Blank Column Header found in input file. '<Blank>' used as field name.\n");
}

TEST_F(CliFields, PopulationModeAsJson) {
    Write("in.csv", "Population,Name,a\\b\xe9\n");
    CliOutcome outcome = Run({"fields", "t.dd", "--population", "--csv", "in.csv", "--json"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out,
              "{\"fields\":[{\"name\":\"Zip\",\"position\":\"N/A\",\"section\":1},"
              "{\"name\":\"Population (Populations)\",\"position\":\"6\",\"section\":5},"
              "{\"name\":\"Name\",\"position\":\"12\",\"section\":2}],"
              "\"columns\":[{\"header\":\"Population\",\"field\":null,\"section\":-1},"
              "{\"header\":\"Name\",\"field\":\"Name\",\"section\":2},"
              "{\"header\":\"a\\\\b\\u00e9\",\"field\":null,\"section\":-1}]}\n");
}

TEST_F(CliFields, WithoutCsvTheColumnsAreEmpty) {
    CliOutcome outcome = Run({"fields", "t.dd", "--json"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out,
              "{\"fields\":[{\"name\":\"Zip\",\"position\":\"N/A\",\"section\":1},"
              "{\"name\":\"Deaths (Cases)\",\"position\":\"8\",\"section\":4},"
              "{\"name\":\"Name\",\"position\":\"12\",\"section\":2}],\"columns\":[]}\n");
}

TEST_F(CliFields, Refusals) {
    Write("one.dd", "[FileInfo]\nRecordLength=12\n");
    Write("single.csv", "Name\n");
    ExpectRefused(Run({"fields", "none.dd"}), "none.dd: DD File Does Not Exist");
    ExpectRefused(Run({"fields", "one.dd", "--csv", "single.csv"}), "one.dd: Invalid DD file.");
    ExpectRefused(Run({"fields", "t.dd", "--csv", "single.csv"}),
                  "single.csv: The Input File is not a valid CSV file.");
    ExpectRefused(Run({"fields", "t.dd", "--csv", "none.csv"}), "none.csv: Input File Does Not Exist");
    EXPECT_FALSE(Exists("none.dd"));
}

TEST_F(CliFields, LayoutShowsWhereEveryFieldLiesAndFlagsClashes) {
    const std::string examples = std::string(LATHWELL_SOURCE_DIR) + "/examples/";
    CliOutcome deaths = Run({"layout", examples + "deaths.dd"});
    EXPECT_EQ(deaths.status, 0);
    EXPECT_EQ(deaths.out,
              "Field           Start  End  Length  Type     Section           Flags\n"
              "Year            1      4    4       numeric  1 [Field1]\n"
              "County          5      7    3       numeric  2 [Field2]\n"
              "Sex             8      8    1       text     3 [Field3]\n"
              "Age Group       9      10   2       numeric  5 [Field4]\n"
              "Deaths (Cases)  11     16   6       numeric  10 [CountField1]\n"
              "Cause           17     20   4       text     7 [Field5]\n"
              "\n"
              "Record length 24\n"
              "....+....1....+....2....\n"
              "YearCouSAgDeathsCaus....\n");
    CliOutcome population = Run({"layout", examples + "deaths.dd", "--population"});
    EXPECT_EQ(population.out.substr(population.out.find("Population (Populations)")),
              "Population (Populations)  11     18   8       numeric  11 [PopCountField1]\n"
              "\n"
              "Record length 18\n"
              "....+....1....+...\n"
              "YearCouSAgPopulati\n");

    Write("clash.dd",
          "[FileInfo]\nRecordLength=6\n[Field1]\nFieldName=A\nLength=3\nByteOffset=1\n"
          "[Field2]\nFieldName=B\nLength=3\nByteOffset=3\n[Field3]\nFieldName=C\nLength=2\nByteOffset=6\n"
          "[Format=C]\nx=y\n");
    CliOutcome clash = Run({"layout", "clash.dd", "--json"});
    EXPECT_EQ(clash.out,
              "{\"recordLength\":6,\"fields\":["
              "{\"name\":\"A\",\"start\":1,\"end\":3,\"length\":3,\"type\":\"numeric\",\"section\":1,"
              "\"sectionName\":\"[Field1]\",\"flags\":[\"overlaps B\"]},"
              "{\"name\":\"B\",\"start\":3,\"end\":5,\"length\":3,\"type\":\"numeric\",\"section\":2,"
              "\"sectionName\":\"[Field2]\",\"flags\":[\"overlaps A\"]},"
              "{\"name\":\"C\",\"start\":6,\"end\":7,\"length\":2,\"type\":\"text\",\"section\":3,"
              "\"sectionName\":\"[Field3]\",\"flags\":[\"ends past the record length\"]}]}\n");
    const std::string text = Run({"layout", "clash.dd"}).out;
    EXPECT_EQ(text.substr(text.find("\nRecord")), "\nRecord length 6\n....+..\nA-*--C-\n");
}

TEST_F(CliFields, InitWritesADDFileThatMatchesEveryColumn) {
    const std::string csv = std::string(LATHWELL_SOURCE_DIR) + "/examples/deaths.csv";
    CliOutcome init = Run({"fields", "--init", csv});
    EXPECT_EQ(init.status, 0);
    EXPECT_EQ(init.err, "");
    Write("deaths.dd", init.out);
    CliOutcome run = Run({"csv", csv, "deaths.txd", "--dd", "deaths.dd", "--json", "--strict"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, StatisticsJson(42, Counts(5, 18, 46, 5, 0, 5, 1, 0), nullptr));
    EXPECT_EQ(Read("deaths.txd").substr(44, 44), "202101F4012V89  checked, twice            \r\n");

    Write("short.csv", "Code;N\nAB;1\n\nC;12345\n");
    EXPECT_EQ(Run({"fields", "--init", "short.csv", "--delimiter", ";", "--scan", "1"}).out,
              "; Layout of short.csv, one field per column (lathwell-cli fields --init).\n"
              "\n[FileInfo]\nRecordLength=3\n"
              "\n[Field1]\nFieldName=Code\nLength=2\nByteOffset=1\n"
              "\n; Values that are not numbers: a key that is no number makes the field text.\n"
              "[Format=Code]\nText=text\n"
              "\n[Field2]\nFieldName=N\nLength=1\nByteOffset=3\n");
}

}  // namespace lathwell::cli
