#include "load/PartitionCommands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "load/Controller.h"
#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/Texts.h"
#include "catalogue/WaitSeconds.h"
#include "load/WholeNumber.h"
#include "load/CommandLock.h"
#include "load/PartitionList.h"
#include "load/TrialActivation.h"

namespace load {
namespace {

constexpr int32_t kCommunicationFailed = 831;
constexpr int32_t kActivePartitionIndex = 88;
constexpr int16_t kNoApplication = 14;  // activating it stops the running application
constexpr int16_t kHoldsImageAttribute = 5;
constexpr int32_t kFlashReserve = 4096;
constexpr double kLargestKilobytes = 32767;
constexpr uint8_t kScratchPartition = 250;
constexpr uint8_t kLowestNewPartition = 32;

std::string decimalText(double value) {
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::to_string(value);
}

// A partition manager bound to the current controller; nothing when it cannot attach (the
// user has been told).
std::unique_ptr<components::PartitionManager> attachedManager(program::Program& program) {
    const clink::Connection& c = program.connection;
    auto manager = program.platform.components.NewPartitionManager();
    if (manager->Attach(static_cast<uint8_t>(c.CurrentPLA), static_cast<uint8_t>(c.CurrentELA),
                        c.CurrentLink))
        return manager;
    kvxglib::Library& glib = program.platform.glib;
    catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kCommunicationFailed));
    return nullptr;
}

// A refusal in the manager's words; after a lost answer it says the outcome is unknown, and
// the refresh that follows shows what the controller has.
bool commit(program::Program& program, components::PartitionManager& manager) {
    if (manager.Commit()) return true;
    const std::string why = manager.LastError();
    catalogue::ShowErrorMessage(program.platform.glib,
                                why.empty() ? "The controller did not take the partition change. "
                                              "Its partitions are as they were."
                                            : why);
    return false;
}

}  // namespace

bool TogglePartition(program::Program& program) {
    CommandLock lock(program, Unlock::AsBefore);
    if (!lock.acquired()) return false;
    kvxglib::Library& glib = program.platform.glib;
    Controller& controller = ControllerOf(program);
    const clink::Connection& c = program.connection;
    const auto selected = SelectedPartitionNumber(program);
    if (!selected) {
        catalogue::ShowErrorMessage(glib, "Select a partition in the list first.");
        return false;
    }
    std::vector<uint8_t> numbers;
    int16_t active = 0;
    if (!controller.allPartitions(c.CurrentPLA, c.CurrentELA, numbers) ||
        !controller.readSystemInt(c.CurrentPLA, c.CurrentELA, kActivePartitionIndex, active,
                                  "255:30.QSystem.ActivePartition")) {
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kCommunicationFailed));
        return false;
    }
    if (std::find(numbers.begin(), numbers.end(), *selected) == numbers.end()) {
        catalogue::ShowErrorMessage(glib, "The controller has no partition " +
                                              std::to_string(*selected) + " any more.");
        RefreshPartitionList(program);
        return false;
    }
    const int16_t target = active == *selected ? kNoApplication : static_cast<int16_t>(*selected);
    // An empty partition would become the running one with nothing to run.
    int32_t holdsImage = 0;
    if (target != kNoApplication &&
        controller.partAttr(c.CurrentPLA, c.CurrentELA, static_cast<uint8_t>(target),
                            kHoldsImageAttribute, holdsImage) &&
        holdsImage == 0) {
        catalogue::ShowErrorMessage(glib, "Partition " + std::to_string(target) +
                                              " holds no image: it is not activated.");
        return false;
    }
    if (target == kNoApplication) {
        controller.activate(c.CurrentPLA, c.CurrentELA, target, 0);
        RefreshPartitionList(program);
        return true;
    }
    // Another program is tried first; what ran is the way back.
    int32_t activeSub = 0;
    controller.readNumber(c.CurrentPLA, c.CurrentELA, "QSystem.ActiveSubApplication", activeSub);
    const TrialResult trial = ActivateOnTrial(program, c.CurrentPLA, c.CurrentELA, target, 0,
                                              active, static_cast<int16_t>(activeSub),
                                              Untried::ActivateOnce);
    RefreshPartitionList(program);
    if (!trial.text.empty()) catalogue::ShowErrorMessage(glib, trial.text);
    return trial.end == TrialEnd::Confirmed || trial.end == TrialEnd::Untried;
}

