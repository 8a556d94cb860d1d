#include "ThousandsSeparators.h"

#include <cstdio>
#include <cstring>

namespace lathwell {

char* AddThousandsSeparators(char* buffer) {
    if (std::strchr(buffer, 'e') != nullptr) return buffer;
    size_t length = std::strlen(buffer);
    // Positions count from the right end of the text as it was; each comma goes to the left of
    // those already placed, so it never shifts them.
    for (ptrdiff_t n = static_cast<ptrdiff_t>(length) - 3; n > 0; n -= 3) {
        if (buffer[n - 1] >= '0' && buffer[n] >= '0') {
            std::memmove(buffer + n + 1, buffer + n, length - static_cast<size_t>(n) + 1);
            buffer[n] = ',';
            ++length;
        }
    }
    return buffer;
}

MpString FormatWithThousandsSeparators(int32_t value) {
    char text[16];  // "-2,147,483,648" and its NUL
    std::snprintf(text, sizeof text, "%d", value);
    return MpString(AddThousandsSeparators(text));
}

}  // namespace lathwell
