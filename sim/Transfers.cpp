#include "sim/Transfers.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>

#include "platform/compress/BlockDecoder.h"
#include "platform/wire/Crc32.h"
#include "sim/ApplicationControl.h"
#include "sim/Controller.h"
#include "sim/SystemVariables.h"
#include "sim/WebSite.h"

namespace sim {
namespace {

using wire::ReplyCode;

constexpr uint16_t kAttrName = 2, kAttrHoldsImage = 5, kAttrLoadTime = 7, kAttrSize = 8,
                   kAttrMaxSize = 9, kAttrTitle = 110;
constexpr std::size_t kMaxPartitionText = 127;
constexpr uint32_t kMaxOsImage = 16u << 20, kMaxPortOsImage = 4u << 20;
// An older controller's application must fit its flash: its FlashSize, or this when the
// network file gives none.
constexpr uint32_t kDefaultApplicationFlash = 8u << 20;
// Seconds from 1 January 1970 to 1 January 1980.
constexpr int64_t kEpoch1980 = 315532800;

Outcome replyWith(const wire::Frame& frame, ReplyCode code, std::vector<uint8_t> payload = {}) {
    Outcome out;
    out.reply = wire::makeReplyFrame(frame, code, 0, std::move(payload));
    return out;
}

template <class T>
Outcome ok(const wire::Frame& frame, const T& reply) {
    auto payload = wire::encodePayload(reply);
    return replyWith(frame, ReplyCode::Ok,
                     payload ? std::move(payload).value() : std::vector<uint8_t>{});
}

int32_t activePartition(const ControllerState& state) {
    const StoredVariable* v = state.variables.find(kSystemFile, kActivePartitionIndex);
    return v != nullptr ? v->value.integer : 14;
}

int32_t numberAttribute(const Partition& p, uint16_t attribute) {
    auto it = p.attributes.find(attribute);
    if (it == p.attributes.end()) return 0;
    const int32_t* n = std::get_if<int32_t>(&it->second);
    return n != nullptr ? *n : 0;
}

void setLong(ControllerState& state, int32_t index, uint32_t value) {
    state.variables.define(
        kImageFile, index,
        StoredVariable{1, wire::Value::long32(static_cast<int32_t>(value)), 255, true});
}

void setSystemInt(ControllerState& state, const char* name, int32_t value) {
    for (const SystemVariable& v : systemVariables(true))
        if (v.name == name)
            state.variables.set(v.file, v.index, wire::Value::int16(static_cast<int16_t>(value)));
}

// An operating-system image is named by its version, "major.minor-branch-revision": the
// controller comes back reporting it.
void takeOsVersion(ControllerState& state, const std::string& name) {
    state.osVersion = name;
    int major = 0, minor = 0, branch = 0, number = 0;
    if (std::sscanf(name.c_str(), "%d.%d-%d-%d", &major, &minor, &branch, &number) == 4) {
        setSystemInt(state, "QSystem.Ver_Major", major);
        setSystemInt(state, "QSystem.Ver_Minor", minor);
        setSystemInt(state, "QSystem.Ver_Branch", branch);
        setSystemInt(state, "QSystem.Ver_Number", number);
    }
    if (state.variables.find(kSystemFile, kOsTextIndex) != nullptr)
        state.variables.set(kSystemFile, kOsTextIndex, wire::Value::oemText(name));
    // Older controllers report their version in fixed width.
    if (state.variables.find(kSystemFile, kOsRevisionIndex) != nullptr)
        state.variables.set(kSystemFile, kOsRevisionIndex,
                            wire::Value::oemText(fixedWidthVersion(name)));
}

// The signed head must describe what was opened and staged, so that a signed image cannot be
// passed off as another kind, for another model or under another version.
bool signedByProduct(const wire::TransferOpenRequest& open, const wire::TransferCommitRequest& r,
                     const std::vector<uint8_t>& staged, const image::PublicKey& key) {
    const image::HeadReading reading = image::parseHead(r.head);
    if (!reading.head || reading.size != r.head.size() || reading.head->format != 2) return false;
    const image::Head& head = *reading.head;
    const image::Version& v = head.version;
    using wire::TransferTarget;
    bool fits = false;
    switch (open.target) {
        case TransferTarget::Partition:
            fits = head.kind == image::Kind::Application || head.kind == image::Kind::WebSite;
            break;
        case TransferTarget::LegacyApplication:
            fits = head.kind == image::Kind::Application;
            break;
        case TransferTarget::OperatingSystem:
            // Named by its version, which the controller reports once it runs.
            fits = head.kind == image::Kind::OperatingSystem &&
                   open.name == std::to_string(v.major) + "." + std::to_string(v.minor) + "-" +
                                    std::to_string(v.branch) + "-" + std::to_string(v.revision);
            break;
        case TransferTarget::PortOs:
            fits = head.kind == image::Kind::PortOs && open.name == head.versionText;
            break;
        default:
            break;
    }
    return fits && head.model == open.model && head.payloadSize == staged.size() &&
           image::verifySignature(r.head, staged, r.signature, key);
}

}  // namespace

bool Transfers::isOpen(Clock::time_point now) {
    // A transfer whose host went away does not block the controller for ever.
    if (staged_ && now - staged_->lastHeard > idle_) staged_.reset();
    return staged_.has_value();
}

bool Transfers::blocksApplicationControl(Clock::time_point now) {
    return isOpen(now) && staged_->bytes.size() < staged_->open.totalSize;
}

bool Transfers::blocksActivation(uint8_t partition, Clock::time_point now) {
    if (blocksApplicationControl(now)) return true;
    return staged_.has_value() && staged_->open.target == wire::TransferTarget::Partition &&
           staged_->open.partition == partition;
}

std::chrono::milliseconds Transfers::flashDelay(uint32_t writeMs) {
    if (writeMs == 0) return std::chrono::milliseconds(0);
    const auto now = Clock::now();
    flashFree_ = std::max(flashFree_, now) + std::chrono::milliseconds(writeMs);
    return std::chrono::duration_cast<std::chrono::milliseconds>(flashFree_ - now);
}

bool Transfers::mayUse(Caller& owner, const Caller& caller) {
    if (owner.session == caller.session) return true;
    const bool ownerGone = owner.session != 0 && sessionOpen && !sessionOpen(owner.session);
    if (!ownerGone || (owner.sealed && !caller.sealed)) return false;
    owner = caller;  // the host resumes on its new connection
    return true;
}

Outcome Transfers::handle(const wire::Frame& frame, const wire::Request& request,
                          ControllerState& state, const ControllerConfig& config,
                          FaultSettings& faults, const Caller& caller) {
    const auto now = Clock::now();
    idle_ = std::chrono::milliseconds(faults.transferIdleMs);
    isOpen(now);
    if (auto* r = std::get_if<wire::TransferOpenRequest>(&request)) {
        // Built before compression: an open with anything after its name is malformed.
        if (!config.compression && frame.payload.size() != 9 + r->name.size())
            return replyWith(frame, ReplyCode::BadRequest);
        // The same open again before a byte was staged: the host lost the reply to its open.
        if (staged_ && staged_->bytes.empty() && staged_->open == *r &&
            mayUse(staged_->owner, caller))
            staged_.reset();
        Outcome out = open(frame, *r, state, config);
        if (out.reply && out.reply->code1 == 0) staged_->owner = caller;
        return out;
    }
    const uint32_t id = std::visit(
        [](const auto& r) -> uint32_t {
            if constexpr (requires { r.transfer; }) return r.transfer;
            return 0;
        },
        request);
    if (auto* r = std::get_if<wire::TransferStatusRequest>(&request))
        return status(frame, *r, caller);
    if (!staged_ || staged_->id != id || !mayUse(staged_->owner, caller))
        return replyWith(frame, ReplyCode::NotFound);
    staged_->lastHeard = now;
    if (auto* r = std::get_if<wire::TransferBlockRequest>(&request))
        return block(frame, *r, faults);
    if (auto* r = std::get_if<wire::TransferCommitRequest>(&request))
        return commit(frame, *r, state, config, faults);
    staged_.reset();  // abort
    return replyWith(frame, ReplyCode::Ok);
}

Outcome Transfers::open(const wire::Frame& frame, const wire::TransferOpenRequest& r,
                        ControllerState& state, const ControllerConfig& config) {
    using wire::TransferTarget;
    if (staged_) return replyWith(frame, ReplyCode::Busy);
    // A port operating system names the port type it is built for where others name a model.
    const bool fits = r.target == TransferTarget::PortOs
                          ? r.model != 0 && r.model == config.upgradeFileNumber
                          : r.model == 0 || r.model == config.modelNumber;
    if (!fits) return replyWith(frame, ReplyCode::Refused);
    if (r.totalSize == 0) return replyWith(frame, ReplyCode::OutOfRange);
    switch (r.target) {
        case TransferTarget::Partition: {
            if (!state.hasPartitions) return replyWith(frame, ReplyCode::Refused);
            auto it = state.partitions.find(r.partition);
            if (it == state.partitions.end()) return replyWith(frame, ReplyCode::NotFound);
            if (activePartition(state) == r.partition) return replyWith(frame, ReplyCode::Refused);
            // The site being served is not overwritten under its visitors: off first.
            if (state.http.enabled && state.http.activeSite == r.partition)
                return replyWith(frame, ReplyCode::Refused);
            const int32_t maxSize = numberAttribute(it->second, kAttrMaxSize);
            if (maxSize < 0 || r.totalSize > static_cast<uint32_t>(maxSize))
                return replyWith(frame, ReplyCode::OutOfRange);
            break;
        }
        case TransferTarget::OperatingSystem:
        case TransferTarget::PortOs:
            // Staged in memory until the commit: an image no controller could hold is refused.
            if (r.totalSize > (r.target == TransferTarget::PortOs ? kMaxPortOsImage : kMaxOsImage))
                return replyWith(frame, ReplyCode::OutOfRange);
            break;
        case TransferTarget::LegacyApplication: {
            if (state.hasPartitions) return replyWith(frame, ReplyCode::Refused);
            const uint32_t flash = config.flashSize > 0 ? static_cast<uint32_t>(config.flashSize)
                                                        : kDefaultApplicationFlash;
            if (r.totalSize > flash) return replyWith(frame, ReplyCode::OutOfRange);
            break;
        }
        default:
            return replyWith(frame, ReplyCode::Refused);
    }
    Staged s;
    // Random, so that no other connection can guess its way to this one (nor to the last).
    std::random_device random;
    do s.id = random();
    while (s.id == 0 || (last_ && last_->id == s.id));
    s.open = r;  // nothing reserved yet: the staging area grows with the bytes that arrive
    s.lastHeard = Clock::now();
    wire::TransferOpenReply reply{s.id, static_cast<uint16_t>(wire::kMaxBlockData)};
    // Deflate is granted with the smaller of the two windows; any other method, or a window
    // too small to be worth it, gets plain blocks.
    if (config.compression && r.compression == static_cast<uint8_t>(wire::Compression::Deflate) &&
        r.windowLog >= wire::kMinWindowLog) {
        s.windowLog = std::min(r.windowLog, config.compressionWindow);
        reply.compression = wire::Compression::Deflate;
        reply.windowLog = s.windowLog;
    }
    staged_ = std::move(s);
    ++opened_;
    return ok(frame, reply);
}

Outcome Transfers::block(const wire::Frame& frame, const wire::TransferBlockRequest& r,
                         FaultSettings& faults) {
    if (faults.restartAfterBlocks != 0 && --faults.restartAfterBlocks == 0) {
        Outcome out;  // the controller goes down with this block unanswered
        out.restart = Restart::Reboot;
        return out;
    }
    Staged& s = *staged_;
    // The image bytes the block stands for, as it announces them: checked against the size
    // opened before anything is decoded.
    std::size_t count = r.data.size();
    bool deflated = false;
    if (s.windowLog != 0) {
        auto form = wire::decodeBlockData(r.data);
        if (!form) return replyWith(frame, ReplyCode::BadRequest);
        deflated = form->form == wire::BlockForm::Deflate;
        count = deflated ? form->imageBytes : form->bytes.size();
    }
    const uint64_t end = uint64_t(r.offset) + count;
    if (end > s.open.totalSize) return replyWith(frame, ReplyCode::OutOfRange);
    // In order or overlapping: keep the new bytes. Beyond a gap: a block before it was lost.
    if (r.offset <= s.bytes.size()) {
        std::vector<uint8_t> image;
        if (s.windowLog != 0) {
            compress::BlockDecoder decoder(s.windowLog);
            compress::Decoded decoded =
                decoder.decode(s.bytes, r.offset, r.data, s.open.totalSize);
            inflatePeak_ = std::max(inflatePeak_, decoder.peakMemory());
            switch (decoded.status) {
                case compress::DecodeStatus::Ok:
                    break;
                case compress::DecodeStatus::TooLong:
                    return replyWith(frame, ReplyCode::OutOfRange);
                case compress::DecodeStatus::MemoryExceeded:
                    return replyWith(frame, ReplyCode::TooLarge);
                default:
                    return replyWith(frame, ReplyCode::BadRequest);
            }
            image = std::move(decoded.bytes);
        }
        const std::span<const uint8_t> bytes =
            s.windowLog != 0 ? std::span<const uint8_t>(image) : std::span<const uint8_t>(r.data);
        if (end > s.bytes.size()) {
            // Grows by doubling, but never past the size that was opened.
            if (end > s.bytes.capacity())
                s.bytes.reserve(std::min<uint64_t>(
                    s.open.totalSize, std::max<uint64_t>(end, 2 * s.bytes.capacity())));
            const auto fresh = bytes.subspan(s.bytes.size() - r.offset);
            s.bytes.insert(s.bytes.end(), fresh.begin(), fresh.end());
            s.crc = wire::crc32(fresh, s.crc);
        }
        ++(deflated ? compressedBlocks_ : plainBlocks_);
    }
    Outcome out = ok(frame, wire::TransferBlockReply{static_cast<uint32_t>(s.bytes.size())});
    out.delay = flashDelay(faults.flashWriteMs);
    return out;
}

Outcome Transfers::commit(const wire::Frame& frame, const wire::TransferCommitRequest& r,
                          ControllerState& state, const ControllerConfig& config,
                          FaultSettings& faults) {
    Staged& s = *staged_;
    if (s.bytes.size() != s.open.totalSize) return replyWith(frame, ReplyCode::Incomplete);
    if (faults.refuseCommit) {
        staged_.reset();
        return replyWith(frame, ReplyCode::Refused);
    }
    if (s.crc != r.checksum) {
        staged_.reset();
        return replyWith(frame, ReplyCode::ChecksumMismatch);
    }
    if (config.imageKey && !signedByProduct(s.open, r, s.bytes, *config.imageKey)) {
        staged_.reset();
        ++badSignatures_;
        return replyWith(frame, ReplyCode::BadSignature);
    }
    const bool corrupt = faults.corruptCommit || faults.corruptSilently;
    if (corrupt) s.bytes[s.bytes.size() / 2] ^= 0x01;
    const uint32_t stored = corrupt ? wire::crc32(s.bytes) : s.crc;
    // A flash that fails unnoticed: only reading the stored checksum back shows it.
    Outcome out = ok(frame, wire::TransferCommitReply{faults.corruptSilently ? s.crc : stored});
    out.changed = true;
    out.delay = flashDelay(faults.flashWriteMs);
    switch (s.open.target) {
        case wire::TransferTarget::Partition: {
            Partition& p = state.partitions[s.open.partition];
            p.attributes[kAttrSize] = static_cast<int32_t>(s.bytes.size());
            p.attributes[kAttrLoadTime] =
                static_cast<int32_t>(std::max<int64_t>(0, std::time(nullptr) - kEpoch1980));
            p.attributes[kImageChecksumAttribute] = static_cast<int32_t>(stored);
            p.attributes[kAttrHoldsImage] = int32_t{1};
            // Only a site is kept whole: copying every large image cost its load a second.
            if (isSite(s.bytes))
                p.site.assign(s.bytes.begin(), s.bytes.end());
            else
                p.site.clear();
            if (!p.attributes.count(kAttrName)) p.attributes[kAttrName] = std::string();
            // The title names what the partition holds now, not the program it held before.
            p.attributes[kAttrTitle] = s.open.name.substr(0, kMaxPartitionText);
            break;
        }
        case wire::TransferTarget::OperatingSystem:
            setLong(state, kOsChecksumIndex, stored);
            // The new system may fail to start: the controller comes back on the old one.
            if (!faults.keepOsVersion) takeOsVersion(state, s.open.name);
            out.restart = Restart::Reboot;
            break;
        case wire::TransferTarget::PortOs:
            // The port restarts with it and comes back reporting the image's revision.
            state.portOsRevision = s.open.name;
            out.restart = Restart::Reboot;
            break;
        default: {
            // Kept whole, with what it was signed with, so that it can be read back and put
            // back as it was.
            std::string signedPart;
            if (!r.head.empty()) {
                signedPart.push_back(char(r.head.size() & 0xFF));
                signedPart.push_back(char(r.head.size() >> 8));
                signedPart.append(r.head.begin(), r.head.end());
                signedPart.append(r.signature.begin(), r.signature.end());
            }
            takeApplication(state, std::string(s.bytes.begin(), s.bytes.end()),
                            std::move(signedPart), stored);
            if (state.variables.find(kSystemFile, kApplicationNameIndex) != nullptr)
                state.variables.set(kSystemFile, kApplicationNameIndex,
                                    wire::Value::oemText(s.open.name.substr(0, 48)));
            break;
        }
    }
    last_ = Committed{s.id, s.open.totalSize, stored, s.owner};
    staged_.reset();
    return out;
}

Outcome Transfers::status(const wire::Frame& frame, const wire::TransferStatusRequest& r,
                          const Caller& caller) {
    if (staged_ && staged_->id == r.transfer && mayUse(staged_->owner, caller)) {
        staged_->lastHeard = Clock::now();
        return ok(frame, wire::TransferStatusReply{wire::TransferState::Receiving,
                                                   static_cast<uint32_t>(staged_->bytes.size()),
                                                   staged_->open.totalSize, 0});
    }
    if (last_ && last_->id == r.transfer && mayUse(last_->owner, caller))
        return ok(frame, wire::TransferStatusReply{wire::TransferState::Committed, last_->size,
                                                   last_->size, last_->checksum});
    return replyWith(frame, ReplyCode::NotFound);
}

}  // namespace sim
