// Reading job files: what a good file gives, and every kind of mistake with its line.
#include <gtest/gtest.h>

#include "platform/components/JobFile.h"

namespace {

using components::readJobFile;
using components::StepAction;

TEST(JobFile, ReadsTheJobAndItsStepsInOrder) {
    const auto r = readJobFile(
        "; comment\r\n"
        "[Job]\r\n"
        "Program = Heating\r\n"
        "Revision=2.5-0-03\r\n"
        "ArtNo=310\r\n"
        "Image=App.Kvx\r\n"
        "\r\n"
        "[step]\r\n"
        "action=stop\r\n"
        "[Step]\r\n"
        "Action=Write\r\n"
        "Variable=qsystem.applicationname\r\n"
        "Value=  KVX200 Heating \r\n"
        "[Step]\r\n"
        "Action=Write\r\n"
        "Variable=QTcpIp.ColdSFlagForTcpIp\r\n"
        "Value=1\r\n"
        "[Step]\r\n"
        "Action=Load\r\n"
        "Image=App.Kvx\r\n"
        "[Step]\r\n"
        "Action=START\r\n",
        "job.job");
    ASSERT_TRUE(r.ok()) << r.mistakes.front();
    EXPECT_EQ(r.job.program, "Heating");
    EXPECT_EQ(r.job.revision, "2.5-0-03");
    EXPECT_EQ(r.job.image, "App.Kvx");
    EXPECT_EQ(r.job.imageLine, 6);
    ASSERT_EQ(r.job.steps.size(), 5u);
    const StepAction order[] = {StepAction::Stop, StepAction::Write, StepAction::Write,
                                StepAction::Load, StepAction::Start};
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(r.job.steps[i].action, order[i]) << i;
    EXPECT_EQ(r.job.steps[0].line, 8);
    EXPECT_EQ(r.job.steps[1].address.file, 241);
    EXPECT_EQ(r.job.steps[1].address.index, 62);
    EXPECT_EQ(r.job.steps[1].value, wire::Value::oemText("KVX200 Heating"));
    EXPECT_EQ(r.job.steps[2].value, wire::Value::smallInt(1));
    EXPECT_EQ(r.job.steps[3].image, "App.Kvx");
}

TEST(JobFile, EveryMistakeIsReportedWithFileAndLine) {
    struct Case {
        std::string text;
        const char* mistake;  // the first one reported
    };
    const std::vector<Case> cases = {
        {"", "f.job:1: the file has no [Job] section"},
        {"Program=x\n[Job]\n", "f.job:1: a key before the first section"},
        {"[Job]\nProgram\n", "f.job:2: expected Key=Value"},
        {"[Job\n", "f.job:1: a section header must end with ]"},
        {"[Job]\n=x\n", "f.job:2: a key name is missing"},
        {"[Job]\nProgram=a\nprogram=b\n", "f.job:3: the key program is given twice"},
        {"[Job]\nColour=red\n", "f.job:2: the key colour does not belong in [Job]"},
        {"[Job]\n[Job]\n", "f.job:2: a second [Job] section"},
        {"[Step]\nAction=Stop\n[Job]\n", "f.job:3: [Job] must come before the steps"},
        {"[Job]\n[Stage]\n", "f.job:2: unknown section [stage]"},
        {"[Job]\nImage=\n", "f.job:2: Image names no file"},
        {"[Job]\n[Step]\n", "f.job:2: the step has no Action"},
        {"[Job]\n[Step]\nAction=Erase\n",
         "f.job:3: unknown Action Erase (Stop, Clear, Write, Load or Start)"},
        {"[Job]\n[Step]\nAction=Stop\nImage=a\n",
         "f.job:4: the key image does not belong in a Stop step"},
        {"[Job]\n[Step]\nAction=Load\n", "f.job:2: a Load step needs Image"},
        {"[Job]\n[Step]\nAction=Write\nValue=1\n", "f.job:2: a Write step needs Variable and Value"},
        {"[Job]\n[Step]\nAction=Write\nVariable=QSystem.Nothing\nValue=1\n",
         "f.job:4: unknown variable QSystem.Nothing"},
        {"[Job]\n[Step]\nAction=Write\nVariable=QSystem.ControllerName\nValue=x\n",
         "f.job:4: the variable QSystem.ControllerName does not exist on controllers without "
         "KVXreal C"},
        {"[Job]\n[Step]\nAction=Write\nVariable=QSystem.PLA\nValue=40000\n",
         "f.job:5: the value is not a whole number from -32768 to 32767"},
        {"[Job]\n[Step]\nAction=Write\nVariable=QSystem.PLA\nValue=1e3\n",
         "f.job:5: the value is not a whole number from -32768 to 32767"},
        {"[Job]\n[Step]\nAction=Write\nVariable=QSystem.ApplicationName\nValue=" +
             std::string(49, 'x') + "\n",
         "f.job:5: the value is longer than the 48 characters the variable holds"},
    };
    for (const Case& c : cases) {
        const auto r = readJobFile(c.text, "f.job");
        ASSERT_FALSE(r.ok()) << c.text;
        EXPECT_EQ(r.mistakes.front(), c.mistake) << c.text;
    }
}

TEST(JobFile, AllMistakesAreCollectedNotOnlyTheFirst) {
    const auto r = readJobFile("[Job]\nColour=red\n[Step]\nAction=Erase\n[Step]\n", "f.job");
    EXPECT_EQ(r.mistakes.size(), 3u);
}

}  // namespace
