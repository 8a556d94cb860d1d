// Comparing names as users type them: file extensions and field names are equal whatever the
// case of their ASCII letters. Other bytes compare as they are, so the result does not depend
// on the locale.
#pragma once

namespace lathwell {

// True when both texts are equal once ASCII letters are folded to one case.
// REQUIRES: both texts are NUL-terminated.
inline bool EqualIgnoringCase(const char* a, const char* b) {
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    for (;; ++a, ++b) {
        if (fold(static_cast<unsigned char>(*a)) != fold(static_cast<unsigned char>(*b))) return false;
        if (*a == '\0') return true;
    }
}

}  // namespace lathwell
