// Opening a serial device: what cannot be one, and a line that another program holds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/comm/SerialPort.h"
#include "support/TempFolder.h"

namespace {

using ::testing::HasSubstr;

// A pseudo-terminal whose slave side is the device under test.
struct Pty {
    Pty() {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) ADD_FAILURE() << "openpty";
        path = name;
    }
    ~Pty() {
        ::close(master);
        ::close(slave);
    }
    int master = -1, slave = -1;
    std::string path;
};

TEST(SerialPort, WhatCannotBeOpenedIsNamed) {
    testsupport::TempFolder temp;
    const std::string plain = temp.path() + "/not-a-port";
    std::ofstream(plain) << "text";
    Pty pty;
    std::string why;
    const int holder = comm::openSerialPort(pty.path, 9600, why);
    ASSERT_GE(holder, 0) << why;

    struct Row {
        std::string path;
        std::string says;
    };
    const Row rows[] = {
        {temp.path() + "/missing", "cannot open " + temp.path() + "/missing: No such file"},
        {plain, plain + " is not a serial port"},
        {pty.path,
         pty.path + " is busy: another program uses it (process " + std::to_string(::getpid())},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        why.clear();
        EXPECT_EQ(comm::openSerialPort(row.path, 9600, why), -1);
        EXPECT_THAT(why, HasSubstr(row.says));
    }
    ::close(holder);
    const int again = comm::openSerialPort(pty.path, 9600, why);
    EXPECT_GE(again, 0) << "free once the holder lets go: " << why;
    ::close(again);
}

TEST(SerialPort, AProgramStartedByTheHolderSharesItsLine) {
    Pty pty;
    std::string why;
    const int holder = comm::openSerialPort(pty.path, 9600, why);
    ASSERT_GE(holder, 0) << why;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string reason;
        ::_exit(comm::openSerialPort(pty.path, 9600, reason) >= 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ::close(holder);
}

}  // namespace
