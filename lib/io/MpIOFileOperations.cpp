// The file operations of MpIOInterface that work on names rather than on an open object.
#include <algorithm>
#include <limits>
#include <memory>
#include <string>

#include "MpAlloc.h"
#include "MpException.h"
#include "MpIO.h"
#include "MpIOInterface.h"
#include "MpPlatformError.h"
#include "MpPlatformFile.h"
#include "MpProgress.h"
#include "MpString.h"

namespace {

// Block copies move this many bytes per step through one block buffer.
constexpr int32_t kBlockSize = 8192;

// Progress positions of a block copy run over this range.
constexpr nativeint kProgressMaximum = 100000;

// The copy opens both files with the lock types in the flags word, as the library always has;
// they do not affect the open.
constexpr unsigned kLockBits = static_cast<unsigned>(IO_LOCK_READ | IO_LOCK_WRITE);

std::unique_ptr<char[]> AllocateBlock() {
    return std::unique_ptr<char[]>(MpAllocate(kBlockSize));
}

int32_t NextBlock(nativeint& llRemaining) {
    int32_t lCount = static_cast<int32_t>(std::clamp<nativeint>(llRemaining, 0, kBlockSize));
    llRemaining -= lCount;
    return lCount;
}

}  // namespace

void MpIOInterface::Create(const char* sFile) {
    try {
        MpIO file;
        file.Open(sFile, IO_WRITE | IO_CREATE | IO_TRUNCATE);
        file.Close();
    } catch (MpException& e) {
        e.AddCallpath("Create()", "MpIOInterface");
        throw;
    }
}

void MpIOInterface::Delete(const char* sFile) {
    try {
        bool bRemoved = MpPlatformRemoveFile(sFile);
        int iError = bRemoved ? 0 : MpPlatformLastError();
        if (Exists(sFile)) RaiseFileFailure("deleting", sFile, iError);
    } catch (MpException& e) {
        e.AddCallpath("Delete()", "MpIOInterface");
        throw;
    }
}

bool MpIOInterface::Exists(const char* sFile) {
    return MpPlatformPathExists(sFile);
}

bool MpIOInterface::IsSameFile(const char* sFirst, const char* sSecond) {
    return MpPlatformSameFile(sFirst, sSecond);
}

nativeint MpIOInterface::GetFileSizeByName(const char* sFile) {
    return std::max<nativeint>(MpPlatformFileSizeByName(sFile), 0);
}

void MpIOInterface::Rename(const char* sTo, const char* sFrom) {
    try {
        if (MpPlatformRenameFile(sTo, sFrom)) return;
        Copy(sTo, sFrom, &MpNullProgress::Shared());
        Delete(sFrom);
    } catch (MpException& e) {
        e.AddCallpath("Rename()", "MpIOInterface");
        throw;
    }
}

void MpIOInterface::Copy(const char* sTo, const char* sFrom, MpProgressInterface* pProgress) {
    try {
        // The target is emptied under its lock before the source is read: the same file on
        // both sides would lose its contents (and the two whole-file locks would wait on each
        // other for ever).
        if (MpPlatformSameFile(sTo, sFrom)) return;
        MpIO source(sFrom, IO_READ | kLockBits);
        MpIO target(sTo, IO_WRITE | IO_CREATE | kLockBits);
        source.Lock(IO_LOCK_READ, 0, 0);
        target.Lock(IO_LOCK_WRITE, 0, 0);
        target.Truncate64(0);
        CopyBlockToFile(source, target, 0, 0, source.GetFileSize64(), pProgress);
        // Stored while the target is still locked, and closed here rather than by the
        // destructor, so that a failure to store the last block is reported.
        target.Flush();
        source.UnLock(IO_LOCK_READ, 0, 0);
        target.UnLock(IO_LOCK_WRITE, 0, 0);
        target.Close();
    } catch (MpException& e) {
        e.AddCallpath("Copy()", "MpIOInterface");
        throw;
    }
}

