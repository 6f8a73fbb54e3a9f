// The link tool: the serial devices it offers, its write of Port and Baud (one replacement,
// every other line kept, nothing changed on failure), its batch mode, and the library taking
// the new port at its next open.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "linktool/LinkChoice.h"
#include "linktool/SerialDevices.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/SectionedFile.h"
#include "platform/kvxglib/TcpLinks.h"
#include "support/FakeUi.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const std::string kSettings =
    "; machine settings\n[Kvxmatic]\nProductDir=../product\n\n[Link]\nPort=/dev/ttyS0\n"
    "Baud=9600\n; the discovery\nDiscoveryPort=48890\n[Other]\nPort=keep\n";

struct LinkToolTest : ::testing::Test {
    LinkToolTest() { std::ofstream(file) << kSettings; }
    std::string content() const { return kvxglib::readWholeFile(file).value_or("<none>"); }
    ino_t inode() const {
        struct stat st {};
        ::stat(file.c_str(), &st);
        return st.st_ino;
    }
    testsupport::TempFolder temp;
    std::string file = temp.path() + "/Kvxmatic.Ini";
};

TEST_F(LinkToolTest, WriteSetsBothKeysInOneReplacementKeepingEveryOtherLine) {
    const ino_t before = inode();
    std::string why;
    ASSERT_TRUE(linktool::writeLinkChoice(file, {"/dev/ttyUSB1", 115200}, why)) << why;
    EXPECT_EQ(content(),
              "; machine settings\n[Kvxmatic]\nProductDir=../product\n\n[Link]\n"
              "Port=/dev/ttyUSB1\nBaud=115200\n; the discovery\nDiscoveryPort=48890\n[Other]\n"
              "Port=keep\n");
    EXPECT_NE(inode(), before) << "replaced by rename, never rewritten in place";
    const linktool::LinkChoice read = linktool::readLinkChoice(file);
    EXPECT_EQ(read.port, "/dev/ttyUSB1");
    EXPECT_EQ(read.baud, 115200u);
}

TEST_F(LinkToolTest, AFailedWriteLeavesTheFileAsItWas) {
    struct Row {
        const char* what;
        linktool::LinkChoice choice;
        bool folderInTheWay;
        const char* says;
    };
    const Row rows[] = {
        {"a folder where the temporary goes", {"/dev/ttyS1", 9600}, true, "cannot create"},
        {"not a rate", {"/dev/ttyS1", 12345}, false, "12345 is not a baud rate"},
        {"a line break in the port", {"/dev/tty\nS1", 9600}, false, "line break"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.folderInTheWay) fs::create_directory(file + ".linktool");
        std::string why;
        EXPECT_FALSE(linktool::writeLinkChoice(file, row.choice, why));
        EXPECT_THAT(why, HasSubstr(row.says));
        EXPECT_EQ(content(), kSettings);
        fs::remove_all(file + ".linktool");
    }
}

TEST_F(LinkToolTest, AMissingFileIsCreatedWithTheLinkSection) {
    fs::remove(file);
    std::string why;
    ASSERT_TRUE(linktool::writeLinkChoice(file, {"/dev/ttyACM0", 19200}, why)) << why;
    const auto parsed = kvxglib::SectionedFile::load(file);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed->find("Link", "Port"), "/dev/ttyACM0");
    EXPECT_EQ(*parsed->find("Link", "Baud"), "19200");
}

TEST_F(LinkToolTest, DevicesAreThePortsPseudoTerminalsAndLinksToDevices) {
    const std::string dev = temp.path() + "/dev";
    const std::string machine = temp.path() + "/machine";
    fs::create_directories(dev + "/pts");
    fs::create_directories(machine);
    for (const char* name : {"ttyS10", "ttyS2", "ttyUSB0", "ttyACM1", "tty0", "ttyS", "null",
                             "ttyUSBx", "pts/3", "pts/ptmx"}) {
        std::ofstream(dev + "/" + name);
    }
    fs::create_symlink("/dev/null", machine + "/serial");  // a character device
    fs::create_symlink(file, machine + "/settings");       // a plain file
    EXPECT_EQ(linktool::listSerialDevices(machine, dev),
              (std::vector<std::string>{dev + "/pts/3", dev + "/ttyACM1", dev + "/ttyS2",
                                        dev + "/ttyS10", dev + "/ttyUSB0", machine + "/serial"}));
}

// The library reads the settings file at each open of the serial link: what the tool wrote is
// what the next open uses.
TEST_F(LinkToolTest, TheLibraryOpensTheNewPortNextTime) {
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    std::string why;
    ASSERT_TRUE(linktool::writeLinkChoice(file, {temp.path() + "/none", 9600}, why)) << why;
    testsupport::ScriptedMessageBoxes boxes;
    kvxglib::RealLibrary glib(boxes, temp.path());
    EXPECT_FALSE(kvxglib::openLinkZero(glib, why));
    EXPECT_THAT(why, HasSubstr(temp.path() + "/none"));
    ASSERT_TRUE(linktool::writeLinkChoice(file, {name, 9600}, why)) << why;
    EXPECT_TRUE(kvxglib::openLinkZero(glib, why)) << why;
    ::close(master);
    ::close(slave);
}

#ifdef LINK_TOOL_PATH
TEST_F(LinkToolTest, BatchModeWritesOrSaysWhy) {
    struct Row {
        std::vector<std::string> args;
        int exit;
        const char* says;  // on stdout for 0, stderr otherwise
    };
    const Row rows[] = {
        {{"--help"}, 0, "--batch"},
        {{"--batch", "--port", "/dev/ttyS3", "--baud", "38400"}, 0, "Port=/dev/ttyS3 Baud=38400"},
        {{"--batch", "--port", "/dev/ttyS3"}, 2, "needs --port and --baud"},
        {{"--batch", "--port", "/dev/ttyS3", "--baud", "fast"}, 2, "fast is not a baud rate"},
        {{"--batch", "--port", "/dev/ttyS3", "--baud", "1234"}, 1, "1234 is not a baud rate"},
        {{"--list"}, 0, "Baud=38400"},
    };
    for (const Row& row : rows) {
        std::vector<std::string> argv{LINK_TOOL_PATH, "--machine", temp.path()};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        SCOPED_TRACE(row.args.back());
        const auto result = testsupport::runCommand(argv, 30);
        EXPECT_EQ(result.exitCode, row.exit) << result.err;
        EXPECT_THAT(row.exit == 0 ? result.out : result.err, HasSubstr(row.says));
    }
    EXPECT_EQ(linktool::readLinkChoice(file).port, "/dev/ttyS3");
}
#endif

}  // namespace
