#pragma once
// The operating-system check of controllers without KVXreal C. Scan finds the newest image in
// the program directory's "KVXreal" folder and reads the controller's version; both versions
// are fixed-width texts ("MM.mm.bb.rrrr") so that comparing their characters orders them by
// number. Upgrade asks the user (when told to) and loads the image. The controller is reached
// at PLA:ELA on Link (by default 255:30 on link 0).
#include <cstdint>
#include <string>

#include "platform/transfer/TransferEngine.h"

namespace components {

class OsVersionChecker {
public:
    virtual ~OsVersionChecker() = default;

    virtual void Owner(intptr_t window) = 0;
    virtual void Directory(const std::string& programDirectory) = 0;
    virtual void Link(int32_t link) = 0;
    virtual void PLA(uint8_t pla) = 0;
    virtual void ELA(uint8_t ela) = 0;
    // Whether the image may travel compressed: Auto where the link makes it pay (the
    // default), Off for plain blocks. Set before Upgrade.
    virtual void Compression(transfer::Compression compression) { (void)compression; }

    // `interactive` -1 reports problems in message boxes. `result`: 1 when an image and the
    // controller's version were both found, 0 otherwise. False when the call failed.
    virtual bool Scan(int16_t interactive, int32_t options, int32_t& result) = 0;
    // The image's version (empty before a successful Scan).
    virtual std::string FirstVersion() const = 0;
    // The controller's version (empty before a successful Scan).
    virtual std::string SecondVersion() const = 0;
    // `ask` -1: the user confirms first. `result` 1 when the controller now runs the image's
    // version, 0 when the user declined, -1 when the upgrade failed (the user was told).
    virtual bool Upgrade(int16_t ask, int32_t options, int32_t& result) = 0;
};

}  // namespace components