void MpIOInterface::CopyBlockToFile(MpIOInterface& source, MpIOInterface& target, nativeint llTargetOffset,
                                    nativeint llSourceOffset, nativeint llLength,
                                    MpProgressInterface* pProgress) {
    try {
        MpProgressInterface& progress = pProgress != nullptr ? *pProgress : MpNullProgress::Shared();
        source.Flush();
        std::unique_ptr<char[]> pBlock = AllocateBlock();
        const nativeint llBlocks = llLength / kBlockSize + 1;
        source.Seek64Absolute(llSourceOffset);
        target.Seek64Absolute(llTargetOffset);
        progress.ShowMessage("Copying files...");
        MpString sNames;
        sNames.printf("\"%s\" --> \"%s\"", source.GetFileName(), target.GetFileName());
        progress.ShowMessage(sNames.GetCString());
        progress.SetRange(0, kProgressMaximum);
        nativeint llRemaining = llLength;
        for (nativeint i = 0; i < llBlocks; ++i) {
            int32_t lCount = NextBlock(llRemaining);
            // A required read: a source that ends early must not leave stale block bytes in
            // the target.
            source.Read(pBlock.get(), lCount, true);
            target.Write(pBlock.get(), lCount);
            progress.SetPosition(static_cast<nativeint>(i * (static_cast<double>(kProgressMaximum) / llBlocks)));
            if (!progress.GoOn()) {
                MpIOCanceledException::Raise("Block copy canceled; %lld bytes remained to be copied",
                                             "MpIOInterface", static_cast<long long>(llRemaining));
            }
        }
        progress.SetPosition(progress.GetMaximum());
    } catch (MpException& e) {
        e.AddCallpath("CopyBlockToFile()", "MpIOInterface");
        throw;
    }
}

void MpIOInterface::CopyBlock(MpIOInterface& file, nativeint llTo, nativeint llFrom, nativeint llLength) {
    try {
        if (llTo == llFrom || llLength <= 0) return;
        file.Flush();
        std::unique_ptr<char[]> pBlock = AllocateBlock();
        // Moving towards higher offsets copies from the end, so that an overlapping range is
        // read before it is overwritten.
        const bool bBackwards = llFrom < llTo;
        if (bBackwards) {
            llTo += llLength;
            llFrom += llLength;
        }
        const nativeint llBlocks = llLength / kBlockSize + 1;
        nativeint llRemaining = llLength;
        for (nativeint i = 0; i < llBlocks; ++i) {
            int32_t lCount = NextBlock(llRemaining);
            if (bBackwards) {
                llTo -= lCount;
                llFrom -= lCount;
            }
            file.Seek64Absolute(llFrom);
            file.Read(pBlock.get(), lCount, true);
            file.Seek64Absolute(llTo);
            file.Write(pBlock.get(), lCount);
            if (!bBackwards) {
                llTo += lCount;
                llFrom += lCount;
            }
        }
    } catch (MpException& e) {
        e.AddCallpath("CopyBlock()", "MpIOInterface");
        throw;
    }
}

const char* MpIOInterface::GetTempFileName(MpString& sResult, const char* sDirectory, const char* sPrefix) {
    try {
        std::string sFolder;
        if (sDirectory != nullptr) {
            sFolder = sDirectory;
        } else if (!MpPlatformTempDirectory(sFolder)) {
            MpException::RaiseWithSystemError("Could not get temporary path name -- WIN32 : ", false, "MpIO");
        }
        std::string sPath;
        if (!MpPlatformCreateTempFile(sFolder.c_str(), sPrefix != nullptr ? sPrefix : "", sPath)) {
            MpException::RaiseWithSystemError("Could not get temporary file name -- WIN32 : ", false, "MpIO");
        }
        sResult = sPath.c_str();
        return sResult.GetCString();
    } catch (MpException& e) {
        e.AddCallpath("GetTempFileName", "MpIOInterface");
        throw;
    }
}

int32_t MpIOInterface::GetLongRepresentationOfNativeint(nativeint llValue) {
    try {
        if (llValue < std::numeric_limits<int32_t>::min() || llValue > std::numeric_limits<int32_t>::max()) {
            MpException::RaiseFormatted("64-bit value %lld is not representable in 32 bits (signed long).",
                                        "MpIOInterface", static_cast<long long>(llValue));
        }
        return static_cast<int32_t>(llValue);
    } catch (MpException& e) {
        e.AddCallpath("GetLongRepresentationOfNativeint(nativeint)", "MpIOInterface");
        throw;
    }
}
