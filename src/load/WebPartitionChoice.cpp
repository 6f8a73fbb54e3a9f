#include "load/WebPartitionChoice.h"

#include <optional>
#include <string>
#include <vector>

#include "load/Controller.h"
#include "program/Program.h"
#include "catalogue/Messages.h"
#include "load/PartitionList.h"

namespace load {
namespace {

constexpr int16_t kTypeAttribute = 4;
constexpr int16_t kHoldsImageAttribute = 5;
constexpr int32_t kProgramType = 2;
constexpr int32_t kWebType = 3;
constexpr int kFirstUserPartition = 16;

struct Candidate {
    uint8_t number = 0;
    int32_t type = 0;
    bool empty = false;

    bool emptyProgram() const { return type == kProgramType && empty; }
};

Candidate readCandidate(program::Program& program, uint8_t number) {
    Controller& controller = ControllerOf(program);
    const clink::Connection& c = program.connection;
    Candidate candidate{number};
    if (!controller.partAttr(c.CurrentPLA, c.CurrentELA, number, kTypeAttribute, candidate.type))
        candidate.type = 0;
    // A partition whose contents cannot be told is taken to hold a program: never overwritten.
    int32_t holdsImage = 1;
    candidate.empty =
        controller.partAttr(c.CurrentPLA, c.CurrentELA, number, kHoldsImageAttribute, holdsImage) &&
        holdsImage == 0;
    return candidate;
}

}  // namespace

WebPartitionChoice ChooseWebPartition(program::Program& program) {
    using Ending = WebPartitionChoice::Ending;
    const clink::Connection& c = program.connection;
    std::vector<uint8_t> numbers;
    if (!ControllerOf(program).allPartitions(c.CurrentPLA, c.CurrentELA, numbers)) return {};
    const std::optional<int> selected = SelectedPartitionNumber(program);
    std::vector<Candidate> candidates;
    for (uint8_t n : numbers) {
        const Candidate candidate = readCandidate(program, n);
        if (selected && *selected == n && (candidate.type == kWebType || candidate.emptyProgram()))
            return {Ending::Chosen, n};
        candidates.push_back(candidate);
    }
    for (const Candidate& candidate : candidates)
        if (candidate.number >= kFirstUserPartition && candidate.type == kWebType)
            return {Ending::Chosen, candidate.number};
    uint8_t proposed = 0;
    for (const Candidate& candidate : candidates)
        if (candidate.emptyProgram()) proposed = candidate.number;
    kvxglib::Library& glib = program.platform.glib;
    if (!catalogue::AskOkCancel(glib, "Selected partition is not available, use the partition " +
                                          std::to_string(proposed) + " instead"))
        return {Ending::Declined};
    if (proposed == 0) {
        catalogue::ShowErrorMessage(
            glib,
            "The controller has no partition that can take the web site: neither a web "
            "partition nor an empty program partition. Add one and load again.");
        return {Ending::NoneSuitable};
    }
    return {Ending::Chosen, proposed};
}

}  // namespace load
