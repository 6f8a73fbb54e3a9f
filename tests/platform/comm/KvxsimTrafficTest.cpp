// The general library's traffic against kvxsim: every ordinal over TCP and over the serial
// pseudo-terminal as link 0, faults from the simulator's control socket, and a restart.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "platform/comm/StatusWord.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/wire/ReplyCode.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/Carriers.h"
#include "support/FakeUi.h"
#include "support/TempFolder.h"

using namespace std::chrono_literals;
using kvxglib::Variant;
using kvxglib::VarRef;
namespace vt = kvxglib::vt;

namespace {

constexpr int32_t kFlags = static_cast<int32_t>(0x80000000u);

const char* kNetwork = R"([Simulator]
Baud=115200

[Controller Gate]
Serial=SN-GATE
KvxrealC=yes
Model=300
Address=1:5
Listen=127.0.0.1:0
Var.300.2=1,2,7
Var.300.4=1,4,21.5
Var.300.5=1,5,Pump
Var.300.6=1,6,123456

[Partition Gate 16]
Name=Heating
Title=Heating control
Type=2
Size=4096
MaxSize=1048576

[Controller Head]
Bus=serial
Serial=SN-B1
KvxrealC=yes
Address=10:1
Var.300.3=1,3,-300

[Controller Second]
Bus=serial
Serial=SN-B2
Address=10:2
)";

using testsupport::carrier;
using testsupport::ref;

struct Sent {
    bool started = false;
    bool ok = false;
    std::vector<uint8_t> reply;
    uint16_t code1 = 0;
};

Sent sendRequest(kvxglib::Library& lib, int32_t link, std::vector<uint8_t> request,
                 int16_t option) {
    Sent sent;
    const auto handle = lib.CreateRequest(168);
    lib.BindRequest(handle, link);
    std::string label;
    lib.SubmitRequest(handle, request.data(), static_cast<int16_t>(request.size()), option, kFlags,
                      label);
    sent.started = lib.StartExchange(handle) != 0;
    if (sent.started) {
        while ((lib.ExchangeComplete(handle) & 0xFFFF) == 0) lib.Yield();
        sent.reply.assign(128, 0);
        int16_t length = 128, c1 = 0, c2 = 0;
        sent.ok = lib.FetchReply(handle, sent.reply.data(), &length, &c1, &c2) != 0;
        sent.reply.resize(static_cast<std::size_t>(length));
        sent.code1 = static_cast<uint16_t>(c1);
    }
    lib.ReleaseRequest(handle, 168);
    return sent;
}

class KvxsimTraffic : public ::testing::Test {
  protected:
    void SetUp() override {
        temp.write("net.ini", kNetwork);
        start();
        temp.write("machine/Kvxmatic.Ini",
                   "[Link]\nTcpTimeoutMs=300\nSerialTimeoutMs=150\n"
                   "Baud=115200\nPort=" +
                       sim->serial() + "\n");
        lib = std::make_unique<kvxglib::RealLibrary>(boxes, temp / "machine");
        link = openGate();
    }
    void start() {
        sim.reset();
        sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--network", temp / "net.ini", "--state", temp / "state", "--control", temp / "ctl"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    }
    int32_t openGate() {
        const simtest::Endpoint gate = sim->tcpEndpoint("Gate");
        std::string why;
        const int32_t handle = kvxglib::openTcpLink(*lib, gate.host, gate.port, &why);
        EXPECT_NE(handle, 0) << why;
        return handle;
    }
    std::string ctl(const std::string& line) { return simtest::control(temp / "ctl", line); }

    testsupport::TempFolder temp;
    testsupport::ScriptedMessageBoxes boxes;
    std::unique_ptr<simtest::SimProcess> sim;
    std::unique_ptr<kvxglib::RealLibrary> lib;
    int32_t link = 0;
};

}  // namespace

