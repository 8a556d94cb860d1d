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

}  // namespace lathwell::cli
