// Text from files shown on a terminal or in JSON: CSV headers, DD names and file names are
// bytes in whatever encoding their writer used, and may hold control bytes.
//   - Utf8SequenceLength tells a well-formed UTF-8 character of two to four bytes (no overlong
//     form, no surrogate, nothing above U+10FFFF) from bytes that only look like one;
//   - TerminalSafe shows control bytes (below 0x20, 0x7f, and the C1 controls U+0080-U+009F)
//     as \xHH, so an escape sequence in a header cannot act on the terminal;
//   - CharacterCount counts what a terminal shows: one per character, one per other byte.
#pragma once

#include <cstddef>
#include <string>

namespace lathwell::cli {

// The length (2 to 4) of the well-formed multi-byte UTF-8 character at text, of which left
// bytes are available; 0 when there is none there.
std::size_t Utf8SequenceLength(const char* text, std::size_t left);

std::string TerminalSafe(const std::string& text);

std::size_t CharacterCount(const std::string& text);

}  // namespace lathwell::cli
