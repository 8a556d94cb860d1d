#include "MpIOSystem.h"

#include "MpException.h"
#include "MpPlatformFile.h"

int MpIOSystem::OSCapabilities = 0;

void MpIOSystem::SetOSCapabilities() {
    try {
        int iCapabilities = MpPlatformOSCapabilities();
        if (iCapabilities < 0) {
            MpException::RaiseWithSystemError("Could not retrieve OS version -- ", false, "MpIOSystem");
        }
        OSCapabilities = iCapabilities;
    } catch (MpException& e) {
        e.AddCallpath("SetOSCapabilities()", "MpIOSystem");
        throw;
    }
}
