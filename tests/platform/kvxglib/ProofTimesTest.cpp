// The host's budget of password proofs as the machine folder keeps it: shared by every program
// on the machine, a proof counting until the controller proved the password back, nothing lost
// when two programs count at once, and a damaged file taken as a spent budget.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "platform/kvxglib/ProofTimes.h"
#include "support/TempFolder.h"

namespace {

using kvxglib::ProofTimes;
using std::chrono::seconds;

class ProofTimesTest : public ::testing::Test {
  protected:
    ProofTimes budget() {
        return ProofTimes(temp.path(), [this] { return now; });
    }
    testsupport::TempFolder temp;
    ProofTimes::Clock::time_point now =
        ProofTimes::Clock::time_point{} + std::chrono::hours(24 * 365 * 56);
};

}  // namespace

TEST_F(ProofTimesTest, TwoProgramsShareOneBudgetThatRenewsAfterAMinute) {
    ProofTimes first = budget();
    ProofTimes second = budget();
    EXPECT_TRUE(first.take("SN-A"));
    now += seconds(10);
    EXPECT_TRUE(second.take("SN-A"));
    EXPECT_TRUE(first.take("SN-A"));
    EXPECT_FALSE(second.take("SN-A")) << "the other program's proofs count";
    EXPECT_FALSE(first.take("SN-A"));
    EXPECT_TRUE(second.take("SN-B")) << "another controller has its own budget";
    EXPECT_EQ(first.counted("SN-A"), 3u);

    now += seconds(49);  // the first proof is 59 s old
    EXPECT_FALSE(first.take("SN-A"));
    now += seconds(1);  // and now a minute: it drops out, the two later ones still count
    EXPECT_EQ(second.counted("SN-A"), 2u);
    EXPECT_TRUE(second.take("SN-A"));
    EXPECT_FALSE(first.take("SN-A"));

    // The file holds serial numbers and times, nothing else, with the machine folder's other
    // files' permissions.
    const std::string text = temp.read("ProofTimes.txt");
    EXPECT_EQ(text.find("SN-A\t"), 0u) << text;
    EXPECT_NE(text.find("\nSN-B\t"), std::string::npos) << text;
    struct stat st {};
    ASSERT_EQ(::stat((temp / "ProofTimes.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(ProofTimesTest, OnlyAProofTheControllerProvedBackStopsCounting) {
    ProofTimes first = budget();
    for (int run = 0; run < 10; ++run) {
        const auto taken = first.take("SN-A");
        ASSERT_TRUE(taken) << "run " << run;
        budget().verified("SN-A", *taken);  // another instance settles it: the file is shared
        now += seconds(1);
    }
    EXPECT_EQ(first.counted("SN-A"), 0u);
    const auto failed = first.take("SN-A");
    ASSERT_TRUE(failed);
    first.verified("SN-B", *failed);               // not that controller's
    first.verified("SN-A", *failed - seconds(1));  // not that proof
    EXPECT_EQ(first.counted("SN-A"), 1u);
}

TEST_F(ProofTimesTest, ProgramsCountingAtOnceLoseNoProof) {
    // Each of three programs (instances, each with its own lock) sends one proof to each of 20
    // controllers at the same time: every controller must end with three counted.
    constexpr int kPrograms = 3, kControllers = 20;
    std::vector<std::thread> programs;
    for (int p = 0; p < kPrograms; ++p) {
        programs.emplace_back([this] {
            ProofTimes own(temp.path(), [this] { return now; });
            for (int c = 0; c < kControllers; ++c) EXPECT_TRUE(own.take("SN-" + std::to_string(c)));
        });
    }
    for (auto& program : programs) program.join();
    ProofTimes check = budget();
    for (int c = 0; c < kControllers; ++c) {
        EXPECT_EQ(check.counted("SN-" + std::to_string(c)), 3u);
        EXPECT_FALSE(check.take("SN-" + std::to_string(c)));
    }
}

TEST_F(ProofTimesTest, ADamagedFileSpendsEveryBudgetForAMinute) {
    const char* damaged[] = {"SN-A\t12x\n", "SN-A 1\n", "\t5\n", "SN-A\t\n", "garbage"};
    for (const char* text : damaged) {
        SCOPED_TRACE(text);
        temp.write("ProofTimes.txt", text);
        EXPECT_FALSE(budget().take("SN-Z"));
        EXPECT_FALSE(budget().take("SN-A"));
        now += seconds(59);
        EXPECT_FALSE(budget().take("SN-Z"));
        now += seconds(1);
        EXPECT_TRUE(budget().take("SN-Z")) << "rebuilt: " << temp.read("ProofTimes.txt");
    }
    // Readable lines of a damaged file are kept.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const std::string t = std::to_string(ms.count());
    temp.write("ProofTimes.txt", "SN-Q\t" + t + " " + t + " " + t + "\nbroken\n");
    EXPECT_FALSE(budget().take("SN-Z"));
    EXPECT_NE(temp.read("ProofTimes.txt").find("SN-Q\t" + t + " " + t + " " + t + "\n"),
              std::string::npos);
    now += seconds(60);
    EXPECT_TRUE(budget().take("SN-Q"));

    // Proofs counted ahead of the clock (set back since) still count, but not beyond a window.
    temp.write("ProofTimes.txt", "SN-Q\t" + t + " " + t + " " + t + "\n");
    now -= seconds(62);
    EXPECT_FALSE(budget().take("SN-Q"));
    now -= seconds(60);
    EXPECT_TRUE(budget().take("SN-Q"));
}

TEST_F(ProofTimesTest, ANameThatCannotBeKeptGetsNoProof) {
    for (const char* name : {"", "*", "SN\tA", "SN\nA"}) EXPECT_FALSE(budget().take(name)) << name;
    EXPECT_TRUE(budget().take("SN-A"));
}
