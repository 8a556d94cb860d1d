#include "CsvRecordBuilder.h"

#include <cstring>
#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BuiltRecord.h"
#include "DDFile.h"
#include "EngineTestSupport.h"
#include "GuardedPage.h"

#include "MpException.h"
#include "SampleDDFiles.h"
#include "MpStringTokenizer.h"
#include "TempDir.h"

namespace lathwell {

namespace {

class CsvRecordBuilderTest : public ::testing::Test {
protected:
    std::string Build(const MpVector<int16_t>& map, const char* line, bool population = false) {
        CsvRecordBuilder builder(FreshDD(), 10, map, population);
        return BuiltRecord(builder, line, statistics);
    }
    std::string Failure(const MpVector<int16_t>& map, const char* line, bool population = false) {
        try {
            Build(map, line, population);
        } catch (MpException& e) {
            return e.GetErrorMessage();
        }
        return "no failure";
    }

    TempDir m_dir;
    std::string m_ddName = m_dir.Write("layout.dd", kTenByteDD);
    std::unique_ptr<DDFile> m_dd;
    // The DD file read anew for each builder.
    DDFile& FreshDD() {
        m_dd = std::make_unique<DDFile>(m_ddName.c_str());
        return *m_dd;
    }
    MpVector<int16_t> m_map{1, 2, -1};
    RunStatistics statistics;
};

}  // namespace

TEST_F(CsvRecordBuilderTest, CutsOrFillsEachFieldAndCountsEditedRecords) {
    const struct {
        const char* line;
        const char* record;
        int32_t edited;
        int32_t padded;
    } cases[] = {
        {"7,ab,zz", "007ab     ", 1, 1},
        {"1234,abcdef,x", "123abcd   ", 1, 0},
        {"123,abcd,x", "123abcd   ", 0, 0},
        {",ab,x", "   ab     ", 1, 1},
        {"\"1,5\",ab,x", "1,5ab     ", 1, 1},
        {" 12 ,M", "12 M      ", 1, 1},  // blanks in front are skipped, those after kept
        {"1,,x,y,z", "001       ", 1, 1},
    };
    CsvRecordBuilder builder(FreshDD(), 10, m_map, false);
    for (const auto& c : cases) {
        RunStatistics counts;
        EXPECT_EQ(c.record, BuiltRecord(builder, c.line, counts)) << c.line;
        EXPECT_EQ(c.edited, counts.RecordsEdited) << c.line;
        EXPECT_EQ(c.padded, counts.LinesPadded) << c.line;
        EXPECT_EQ(0, counts.LinesTruncated + counts.LinesAsciiFixed + counts.LinesProcessed) << c.line;
    }
}

TEST_F(CsvRecordBuilderTest, PopulationOffsetReplacesByteOffsetWhereGiven) {
    EXPECT_EQ("   ab  007", Build(m_map, "7,ab", true));
    EXPECT_EQ("007ab     ", Build(m_map, "7,ab", false));
}

TEST_F(CsvRecordBuilderTest, LaterColumnWinsWhereFieldsOverlap) {
    EXPECT_EQ("0xyz      ", Build(MpVector<int16_t>{1, 10}, "1,xyz"));
    EXPECT_EQ("001z      ", Build(MpVector<int16_t>{10, 1}, "xyz,1"));
}

// Values of every size a field copies in pieces, into a record that starts blank: a text field
// of 40 bytes, a number of 5 and a text field of 3 over the number's last 2 bytes.
TEST(CsvRecordBuilder, CopiesValuesOfEverySizeCutOrFilled) {
    TempDir dir;
    const std::string dd = dir.Write("wide.dd",
                                     "[FileInfo]\nRecordLength=48\n"
                                     "[Field1]\nFieldName=Text\nLength=40\nByteOffset=1\n[Format=Text]\nA=x\n"
                                     "[Field2]\nFieldName=Number\nLength=5\nByteOffset=41\n"
                                     "[Field3]\nFieldName=Over\nLength=3\nByteOffset=44\n[Format=Over]\nA=x\n");
    const std::string a40(40, 'a');
    const struct {
        std::string line;
        std::string record;
        const char* cuts;  // values cut / of them inside a character
    } rows[] = {
        {",,", std::string(48, ' '), "0/0"},
        {"a,1,x", "a" + std::string(39, ' ') + "000x    ", "0/0"},
        {"aaa,12,xy", "aaa" + std::string(37, ' ') + "000xy   ", "0/0"},
        {std::string(9, 'a') + ",1234,x", std::string(9, 'a') + std::string(31, ' ') + "012x    ", "0/0"},
        {std::string(17, 'a') + ",123456,", std::string(17, 'a') + std::string(23, ' ') + "123     ", "1/0"},
        {std::string(33, 'a') + ",7,xyzw", std::string(33, 'a') + std::string(7, ' ') + "000xyz  ", "1/0"},
        {a40 + ",,", a40 + std::string(8, ' '), "0/0"},
        {a40 + "b,1,x", a40 + "000x    ", "1/0"},
        // A cut inside a character blanks the character's first bytes.
        {std::string(39, 'a') + "\xC3\xB6,1,x", std::string(39, 'a') + " 000x    ", "1/1"},
        {std::string(38, 'a') + "\xE2\x82\xAC,1,x", std::string(38, 'a') + "  000x    ", "1/1"},
        {std::string(38, 'a') + "\xC3\xB6,1,x", std::string(38, 'a') + "\xC3\xB6" "000x    ", "0/0"},
    };
    for (const auto& row : rows) {
        DDFile ddFile(dd.c_str());
        CsvRecordBuilder builder(ddFile, 48, MpVector<int16_t>{1, 3, 4}, false, ',', CsvValueRules{false, false, true});
        RunStatistics statistics;
        std::string result = BuiltRecord(builder, row.line, statistics, 1);
        int64_t cuts = 0;
        int64_t characterCuts = 0;
        for (const FieldCut& cut : builder.FieldCuts()) {
            cuts += cut.count;
            characterCuts += cut.characterCuts;
        }
        result += " " + std::to_string(cuts) + "/" + std::to_string(characterCuts);
        EXPECT_EQ(row.record + " " + row.cuts, result) << row.line;
    }
}

// Short fields are moved with the bytes after them. Whatever the layout (fields in any order,
// overlapping, apart, short or long), and wherever the line lies (at either end of a page that
// nothing can be read after), a record must be what placing the values one by one gives.
TEST(CsvRecordBuilder, BuildsEveryLayoutAsValuesPlacedOneByOne) {
    constexpr size_t kRecordLength = 64;
    std::mt19937 random(20261210);
    auto below = [&random](size_t limit) { return static_cast<size_t>(random() % limit); };
    TempDir dir;
    GuardedPage page;
    for (int layout = 0; layout < 300; ++layout) {
        // Column c takes field c, unless it takes none.
        struct Field {
            size_t offset, length;
            bool numeric;
        };
        std::vector<Field> fields(1 + below(7));
        std::string dd = "[FileInfo]\nRecordLength=" + std::to_string(kRecordLength) + "\n";
        MpVector<int16_t> map(fields.size(), -1);
        int16_t section = 1;
        for (size_t c = 0; c < fields.size(); ++c) {
            Field& field = fields[c];
            field = {0, 1 + below(40), below(2) == 0};
            field.offset = below(kRecordLength - field.length + 1);
            const std::string name = "F" + std::to_string(c);
            dd += "[" + name + "]\nFieldName=" + name + "\nLength=" + std::to_string(field.length) +
                  "\nByteOffset=" + std::to_string(field.offset + 1) + "\n";
            if (!field.numeric) dd += "[Format=" + name + "]\nA=x\n";
            if (below(8) != 0) map[c] = section;
            section += field.numeric ? 1 : 2;
        }
        DDFile ddFile(dir.Write("layout.dd", dd).c_str());
        CsvRecordBuilder builder(ddFile, kRecordLength, map, false);
        for (int lineIndex = 0; lineIndex < 8; ++lineIndex) {
            std::string line;
            std::string expected(kRecordLength, ' ');
            for (size_t c = 0; c < fields.size(); ++c) {
                const std::string value(below(46), "ab9"[below(3)]);
                line += (c > 0 ? "," : "") + value;
                const Field& field = fields[c];
                if (map[c] < 0) continue;
                std::string placed = value.substr(0, field.length);
                placed.insert(field.numeric && !value.empty() ? 0 : placed.size(), field.length - placed.size(),
                              field.numeric && !value.empty() ? '0' : ' ');
                expected.replace(field.offset, field.length, placed);
            }
            for (char* at : {page.Begin(), page.Begin() + 1, page.End() - line.size()}) {
                std::copy(line.begin(), line.end(), at);
                RunStatistics statistics;
                ASSERT_EQ(expected, BuiltRecord(builder, at, line.size(), statistics)) << dd << line;
            }
        }
    }
}

TEST_F(CsvRecordBuilderTest, RefusesLinesItCannotConvert) {
    const char* const kNoClosingQuote =
        "A group token has no end delimeter.\nCannot retrieve token as specified.\nPlease correct.\n\n";
    const struct {
        MpVector<int16_t> map;
        const char* line;
        const char* message;
    } cases[] = {
        {{1, 2, -1}, "7", "No token 1 in \"7\" with delimiter \",\""},
        {{1, 2, -1}, "7,\"ab,c", kNoClosingQuote},
        {{1, 4}, "7", "No token 1 in \"7\" with delimiter \",\""},  // the token before the fit
        {{4, 1}, "1,2", "Field length extends beyond record length."},
        // A quote left open fails the line even in a column no field takes, and before all else.
        {{1, 2, -1}, "7,ab,\"open", kNoClosingQuote},
        {{4, 1, -1}, "1,2,\"open", kNoClosingQuote},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.message, Failure(c.map, c.line)) << c.line;
        EXPECT_EQ(0, statistics.RecordsEdited + statistics.LinesPadded) << c.line;
    }
}

