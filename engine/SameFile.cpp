#include "SameFile.h"

#include "MpPlatformFile.h"

bool IsSameFile(const char* firstName, const char* secondName) {
    return MpPlatformSameFile(firstName, secondName);
}
