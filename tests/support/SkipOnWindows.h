// Skips a test, with the reason, where it checks what only the Linux build does.
#pragma once

#include <gtest/gtest.h>

#ifdef _WIN32
#define LATHWELL_SKIP_ON_WINDOWS(reason) GTEST_SKIP() << "not on Windows: " << reason
#else
#define LATHWELL_SKIP_ON_WINDOWS(reason) static_cast<void>(0)
#endif
