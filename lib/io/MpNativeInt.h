// nativeint: the library's signed 64-bit integer for file positions, sizes and offsets.
#pragma once

#include <cstdint>

using nativeint = int64_t;
