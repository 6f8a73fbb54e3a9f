#include "ScriptedController.h"

#include <algorithm>

namespace loadtest {
namespace {
std::string addr(int16_t p, int16_t e) { return std::to_string(p) + ":" + std::to_string(e); }
}  // namespace

std::vector<std::string> ScriptedController::callsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        if (call.rfind(prefix, 0) == 0) found.push_back(call);
    }
    return found;
}

bool ScriptedController::readControllerAddress(int16_t& outPla, int16_t& outEla) {
    log("address");
    outPla = present ? pla : 0;
    outEla = present ? ela : 0;
    return present;
}

void ScriptedController::detectOsKind(int16_t, int16_t) {
    log("osKind");
    if (osKindTarget != nullptr) *osKindTarget = osKind;
}

bool ScriptedController::poll(int16_t atPla, int16_t atEla) {
    log("poll " + addr(atPla, atEla));
    if (deaf.count({atPla, atEla}) != 0) return false;
    return at(atPla, atEla) || others.count({atPla, atEla}) != 0;
}

void ScriptedController::coolStart(int16_t atPla, int16_t atEla) {
    log("coolStart " + addr(atPla, atEla));
}

void ScriptedController::coldStart(int16_t atPla, int16_t atEla) {
    log("coldStart " + addr(atPla, atEla));
}

void ScriptedController::setClock(int16_t atPla, int16_t atEla) {
    log("clock " + addr(atPla, atEla));
}

bool ScriptedController::activate(int16_t atPla, int16_t atEla, int16_t partition, int16_t sub) {
    log("activate " + addr(atPla, atEla) + " " + std::to_string(partition) + " " +
        std::to_string(sub));
    if (!at(atPla, atEla)) return false;
    if (partition != 14 && refusedProgramActivations > 0) {
        --refusedProgramActivations;
        return false;
    }
    activePartition = partition;
    if (auto it = numbers.find("QSystem.ActivePartition"); it != numbers.end()) it->second = partition;
    return true;
}

load::Controller::TrialAnswer ScriptedController::activateOnTrial(
    int16_t atPla, int16_t atEla, int16_t partition, int16_t sub, int16_t back, int16_t backSub,
    uint32_t askMs, uint32_t& grantedMs) {
    log("trial " + addr(atPla, atEla) + " " + std::to_string(partition) + " " +
        std::to_string(sub) + " back " + std::to_string(back) + " " + std::to_string(backSub));
    if (!knowsTrial) return TrialAnswer::NotKnown;
    if (!at(atPla, atEla) || failedTrialActivations > 0) {
        if (failedTrialActivations > 0) --failedTrialActivations;
        return TrialAnswer::Failed;
    }
    grantedMs = std::min(askMs, grantMs);
    activePartition = partition;
    return TrialAnswer::Accepted;
}

bool ScriptedController::confirmTrial(int16_t atPla, int16_t atEla, int16_t partition,
                                      int16_t sub) {
    log("confirm " + addr(atPla, atEla) + " " + std::to_string(partition) + " " +
        std::to_string(sub));
    return at(atPla, atEla) && confirmAnswers;
}

bool ScriptedController::trialStatus(int16_t, int16_t, wire::TrialReport& report) {
    log("status");
    if (trialStatuses.empty()) return false;
    const auto& next = trialStatuses[std::min(statusReads_++, trialStatuses.size() - 1)];
    if (!next) return false;
    report = *next;
    return true;
}

bool ScriptedController::allPartitions(int16_t atPla, int16_t atEla, std::vector<uint8_t>& list) {
    log("partitions " + addr(atPla, atEla));
    if (partitionListFails || !at(atPla, atEla)) return false;
    list.clear();
    for (const auto& [n, partition] : partitions) list.push_back(static_cast<uint8_t>(n));
    return true;
}

bool ScriptedController::partAttr(int16_t, int16_t, uint8_t partition, int16_t attribute,
                                  int32_t& value) {
    log("attr " + std::to_string(partition) + " " + std::to_string(attribute));
    const auto found = partitions.find(partition);
    if (!present || found == partitions.end()) return false;
    const ScriptedPartition& p = found->second;
    switch (attribute) {
        case 4: value = p.type; return true;
        case 5: value = p.holdsImage; return true;
        case 7: value = p.loadSeconds; return true;
        case 8: value = p.currentSize; return true;
        case 9: value = p.maxSize; return true;
        case 1000: {
            const auto stored = checksums.find(partition);
            if (stored == checksums.end()) return false;
            value = stored->second;
            return true;
        }
        default: return false;
    }
}

bool ScriptedController::setPartAttr(int16_t, int16_t, uint8_t partition, int16_t attribute,
                                     int32_t value) {
    log("setAttr " + std::to_string(partition) + " " + std::to_string(attribute) + " " +
        std::to_string(value));
    const auto found = partitions.find(partition);
    if (!present || found == partitions.end()) return false;
    if (attribute == 4) found->second.type = value;
    return true;
}

bool ScriptedController::partText(int16_t, int16_t, uint8_t partition, int16_t attribute,
                                  std::string& text) {
    log("text " + std::to_string(partition) + " " + std::to_string(attribute));
    const auto found = partitions.find(partition);
    if (!present || found == partitions.end()) return false;
    text = attribute == 2 ? found->second.name : found->second.title;
    return true;
}

bool ScriptedController::setPartText(int16_t, int16_t, uint8_t partition, int16_t attribute,
                                     const std::string& text) {
    log("setText " + std::to_string(partition) + " " + std::to_string(attribute) + " " + text);
    const auto found = partitions.find(partition);
    // A controller keeps at most 127 characters (code page 850 bytes) of a partition text; it
    // refuses a longer one.
    const auto characters = std::count_if(text.begin(), text.end(), [](char ch) {
        return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    });
    if (!present || found == partitions.end() || characters > 127) return false;
    if (attribute == 2) found->second.name = text;
    return true;
}

bool ScriptedController::readNumber(int16_t, int16_t, const std::string& name, int32_t& value) {
    log("read " + name);
    const auto found = numbers.find(name);
    if (!present || found == numbers.end()) return false;
    value = found->second;
    return true;
}

bool ScriptedController::writeNumber(int16_t, int16_t, const std::string& name, int32_t value) {
    log("write " + name + " " + std::to_string(value));
    if (!present) return false;
    numbers[name] = value;
    return true;
}

bool ScriptedController::readSystemSmallInt(int16_t, int16_t, int32_t index, int16_t& value,
                                            const std::string&) {
    log("read241 " + std::to_string(index));
    if (!present || index > 1) return false;
    value = index == 0 ? pla : ela;
    return true;
}

bool ScriptedController::readSystemInt(int16_t, int16_t, int32_t index, int16_t& value,
                                       const std::string&) {
    log("readInt241 " + std::to_string(index));
    if (present && index == 36 && moduleType >= 0) {
        value = moduleType;
        return true;
    }
    if (!present || activeReadFails || index != 88) return false;
    value = activePartition;
    return true;
}

bool ScriptedController::writeSystemSmallInt(int16_t atPla, int16_t atEla, int32_t index,
                                             int16_t value) {
    log("write241 " + addr(atPla, atEla) + " " + std::to_string(index) + " " +
        std::to_string(value));
    if (!at(atPla, atEla) || failingAddressWrites.count(index) != 0) return false;
    (index == 0 ? pla : ela) = value;
    return true;
}

}  // namespace loadtest
