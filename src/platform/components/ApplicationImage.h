#pragma once
// The application an older controller runs, read back through TransferRead (0x25) so that it
// can be kept and put back after a load that went wrong.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/components/LoadFigures.h"
#include "platform/transfer/TransferEngine.h"
#include "platform/wire/Frame.h"
#include "platform/wire/TransferPayloads.h"

namespace comm {
class LinkAccess;
}

namespace components {

// An application as the controller gave it: its bytes (whose CRC-32 is `checksum`, the one the
// controller reported) and, when it came signed, the head and signature it was committed with.
struct HeldApplication {
    std::vector<uint8_t> image;
    uint32_t checksum = 0;
    std::vector<uint8_t> signedHead;
    std::vector<uint8_t> signature;
};

enum class ReadEnding {
    Read,        // `application` holds it
    Nothing,     // the controller holds no application: there is nothing to keep
    CannotGive,  // a controller built before the read, or one that does not know its bytes
    Failed,      // the link failed or a reply did not add up; `why` says which
};

struct ApplicationReading {
    ReadEnding ending = ReadEnding::Failed;
    HeldApplication application;
    std::string why;
};

// Reads the whole application with several pieces in flight at once; every piece must report
// the same size and checksum, and the bytes put together must have that checksum.
ApplicationReading readApplication(comm::LinkAccess& links, int32_t link, wire::Address to);

// What the controller holds now (state, size, checksum), without its bytes; nothing with `why`
// (and the reply or link-local code in `code1`) when it does not answer the read.
std::optional<wire::TransferReadReply> applicationInfo(comm::LinkAccess& links, int32_t link,
                                                       wire::Address to, std::string& why,
                                                       uint16_t* code1 = nullptr);

// The transfer that puts `application` back (LegacyApplication target, its signature attached).
transfer::Job putBackJob(int32_t link, wire::Address to, const HeldApplication& application,
                         const std::string& name);

// Puts `application` into the controller as its application and starts it: staged whole first,
// then the running one stopped, the commit, the start, and a read-back that it runs with the
// application's checksum. False with `why`; a failure before the commit changes nothing.
// `moved`, when given, hears what was sent once it is all staged.
bool putApplicationBack(comm::LinkAccess& links, const transfer::Tuning& tuning,
                        transfer::Compression compression, int32_t link, wire::Address to,
                        const HeldApplication& application,
                        const std::function<void()>& events, std::string& why,
                        LoadFigures* moved = nullptr);

// The kept file's bytes and its side file of head and signature, as readApplication gave them.
std::vector<uint8_t> signaturePart(const HeldApplication& application);
// False when `bytes` is not a signature part (an empty one is: the image came unsigned).
bool takeSignaturePart(const std::vector<uint8_t>& bytes, HeldApplication& application);

}  // namespace components
