#pragma once
// The two receivers a loader reports to while it runs. Both are called on the caller's
// thread, from inside the loader's long call.
#include <cstdint>
#include <string>

namespace components {

class IQAVSErrorCallback {
public:
    virtual ~IQAVSErrorCallback() = default;
    // One failure, in words for the user; returns when the user has seen it.
    virtual void QAVSErrorMessage(const std::string& Message) = 0;
};

class IQAVSProgressCallback {
public:
    virtual ~IQAVSProgressCallback() = default;
    // How far the load is, 0 to 1; called after each acknowledged window of blocks. The
    // receiver may process window events here and may call the loader's Cancel.
    virtual void QAVSProgress(double ZeroToOne) = 0;
    // The same moment in the image's bytes, called just before QAVSProgress: how many the
    // controller has staged of how many (not what travelled, which compression makes less).
    virtual void QAVSProgressBytes(uint64_t Acknowledged, uint64_t Total) {
        (void)Acknowledged;
        (void)Total;
    }
};

}  // namespace components
