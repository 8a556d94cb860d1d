// MpString's stream operations: they live with the stream classes, so lib/base does not
// depend on lib/io.
#include <memory>

#include "MpException.h"
#include "MpStreamInterface.h"
#include "MpString.h"

void MpString::Read(MpInputStreamInterface& stream) {
    try {
        // ReadCString leaves no array behind when it fails.
        char* pText = nullptr;
        stream.ReadCString(pText);
        std::unique_ptr<char[]> owner(pText);
        Copy(pText);
    } catch (MpException& e) {
        e.AddCallpath("Read()", "MpString");
        throw;
    }
}

void MpString::Write(MpOutputStreamInterface& stream) const {
    try {
        stream.WriteCString(GetCString());
    } catch (MpException& e) {
        e.AddCallpath("Write()", "MpString");
        throw;
    }
}
