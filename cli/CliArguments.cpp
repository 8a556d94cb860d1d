#include "CliArguments.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace lathwell::cli {

namespace {

// More threads than this would only cost memory.
constexpr int kMostThreads = 256;

enum CommandBit : unsigned { kPad = 1, kCsv = 2, kFields = 4, kLayout = 8, kCheck = 16, kUnpack = 32 };

struct CommandSyntax {
    const char* word;
    CliCommand command;
    unsigned bit;         // marks the options that apply to the command
    const char* usage;    // the operands and required options; null for a help word
    const char* summary;  // one line of the general help
    const char* about;    // the command's own help, each line under 80 columns
};

const CommandSyntax kCommands[] = {
    {"pad", CliCommand::Pad, kPad, "pad INPUT OUTPUT --length N [options]",
     "pad or cut every line to N bytes",
     "Pads every non-empty line of INPUT with blanks, or cuts it, to N bytes, and\n"
     "writes it to OUTPUT followed by CR LF.\n"},
    {"csv", CliCommand::Csv, kCsv, "csv INPUT OUTPUT --dd DDFILE [options]",
     "convert CSV into fixed-field records",
     "Converts the delimited INPUT into fixed-field records laid out by the DD file;\n"
     "the record length is its RecordLength (PopRecordLength with --population). The\n"
     "first line of INPUT (or of --header-from FILE) names the columns, which are\n"
     "matched automatically first: a header matches the first field, in order of\n"
     "position, whose shown name is the same once both are upper-cased and blanks are\n"
     "read as '_'. Warnings tell of unmatched columns, a byte order mark (removed),\n"
     "values cut to their field's length, values not of their field's declared form\n"
     "and text after a closing quote; --strict makes them refusals, and a run it\n"
     "stops leaves no output.\n"},
    {"fields", CliCommand::Fields, kFields, "fields DDFILE [--csv INPUT] | fields --init CSV",
     "list a DD file's fields, or start one",
     "Lists the fields the DD file offers (name, position, section) and, with --csv,\n"
     "which field each column of INPUT is matched with. With --init CSV, writes to\n"
     "standard output a DD file for that CSV: one field per column, as long as its\n"
     "longest value, laid end to end; a column whose values are not all digits, '-'\n"
     "and ',' gets a Format section, so it is read as text.\n"},
    {"layout", CliCommand::Layout, kLayout, "layout DDFILE [--population] [--json] [--check]",
     "show where each field lies in a record",
     "Prints every field the DD file offers with its start, end and length in the\n"
     "record, numeric or text, and its section, then a ruler of the record with the\n"
     "fields marked. Overlapping fields and fields past the record length are flagged.\n"},
    {"check", CliCommand::Check, kCheck, "check FILE --dd DDFILE | --length N [options]",
     "check a fixed-length file against its layout",
     "Reads every record of FILE and reports what is not as the DD file (or --length N)\n"
     "lays it out: a record of the wrong length, a missing or wrong record end, an\n"
     "unprintable byte, and a byte other than a digit in a numeric field that is not\n"
     "blank (or not the sign, digit or fill where a declared field form puts it).\n"
     "One line per finding, FILE:RECORD:FIELD: what (the first 20 of each kind), then\n"
     "the counts. Exit status 0 when every record is clean, 1 when not.\n"},
    {"unpack", CliCommand::Unpack, kUnpack, "unpack FILE OUTPUT --dd DDFILE [options]",
     "turn fixed-length records back into CSV",
     "Writes the records of FILE to OUTPUT as CSV: a header of the field names (as\n"
     "'fields' shows them), then one line per record, one column per field in record\n"
     "order. Values lose the fill a conversion adds: blanks on the right of text,\n"
     "zeros on the left of numbers, or a declared form's fill, sign and decimals\n"
     "(--keep-fill keeps them). A value with the\n"
     "delimiter, a quote or a leading blank is quoted, quotes doubled (RFC 4180);\n"
     "lines end in CR LF. A record of the wrong length or end stops the run.\n"},
    {"help", CliCommand::Help, 0, nullptr, nullptr, nullptr},
    {"--help", CliCommand::Help, 0, nullptr, nullptr, nullptr},
    {"-h", CliCommand::Help, 0, nullptr, nullptr, nullptr},
    {"--version", CliCommand::Version, 0, nullptr, nullptr, nullptr},
};

const CommandSyntax& SyntaxOf(CliCommand command) {
    for (const CommandSyntax& syntax : kCommands) {
        if (syntax.command == command) return syntax;
    }
    return kCommands[0];  // not reached: every command has a syntax
}

// Levenshtein distance, for suggesting the nearest command or option to a typo.
std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// "; did you mean 'X'?" for the one candidate that starts with what was typed (a word cut
// short), else for the nearest candidate within two edits, else empty.
template <typename Candidates, typename NameOf>
std::string Suggestion(const std::string& typed, const Candidates& candidates, NameOf nameOf) {
    constexpr std::size_t kFurthest = 2;
    std::string best;
    int startsWith = 0;
    for (const auto& candidate : candidates) {
        const std::string name = nameOf(candidate);
        if (typed.size() >= 2 && name.compare(0, typed.size(), typed) == 0 && ++startsWith == 1) best = name;
    }
    if (startsWith == 1) return "; did you mean '" + best + "'?";
    best.clear();
    std::size_t bestDistance = kFurthest + 1;
    for (const auto& candidate : candidates) {
        const std::string name = nameOf(candidate);
        const std::size_t distance = EditDistance(typed, name);
        if (distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    return best.empty() ? "" : "; did you mean '" + best + "'?";
}

int64_t ParseCount(const char* option, const std::string& text, int64_t largest) {
    bool digitsOnly =
        !text.empty() && text.size() <= 19 && text.find_first_not_of("0123456789") == std::string::npos;
    long long value = digitsOnly ? std::strtoll(text.c_str(), nullptr, 10) : 0;
    if (value <= 0 || value > largest) {
        throw CliUsageError(std::string(option) + " expects " +
                            (largest == INT32_MAX ? "a record length" : "a number of lines") + " from 1 to " +
                            std::to_string(largest) + ", not '" + text + "'");
    }
    return value;
}

int ParseThreads(const std::string& text) {
    bool digitsOnly =
        !text.empty() && text.size() <= 3 && text.find_first_not_of("0123456789") == std::string::npos;
    int value = digitsOnly ? std::atoi(text.c_str()) : -1;
    if (value < 0 || value > kMostThreads) {
        throw CliUsageError("--threads expects a number of threads from 0 to " +
                            std::to_string(kMostThreads) + ", not '" + text + "'");
    }
    return value;
}

int ParseLevel(const std::string& text) {
    const bool oneDigit = text.size() == 1 && text[0] >= '0' + kFastestGzipLevel && text[0] <= '0' + kSmallestGzipLevel;
    if (!oneDigit) {
        throw CliUsageError("--level expects a compression level from " + std::to_string(kFastestGzipLevel) +
                            " (fastest) to " + std::to_string(kSmallestGzipLevel) + " (smallest), not '" + text + "'");
    }
    return text[0] - '0';
}

ColumnOverride ParseMap(const std::string& text) {
    std::string::size_type equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size()) {
        throw CliUsageError("--map expects COLUMN=FIELD, not '" + text + "'");
    }
    return ColumnOverride{text.substr(0, equals), text.substr(equals + 1), false};
}

RecordEnd ParseRecordEnd(const std::string& text) {
    if (text == "crlf") return RecordEnd::CrLf;
    if (text == "lf") return RecordEnd::Lf;
    if (text == "none") return RecordEnd::None;
    throw CliUsageError("--record-end expects crlf, lf or none, not '" + text + "'");
}

// One byte, or "\t" / "tab" for the tab; never a quote (it groups values) or a line end.
char ParseDelimiter(const std::string& text) {
    if (text == "\\t" || text == "tab") return '\t';
    if (text.size() == 1 && text[0] != '"' && text[0] != '\r' && text[0] != '\n' && text[0] != '\0') {
        return text[0];
    }
    throw CliUsageError("--delimiter expects one character (or \\t or tab), not '" + text + "'");
}

struct OptionSyntax {
    const char* name;
    const char* shortName;  // null when there is none
    const char* valueName;  // null for an option without a value
    unsigned commands;
    const char* help;  // one line of the command help
    void (*apply)(CliArguments& arguments, const std::string& value);
};

const OptionSyntax kOptions[] = {
    {"--length", "-l", "N", kPad | kCheck, "record length in bytes (1 to 2147483647)",
     [](CliArguments& a, const std::string& v) {
         a.recordLength = static_cast<int32_t>(ParseCount("--length", v, INT32_MAX));
     }},
    {"--dd", nullptr, "DDFILE", kCsv | kCheck | kUnpack, "the data definition file",
     [](CliArguments& a, const std::string& v) { a.ddFile = v; }},
    {"--csv", nullptr, "INPUT", kFields, "show how the columns of INPUT are matched",
     [](CliArguments& a, const std::string& v) { a.csvInput = v; }},
    {"--init", nullptr, "CSV", kFields, "write a DD file for CSV to standard output",
     [](CliArguments& a, const std::string& v) {
         a.csvInput = v;
         a.initLayout = true;
     }},
    {"--scan", nullptr, "N", kFields, "with --init: measure the first N data lines only",
     [](CliArguments& a, const std::string& v) { a.scanLines = ParseCount("--scan", v, INT64_MAX); }},
    {"--header-from", nullptr, "FILE", kCsv | kFields, "take the header from FILE; every line of INPUT is data",
     [](CliArguments& a, const std::string& v) { a.headerFrom = v; }},
    {"--delimiter", nullptr, "C", kCsv | kFields | kUnpack, "column separator: , ; | or \\t (tab); default ,",
     [](CliArguments& a, const std::string& v) { a.delimiter = ParseDelimiter(v); }},
    {"--map", nullptr, "COL=FIELD", kCsv, "match a column (header or #N) with a field (name or @J)",
     [](CliArguments& a, const std::string& v) { a.overrides.push_back(ParseMap(v)); }},
    {"--ignore", nullptr, "COLUMN", kCsv, "leave a column out (header or #N)",
     [](CliArguments& a, const std::string& v) {
         a.overrides.push_back(ColumnOverride{v, "", true});
     }},
    {"--population", nullptr, nullptr, kCsv | kFields | kLayout | kCheck | kUnpack,
     "use the population fields and offsets",
     [](CliArguments& a, const std::string&) { a.population = true; }},
    {"--strict", nullptr, nullptr, kCsv, "refuse unmatched columns; stop at the first cut value",
     [](CliArguments& a, const std::string&) { a.strict = true; }},
    {"--check", nullptr, nullptr, kLayout, "list mistakes in the DD file instead; exit 1 when any",
     [](CliArguments& a, const std::string&) { a.checkLayout = true; }},
    {"--cut-on-characters", nullptr, nullptr, kCsv, "cut long values before a UTF-8 character, not inside it",
     [](CliArguments& a, const std::string&) { a.cutOnCharacters = true; }},
    {"--head", nullptr, "N", kPad | kCsv, "convert only the first N data lines",
     [](CliArguments& a, const std::string& v) { a.headLines = ParseCount("--head", v, INT64_MAX); }},
    {"--dry-run", nullptr, nullptr, kPad | kCsv, "read and count everything, write nothing",
     [](CliArguments& a, const std::string&) { a.dryRun = true; }},
    {"--blank-unprintable", nullptr, nullptr, kPad | kCsv,
     "Convert Unprintable Non-ASCII Characters to Blanks",
     [](CliArguments& a, const std::string&) { a.blankUnprintable = true; }},
    {"--force", "-f", nullptr, kPad | kCsv | kUnpack, "overwrite an existing OUTPUT",
     [](CliArguments& a, const std::string&) { a.force = true; }},
    {"--quiet", "-q", nullptr, kPad | kCsv | kCheck | kUnpack, "print no progress, statistics or warnings",
     [](CliArguments& a, const std::string&) { a.quiet = true; }},
    {"--threads", nullptr, "N", kPad | kCsv | kUnpack,
     "threads that convert and compress (default 0: all cores)",
     [](CliArguments& a, const std::string& v) { a.threads = ParseThreads(v); }},
    {"--level", nullptr, "N", kPad | kCsv | kUnpack,
     "gzip OUTPUT's level: 1 fastest to 9 smallest (default 6)",
     [](CliArguments& a, const std::string& v) { a.level = ParseLevel(v); }},
    {"--record-end", nullptr, "END", kPad | kCsv | kCheck | kUnpack,
     "what ends each record: crlf (default), lf, none",
     [](CliArguments& a, const std::string& v) { a.recordEnd = ParseRecordEnd(v); }},
    {"--keep-fill", nullptr, nullptr, kUnpack, "keep the blanks and zeros that fill the values",
     [](CliArguments& a, const std::string&) { a.keepFill = true; }},
    {"--json", nullptr, nullptr, kPad | kCsv | kFields | kLayout | kCheck | kUnpack,
     "the results as JSON (stderr when records go to stdout)",
     [](CliArguments& a, const std::string&) { a.json = true; }},
};

const OptionSyntax* FindOption(const std::string& name) {
    for (const OptionSyntax& option : kOptions) {
        if (name == option.name || (option.shortName != nullptr && name == option.shortName)) return &option;
    }
    return nullptr;
}

CliCommand CommandNamed(const std::string& word) {
    for (const CommandSyntax& syntax : kCommands) {
        if (word == syntax.word) return syntax.command;
    }
    throw CliUsageError(
        "unknown command '" + word + "'" +
        Suggestion(word, kCommands, [](const CommandSyntax& s) { return std::string(s.word); }));
}

// Applies one option word (and, for an option with a value, the word after it when the value
// is not attached with "="). Returns the number of extra words consumed.
int ApplyOption(CliArguments& arguments, const std::string& word, const char* next) {
    std::string::size_type equals = word.find('=');
    std::string name = word.substr(0, equals);
    const OptionSyntax* option = FindOption(name);
    if (option == nullptr) {
        throw CliUsageError(
            "unknown option '" + name + "'" +
            Suggestion(name, kOptions, [](const OptionSyntax& o) { return std::string(o.name); }));
    }
    if ((option->commands & SyntaxOf(arguments.command).bit) == 0) {
        throw CliUsageError("option '" + name + "' does not apply to " + SyntaxOf(arguments.command).word);
    }
    if (option->valueName == nullptr) {
        if (equals != std::string::npos) throw CliUsageError("option '" + name + "' takes no value");
        option->apply(arguments, "");
        return 0;
    }
    if (equals != std::string::npos) {
        option->apply(arguments, word.substr(equals + 1));
        return 0;
    }
    if (next == nullptr) throw CliUsageError("option '" + name + "' needs a value");
    option->apply(arguments, next);
    return 1;
}

void AssignOperands(CliArguments& arguments, const std::vector<std::string>& operands) {
    const bool takesDDFile =
        arguments.command == CliCommand::Fields || arguments.command == CliCommand::Layout;
    const bool check = arguments.command == CliCommand::Check;
    std::size_t wanted = takesDDFile ? (arguments.initLayout ? 0 : 1) : check ? 1 : 2;
    if (operands.size() < wanted) {
        throw CliUsageError(std::string(SyntaxOf(arguments.command).word) +
                            (check         ? " needs a file to check"
                             : wanted == 1 ? " needs a DD file"
                                           : " needs an input and an output file"));
    }
    if (operands.size() > wanted) throw CliUsageError("unexpected operand '" + operands[wanted] + "'");
    if (takesDDFile) {
        if (wanted == 1) arguments.ddFile = operands[0];
    } else if (check) {
        arguments.input = operands[0];
    } else {
        arguments.input = operands[0];
        arguments.output = operands[1];
    }
}

void CheckRequiredOptions(const CliArguments& arguments) {
    if (arguments.command == CliCommand::Pad && arguments.recordLength == 0) {
        throw CliUsageError("pad needs --length N");
    }
    if ((arguments.command == CliCommand::Csv || arguments.command == CliCommand::Unpack) &&
        arguments.ddFile.empty()) {
        throw CliUsageError(std::string(SyntaxOf(arguments.command).word) + " needs --dd DDFILE");
    }
    if (arguments.command == CliCommand::Check && arguments.ddFile.empty() == (arguments.recordLength == 0)) {
        throw CliUsageError("check needs either --dd DDFILE or --length N");
    }
    if (arguments.command == CliCommand::Check && arguments.population && arguments.ddFile.empty()) {
        throw CliUsageError("--population needs --dd DDFILE");
    }
    if (arguments.scanLines != 0 && !arguments.initLayout) throw CliUsageError("--scan needs --init CSV");
    if (arguments.command == CliCommand::Fields && !arguments.headerFrom.empty() && !arguments.initLayout)
        throw CliUsageError("--header-from needs --init CSV");
}

CliArguments HelpFor(CliCommand topic) {
    CliArguments arguments;
    arguments.helpTopic = topic;
    return arguments;
}

std::string OptionLines(unsigned commands) {
    std::string lines;
    for (const OptionSyntax& option : kOptions) {
        if ((option.commands & commands) == 0) continue;
        std::string left = option.name;
        if (option.shortName != nullptr) left = std::string(option.shortName) + ", " + left;
        if (option.valueName != nullptr) left += std::string(" ") + option.valueName;
        left.resize(std::max<std::size_t>(left.size() + 1, 22), ' ');
        lines += "  " + left + option.help + "\n";
    }
    return lines;
}

const char* const kStreamsAndStatus =
    "A name ending in .gz (any case) is read or written as gzip. An INPUT or OUTPUT\n"
    "of - is standard input or output (plain, streamed). Exit status: 0 completed,\n"
    "1 failed midway (records written so far remain), 2 usage or validation error\n"
    "(nothing written), 128+N stopped by signal N (the output is deleted).\n";

}  // namespace

CliArguments ParseCliArguments(int argc, const char* const* argv) {
    if (argc < 2) throw CliUsageError("no command given");
    CliArguments arguments;
    arguments.command = CommandNamed(argv[1]);
    if (arguments.command == CliCommand::Help && argc == 3 && std::string(argv[1]) == "help") {
        CliCommand topic = CommandNamed(argv[2]);
        return HelpFor(topic == CliCommand::Version ? CliCommand::Help : topic);
    }
    if (arguments.command == CliCommand::Help || arguments.command == CliCommand::Version) {
        if (argc > 2) throw CliUsageError(std::string("unexpected operand '") + argv[2] + "'");
        return arguments;
    }
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i) {
        std::string word = argv[i];
        if (optionsEnded || word == "-" || word.compare(0, 1, "-") != 0) {
            operands.push_back(word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (word == "--help" || word == "-h") {
            return HelpFor(arguments.command);
        } else {
            i += ApplyOption(arguments, word, i + 1 < argc ? argv[i + 1] : nullptr);
        }
    }
    AssignOperands(arguments, operands);
    CheckRequiredOptions(arguments);
    return arguments;
}

std::string CliHelpText(CliCommand topic) {
    if (topic != CliCommand::Help && topic != CliCommand::Version) {
        const CommandSyntax& syntax = SyntaxOf(topic);
        return std::string("Usage: lathwell-cli ") + syntax.usage + "\n\n" + syntax.about + "\nOptions:\n" +
               OptionLines(syntax.bit) + "\n" + kStreamsAndStatus;
    }
    std::string commands;
    std::string usages;
    for (const CommandSyntax& syntax : kCommands) {
        if (syntax.usage == nullptr) continue;
        std::string line = std::string("  ") + syntax.word;
        line.resize(10, ' ');
        commands += line + syntax.summary + "\n";
        usages += std::string("  lathwell-cli ") + syntax.usage + "\n";
    }
    return "Usage: lathwell-cli COMMAND [options]\n"
           "\n"
           "Rewrites a flat text file so that every record has one fixed length, followed\n"
           "by CR LF (or --record-end lf or none); checks such files and reads them back.\n"
           "\n"
           "Commands:\n" +
           commands +
           "  help    help COMMAND (or COMMAND --help): what a command does, its options\n"
           "\n" +
           usages +
           "  lathwell-cli --help | --version\n"
           "\n" +
           kStreamsAndStatus +
           "\n"
           "Examples:\n"
           "  lathwell-cli pad flat.txt flat.txd -l 80\n"
           "  lathwell-cli csv deaths.csv deaths.txd --dd deaths.dd --map Deaths=@10\n";
}

}  // namespace lathwell::cli
