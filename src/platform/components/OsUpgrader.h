#pragma once
// Loads an operating-system image into a KVXreal C controller: Upgrade stages it, FinishUpgrade
// commits it and waits, bounded, for the controller to come back (it may come back at another
// address, which PLA and ELA then hold). Flags are -1 (true) or 0 (false); each call returns
// false when the call itself failed.
#include <cstdint>
#include <string>

#include "platform/components/Callbacks.h"
#include "platform/components/LoadFigures.h"
#include "platform/transfer/TransferEngine.h"

namespace components {

class OsUpgrader {
public:
    virtual ~OsUpgrader() = default;

    // Looks for an image when the program found none: `found` -1 when one is now named by
    // UpgradeFile.
    virtual bool LocateImage(int32_t flags, int16_t& found) = 0;
    // Transfers UpgradeFile to the controller's staging area; `done` -1 when it arrived whole.
    // Cancel stops it at the next window; the controller keeps its operating system.
    virtual bool Upgrade(int32_t zero, int16_t& done) = 0;
    // Makes the staged image take effect and waits for the controller; `ready` -1 when it
    // answers again and runs the image's version.
    virtual bool FinishUpgrade(int32_t zero, int16_t& ready) = 0;
    virtual void Cancel() = 0;
    // Why the last Upgrade failed: the controller's reply code (wire::ReplyCode), a link-local
    // code when the link gave up, 0 when nothing is known.
    virtual uint16_t FailureCode() const { return 0; }

    // Whether the image may travel compressed: Auto where the link makes it pay (the
    // default), Off for plain blocks. Set before Upgrade.
    virtual void Compression(transfer::Compression compression) { (void)compression; }
    // What the last completed Upgrade moved and how long it took; empty before one.
    virtual LoadFigures LastLoad() const { return {}; }

    virtual uint8_t PLA() const = 0;
    virtual void PLA(uint8_t pla) = 0;
    virtual uint8_t ELA() const = 0;
    virtual void ELA(uint8_t ela) = 0;
    virtual int32_t Link() const = 0;
    virtual void Link(int32_t link) = 0;
    virtual void ErrorCallback(IQAVSErrorCallback* callback) = 0;
    virtual void ProgressCallback(IQAVSProgressCallback* callback) = 0;
    virtual std::string UpgradeFile() const = 0;
    virtual void UpgradeFile(const std::string& path) = 0;

    // Version of the image named by UpgradeFile, from its header; 0 when it cannot be read.
    virtual int16_t ImageVerMajor() const = 0;
    virtual int16_t ImageVerMinor() const = 0;
    virtual int16_t ImageVerBranch() const = 0;
    virtual int16_t ImageVerRevision() const = 0;
    // Why the image named by UpgradeFile cannot be loaded (unreadable, damaged, no operating
    // system); empty when it can.
    virtual std::string ImageProblem() const { return {}; }
};

}  // namespace components
