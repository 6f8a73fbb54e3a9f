// The registry of open links in the machine folder, through which a started tool finds the
// link of the program that started it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/kvxglib/LinkRegistry.h"
#include "support/TempFolder.h"

using kvxglib::LinkRegistry;
using kvxglib::RegisteredLink;

namespace {

// Above the kernel's largest process number, so never alive.
constexpr long kGoneProcess = 4194399;

class LinkRegistryTest : public ::testing::Test {
  protected:
    LinkRegistryTest() { temp.write("machine/Kvxmatic.Ini", "[Kvxmatic]\n"); }
    std::string machine() const { return temp / "machine"; }
    std::optional<RegisteredLink> find(int32_t handle, long owner) {
        why.clear();
        return LinkRegistry::find(machine(), handle, owner, why);
    }

    testsupport::TempFolder temp;
    std::string why;
};

TEST_F(LinkRegistryTest, FindsTheLinkOfTheOwnerUntilItCloses) {
    LinkRegistry mine(machine());
    ASSERT_TRUE(mine.add(3, {"tcp:127.0.0.1:5000", 0, true, "SN-VAULT"}));
    ASSERT_TRUE(mine.add(4, {"serial:/dev/ttyS1", 9600, false, "SN\nEncrypted=1"}));
    const std::optional<RegisteredLink> tcp = find(3, getpid());
    ASSERT_TRUE(tcp);
    EXPECT_EQ(tcp->name, "tcp:127.0.0.1:5000");
    EXPECT_EQ(tcp->baud, 0u);
    EXPECT_TRUE(tcp->encrypted);
    EXPECT_EQ(tcp->serial, "SN-VAULT") << "the controller the link was opened for";
    const std::optional<RegisteredLink> serial = find(4, getpid());
    ASSERT_TRUE(serial);
    EXPECT_EQ(serial->name, "serial:/dev/ttyS1");
    EXPECT_EQ(serial->baud, 9600u);
    EXPECT_FALSE(serial->encrypted) << "a serial number cannot add lines to the entry";
    EXPECT_EQ(serial->serial, "");

    mine.remove(3);
    EXPECT_FALSE(find(3, getpid()));
    EXPECT_EQ(why, "no open link 3 is registered in " + machine() + "/links");
}

TEST_F(LinkRegistryTest, WhichEntryAnOwnerGets) {
    // Entries: this process's link 1, the parent's links 1 and 2, a vanished process's link 5.
    LinkRegistry mine(machine());
    LinkRegistry parents(machine(), getppid());
    LinkRegistry gone(machine(), kGoneProcess);
    ASSERT_TRUE(mine.add(1, {"tcp:mine:1", 0}));
    ASSERT_TRUE(parents.add(1, {"tcp:parent:1", 0}));
    ASSERT_TRUE(parents.add(2, {"tcp:parent:2", 0}));
    ASSERT_TRUE(gone.add(5, {"tcp:gone:5", 0}));
    struct Row {
        int32_t handle;
        long owner;
        std::string found;  // empty: nothing
        std::string why;
    };
    const Row rows[] = {
        {1, getpid(), "tcp:mine:1", ""},
        {1, getppid(), "tcp:parent:1", ""},
        {2, kGoneProcess, "tcp:parent:2", ""},  // the only live one with that handle
        {1, kGoneProcess, "",
         "several programs have a link 1 open; start the tool from the one that should lend it"},
        {5, kGoneProcess, "", "no open link 5 is registered in " + machine() + "/links"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.handle);
        const std::optional<RegisteredLink> link = find(row.handle, row.owner);
        EXPECT_EQ(link ? link->name : "", row.found);
        EXPECT_EQ(why, row.why);
    }
    // The vanished process's entry was cleared by the lookups.
    EXPECT_FALSE(std::filesystem::exists(machine() + "/links/" + std::to_string(kGoneProcess) + "-5"));
}

TEST_F(LinkRegistryTest, EntriesGoWithTheirRegistry) {
    {
        LinkRegistry mine(machine());
        ASSERT_TRUE(mine.add(7, {"tcp:h:7", 0}));
        EXPECT_TRUE(find(7, getpid()));
    }
    EXPECT_FALSE(find(7, getpid()));
}

TEST_F(LinkRegistryTest, WithoutAMachineFolderNothingIsRegistered) {
    LinkRegistry nowhere(temp / "missing");
    std::string reason;
    EXPECT_FALSE(nowhere.add(1, {"tcp:h:1", 0}, &reason));
    EXPECT_EQ(reason, "the machine folder " + (temp / "missing") + " does not exist");
    EXPECT_FALSE(std::filesystem::exists(temp / "missing"));
}

}  // namespace
