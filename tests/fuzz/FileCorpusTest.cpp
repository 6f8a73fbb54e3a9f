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
#include "support/SeedCorpus.h"

namespace {

std::string textOf(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

}  // namespace

TEST(FileSeedCorpus, EveryFileReadsAsItsNameSays) {
    struct Corpus {
        const char* name;
        bool (*exercise)(std::span<const uint8_t>, std::string&);
        bool (*reads)(std::span<const uint8_t>);
    };
    const Corpus corpora[] = {
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
        {"model", cataloguefuzz::exerciseModelFile, cataloguefuzz::modelFileReads},
        {"programs", cataloguefuzz::exerciseProgramsFile, cataloguefuzz::programsFileReads},
    };
    for (const Corpus& corpus : corpora) {
        std::size_t files = 0;
        for (const testsupport::SeedFile& file : testsupport::seedCorpus(corpus.name)) {
            SCOPED_TRACE(file.name);
            std::string failure;
            EXPECT_TRUE(corpus.exercise(file.bytes, failure)) << failure;
            EXPECT_EQ(file.kind, corpus.name);
            ASSERT_TRUE(file.verdict == "ok" || file.verdict == "bad") << file.verdict;
            EXPECT_EQ(corpus.reads(file.bytes), file.verdict == "ok");
            ++files;
        }
        EXPECT_GE(files, 10u) << corpus.name;
    }
}
