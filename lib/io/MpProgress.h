// MpProgressInterface: what a long file operation (the block copies of MpIOInterface) tells
// about its progress, and how it asks whether to go on. MpNullProgress ignores everything and
// always goes on; one shared, stateless instance serves every caller.
#pragma once

#include "MpNativeInt.h"

class MpProgressInterface {
public:
    virtual ~MpProgressInterface();

    // A line of text about the operation (first what it does, then what it works on).
    virtual void ShowMessage(const char* pText) = 0;
    virtual void SetRange(nativeint llMinimum, nativeint llMaximum) = 0;
    virtual void SetPosition(nativeint llPosition) = 0;
    virtual nativeint GetMaximum() const = 0;
    // False asks the operation to stop.
    virtual bool GoOn() = 0;
};

class MpNullProgress : public MpProgressInterface {
public:
    void ShowMessage(const char*) override {}
    void SetRange(nativeint, nativeint) override {}
    void SetPosition(nativeint) override {}
    nativeint GetMaximum() const override { return 0; }
    bool GoOn() override { return true; }

    static MpNullProgress& Shared();
};