TEST_F(CsvRecordBuilderTest, RefusesFieldsOutsideTheRecordBeforeAnyLine) {
    const struct {
        int16_t section;
        bool population;
        const char* message;
    } cases[] = {
        {5, false, "Field \"Negative\" [Field5] cannot be placed in the record: its Length, -1, is negative."},
        {6, false, "Field \"NoOffset\" [Field6] cannot be placed in the record: its ByteOffset, 0, is below 1."},
        {7, false,
         "Field \"Far\" [Field7] cannot be placed in the record: its ByteOffset, 40000, lies outside -32768..32767."},
        {8, false,
         "Field \"LongOne\" [Field8] cannot be placed in the record: its Length, 70000, lies outside -32768..32767."},
        {9, true, "Field \"BadPop\" [Field9] cannot be placed in the record: its PopByteOffset, -2, is below 1."},
    };
    for (const auto& c : cases) {
        try {
            CsvRecordBuilder builder(FreshDD(), 10, MpVector<int16_t>{1, c.section}, c.population);
            ADD_FAILURE() << "no failure for section " << c.section;
        } catch (MpException& e) {
            EXPECT_STREQ(c.message, e.GetErrorMessage());
        }
    }
}

TEST_F(CsvRecordBuilderTest, BadPopulationOffsetDoesNotMatterWithoutPopulationFields) {
    EXPECT_EQ("  12      ", Build(MpVector<int16_t>{9}, "12"));
}

