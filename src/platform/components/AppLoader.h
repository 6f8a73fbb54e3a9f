#pragma once
// Loads an application image into a partition of a KVXreal C controller.
//
// Open takes a job file (see docs/job-file.md): for this loader it names the image file and
// may name the partition's program name. Properties are read and written through overloads
// of the same name: `Partition()` reads, `Partition(n)` writes.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/components/Callbacks.h"
#include "platform/components/LoadFigures.h"
#include "platform/transfer/TransferEngine.h"

namespace components {

class AppLoader {
public:
    virtual ~AppLoader() = default;

    // What Open must find: a program (the default) or, with true, a web site. Set before Open;
    // an image of the other sort is refused by Open with a message naming both.
    virtual void WebSite(bool webSite) = 0;
    // Reads the job file and checks the image it names (format, checksum). False, with an
    // error callback when one is set, when either is unusable; Load then refuses to run.
    virtual bool Open(const std::string& jobFile) = 0;
    // Transfers the opened image into `Partition` of PLA:ELA on `Link` and commits it. True
    // only when the controller holds the whole image and its checksum matched. A failure
    // reports through the error callback and returns false; a cancelled load returns false
    // without an error callback. Either way the controller keeps the image it had.
    virtual bool Load() = 0;
    // Called by Load once every byte is staged, right before the commit: the caller stops the
    // running program there, so it runs on while the image travels. Not called when Load
    // fails or is cancelled before that point.
    virtual void BeforeCommit(std::function<void()> hook) { (void)hook; }
    // Asks a running Load to stop at the next window; safe from inside QAVSProgress.
    virtual void Cancel() = 0;
    // Why the last Load failed: the controller's reply code (wire::ReplyCode), a link-local
    // code when the link gave up, 0 when nothing is known.
    virtual uint16_t FailureCode() const { return 0; }

    // Whether the image may travel compressed: Auto where the link makes it pay (the
    // default), Off for plain blocks. Set before Load.
    virtual void Compression(transfer::Compression compression) { (void)compression; }
    // What the last completed Load moved and how long it took; empty before one.
    virtual LoadFigures LastLoad() const { return {}; }

    virtual uint8_t Partition() const = 0;
    virtual void Partition(uint8_t partition) = 0;
    // The program name from the job file (or the image); empty before Open.
    virtual std::string ProgramName() const = 0;
    virtual uint8_t PLA() const = 0;
    virtual void PLA(uint8_t pla) = 0;
    virtual uint8_t ELA() const = 0;
    virtual void ELA(uint8_t ela) = 0;
    virtual int32_t Link() const = 0;
    virtual void Link(int32_t link) = 0;
    // Null: no receiver.
    virtual void ErrorCallback(IQAVSErrorCallback* callback) = 0;
    virtual void ProgressCallback(IQAVSProgressCallback* callback) = 0;
};

}  // namespace components
