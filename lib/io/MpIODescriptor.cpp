#include "MpIODescriptor.h"

#include "MpPlatformFile.h"

static_assert(MpIODescriptor::kStandardInput == kMpStandardInput &&
                  MpIODescriptor::kStandardOutput == kMpStandardOutput,
              "the standard descriptors are the platform's");

int32_t MpIODescriptor::Read(void* pBuffer, int32_t lCount) const {
    return static_cast<int32_t>(MpPlatformFileRead(m_iDescriptor, pBuffer, lCount));
}

bool MpIODescriptor::Write(const void* pBuffer, int64_t llCount) const {
    return MpPlatformFileWrite(m_iDescriptor, pBuffer, llCount) == llCount;
}

int64_t MpIODescriptor::GetBytesLeft() const {
    int64_t llSize = MpPlatformFileSize(m_iDescriptor);
    int64_t llPosition = MpPlatformFileSeek(m_iDescriptor, 0, kMpSeekFromCurrent);
    return llSize > 0 && llPosition >= 0 && llPosition < llSize ? llSize - llPosition : 0;
}

bool MpIODescriptor::IsSameFile(const char* sPath) const {
    return MpPlatformSameFileAsDescriptor(m_iDescriptor, sPath);
}

bool MpIODescriptor::IsTerminal() const {
    return MpPlatformIsTerminal(m_iDescriptor);
}

void MpIODescriptor::IgnoreBrokenPipes() {
    MpPlatformIgnoreBrokenPipes();
}

bool MpIODescriptor::Close() const { return MpPlatformFileClose(m_iDescriptor); }
