#include "platform/components/RealOsUpgrader.h"

#include "platform/components/Channel.h"
#include "platform/components/HeldTransfer.h"
#include "platform/sysvars/Table.h"
#include "platform/wire/ReplyCode.h"

namespace components {
namespace {

std::string versionText(const image::Version& v) {
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "-" +
           std::to_string(v.branch) + " number " + std::to_string(v.revision);
}

// The controller's version as QSystem.Ver_* say; nullopt when a read fails twice. Just back
// from a restart, one lost reply is no failed upgrade.
std::optional<image::Version> controllerVersion(Channel& c) {
    uint16_t parts[4] = {};
    const char* names[4] = {"QSystem.Ver_Major", "QSystem.Ver_Minor", "QSystem.Ver_Branch",
                            "QSystem.Ver_Number"};
    for (int i = 0; i < 4; ++i) {
        const sysvars::Variable* v = sysvars::findByName(names[i]);
        if (v == nullptr) return std::nullopt;
        auto value = c.read(v->address());
        if (!value) value = c.read(v->address());
        if (!value) return std::nullopt;
        parts[i] = static_cast<uint16_t>(value->integer);
    }
    return image::Version{parts[0], parts[1], parts[2], parts[3]};
}

}  // namespace

RealOsUpgrader::~RealOsUpgrader() { dropStaged(); }

void RealOsUpgrader::UpgradeFile(const std::string& path) {
    dropStaged();
    file_ = path;
    std::string why;
    source_ = openImage(path, image::Kind::OperatingSystem, key_, why);
    sourceError_ = source_ ? "" : "The operating system cannot be upgraded: " + why + ".";
}

int16_t RealOsUpgrader::version(int part) const {
    if (!source_) return 0;
    const image::Version& v = source_->image.version;
    const uint16_t parts[4] = {v.major, v.minor, v.branch, v.revision};
    return static_cast<int16_t>(parts[part]);
}

bool RealOsUpgrader::LocateImage(int32_t /*flags*/, int16_t& found) {
    // The images come with the revision (its KVXreal folder); there is nowhere else to look.
    found = source_ ? -1 : 0;
    return true;
}

transfer::Job RealOsUpgrader::job() const {
    transfer::Job j;
    j.link = link_;
    j.address = {pla_, ela_};
    j.target = wire::TransferTarget::OperatingSystem;
    j.model = source_->image.model;
    j.name = transferName(source_->image);
    j.image = source_->image.payload;
    attachSignature(j, source_->image);
    j.compression = compression_;
    return j;
}

void RealOsUpgrader::dropStaged() {
    if (!staged_) return;
    abortHeld(wait_.links, job(), *staged_);
    staged_.reset();
}

bool RealOsUpgrader::Upgrade(int32_t /*zero*/, int16_t& done) {
    done = 0;
    cancelled_ = false;
    failureCode_ = 0;
    dropStaged();
    if (!source_) return fail(sourceError_);
    transfer::Job j = job();
    j.holdCommit = true;
    const transfer::Result result = send(wait_.links, j);
    switch (result.ending) {
        case transfer::Ending::Completed:
            staged_ = result.transfer;
            done = -1;
            return true;
        case transfer::Ending::Cancelled:
            return true;
        case transfer::Ending::Failed:
            break;
    }
    failureCode_ = result.code1;
    return fail("The operating system was not loaded: " + result.message +
                ". The controller keeps the operating system it has.");
}

bool RealOsUpgrader::FinishUpgrade(int32_t /*zero*/, int16_t& ready) {
    ready = 0;
    if (!staged_) return fail("There is no loaded operating system to finish.");
    const uint32_t transferId = *staged_;
    const transfer::Result result = commitHeld(wait_.links, job(), transferId);
    staged_.reset();
    // A commit whose answer was lost may well have taken effect (the controller restarts right
    // after it): the controller decides once it is back, not the missing reply.
    const bool answerLost = result.ending != transfer::Ending::Completed &&
                            result.code1 >= wire::code(wire::ReplyCode::TimedOut);
    if (result.ending != transfer::Ending::Completed && !answerLost)
        return fail("The operating system did not take effect: " + result.message +
                    ". The controller keeps the operating system it has.");
    // It restarts now; it may come back at its own address or at the direct one.
    const wire::Address before{pla_, ela_};
    auto back = awaitController(wait_, link_, {before, wire::kDirectAddress});
    if (!back)
        return fail("The controller did not answer within " +
                    std::to_string(wait_.limit.count() / 1000) +
                    " seconds after the operating-system upgrade.");
    if (!(before == wire::kDirectAddress)) {
        pla_ = back->pla;
        ela_ = back->ela;
    }
    Channel controller(wait_.links, link_, {pla_, ela_});
    if (answerLost && !commitTookPlace(controller, transferId))
        return fail("The operating system did not take effect: the controller did not receive "
                    "the commit. The controller keeps the operating system it has.");
    const auto running = controllerVersion(controller);
    if (!running)
        return fail("The operating-system version could not be read after the upgrade: " +
                    controller.why + ".");
    if (!(*running == source_->image.version))
        return fail("The controller runs version " + versionText(*running) +
                    " after the upgrade, not the image's " + versionText(source_->image.version) +
                    ": the upgrade failed.");
    ready = -1;
    return true;
}

bool RealOsUpgrader::commitTookPlace(Channel& controller, uint32_t transferId) {
    std::vector<uint8_t> reply;
    if (!controller.run(wire::TransferStatusRequest{transferId}, &reply)) return true;
    const auto status = wire::decodeTransferStatusReply(reply);
    if (!status || status->state == wire::TransferState::Committed) return true;
    // Still staged: the commit never arrived. Nothing changed; drop the staging.
    abortHeld(wait_.links, job(), transferId);
    return false;
}

}  // namespace components
