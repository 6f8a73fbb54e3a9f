#include "load/ProgramPartitionChoice.h"

#include <algorithm>
#include <vector>

#include "catalogue/Texts.h"
#include "load/Controller.h"
#include "load/PartitionList.h"
#include "load/PartitionRows.h"
#include "program/Program.h"

namespace load {
namespace {

constexpr int32_t kFailed = 831;
constexpr int16_t kNameAttribute = 2;
constexpr int16_t kTypeAttribute = 4;
constexpr int32_t kProgramType = 2;
constexpr int32_t kWebSiteType = 3;

std::string listed(const std::vector<uint8_t>& numbers) {
    std::string text;
    for (uint8_t n : numbers) text += (text.empty() ? "" : ", ") + std::to_string(n);
    return text;
}

struct Partitions {
    std::vector<uint8_t> numbers;
    int32_t running = -1;
    std::vector<uint8_t> free;  // program partitions that neither run nor serve the site
};

bool readPartitions(program::Program& program, Partitions& out) {
    Controller& controller = ControllerOf(program);
    const clink::Connection& c = program.connection;
    if (!controller.allPartitions(c.CurrentPLA, c.CurrentELA, out.numbers) ||
        !controller.readNumber(c.CurrentPLA, c.CurrentELA, "QSystem.ActivePartition",
                               out.running))
        return false;
    int32_t site = -1;
    if (!controller.readNumber(c.CurrentPLA, c.CurrentELA, "QServices.HttpActiveSitePartition",
                               site))
        site = -1;
    for (uint8_t n : out.numbers) {
        int32_t type = 0;
        if (!ListedPartition(n) || n == out.running || n == site) continue;
        // A partition whose type cannot be read is not guessed to be a program's.
        if (controller.partAttr(c.CurrentPLA, c.CurrentELA, n, kTypeAttribute, type) &&
            type == kProgramType)
            out.free.push_back(n);
    }
    return true;
}

// Why the rule takes none of `p.free` (there are none or several).
std::string noClearChoice(const Partitions& p, std::string_view nameOne) {
    const std::string runs = "partition " + std::to_string(p.running) + " runs its program";
    if (p.free.empty())
        return "no partition is free for the program (" + runs + "): add one or " +
               std::string(nameOne);
    return "several partitions could take the program (" + listed(p.free) + "; " + runs +
           "): " + std::string(nameOne);
}

}  // namespace

ProgramPartitionChoice ChooseFreeProgramPartition(program::Program& program,
                                                  std::string_view nameOne) {
    Partitions p;
    if (!readPartitions(program, p)) return {0, "the controller's partitions could not be read"};
    if (p.free.size() == 1) return {p.free.front(), {}};
    return {0, noClearChoice(p, nameOne)};
}

LoadTarget ChooseLoadTarget(program::Program& program) {
    kvxglib::Library& glib = program.platform.glib;
    const std::optional<int> chosen = ChosenPartitionNumber(program);
    Partitions p;
    if (!readPartitions(program, p)) return {0, catalogue::GetText(glib, kFailed), {}};
    if (!chosen) {
        if (p.free.size() != 1)
            return {0,
                    "Nothing was changed: " +
                        noClearChoice(p, "choose the partition to load into") + ".",
                    {}};
        return {p.free.front(), {},
                "No partition was chosen: partition " + std::to_string(p.free.front()) +
                    " was taken, the one free program partition (partition " +
                    std::to_string(p.running) +
                    " ran the program, and the controller refuses a load into the running "
                    "one)."};
    }
    const std::string n = std::to_string(*chosen);
    if (std::find(p.numbers.begin(), p.numbers.end(), *chosen) == p.numbers.end())
        return {0, "The controller has no partition " + n + " any more. Nothing was loaded.", {}};
    if (*chosen == p.running) {
        const std::string others =
            p.free.empty() ? "no other partition is free for a program: add one"
                           : "free for a program: " + listed(p.free);
        return {0,
                "Partition " + n + " runs the program; the controller refuses a load into it. "
                "Choose another partition (" + others + "). Nothing was changed.",
                {}};
    }
    Controller& controller = ControllerOf(program);
    const clink::Connection& c = program.connection;
    const auto number = static_cast<uint8_t>(*chosen);
    int32_t type = 0;
    if (controller.partAttr(c.CurrentPLA, c.CurrentELA, number, kTypeAttribute, type) &&
        type == kWebSiteType) {
        std::string name;
        controller.partText(c.CurrentPLA, c.CurrentELA, number, kNameAttribute, name);
        if (!name.empty() && name.back() == '\0') name.pop_back();
        return {0,
                "Partition " + n + " holds the web site \"" + name +
                    "\"; a program loaded into it would destroy the site. Choose a program "
                    "partition. Nothing was loaded.",
                {}};
    }
    return {number, {}, {}};
}

}  // namespace load