TEST_F(CsvRecordBuilderTest, MapEntryBeyondTheSectionsFailsAtOnce) {
    try {
        CsvRecordBuilder builder(FreshDD(), 10, MpVector<int16_t>{1, 99}, false);
        FAIL() << "no failure";
    } catch (MpException& e) {
        // Looking up column 0's format section added one section in memory.
        EXPECT_STREQ("Index 99 out of range; array is from 0 to 11", e.GetErrorMessage());
    }
}

}  // namespace lathwell

namespace lathwell {

// The splitter must find exactly the tokenizer's columns, or fail with its message.
TEST(CsvLineSplitter, FindsTheColumnsOfTheTokenizer) {
    const char* lines[] = {"",        "a",       " a , b ",       "\"x,y\",z",        "\"x\"junk,z",
                           "\"open,x", "a,\"b",   ",,",            "  ",               "\"\"",
                           "a;b\tc d\"e\";",      "x,\"q\" ,y;\"", "\" a\"\t\"b",
                           // Longer than a block of sixteen bytes, many times over.
                           "first,\"a quoted, long value that runs on, and on\" tail,;x\t;y, z,\"q\",\"\",,"
                           "\"still open after eighty bytes, \"closed\" ,a;b\t\"c\" d,\"end"};
    std::vector<std::pair<char, CsvLineSplitter::Method>> ways;  // every delimiter by every method
    for (char delimiter : {',', ';', '\t', ' ', '"'}) {
        for (CsvLineSplitter::Method method : CsvLineSplitter::Methods()) ways.emplace_back(delimiter, method);
    }
    for (auto [delimiter, method] : ways) {
        const char delimiterText[] = {delimiter, '\0'};
        CsvLineSplitter splitter(delimiter, method);
        for (const char* line : lines) {
            std::string expected, actual;
            try {
                MpStringTokenizer tokenizer(line, delimiterText, "\"");
                for (int32_t i = 0; i <= tokenizer.CountTokens(); ++i) {
                    expected += std::string(tokenizer.GetToken(i).GetCString()) + "|";
                }
            } catch (MpException& e) {
                expected += e.GetErrorMessage();
            }
            try {
                splitter.Start(line, std::strlen(line));
                CsvLineSplitter::Column column;
                int32_t count = 0;
                for (; splitter.Next(column); ++count) actual += std::string(column.text, column.length) + "|";
                splitter.RaiseNoColumn(count);
            } catch (MpStringTokenizerException& e) {
                actual = e.GetErrorMessage();  // the tokenizer fails the line as a whole
            } catch (MpException& e) {
                actual += e.GetErrorMessage();
            }
            EXPECT_EQ(expected, actual) << "line \"" << line << "\", delimiter '" << delimiter << "', method "
                                        << static_cast<int>(method);
        }
    }
}

}  // namespace lathwell

