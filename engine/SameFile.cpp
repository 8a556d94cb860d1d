#include "SameFile.h"

#include "MpIODescriptor.h"
#include "MpIOInterface.h"

namespace lathwell {

bool IsSameFile(const char* firstName, const char* secondName) {
    return MpIOInterface::IsSameFile(firstName, secondName);
}

bool IsSameFile(int descriptor, const char* name) {
    return MpIODescriptor(descriptor).IsSameFile(name);
}

}  // namespace lathwell
