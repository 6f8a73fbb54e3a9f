// Reading the network file: the demo network, and mistakes reported with file and line.
#include <gtest/gtest.h>

#include "sim/NetworkFile.h"
#include "support/TempFolder.h"

namespace {

using sim::parseNetworkText;

const char* kGood = R"([Simulator]
Baud=9600
[Controller A]
Serial=S1
Address=1:1
Listen=127.0.0.1:0
[Controller B]
Bus=serial
Serial=S2
Address=2:1
)";

std::vector<std::string> errorsOf(const std::string& text) {
    return parseNetworkText(text, "net.ini").errors;
}

TEST(NetworkFile, ReadsTheDemoNetwork) {
    testsupport::TempFolder temp;
    temp.copyDemo();
    auto result = sim::readNetworkFile(temp / "demo/network.ini");
    ASSERT_TRUE(result.errors.empty()) << result.errors.front();
    const auto& controllers = result.config.controllers;
    ASSERT_EQ(controllers.size(), 8u);
    const auto& boiler = controllers[0];
    EXPECT_EQ(boiler.id, "Boiler");
    EXPECT_TRUE(boiler.kvxrealC);
    EXPECT_EQ(boiler.address, (wire::Address{1, 5}));
    EXPECT_EQ(boiler.extraAddresses, (std::vector<wire::Address>{{255, 31}}));
    EXPECT_EQ(boiler.listen.host, "127.0.0.51");
    EXPECT_EQ(boiler.partitions.size(), 3u);
    EXPECT_EQ(boiler.mac, (wire::Mac{0x00, 0x1B, 0x6E, 0x10, 0x05, 0x01}));
    EXPECT_TRUE(controllers[2].encryptionRequired);
    EXPECT_FALSE(controllers[2].password.empty());
    int serial = 0;
    for (const auto& c : controllers) serial += c.bus == sim::Bus::Serial;
    EXPECT_EQ(serial, 4);
    EXPECT_TRUE(result.config.simulator.discovery.has_value());
}

TEST(NetworkFile, KeysValuesAndVariables) {
    auto result = parseNetworkText(
        std::string(kGood) + "Var.300.4=1,4,21.5\nVar.300.5=1,5,a;b,c\nLatencyMs=200\n", "net.ini");
    ASSERT_TRUE(result.errors.empty()) << result.errors.front();
    EXPECT_EQ(result.config.simulator.baud, 9600u);
    const auto& b = result.config.controllers[1];
    ASSERT_EQ(b.variables.size(), 2u);
    EXPECT_EQ(b.variables[0].value, wire::Value::real32(21.5f));
    EXPECT_EQ(b.variables[1].value, wire::Value::oemText("a;b,c"));
    EXPECT_EQ(b.faults.latencyMs, 200u);
}

TEST(NetworkFile, MistakesNameFileAndLine) {
    struct Case {
        std::string extra;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"Colour=blue\n", "net.ini:11: unknown key Colour"},
        {"Model=seventy\n", "net.ini:11: bad value for Model: seventy"},
        {"Model=70000\n", "net.ini:11: bad value for Model"},
        {"Password=two words\n", "net.ini:11: bad value for Password"},
        {"CompressionWindow=8\n", "net.ini:11: bad value for CompressionWindow"},
        {"CompressionWindow=16\n", "net.ini:11: bad value for CompressionWindow"},
        {"Compression=maybe\n", "net.ini:11: bad value for Compression"},
        {"Password=" + std::string(65, 'x') + "\n", "net.ini:11: bad value for Password"},
        {"Address=3:1\n", "net.ini:11: key Address given twice"},
        {"[Controller C]\nBus=serial\nSerial=S3\nAddress=2:1\n",
         "net.ini:14: address 2:1 of C is already taken on the serial bus by B"},
        {"[Controller C]\nSerial=S3\nListen=127.0.0.1:0\n",
         "net.ini:11: controller C has no Address"},
        {"[Partition B 16]\nName=x\n", "net.ini:11: controller B is no KVXreal C controller"},
        {"[Partition Nobody 16]\n", "net.ini:11: partition of an unknown controller Nobody"},
        {"[Controller A]\n", "net.ini:11: section [Controller A] appears twice"},
        {"[Gadget]\n", "net.ini:11: unknown section [Gadget]"},
        {"this line is no entry\n", "net.ini:11: not a key=value line"},
        {"[Controller C]\nSerial=S3\nAddress=3:1\nListen=127.0.0.1:0\nKvxrealC=yes\n"
         "[Partition C 16]\nTitle=" +
             std::string(128, 't') + "\n",
         "net.ini:17: bad value for Title: too long"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extra);
        auto errors = errorsOf(kGood + c.extra);
        ASSERT_FALSE(errors.empty());
        EXPECT_EQ(errors.front().rfind(c.expected, 0), 0u) << errors.front();
    }
    EXPECT_FALSE(errorsOf("").empty());
    EXPECT_EQ(sim::readNetworkFile("/nonexistent/net.ini").errors.size(), 1u);
}

}  // namespace