namespace lathwell {

// Data lines, unlike the tokenizer, read a doubled quote inside a quoted value as one quote.
TEST(CsvLineSplitter, ReadsDoubledQuotesAndNotesTextAfterQuotes) {
    const struct {
        std::string line;
        std::string columns;  // each followed by "|", or the failure
        bool textAfterQuote;
    } rows[] = {
        {"\"JSC \"\"MASSA-K\"\"\",1", "JSC \"MASSA-K\"|1|", false},
        {"\"W. H. \"\"Bud\"\" Barron\"", "W. H. \"Bud\" Barron|", false},
        {"\"\"\"\"\"\",x", "\"\"|x|", false},
        {"\"\",\"a\"\"\"", "|a\"|", false},
        {"\"ab\"cd,e", "ab|e|", true},
        {"\"ab\"  ,e", "ab|e|", false},
        {"a\"\"b,\"c\"", "a\"\"b|c|", false},  // outside quotes a quote is a byte like any other
        {"\"ab\"\"", "A group token has no end delimeter.", false},
        {"\"a\"\"b\"\"\" x,\"y\"\"", "A group token has no end delimeter.", false},
        // Past 64 bytes: a doubled quote, a closing quote and its delimiter across 64-byte marks.
        {"\"" + std::string(62, 'a') + "\"\"b\",c", std::string(62, 'a') + "\"b|c|", false},
        {"\"" + std::string(63, 'a') + "\"\"\"x,\"y\"\"\"", std::string(63, 'a') + "\"|y\"|", true},
        {std::string(70, 'a') + ",\"" + std::string(60, 'b') + "\"\"", "A group token has no end delimeter.", false},
        {std::string(64, '"') + ",x", std::string(31, '"') + "|x|", false},
        // Plain columns: quotes only around whole values, a column start at byte 64.
        {"\"" + std::string(70, 'a') + "\",b,\"c, d\",", std::string(70, 'a') + "|b|c, d||", false},
        {std::string(63, 'x') + ",\"y\"", std::string(63, 'x') + "|y|", false},
    };
    for (const auto& row : rows) {
        for (CsvLineSplitter::Method method : CsvLineSplitter::Methods()) {
            CsvLineSplitter splitter(',', method);
            std::string actual;
            bool textAfterQuote = false;
            try {
                splitter.Start(row.line.data(), row.line.size());
                CsvLineSplitter::Column column;
                while (splitter.Next(column)) actual += std::string(column.text, column.length) + "|";
                textAfterQuote = splitter.HadTextAfterQuote();
            } catch (MpException& e) {
                actual = std::string(e.GetErrorMessage()).substr(0, 35);
            }
            EXPECT_EQ(row.columns, actual) << row.line << ", method " << static_cast<int>(method);
            EXPECT_EQ(row.textAfterQuote, textAfterQuote) << row.line << ", method " << static_cast<int>(method);
        }
    }
}

}  // namespace lathwell
