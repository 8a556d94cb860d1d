#include "CliArguments.h"

#include <cstdint>
#include <cstdlib>

namespace lathwell::cli {

namespace {

// More compression threads than this would only cost memory.
constexpr int kMostThreads = 256;

enum CommandBit : unsigned { kPad = 1, kCsv = 2, kFields = 4 };

struct CommandSyntax {
    const char* word;
    CliCommand command;
    unsigned bit;  // marks the options that apply to the command
};

const CommandSyntax kCommands[] = {
    {"pad", CliCommand::Pad, kPad},           // INPUT OUTPUT --length N
    {"csv", CliCommand::Csv, kCsv},           // INPUT OUTPUT --dd DDFILE
    {"fields", CliCommand::Fields, kFields},  // DDFILE
    {"--help", CliCommand::Help, 0},          // no operands and no options
    {"-h", CliCommand::Help, 0},
    {"--version", CliCommand::Version, 0},
};

const CommandSyntax& SyntaxOf(CliCommand command) {
    for (const CommandSyntax& syntax : kCommands) {
        if (syntax.command == command) return syntax;
    }
    return kCommands[0];  // not reached: every command has a syntax
}

int32_t ParseRecordLength(const std::string& text) {
    bool digitsOnly =
        !text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string::npos;
    long long value = digitsOnly ? std::strtoll(text.c_str(), nullptr, 10) : 0;
    if (value <= 0 || value > INT32_MAX) {
        throw CliUsageError("--length expects a record length from 1 to 2147483647, not '" + text + "'");
    }
    return static_cast<int32_t>(value);
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

ColumnOverride ParseMap(const std::string& text) {
    std::string::size_type equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size()) {
        throw CliUsageError("--map expects COLUMN=FIELD, not '" + text + "'");
    }
    return ColumnOverride{text.substr(0, equals), text.substr(equals + 1), false};
}

struct OptionSyntax {
    const char* name;
    bool takesValue;
    unsigned commands;
    void (*apply)(CliArguments& arguments, const std::string& value);
};

const OptionSyntax kOptions[] = {
    {"--length", true, kPad,
     [](CliArguments& a, const std::string& v) { a.recordLength = ParseRecordLength(v); }},
    {"--dd", true, kCsv, [](CliArguments& a, const std::string& v) { a.ddFile = v; }},
    {"--csv", true, kFields, [](CliArguments& a, const std::string& v) { a.csvInput = v; }},
    {"--map", true, kCsv, [](CliArguments& a, const std::string& v) { a.overrides.push_back(ParseMap(v)); }},
    {"--ignore", true, kCsv,
     [](CliArguments& a, const std::string& v) {
         a.overrides.push_back(ColumnOverride{v, "", true});
     }},
    {"--population", false, kCsv | kFields, [](CliArguments& a, const std::string&) { a.population = true; }},
    {"--blank-unprintable", false, kPad | kCsv,
     [](CliArguments& a, const std::string&) { a.blankUnprintable = true; }},
    {"--force", false, kPad | kCsv, [](CliArguments& a, const std::string&) { a.force = true; }},
    {"--quiet", false, kPad | kCsv, [](CliArguments& a, const std::string&) { a.quiet = true; }},
    {"--threads", true, kPad | kCsv,
     [](CliArguments& a, const std::string& v) { a.threads = ParseThreads(v); }},
    {"--json", false, kPad | kCsv | kFields, [](CliArguments& a, const std::string&) { a.json = true; }},
};

const OptionSyntax* FindOption(const std::string& name) {
    for (const OptionSyntax& option : kOptions) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

CliCommand CommandNamed(const std::string& word) {
    for (const CommandSyntax& syntax : kCommands) {
        if (word == syntax.word) return syntax.command;
    }
    throw CliUsageError("unknown command '" + word + "'");
}

// Applies one option word (and, for an option with a value, the word after it when the value
// is not attached with "="). Returns the number of extra words consumed.
int ApplyOption(CliArguments& arguments, const std::string& word, const char* next) {
    std::string::size_type equals = word.find('=');
    std::string name = word.substr(0, equals);
    const OptionSyntax* option = FindOption(name);
    if (option == nullptr) throw CliUsageError("unknown option '" + name + "'");
    if ((option->commands & SyntaxOf(arguments.command).bit) == 0) {
        throw CliUsageError("option '" + name + "' does not apply to " + SyntaxOf(arguments.command).word);
    }
    if (!option->takesValue) {
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
    std::size_t wanted = arguments.command == CliCommand::Fields ? 1 : 2;
    if (operands.size() < wanted) {
        throw CliUsageError(std::string(SyntaxOf(arguments.command).word) +
                            (wanted == 1 ? " needs a DD file" : " needs an input and an output file"));
    }
    if (operands.size() > wanted) throw CliUsageError("unexpected operand '" + operands[wanted] + "'");
    if (arguments.command == CliCommand::Fields) {
        arguments.ddFile = operands[0];
    } else {
        arguments.input = operands[0];
        arguments.output = operands[1];
    }
}

void CheckRequiredOptions(const CliArguments& arguments) {
    if (arguments.command == CliCommand::Pad && arguments.recordLength == 0) {
        throw CliUsageError("pad needs --length N");
    }
    if (arguments.command == CliCommand::Csv && arguments.ddFile.empty()) {
        throw CliUsageError("csv needs --dd DDFILE");
    }
}

}  // namespace

CliArguments ParseCliArguments(int argc, const char* const* argv) {
    if (argc < 2) throw CliUsageError("no command given");
    CliArguments arguments;
    arguments.command = CommandNamed(argv[1]);
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
            arguments.command = CliCommand::Help;
            return arguments;
        } else {
            i += ApplyOption(arguments, word, i + 1 < argc ? argv[i + 1] : nullptr);
        }
    }
    AssignOperands(arguments, operands);
    CheckRequiredOptions(arguments);
    return arguments;
}

const std::string& CliHelpText() {
    static const std::string text =
        "Usage:\n"
        "  lathwell-cli pad INPUT OUTPUT --length N [--blank-unprintable] [--force] [--quiet] [--json]\n"
        "                   [--threads N]\n"
        "  lathwell-cli csv INPUT OUTPUT --dd DDFILE [--population] [--map COLUMN=FIELD]...\n"
        "                   [--ignore COLUMN]... [--blank-unprintable] [--force] [--quiet] [--json]\n"
        "                   [--threads N]\n"
        "  lathwell-cli fields DDFILE [--population] [--csv INPUT] [--json]\n"
        "  lathwell-cli --help | --version\n"
        "\n"
        "Rewrites a flat text file so that every record has one fixed length, followed by CR LF.\n"
        "\n"
        "Commands:\n"
        "  pad     Pads every non-empty line of INPUT with blanks, or cuts it, to N bytes.\n"
        "  csv     Converts the comma-delimited INPUT into fixed-field records laid out by the\n"
        "          DD file; the record length is its RecordLength (PopRecordLength with\n"
        "          --population). The first line of INPUT names the columns.\n"
        "  fields  Lists the fields the DD file offers (name, position, section) and, with\n"
        "          --csv, which field each column of INPUT is matched with.\n"
        "\n"
        "Options:\n"
        "  --length N           record length in bytes (1 to 2147483647)\n"
        "  --dd DDFILE          the data definition file\n"
        "  --population         use the population fields and offsets of the DD file\n"
        "  --map COLUMN=FIELD   match a column with a field; COLUMN is a header or #N (1-based\n"
        "                       column number), FIELD a field's shown name (any case) or @J\n"
        "                       (section index); a later --map or --ignore of a column wins\n"
        "  --ignore COLUMN      leave a column out\n"
        "  --blank-unprintable  Convert Unprintable Non-ASCII Characters to Blanks\n"
        "  --force              overwrite an existing OUTPUT\n"
        "  --quiet              print neither the progress line nor the statistics text\n"
        "  --threads N          threads that compress a gzip OUTPUT (0 to 256); 0, the default,\n"
        "                       uses every core; with 1 the file is the same as earlier versions wrote\n"
        "  --json               print the statistics as one JSON object on standard output\n"
        "                       (on standard error when OUTPUT is -), also with --quiet\n"
        "\n"
        "Columns are matched automatically first: a header matches the first field, in order\n"
        "of position, whose shown name is the same once both are upper-cased and blanks are\n"
        "read as '_'. A name ending in .gz (any case) is read or written as gzip.\n"
        "\n"
        "An INPUT, OUTPUT or --csv INPUT of - is standard input or output: always plain (never\n"
        "gzip) and streamed, so records reach standard output while the input is still being\n"
        "read; csv and fields read the header line from it once, so a pipe works. A write to\n"
        "standard output that fails (a closed pipe, a full device) ends the run with exit\n"
        "status 1, and the records it already wrote stay written.\n"
        "\n"
        "Exit status: 0 when the run completed, 1 when it failed midway (the records written so\n"
        "far remain), 2 for a usage or validation error (nothing is written).\n";
    return text;
}

}  // namespace lathwell::cli
