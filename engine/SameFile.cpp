#include "SameFile.h"

#include "MpPlatformFile.h"

namespace lathwell {

bool IsSameFile(const char* firstName, const char* secondName) {
    return MpPlatformSameFile(firstName, secondName);
}

bool IsSameFile(int descriptor, const char* name) {
    return MpPlatformSameFileAsDescriptor(descriptor, name);
}

}  // namespace lathwell
