#include "load/PartitionList.h"

#include <string>

#include "load/Controller.h"
#include "load/PartitionRows.h"
#include "load/WholeNumber.h"
#include "program/Program.h"

namespace load {
namespace {

constexpr int16_t kLocalPla = 255;
constexpr int16_t kLocalEla = 30;
constexpr int32_t kActivePartitionIndex = 88;

enum Attribute : int16_t {
    kName = 2,
    kType = 4,
    kLoadTime = 7,
    kCurrentSize = 8,
    kMaxSize = 9,
    kTitle = 110
};

PartitionInfo readPartition(Controller& controller, int16_t pla, int16_t ela, uint8_t n) {
    PartitionInfo info;
    info.number = n;
    // A failed read leaves its field empty or 0; the row still shows what could be read.
    controller.partText(pla, ela, n, kName, info.name);
    controller.partAttr(pla, ela, n, kMaxSize, info.maxSize);
    controller.partAttr(pla, ela, n, kLoadTime, info.loadSeconds);
    controller.partAttr(pla, ela, n, kType, info.type);
    controller.partAttr(pla, ela, n, kCurrentSize, info.currentSize);
    controller.partText(pla, ela, n, kTitle, info.title);
    return info;
}

}  // namespace

void RefreshPartitionList(program::Program& program) {
    Controller& controller = ControllerOf(program);
    const clink::Connection& c = program.connection;
    int16_t p = 0;
    int16_t e = 0;
    if (c.Target) {
        p = c.Target->pla;
        e = c.Target->ela;
    } else {
        controller.readSystemSmallInt(kLocalPla, kLocalEla, 0, p, "255:30.QSystem.PLA");
        controller.readSystemSmallInt(kLocalPla, kLocalEla, 1, e, "255:30.QSystem.ELA");
    }
    int16_t active = -1;
    // Named as it is asked for, so that a failure names the station that did not answer.
    const std::string at = c.Target ? clink::stationText(p, e) : "255:30";
    if (!controller.readSystemInt(p, e, kActivePartitionIndex, active,
                                  at + ".QSystem.ActivePartition"))
        active = -1;
    int32_t activeWeb = -1;
    if (!controller.readNumber(c.CurrentPLA, c.CurrentELA, "QServices.HttpActiveSitePartition",
                               activeWeb))
        activeWeb = -1;

    ui::ListView& list = program.mainWindow.CtrlPartitions;
    list.clear();
    program.catalogue.SelectedPartitionIndex = 0;
    std::vector<uint8_t> numbers;
    // A failed request must not be walked as if it were a list.
    if (controller.allPartitions(p, e, numbers)) {
        for (uint8_t n : numbers) {
            const PartitionInfo info = readPartition(controller, p, e, n);
            if (!ListedPartition(n)) continue;
            list.items.push_back(PartitionRow(info, n == active, n == activeWeb));
            if (n == active) list.selected = static_cast<int>(list.items.size());
        }
    }
    program.load.partitionsListed = true;
    program.mainWindow.BtnAddPartition.enabled = true;
    program.mainWindow.BtnRemovePartition.enabled = true;
}

std::optional<int> SelectedPartitionNumber(const program::Program& program) {
    const ui::ListView& list = program.mainWindow.CtrlPartitions;
    if (list.selected < 1 || list.selected > static_cast<int>(list.items.size()))
        return std::nullopt;
    const auto number = WholeNumber16(list.selectedText());
    if (!number) return std::nullopt;
    return *number;
}

std::optional<int> ChosenPartitionNumber(const program::Program& program) {
    const int chosen = program.catalogue.SelectedPartitionIndex;
    if (chosen < 1 || chosen != program.mainWindow.CtrlPartitions.selected) return std::nullopt;
    return SelectedPartitionNumber(program);
}

}  // namespace load
