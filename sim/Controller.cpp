#include "sim/Controller.h"

#include <algorithm>

#include "platform/wire/Bytes.h"
#include "platform/wire/PartitionText.h"
#include "platform/wire/Request.h"
#include "platform/wire/Telegram.h"
#include "sim/NetworkPassword.h"
#include "sim/ApplicationControl.h"
#include "sim/PartitionTable.h"
#include "sim/ProgramTrial.h"
#include "sim/SystemVariables.h"
#include "sim/WebSite.h"

namespace sim {
namespace {

using wire::ReplyCode;
namespace tg = wire::telegram;

wire::Frame reply(const wire::Frame& request, ReplyCode code, std::vector<uint8_t> payload = {},
                  int8_t code2 = 0) {
    return wire::makeReplyFrame(request, code, code2, std::move(payload));
}

bool isTransfer(uint8_t command) {
    return command >= wire::code(wire::Command::TransferOpen) &&
           command <= wire::code(wire::Command::TransferStatus);
}

bool isAddressVariable(const wire::VarAddress& a) {
    return a.file == kSystemFile && (a.index == kPlaIndex || a.index == kElaIndex);
}

// PLA 1..254, ELA 1..255: the user addresses. 255 as PLA would clash with the local addresses.
bool addressValueFits(const wire::WriteRequest& w) {
    const int32_t v = w.value.integer;
    return w.address.index == kPlaIndex ? (v >= 1 && v <= 254) : (v >= 1 && v <= 255);
}

}  // namespace

Controller::Controller(ControllerConfig config, ControllerState state)
    : wallClock(wallMs), config_(std::move(config)), state_(std::move(state)), port_(config_) {
    faults.settings = config_.faults;
    // A state file written before the port's revision was kept in it.
    if (state_.portOsRevision.empty()) state_.portOsRevision = config_.portOsRevision;
    if (state_.osVersion.empty()) state_.osVersion = config_.osVersion;
    syncEmailPort();
}

bool Controller::answersAt(wire::Address to, bool direct) const {
    if (to == address()) return true;
    if (direct && to == wire::kDirectAddress) return true;
    return std::find(config_.extraAddresses.begin(), config_.extraAddresses.end(), to) !=
           config_.extraAddresses.end();
}

bool Controller::requiresEncryption() const { return sim::requiresEncryption(state_, config_); }

wire::ReplyCode Controller::writeOne(const wire::WriteRequest& write, bool& moved) {
    if (config_.kvxrealC && isNetworkPasswordVariable(write.address, true)) {
        // Kept aside until the commit: the variable, and so the state file, never hold it.
        pendingPassword_ = write.value.text;
        wire::WriteRequest blank = write;
        blank.value.text.clear();
        state_.variables.write(blank);
        return ReplyCode::Ok;
    }
    state_.variables.write(write);
    if (isAddressVariable(write.address)) moved = true;
    afterWrite(write.address);
    return ReplyCode::Ok;
}

bool Controller::expireTrial() { return sim::expireTrial(state_, wallClock()); }

Outcome Controller::handle(const wire::Frame& request, const Caller& caller) {
    // A trial whose time ran out while nobody asked ends before anything is answered.
    const bool returned = expireTrial();
    Outcome out = handleRequest(request, caller);
    out.changed = out.changed || returned;
    return out;
}

Outcome Controller::handleRequest(const wire::Frame& request, const Caller& caller) {
    if (isPortCommand(request.command)) return handlePort(request, caller.sealed);
    Outcome out;
    auto decoded = wire::decodeRequest(request);
    if (!decoded) {
        out.reply = reply(request, wire::replyCodeFor(decoded.error()));
        return out;
    }
    auto check = [&](const wire::WriteRequest& w) {
        ReplyCode code = state_.variables.checkWrite(w);
        if (code == ReplyCode::Ok && isAddressVariable(w.address) && !addressValueFits(w))
            code = ReplyCode::OutOfRange;
        if (code == ReplyCode::Ok && isNetworkPasswordVariable(w.address, config_.kvxrealC))
            code = checkNetworkPassword(w);
        if (code == ReplyCode::Ok) code = checkEmailWrite(w, caller.sealed);
        return code;
    };
    bool moved = false;
    if (auto* r = std::get_if<wire::ReadRequest>(&*decoded)) {
        wire::Value value;
        const ReplyCode code = faults.settings.readIsBusy(r->address.file, r->address.index)
                                   ? ReplyCode::Busy
                                   : state_.variables.read(r->address, value);
        if (code != ReplyCode::Ok) {
            out.reply = reply(request, code);
        } else {
            auto payload = wire::encodePayload(wire::ReadReply{value});
            out.reply = payload ? reply(request, ReplyCode::Ok, std::move(payload).value())
                                : reply(request, ReplyCode::TooLarge);
        }
    } else if (auto* w = std::get_if<wire::WriteRequest>(&*decoded)) {
        ReplyCode code = check(*w);
        if (code == ReplyCode::Ok) {
            code = writeOne(*w, moved);
            out.changed = true;
        }
        out.reply = reply(request, code);
    } else if (auto* b = std::get_if<wire::WriteBatchRequest>(&*decoded)) {
        // All or nothing: every entry is checked before the first is written.
        for (std::size_t i = 0; i < b->writes.size(); ++i) {
            const ReplyCode code = check(b->writes[i]);
            if (code != ReplyCode::Ok) {
                out.reply = reply(request, code, {},
                                  static_cast<int8_t>(std::min<std::size_t>(i + 1, 127)));
                return out;
            }
        }
        for (const auto& entry : b->writes) writeOne(entry, moved);
        out.changed = !b->writes.empty();
        out.reply = reply(request, ReplyCode::Ok);
    } else if (auto* t = std::get_if<wire::TelegramRequest>(&*decoded)) {
        return handleTelegram(request, *t);
    } else if (auto* c = std::get_if<wire::SetClockRequest>(&*decoded)) {
        if (c->file != wire::kClockFile) {
            out.reply = reply(request, ReplyCode::NoSuchVariable);
        } else {
            state_.clock = *c;
            out.changed = true;
            out.reply = reply(request, ReplyCode::Ok);
        }
    } else if (auto* pt = std::get_if<wire::PartitionTableRequest>(&*decoded)) {
        // Older controllers have no partitions.
        if (!state_.hasPartitions) {
            out.reply = reply(request, ReplyCode::UnknownCommand);
        } else if (transfers.isOpen()) {
            out.reply = reply(request, ReplyCode::Busy);
        } else {
            const TableVerdict verdict = changePartitionTable(state_, *pt);
            out.changed = verdict.code == ReplyCode::Ok;
            out.reply = reply(request, verdict.code, {}, verdict.position);
        }
    } else if (auto* ac = std::get_if<wire::ApplicationControlRequest>(&*decoded)) {
        // KVXreal C controllers run partitions instead (activate).
        if (state_.hasPartitions) {
            out.reply = reply(request, ReplyCode::UnknownCommand);
        } else if (transfers.blocksApplicationControl()) {
            out.reply = reply(request, ReplyCode::Busy);
        } else {
            const ReplyCode code = controlApplication(state_, ac->action);
            out.changed = code == ReplyCode::Ok;
            out.reply = reply(request, code);
        }
    } else if (auto* rd = std::get_if<wire::TransferReadRequest>(&*decoded)) {
        wire::TransferReadReply piece;
        const ReplyCode code = !config_.imageRead ? ReplyCode::UnknownCommand
                                                  : readApplication(state_, *rd, piece);
        auto payload = wire::encodePayload(piece);
        out.reply = code == ReplyCode::Ok && payload
                        ? reply(request, code, std::move(payload).value())
                        : reply(request, code == ReplyCode::Ok ? ReplyCode::TooLarge : code);
    } else if (isTransfer(request.command)) {
        return transfers.handle(request, *decoded, state_, config_, faults.settings, caller);
    } else {
        // Discovery travels on UDP only.
        out.reply = reply(request, ReplyCode::UnknownCommand);
    }
    return out;
}

Outcome Controller::handleTelegram(const wire::Frame& request,
                                   const wire::TelegramRequest& telegram) {
    Outcome out;
    auto parsed = tg::parseTelegram(telegram.bytes);
    if (!parsed) {
        out.reply = reply(request, wire::replyCodeFor(parsed.error()));
        return out;
    }
    const auto& command = *parsed;
    const bool partitionCommand = !std::holds_alternative<tg::Poll>(command) &&
                                  !std::holds_alternative<tg::CoolStart>(command) &&
                                  !std::holds_alternative<tg::ColdStart>(command);
    // Older controllers have no partitions and know neither activation nor partition services.
    if (partitionCommand && !state_.hasPartitions) {
        out.reply = reply(request, ReplyCode::UnknownCommand);
        return out;
    }
    auto findAttribute = [&](uint8_t p, uint16_t a) -> Attribute* {
        auto part = state_.partitions.find(p);
        if (part == state_.partitions.end()) return nullptr;
        auto attr = part->second.attributes.find(a);
        return attr == part->second.attributes.end() ? nullptr : &attr->second;
    };

    if (std::holds_alternative<tg::Poll>(command)) {
        const auto a = address();
        out.reply = reply(request, ReplyCode::Ok, {a.pla, a.ela});
    } else if (std::holds_alternative<tg::CoolStart>(command)) {
        if (state_.hasPartitions) {
            restartProgram(state_, faults.settings, wallClock());
            out.changed = true;
        }
        out.restart = Restart::Cool;
        out.reply = reply(request, ReplyCode::Ok);
    } else if (std::holds_alternative<tg::ColdStart>(command)) {
        // The reply goes out first (there is no later); the controller then comes back at
        // 254:30, so the new address is kept at once.
        state_.setAddress(wire::kColdStartAddress);
        coldStartPort();
        out.restart = Restart::Cold;
        out.changed = true;
        out.reply = reply(request, ReplyCode::Ok);
    } else if (auto* a = std::get_if<tg::Activate>(&command)) {
        if (transfers.blocksActivation(a->partition)) {
            out.reply = reply(request, ReplyCode::Busy);
            return out;
        }
        if (a->partition != tg::kDeactivatePartition && !state_.partitions.count(a->partition)) {
            out.reply = reply(request, ReplyCode::NotFound);
            return out;
        }
        if (a->partition != tg::kDeactivatePartition) {
            // A web partition is served, not run; a site cannot run as a program, nor a
            // program be served as a site.
            const Partition& target = state_.partitions.at(a->partition);
            const bool site = !target.site.empty();
            if (isWebPartition(target) != site && holdsImage(target)) {
                out.reply = reply(request, ReplyCode::Refused);
                return out;
            }
            if (isWebPartition(target)) {
                activateSite(state_, a->partition);
                out.changed = true;
                out.reply = reply(request, ReplyCode::Ok);
                return out;
            }
        }
        activatePlainly(state_, a->partition, a->subApplication, faults.settings, wallClock());
        out.changed = true;
        out.reply = reply(request, ReplyCode::Ok);
    } else if (auto* trial = std::get_if<tg::ActivateOnTrial>(&command)) {
        // A controller set to know no trial plays one built before it.
        if (faults.settings.trialMs == 0) {
            out.reply = reply(request, ReplyCode::UnknownCommand);
        } else if (transfers.blocksActivation(trial->partition)) {
            out.reply = reply(request, ReplyCode::Busy);
        } else {
            uint32_t granted = 0;
            const ReplyCode code =
                activateOnTrial(state_, *trial, faults.settings, wallClock(), granted);
            out.changed = code == ReplyCode::Ok;
            out.reply = code == ReplyCode::Ok
                            ? reply(request, code, *wire::encodePayload(wire::TrialGrant{granted}))
                            : reply(request, code);
        }
    } else if (auto* confirm = std::get_if<tg::ConfirmTrial>(&command)) {
        if (faults.settings.trialMs == 0) {
            out.reply = reply(request, ReplyCode::UnknownCommand);
        } else {
            const ReplyCode code = confirmTrial(state_, *confirm, wallClock());
            out.changed = code == ReplyCode::Ok;
            out.reply = reply(request, code);
        }
    } else if (std::holds_alternative<tg::TrialStatus>(command)) {
        if (faults.settings.trialMs == 0) {
            out.reply = reply(request, ReplyCode::UnknownCommand);
        } else {
            auto payload = wire::encodePayload(trialReport(state_, wallClock()));
            out.reply = payload ? reply(request, ReplyCode::Ok, std::move(payload).value())
                                : reply(request, ReplyCode::TooLarge);
        }
    } else if (std::holds_alternative<tg::ListPartitions>(command)) {
        std::vector<uint8_t> numbers;
        for (const auto& [n, p] : state_.partitions) numbers.push_back(n);
        out.reply = reply(request, ReplyCode::Ok, std::move(numbers));
    } else if (auto* g = std::get_if<tg::GetNumberAttribute>(&command)) {
        Attribute* attr = findAttribute(g->partition, g->attribute);
        if (attr == nullptr) {
            out.reply = reply(request, ReplyCode::NotFound);
        } else if (auto* n = std::get_if<int32_t>(attr)) {
            std::vector<uint8_t> payload;
            wire::ByteWriter(payload).i32(*n);
            out.reply = reply(request, ReplyCode::Ok, std::move(payload));
        } else {
            out.reply = reply(request, ReplyCode::WrongType);
        }
    } else if (auto* s = std::get_if<tg::SetNumberAttribute>(&command)) {
        Attribute* attr = findAttribute(s->partition, s->attribute);
        if (attr == nullptr) {
            out.reply = reply(request, ReplyCode::NotFound);
        } else if (std::holds_alternative<int32_t>(*attr)) {
            *attr = s->value;
            out.changed = true;
            out.reply = reply(request, ReplyCode::Ok);
        } else {
            out.reply = reply(request, ReplyCode::WrongType);
        }
    } else if (auto* gt = std::get_if<tg::GetTextAttribute>(&command)) {
        Attribute* attr = findAttribute(gt->partition, gt->attribute);
        if (attr == nullptr) {
            out.reply = reply(request, ReplyCode::NotFound);
        } else if (auto* text = std::get_if<std::string>(attr)) {
            out.reply =
                reply(request, ReplyCode::Ok, std::vector<uint8_t>(text->begin(), text->end()));
        } else {
            out.reply = reply(request, ReplyCode::WrongType);
        }
    } else if (auto* st = std::get_if<tg::SetTextAttribute>(&command)) {
        Attribute* attr = findAttribute(st->partition, st->attribute);
        if (attr == nullptr) {
            out.reply = reply(request, ReplyCode::NotFound);
        } else if (!std::holds_alternative<std::string>(*attr)) {
            out.reply = reply(request, ReplyCode::WrongType);
        } else if (st->text.size() > wire::kMaxPartitionText) {
            out.reply = reply(request, ReplyCode::OutOfRange);
        } else {
            *attr = st->text;
            out.changed = true;
            out.reply = reply(request, ReplyCode::Ok);
        }
    }
    return out;
}

void Controller::httpListening(uint16_t port) { setHttpPort(state_, port); }

wire::DiscoveryReply Controller::identity(uint16_t tcpPort) const {
    wire::DiscoveryReply r;
    r.serialNumber = config_.serialNumber;
    r.mac = config_.mac;
    r.modelNumber = config_.modelNumber;
    r.address = address();
    r.kvxrealC = config_.kvxrealC;
    r.tcpPort = tcpPort;
    r.capabilities = config_.capabilities;
    r.osVersion = state_.osVersion;
    r.portOsRevision = state_.portOsRevision;
    r.upgradeFileNumber = config_.upgradeFileNumber;
    port_.report(r);
    // What the controller enforces is what it reports.
    r.encryptionRequired = requiresEncryption();
    r.passwordSet = state_.verifier.has_value();
    return r;
}

}  // namespace sim
