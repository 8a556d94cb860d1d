#include "FieldFormatter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BuiltRecord.h"
#include "ConversionRun.h"
#include "CsvRecordBuilder.h"
#include "DDFile.h"
#include "EngineTestSupport.h"
#include "FieldFormReader.h"
#include "FieldValueReader.h"
#include "MpIniFile.h"
#include "TempDir.h"

namespace lathwell {

namespace {

// The keys of a field section, one "Key=Value" line each, as FieldForm.
FieldForm FormOf(const std::string& keys, std::vector<std::string>* problems = nullptr) {
    TempDir dir;
    const std::string name = dir.Write("form.dd", "[Field1]\n" + keys);
    MpIniFile ini(name.c_str(), 1, 1, 769);
    ReadFieldFormResult read = ReadFieldForm(*ini.GetSection(0));
    if (problems != nullptr) *problems = read.problems;
    return read.form;
}

}  // namespace

TEST(FieldFormatter, WritesValuesInTheirDeclaredForm) {
    const struct {
        const char* keys;
        bool numericByFormat;
        int32_t length;
        const char* value;
        const char* written;  // "?" when the value does not fit the form
    } rows[] = {
        {"Sign=Leading\n", true, 4, "-4", "-004"},
        {"Sign=Leading\n", true, 4, "4", "0004"},
        {"Sign=Leading\n", true, 6, "-0.4", "-000.4"},
        {"Sign=Trailing\n", true, 4, "-4", "004-"},
        {"Sign=Trailing\n", true, 4, "+4", "004+"},
        {"Sign=Separate\n", true, 4, "4", "+004"},
        {"Sign=Leading\nFill=\" \"\n", true, 4, "-4", "  -4"},
        {"Sign=Leading\nJustify=Left\n", true, 4, "-4", "-4  "},
        {"Decimals=2\n", true, 6, "12.5", "001250"},
        {"Decimals=2\n", true, 6, "12", "001200"},
        {"Decimals=2\n", true, 6, ".5", "000050"},
        {"Decimals=1\n", true, 6, "1.50", "000015"},
        {"Decimals=2\nSign=Leading\n", true, 7, "-4.82", "-000482"},
        {"Decimals=1\n", true, 6, "1.25", "?"},
        {"Decimals=2\n", true, 3, "12.5", "125"},  // cut on the right like any long value
        {"Type=Number\n", false, 4, "4.82", "4.82"},
        {"Type=Number\n", false, 4, "12 ", "0012"},
        {"Type=Number\n", true, 4, "-4", "?"},
        {"Type=Number\n", true, 4, "4a", "?"},
        {"Type=Number\n", true, 4, ".", "?"},
        {"Type=Number\n", true, 4, "1,000", "?"},
        {"Type=Number\n", true, 4, "", "    "},
        {"Type=Text\n", true, 4, "7", "7   "},
        {"Type=Text\nJustify=Right\n", true, 4, "ab", "  ab"},
        {"Fill=*\n", false, 5, "ab", "ab***"},
        {"Justify=Right\nFill=_\n", true, 4, "7", "___7"},
    };
    for (const auto& row : rows) {
        const FieldForm form = FormOf(row.keys);
        FieldFormatter formatter(form, row.numericByFormat, row.length);
        std::string place(static_cast<size_t>(row.length), '#');
        const FormFit fit = formatter.Write(row.value, std::strlen(row.value), &place[0]);
        EXPECT_EQ(row.written, fit == FormFit::Mismatch ? "?" : place) << row.keys << " value " << row.value;
    }
}

// The inverse: the value read out of a field, or "!N" for the first byte not of its form.
TEST(FieldValueReader, ReadsValuesBackOutOfTheirForm) {
    const struct { const char* keys; bool numericByFormat; const char* field; const char* read; } rows[] = {
        {"", true, "0012", "12"},
        {"", true, " 012", "!0"},
        {"Sign=Leading\n", true, "-004", "-4"},
        {"Sign=Leading\n", true, "00-4", "!2"},
        {"Sign=Trailing\n", true, "004-", "-4"},
        {"Sign=Trailing\n", true, "0004", "!3"},
        {"Sign=Separate\n", true, "+004", "4"},
        {"Sign=Separate\n", true, "0004", "!0"},
        {"Sign=Leading\nJustify=Left\n", true, "-4  ", "-4"},
        {"Decimals=2\n", true, "001250", "12.50"},
        {"Decimals=2\nSign=Leading\n", true, "-000482", "-4.82"},
        {"Decimals=2\nFill=\" \"\n", true, "   5", "0.05"},
        {"Type=Number\n", false, "4.82", "4.82"},
        {"Type=Number\n", false, "4.8.", "!3"},
        {"Type=Text\nJustify=Right\n", true, "  ab", "ab"},
    };
    for (const auto& row : rows) {
        const size_t length = std::strlen(row.field);
        FieldValueReader reader(FormOf(row.keys), row.numericByFormat, static_cast<int32_t>(length));
        std::string scratch(reader.LongestValue(), '#');
        const size_t fault = reader.FirstFault(row.field);
        const FieldValueReader::Value value = reader.Read(row.field, &scratch[0]);
        const std::string read = fault < length ? "!" + std::to_string(fault) : std::string(value.text, value.length);
        EXPECT_EQ(row.read, read) << row.keys << " field " << row.field;
    }
}

TEST(FieldFormatter, ReadsOnlyTheValuesItUnderstands) {
    const struct {
        const char* keys;
        bool plain;
        const char* problems;
    } rows[] = {
        {"Length=3\n", true, ""},
        {"type=number\nsign=LEADING\n", false, ""},
        {"Type=Txt\n", true, "Type=Txt is not Text or Number|"},
        {"Sign=left\n", true, "Sign=left is not Leading, Trailing or Separate|"},
        {"Decimals=2 ; two\n", true, "Decimals=2 ; two is not a whole number from 0 to 32767|"},
        {"Fill=ab\n", true, "Fill=ab is not one byte (write a blank as Fill=\" \")|"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> problems;
        EXPECT_EQ(row.plain, FormOf(row.keys, &problems).IsPlain()) << row.keys;
        std::string joined;
        for (const std::string& problem : problems) joined += problem + "|";
        EXPECT_EQ(row.problems, joined) << row.keys;
    }
}

// Records written with the form keys, read back by a reader that knows only the layout.
TEST(FieldFormatter, RecordsReadBackToTheirValues) {
    TempDir dir;
    const std::string dd = dir.Write("form.dd",
                                     "[FileInfo]\nRecordLength=20\n"
                                     "[Field1]\nFieldName=Amount\nLength=7\nByteOffset=1\nSign=Leading\nDecimals=2\n"
                                     "[Field2]\nFieldName=Delta\nLength=4\nByteOffset=8\nSign=Trailing\n"
                                     "[Field3]\nFieldName=Code\nLength=5\nByteOffset=12\nType=Text\nJustify=Right\n"
                                     "[Field4]\nFieldName=Rate\nLength=4\nByteOffset=17\nType=Number\nDecimals=3\n");
    const char* const lines[] = {"-12.5,-3,7,0.25", "4.82,12,ab,1", "0,+0,x1,.005"};
    DDFile ddFile(dd.c_str());
    CsvRecordBuilder builder(ddFile, 20, MpVector<int16_t>{1, 2, 3, 4}, false);
    for (const char* line : lines) {
        RunStatistics statistics;
        const std::string record = BuiltRecord(builder, line, statistics);
        // Reader: implied decimals and signs, as a consumer of the layout reads them.
        const double amount = std::atof(record.substr(1, 6).c_str()) / 100 * (record[0] == '-' ? -1 : 1);
        const int delta = std::atoi(record.substr(7, 3).c_str()) * (record[10] == '-' ? -1 : 1);
        const std::string code = record.substr(11, 5).substr(record.substr(11, 5).find_first_not_of(' '));
        const double rate = std::atof(record.substr(16, 4).c_str()) / 1000;
        char back[80];
        std::snprintf(back, sizeof back, "%g,%+d,%s,%g", amount, delta, code.c_str(), rate);
        char expected[80];
        double a, r;
        int d;
        char c[8];
        std::sscanf(line, "%lf,%d,%7[^,],%lf", &a, &d, c, &r);
        std::snprintf(expected, sizeof expected, "%g,%+d,%s,%g", a, d, c, r);
        EXPECT_EQ(std::string(expected), std::string(back)) << line << " -> " << record;
    }
    EXPECT_TRUE(builder.FormMismatches().empty());
}

// What the builder does with values it cannot place as written, counted or refused.
TEST(FieldFormatter, BuilderCountsOrRefusesValuesNotPlacedAsWritten) {
    TempDir dir;
    const std::string dd = dir.Write("rules.dd",
                                     "[FileInfo]\nRecordLength=8\n"
                                     "[Field1]\nFieldName=Name\nLength=4\nByteOffset=1\nType=Text\n"
                                     "[Field2]\nFieldName=Amount\nLength=4\nByteOffset=5\nSign=Leading\n");
    const struct {
        CsvValueRules rules;
        const char* line;
        const char* result;  // the record and the counts (cuts/inside a character/mismatches/quotes), or the refusal
    } rows[] = {
        {{}, "ab,-4", "ab  -004 0/0/0/0"},
        {{}, "G\xC3\xB6\xC3\x9F,1", "G\xC3\xB6\xC3" "0001 1/1/0/0"},
        {{false, false, true}, "G\xC3\xB6\xC3\x9F,1", "G\xC3\xB6 0001 1/1/0/0"},
        {{false, false, true}, "Gr\xC3\xB6\xC3\x9F,1", "Gr\xC3\xB6" "0001 1/0/0/0"},
        {{}, "ab,4x", "ab  004x 0/0/1/0"},
        {{}, "\"a\"b,1", "a   0001 0/0/0/1"},
        {{false, true, false}, "ab,4x", "Value \"4x\" does not fit the declared form of field \"Amount\" [Field2]."},
        {{false, true, false}, "\"a\"b,1", "Text after a closing quote belongs to no column and would be left out."},
        {{true, false, false}, "abcde,1", "Value \"abcde\" is longer than the 4 bytes of field \"Name\" [Field1]."},
    };
    for (const auto& row : rows) {
        DDFile ddFile(dd.c_str());
        CsvRecordBuilder builder(ddFile, 8, MpVector<int16_t>{1, 2}, false, ',', row.rules);
        std::string result;
        try {
            RunStatistics statistics;
            result = BuiltRecord(builder, row.line, statistics, 2);
            const std::vector<FieldCut> cuts = builder.FieldCuts();
            const std::vector<FormMismatch> mismatches = builder.FormMismatches();
            result += " " + std::to_string(cuts.empty() ? 0 : cuts[0].count) + "/" +
                      std::to_string(cuts.empty() ? 0 : cuts[0].characterCuts) + "/" +
                      std::to_string(mismatches.empty() ? 0 : mismatches[0].count) + "/" +
                      std::to_string(builder.TextAfterQuote().count);
        } catch (MpException& e) {
            result = e.GetErrorMessage();
        }
        EXPECT_EQ(row.result, result) << row.line;
    }
}

}  // namespace lathwell
