#include "MpProgress.h"

MpProgressInterface::~MpProgressInterface() {}

MpNullProgress& MpNullProgress::Shared() {
    static MpNullProgress shared;
    return shared;
}