std::optional<double> CheckPartitionSize(program::Program& program) {
    kvxglib::Library& glib = program.platform.glib;
    const clink::Connection& c = program.connection;
    Controller& controller = ControllerOf(program);
    ui::TextBox& sizeBox = program.mainWindow.CtrlPartitionSize;
    const std::optional<double> requested = DecimalNumber(sizeBox.text);
    if (!requested || *requested <= 0 || *requested > kLargestKilobytes) {
        catalogue::ShowErrorMessage(glib, "The partition size must be a number of kilobytes from "
                                          "1 to 32767.");
        return std::nullopt;
    }
    int32_t total = 0;
    int32_t used = 0;
    if (!controller.readNumber(c.CurrentPLA, c.CurrentELA, "QSystem.FlashMemTot", total) ||
        !controller.readNumber(c.CurrentPLA, c.CurrentELA, "QSystem.FlashMemUsed", used)) {
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kCommunicationFailed));
        return std::nullopt;
    }
    const double freeBytes = static_cast<double>(total) - used;
    if (*requested * 1024 <= freeBytes) return requested;
    catalogue::ShowErrorMessage(glib, "Partiton size to large");
    const double corrected = (static_cast<double>(total) - (static_cast<double>(used) +
                                                            kFlashReserve)) / 1024;
    if (!(corrected > 0)) {
        catalogue::ShowErrorMessage(glib, "The controller has no free flash for a new partition.");
        return std::nullopt;
    }
    sizeBox.text = decimalText(corrected);
    return corrected;
}

bool AddPartition(program::Program& program) {
    CommandLock lock(program, Unlock::AsBefore);
    if (!lock.acquired()) return false;
    const std::optional<double> kilobytes = CheckPartitionSize(program);
    if (!kilobytes) return false;
    auto manager = attachedManager(program);
    if (!manager) return false;
    uint8_t exists = 0;
    uint8_t result = 0;
    if (manager->PartitionExists(kScratchPartition, exists) && exists != 0)
        manager->RemovePartition(kScratchPartition, result);
    uint8_t number = 0;
    manager->NextFreePartition(number);
    // New partitions start at 32; a free number below it must not send the new one onto a
    // partition that is there already.
    if (number < kLowestNewPartition) {
        number = kLowestNewPartition;
        while (number < kScratchPartition && manager->PartitionExists(number, exists) &&
               exists != 0) {
            ++number;
        }
    }
    const auto bytes = static_cast<int32_t>(std::nearbyint(*kilobytes * 1024));
    if (!manager->CreatePartition(number, 1, 2, program.mainWindow.CtrlPartitionName.text, bytes,
                                  result) ||
        result == 0) {
        catalogue::ShowErrorMessage(program.platform.glib,
                                    "The partition could not be added: " + manager->LastError());
        return false;
    }
    const bool committed = commit(program, *manager);
    RefreshPartitionList(program);
    return committed;
}

bool RemovePartitionCommand(program::Program& program) {
    CommandLock lock(program, Unlock::AsBefore);
    if (!lock.acquired()) return false;
    kvxglib::Library& glib = program.platform.glib;
    const clink::Connection& c = program.connection;
    Controller& controller = ControllerOf(program);
    auto manager = attachedManager(program);
    if (!manager) return false;
    bool removed = false;
    int last = 0;
    for (int n = 16; n <= 50; ++n) {
        uint8_t exists = 0;
        if (manager->PartitionExists(static_cast<uint8_t>(n), exists) && exists != 0) last = n;
    }
    if (last == 0) {
        catalogue::ShowErrorMessage(glib, "All partitions has been removed");
    } else if (int16_t active = 0;
               !controller.readSystemInt(c.CurrentPLA, c.CurrentELA, kActivePartitionIndex,
                                         active, "255:30.QSystem.ActivePartition")) {
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kCommunicationFailed));
    } else if (active == last) {
        // Removing it would leave the controller running nothing.
        catalogue::ShowErrorMessage(glib, "Partition " + std::to_string(last) +
                                              " runs the controller's program and is not "
                                              "removed. Activate another partition first.");
    } else if (catalogue::AskOkCancel(glib, "Partition number " + std::to_string(last) +
                                                " will be removed")) {
        int32_t webPartition = 0;
        if (controller.readNumber(c.CurrentPLA, c.CurrentELA, "QServices.HttpActiveSitePartition",
                                  webPartition) &&
            webPartition == last) {
            controller.writeNumber(c.CurrentPLA, c.CurrentELA,
                                   "QServices.HttpActiveSitePartition", -1);
            controller.writeNumber(c.CurrentPLA, c.CurrentELA, "QServices.HttpCommitSettings", 1);
            catalogue::WaitSeconds(program.platform, 1);
        }
        uint8_t result = 0;
        manager->RemovePartition(static_cast<uint8_t>(last), result);
        removed = commit(program, *manager);
    }
    RefreshPartitionList(program);
    return removed;
}

}  // namespace load
