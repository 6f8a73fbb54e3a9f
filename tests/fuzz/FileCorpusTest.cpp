// Replays the file readers' seed corpora. File names say what each file is and whether its
// reader must take it: <kind>-<ok|bad>-<what>.bin.
#include <gtest/gtest.h>

#include "CatalogueDecoders.h"
#include "FileDecoders.h"
#include "SectionedDecoders.h"
#include "platform/components/JobFile.h"
#include "platform/kvxglib/SectionedFile.h"
#include "settingstool/SettingsFile.h"
#include "sim/NetworkFile.h"
#include "site/PlanFile.h"
#include "support/SeedCorpus.h"

namespace {

std::string textOf(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

}  // namespace

TEST(FileSeedCorpus, EveryFileReadsAsItsNameSays) {
    const testsupport::SeedReplay corpora[] = {
        {"sectioned", sectionedfuzz::exerciseSectionedFile,
         [](std::span<const uint8_t> b) {
             return kvxglib::SectionedFile::parse(textOf(b)).has_value();
         }},
        {"network", filefuzz::exerciseNetworkFile,
         [](std::span<const uint8_t> b) {
             return sim::parseNetworkText(textOf(b), "network.ini").errors.empty();
         }},
        {"job", filefuzz::exerciseJobFile,
         [](std::span<const uint8_t> b) { return components::readJobFile(textOf(b), "j").ok(); }},
        {"settings", filefuzz::exerciseSettingsFile,
         [](std::span<const uint8_t> b) {
             std::string why;
             return settingstool::parseSettings(textOf(b), why).has_value();
         }},
        {"plan", filefuzz::exercisePlanFile,
         [](std::span<const uint8_t> b) {
             std::vector<site::PlanProblem> problems;
             site::parsePlan(textOf(b), "plans", problems);
             return problems.empty();
         }},
        {"model", cataloguefuzz::exerciseModelFile, cataloguefuzz::modelFileReads},
        {"programs", cataloguefuzz::exerciseProgramsFile, cataloguefuzz::programsFileReads},
    };
    for (const testsupport::SeedReplay& corpus : corpora) testsupport::replaySeedCorpus(corpus);
}
