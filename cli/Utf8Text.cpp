#include "Utf8Text.h"

#include <cstdint>
#include <cstdio>

namespace lathwell::cli {

std::size_t Utf8SequenceLength(const char* text, std::size_t left) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length;
    uint32_t code;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (left < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i) & 0x3Fu);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return overlong || surrogate || code > 0x10FFFF ? 0 : length;
}

std::string TerminalSafe(const std::string& text) {
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        const std::size_t sequence = Utf8SequenceLength(text.data() + i, text.size() - i);
        // A C1 control is U+0080-U+009F: C2 80 to C2 9F.
        const bool c1 = sequence == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if (byte < 0x20 || byte == 0x7f || c1) {
            for (std::size_t k = 0; k < (c1 ? 2u : 1u); ++k) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(text[i + k]));
                safe += escape;
            }
            i += c1 ? 2 : 1;
        } else {
            const std::size_t take = sequence == 0 ? 1 : sequence;
            safe.append(text, i, take);
            i += take;
        }
    }
    return safe;
}

std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        const std::size_t sequence = Utf8SequenceLength(text.data() + i, text.size() - i);
        i += sequence == 0 ? 1 : sequence;
    }
    return count;
}

}  // namespace lathwell::cli