TEST_F(KvxsimTraffic, VariablesOverTcp) {
    int16_t pla = 0;
    VarRef r = ref(255, 30, 1, 2, 241, 0);
    Variant v = carrier(vt::I2, &pla);
    int32_t status = 0;
    ASSERT_NE(lib->ReadVariable(link, &r, &v, 1, 0, 0, &status, u"255:30.QSystem.PLA"), 0)
        << std::hex << status;
    EXPECT_EQ(pla, 1);

    float real = 0;
    std::u16string text;
    int32_t number = 0;
    VarRef rReal = ref(1, 5, 1, 4, 300, 4), rText = ref(1, 5, 1, 5, 300, 5),
           rLong = ref(1, 5, 1, 6, 300, 6);
    Variant vReal = carrier(vt::R4, &real), vText = carrier(vt::BStr, &text),
            vLong = carrier(vt::I4, &number);
    EXPECT_NE(lib->ReadVariable(link, &rReal, &vReal, 1, 0, kFlags, &status, u""), 0);
    EXPECT_NE(lib->ReadVariable(link, &rText, &vText, 1, 0, kFlags, &status, u""), 0);
    EXPECT_NE(lib->ReadVariable(link, &rLong, &vLong, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(real, 21.5f);
    EXPECT_EQ(text, u"Pump");
    EXPECT_EQ(number, 123456);

    std::u16string written = u"Kühler";
    Variant vWritten = carrier(vt::BStr, &written);
    EXPECT_NE(lib->WriteVariable(link, &rText, &vWritten, 1, 0, kFlags, &status, u""), 0);
    text.clear();
    EXPECT_NE(lib->ReadVariable(link, &rText, &vText, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(text, u"Kühler");

    // Writing a text into a real: the controller refuses, the library says false.
    EXPECT_EQ(lib->WriteVariable(link, &rReal, &vWritten, 1, 0, kFlags, &status, u""), 0);
}

TEST_F(KvxsimTraffic, BatchClockAndTelegramsOverTcp) {
    uint8_t* start = nullptr;
    uint8_t* cursor = nullptr;
    int32_t status = 0;
    ASSERT_NE(lib->OpenWriteBatch(&start, &cursor, kFlags | 0x0A000000, &status), 0);
    int16_t seven = 70;
    float warm = 23.25f;
    VarRef r1 = ref(1, 5, 1, 2, 300, 2), r2 = ref(1, 5, 1, 4, 300, 4);
    Variant v1 = carrier(vt::I2, &seven), v2 = carrier(vt::R4, &warm);
    ASSERT_NE(lib->AppendWrite(&r1, &v1, start, &cursor, 1, kFlags, &status), 0);
    ASSERT_NE(lib->AppendWrite(&r2, &v2, start, &cursor, 1, kFlags, &status), 0);
    const auto handle = lib->CreateRequest(168);
    lib->BindRequest(handle, link);
    std::string label;
    lib->SubmitRequest(handle, start, static_cast<int16_t>(cursor - start), 0, kFlags, label);
    ASSERT_NE(lib->StartExchange(handle), 0);
    while (lib->ExchangeComplete(handle) == 0) lib->Yield();
    uint8_t reply[129];
    int16_t length = 128, c1 = 0, c2 = 0;
    EXPECT_NE(lib->FetchReply(handle, reply, &length, &c1, &c2), 0);
    lib->ReleaseRequest(handle, 168);
    int16_t back = 0;
    Variant vBack = carrier(vt::I2, &back);
    EXPECT_NE(lib->ReadVariable(link, &r1, &vBack, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(back, 70);

    EXPECT_NE(lib->SetControllerClock(link, 1, 5, 241, 0, 0, 0, 0, 0), 0);

    const Sent poll = sendRequest(*lib, link, {1, 5, 0x98}, 1);
    EXPECT_TRUE(poll.ok);
    EXPECT_EQ(poll.reply, (std::vector<uint8_t>{1, 5}));
    const Sent list = sendRequest(*lib, link, {1, 5, 0xCB, 0, 4, 0, 0, 0, 1, 0, 0, 0}, 0);
    EXPECT_EQ(list.reply, (std::vector<uint8_t>{16}));
    const Sent maxSize = sendRequest(*lib, link, {1, 5, 0xCB, 0x10, 16, 9, 0}, 0);
    EXPECT_EQ(maxSize.reply, (std::vector<uint8_t>{0, 0, 0x10, 0}));
    // A bus station through the gateway, and an address nobody has.
    EXPECT_EQ(sendRequest(*lib, link, {10, 2, 0x98}, 1).reply, (std::vector<uint8_t>{10, 2}));
    const auto before = std::chrono::steady_clock::now();
    const Sent nobody = sendRequest(*lib, link, {77, 7, 0x98}, 1);
    EXPECT_FALSE(nobody.ok);
    EXPECT_EQ(nobody.code1, wire::code(wire::ReplyCode::NoSuchStation));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 250ms);  // at once, not a time-out
}

TEST_F(KvxsimTraffic, LinkZeroIsTheSerialBus) {
    const Sent head = sendRequest(*lib, 0, {255, 30, 0x98}, 1);
    ASSERT_TRUE(head.ok) << head.code1;
    EXPECT_EQ(head.reply, (std::vector<uint8_t>{10, 1}));
    EXPECT_EQ(sendRequest(*lib, 0, {10, 2, 0x98}, 1).reply, (std::vector<uint8_t>{10, 2}));

    int16_t value = 0;
    VarRef r = ref(10, 1, 1, 3, 300, 3);
    Variant v = carrier(vt::I2, &value);
    int32_t status = 0;
    EXPECT_NE(lib->ReadVariable(0, &r, &v, 1, 0, kFlags, &status, u""), 0) << std::hex << status;
    EXPECT_EQ(value, -300);
    int16_t changed = 42;
    Variant vChanged = carrier(vt::I2, &changed);
    EXPECT_NE(lib->WriteVariable(0, &r, &vChanged, 1, 0, kFlags, &status, u""), 0);
    EXPECT_NE(lib->ReadVariable(0, &r, &v, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(value, 42);

    // An absent station answers nothing on a bus: the serial time-out ends it. A presence probe
    // (option 1) of it ends at once: it is not on the head's station list.
    const auto before = std::chrono::steady_clock::now();
    const Sent absent = sendRequest(*lib, 0, {77, 7, 0x98}, 0);
    EXPECT_FALSE(absent.ok);
    EXPECT_EQ(absent.code1, wire::code(wire::ReplyCode::TimedOut));
    EXPECT_GE(std::chrono::steady_clock::now() - before, 150ms);
    EXPECT_EQ(sendRequest(*lib, 0, {77, 7, 0x98}, 1).code1,
              wire::code(wire::ReplyCode::NoSuchStation));
    EXPECT_TRUE(sendRequest(*lib, 0, {10, 1, 0x98}, 1).ok);
}

TEST_F(KvxsimTraffic, DroppedReplyEndsWithinTheTimeOutThenTheLinkWorks) {
    ASSERT_EQ(ctl("fault Gate drop_reply 1"), "ok");
    int16_t pla = 0;
    VarRef r = ref(255, 30, 1, 2, 241, 0);
    Variant v = carrier(vt::I2, &pla);
    int32_t status = 0;
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(lib->ReadVariable(link, &r, &v, 1, 0, kFlags, &status, u""), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_EQ(status, comm::statusWord(wire::code(wire::ReplyCode::TimedOut), 0));
    EXPECT_NE(lib->ReadVariable(link, &r, &v, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(pla, 1);

    // Same on the bus (plain polls: a presence probe would ask for the station list first).
    ASSERT_EQ(ctl("fault Head drop_reply 1"), "ok");
    EXPECT_FALSE(sendRequest(*lib, 0, {10, 1, 0x98}, 0).ok);
    EXPECT_TRUE(sendRequest(*lib, 0, {10, 1, 0x98}, 0).ok);
}

TEST_F(KvxsimTraffic, LinkClosedMidReplyFailsThenTheNextExchangeReconnects) {
    // Plain polls: a presence probe would ask for the station list first.
    ASSERT_EQ(ctl("fault Gate close_after_bytes 4"), "ok");
    const Sent cut = sendRequest(*lib, link, {1, 5, 0x98}, 0);
    EXPECT_FALSE(cut.ok);
    EXPECT_EQ(cut.code1, wire::code(wire::ReplyCode::LinkLost));
    EXPECT_TRUE(sendRequest(*lib, link, {1, 5, 0x98}, 0).ok);

    // A reply cut off on the bus is abandoned by the idle gap and ends by the time-out.
    ASSERT_EQ(ctl("fault Head close_after_bytes 4"), "ok");
    EXPECT_FALSE(sendRequest(*lib, 0, {10, 1, 0x98}, 0).ok);
    EXPECT_TRUE(sendRequest(*lib, 0, {10, 1, 0x98}, 0).ok);
}

TEST_F(KvxsimTraffic, WrittenStateSurvivesARestartOfTheSimulator) {
    std::u16string name = u"Plant room";
    VarRef r = ref(1, 5, 1, 5, 300, 5);
    Variant v = carrier(vt::BStr, &name);
    int32_t status = 0;
    ASSERT_NE(lib->WriteVariable(link, &r, &v, 1, 0, kFlags, &status, u""), 0);

    ASSERT_EQ(ctl("quit"), "ok");
    EXPECT_EQ(sim->waitExit(), 0);
    // The controller is gone: the link fails, it does not hang.
    EXPECT_FALSE(sendRequest(*lib, link, {1, 5, 0x98}, 1).ok);
    start();
    const int32_t again = openGate();
    std::u16string back;
    Variant vBack = carrier(vt::BStr, &back);
    EXPECT_NE(lib->ReadVariable(again, &r, &vBack, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(back, u"Plant room");
}
