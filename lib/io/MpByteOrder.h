// The byte order of the library's binary stream form: every multi-byte value is stored least
// significant byte first. MpStreamByteOrder converts a value between the machine's order and
// the stream's, in either direction; on a little-endian machine it changes nothing.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

// The value with its bytes in reverse order.
template <class T>
T MpReverseBytes(T value) {
    static_assert(std::is_trivially_copyable<T>::value, "only plain values have a byte order");
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (size_t i = 0; i < sizeof(T) / 2; ++i) {
        unsigned char swapped = bytes[i];
        bytes[i] = bytes[sizeof(T) - 1 - i];
        bytes[sizeof(T) - 1 - i] = swapped;
    }
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

template <class T>
T MpStreamByteOrder(T value) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return MpReverseBytes(value);
#else
    return value;
#endif
}
