// The general library's controller traffic, called as the program calls it, against a fake
// controller on a loopback TCP link and on a pseudo-terminal as link 0.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>

#include "FakeController.h"
#include "platform/comm/StatusWord.h"
#include "platform/wire/Command.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "support/Carriers.h"
#include "support/FakeUi.h"
#include "support/TempFolder.h"

using namespace std::chrono_literals;
using kvxglib::Variant;
using kvxglib::VarRef;
namespace vt = kvxglib::vt;

namespace {

constexpr int32_t kFlags = static_cast<int32_t>(0x80000000u);

using testsupport::carrier;
using testsupport::ref;

struct Sent {
    int32_t result = 0;
    int32_t started = 0;
    std::vector<uint8_t> reply;
    int16_t code1 = 0;
    int16_t code2 = 0;
};

// The program's way of sending a request telegram through a request object.
Sent sendRequest(kvxglib::Library& lib, int32_t link, std::vector<uint8_t> request, int16_t option,
                 int16_t capacity = 128) {
    Sent sent;
    const auto handle = lib.CreateRequest(168);
    lib.BindRequest(handle, link);
    std::string label;
    lib.SubmitRequest(handle, request.data(), static_cast<int16_t>(request.size()), option, kFlags,
                      label);
    sent.started = lib.StartExchange(handle);
    if (sent.started != 0) {
        while ((lib.ExchangeComplete(handle) & 0xFFFF) == 0) lib.Yield();
        sent.reply.assign(128, 0);
        int16_t length = capacity;
        sent.result = lib.FetchReply(handle, sent.reply.data(), &length, &sent.code1, &sent.code2);
        sent.reply.resize(static_cast<std::size_t>(std::max<int16_t>(length, 0)));
    }
    lib.ReleaseRequest(handle, 168);
    return sent;
}

class TrafficTest : public ::testing::Test {
  protected:
    TrafficTest() {
        writeSettings("");
        peer.setScript(controller.script());
        std::string why;
        link = kvxglib::openTcpLink(lib, "127.0.0.1", peer.port(), &why);
        EXPECT_NE(link, 0) << why;
    }
    void writeSettings(const std::string& extra) {
        temp.write("machine/Kvxmatic.Ini",
                   "[Kvxmatic]\nProductDir=../Product\n[Link]\nTcpTimeoutMs=200\n"
                   "SerialTimeoutMs=100\nBaud=115200\n" +
                       extra);
    }

    testsupport::TempFolder temp;
    testsupport::ScriptedMessageBoxes boxes;
    kvxglib::RealLibrary lib{boxes, temp / "machine"};
    commtest::FakeController controller;
    commtest::TcpPeer peer;
    int32_t link = 0;
};

}  // namespace

TEST_F(TrafficTest, ReadsEveryTypeThroughTheValueCarrier) {
    controller.set(1, 241, 0, wire::Value::smallInt(1));
    controller.set(1, 242, 163, wire::Value::boolean(true));
    controller.set(1, 241, 88, wire::Value::int16(-300));
    controller.set(5, 248, 7, wire::Value::real32(2.5f));
    controller.set(1, 241, 63, wire::Value::oemText("W\x84rme"));  // code page 850
    controller.set(1, 248, 231, wire::Value::long32(123456789));

    int16_t small = 0, boolean = 0, integer = 0;
    float real = 0;
    std::u16string text;
    int32_t longValue = 0;
    struct Case {
        VarRef r;
        Variant v;
    } cases[] = {
        {ref(255, 30, 1, 2, 241, 0), carrier(vt::I2, &small)},
        {ref(1, 5, 1, 1, 242, 163), carrier(vt::Bool, &boolean)},
        {ref(1, 5, 1, 3, 241, 88), carrier(vt::I2, &integer)},
        {ref(1, 5, 5, 4, 248, 7), carrier(vt::R4, &real)},
        {ref(1, 5, 1, 5, 241, 63), carrier(vt::BStr, &text)},
        {ref(1, 5, 1, 6, 248, 231), carrier(vt::I4, &longValue)},
    };
    for (auto& c : cases) {
        int32_t status = 77;
        EXPECT_EQ(lib.ReadVariable(link, &c.r, &c.v, 1, 0, kFlags, &status, u"") & 0xFFFF, 0xFFFF);
        EXPECT_EQ(status, 0);
    }
    EXPECT_EQ(small, 1);
    EXPECT_EQ(boolean, -1);
    EXPECT_EQ(integer, -300);
    EXPECT_EQ(real, 2.5f);
    EXPECT_EQ(text, u"Wärme");
    EXPECT_EQ(longValue, 123456789);
}

TEST_F(TrafficTest, WritesSendTheControllersEncodings) {
    int16_t five = 5;
    std::u16string name = u"Kühlung €";
    std::u16string longText = u"123456";
    struct Case {
        VarRef r;
        Variant v;
    } cases[] = {
        {ref(1, 5, 1, 1, 242, 163), carrier(vt::Bool, &five)},
        {ref(1, 5, 1, 5, 241, 63), carrier(vt::BStr, &name)},
        {ref(1, 5, 5, 6, 248, 40), carrier(vt::BStr, &longText)},  // long integer as its text
    };
    for (auto& c : cases) {
        int32_t status = 0;
        EXPECT_NE(lib.WriteVariable(link, &c.r, &c.v, 1, 0, kFlags, &status, u"") & 0xFFFF, 0);
    }
    EXPECT_EQ(controller.get(1, 242, 163), wire::Value::boolean(true));  // 5 travels as -1
    // Code page 850 has "ü" (0x81) but no euro sign: "?" stands in, nothing is cut off.
    EXPECT_EQ(controller.get(1, 241, 63), wire::Value::oemText("K\x81hlung ?"));
    EXPECT_EQ(controller.get(5, 248, 40), wire::Value::long32(123456));
}

TEST_F(TrafficTest, MalformedCallsFailWithoutSendingAnything) {
    int16_t value = 0;
    std::u16string notANumber = u"12a";
    VarRef good = ref(1, 5, 1, 2, 241, 0);
    VarRef badKind = ref(1, 5, 7, 2, 241, 0);
    VarRef badPla = ref(300, 5, 1, 2, 241, 0);
    Variant wrongCarrier = carrier(vt::R4, &value);
    Variant byValue{vt::I2, 0, 0, 0, &value};
    Variant right = carrier(vt::I2, &value);
    VarRef longRef = ref(1, 5, 5, 6, 248, 40);
    Variant longText = carrier(vt::BStr, &notANumber);
    int32_t status = 0;
    EXPECT_EQ(lib.ReadVariable(link, &good, &wrongCarrier, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(lib.ReadVariable(link, &good, &byValue, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(lib.ReadVariable(link, &badKind, &right, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(lib.WriteVariable(link, &badPla, &right, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(lib.WriteVariable(link, &longRef, &longText, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(lib.ReadVariable(link, &good, &right, 2, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(lib.ReadVariable(link, nullptr, &right, 1, 0, kFlags, &status, u""), 0);
    EXPECT_TRUE(controller.requests().empty());
}

TEST_F(TrafficTest, RefusalsAndUnknownLinksAreFalseWithTheirStatus) {
    int16_t value = 9;
    VarRef missing = ref(1, 5, 1, 2, 241, 999);
    Variant v = carrier(vt::I2, &value);
    int32_t status = 0;
    EXPECT_EQ(lib.ReadVariable(link, &missing, &v, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(status, comm::statusWord(wire::code(wire::ReplyCode::NoSuchVariable), 0));
    EXPECT_EQ(value, 9);

    VarRef elsewhere = ref(12, 3, 1, 2, 241, 0);
    EXPECT_EQ(lib.ReadVariable(link, &elsewhere, &v, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(status, 0x00000001);  // no such station

    EXPECT_EQ(lib.ReadVariable(link + 100, &missing, &v, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(status, comm::kStatusNotStarted);
}

TEST_F(TrafficTest, ADroppedReplyEndsTheReadByTheConfiguredTimeOut) {
    controller.set(1, 241, 0, wire::Value::smallInt(1));
    controller.dropRequest(0);
    int16_t value = 0;
    VarRef r = ref(1, 5, 1, 2, 241, 0);
    Variant v = carrier(vt::I2, &value);
    int32_t status = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lib.ReadVariable(link, &r, &v, 1, 0, kFlags, &status, u""), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, 2000ms);  // TcpTimeoutMs=200, not the default
    EXPECT_EQ(status, comm::statusWord(wire::code(wire::ReplyCode::TimedOut), 0));
    // The next read is answered, the late reply of the first does not confuse it.
    EXPECT_NE(lib.ReadVariable(link, &r, &v, 1, 0, kFlags, &status, u""), 0);
    EXPECT_EQ(value, 1);
}

TEST_F(TrafficTest, RequestObjectsRunTelegramsAndDeliverTheReply) {
    const Sent poll = sendRequest(lib, link, {1, 5, 0x98}, 1, 2);
    EXPECT_NE(poll.started, 0);
    EXPECT_NE(poll.result & 0xFFFF, 0);
    EXPECT_EQ(poll.reply, (std::vector<uint8_t>{1, 5}));
    EXPECT_EQ(poll.code1, 0);
    // A presence probe (option 1) first asks the link's head for its station list.
    const auto frames = controller.requests();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].command, wire::code(wire::Command::StationList));
    EXPECT_EQ(frames[1].address, (wire::Address{1, 5}));
    EXPECT_EQ(frames[1].payload, (std::vector<uint8_t>{1, 0x98}));  // option, then the telegram

    const Sent list = sendRequest(lib, link, {1, 5, 0xCB, 0, 4, 0, 0, 0, 1, 0, 0, 0}, 0);
    EXPECT_EQ(list.reply, (std::vector<uint8_t>{16, 17}));
    // A reply that does not fit the caller's buffer fails whole; none is ever cut.
    struct Case {
        int16_t capacity;
        bool fetched;
        std::vector<uint8_t> reply;
    };
    const Case cases[] = {
        {4, true, {0x89, 0x3E, 0, 0}},  // 16009, exactly the room there is
        {128, true, {0x89, 0x3E, 0, 0}},
        {3, false, {}},
        {0, false, {}},
        {-1, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        const Sent size = sendRequest(lib, link, {1, 5, 0xCB, 0x10, 16, 9, 0}, 0, c.capacity);
        EXPECT_EQ(size.result != 0, c.fetched);
        EXPECT_EQ(size.reply, c.reply);
        EXPECT_EQ(static_cast<uint16_t>(size.code1),
                  c.fetched ? 0 : wire::code(wire::ReplyCode::TooLarge));
    }
}

TEST_F(TrafficTest, RefusedOrUnansweredRequestsFetchFalseWithTheirCodes) {
    const Sent absent = sendRequest(lib, link, {12, 3, 0x98}, 1);
    EXPECT_NE(absent.started, 0);
    EXPECT_EQ(absent.result, 0);
    EXPECT_EQ(absent.code1, 1);  // no such station
    EXPECT_TRUE(absent.reply.empty());

    const Sent wrongType = sendRequest(lib, link, {1, 5, 0xCB, 0x10, 16, 2, 0}, 0);
    EXPECT_EQ(wrongType.result, 0);
    EXPECT_EQ(wrongType.code1, 5);

    controller.dropRequest(3);  // request 0 was the station list the first probe asked for
    const Sent dropped = sendRequest(lib, link, {1, 5, 0x98}, 1);
    EXPECT_EQ(dropped.result, 0);
    EXPECT_EQ(static_cast<uint16_t>(dropped.code1), wire::code(wire::ReplyCode::TimedOut));
}

TEST_F(TrafficTest, AWriteBatchTravelsAsOneRequest) {
    uint8_t* start = nullptr;
    uint8_t* cursor = nullptr;
    int32_t status = 0;
    const int32_t batchFlags = kFlags | 0x0A000000;
    ASSERT_NE(lib.OpenWriteBatch(&start, &cursor, batchFlags, &status), 0);
    int16_t yes = -1;
    int16_t port = 8080;
    VarRef first = ref(1, 5, 1, 1, 242, 163);
    VarRef second = ref(1, 5, 1, 3, 248, 231);
    Variant v1 = carrier(vt::Bool, &yes);
    Variant v2 = carrier(vt::I2, &port);
    ASSERT_NE(lib.AppendWrite(&first, &v1, start, &cursor, 1, batchFlags, &status) & 0xFFFF, 0);
    ASSERT_NE(lib.AppendWrite(&second, &v2, start, &cursor, 1, batchFlags, &status) & 0xFFFF, 0);

    const auto handle = lib.CreateRequest(168);
    ASSERT_NE(lib.BindRequest(handle, link), 0);
    std::string label;
    ASSERT_NE(
        lib.SubmitRequest(handle, start, static_cast<int16_t>(cursor - start), 0, kFlags, label),
        0);
    ASSERT_NE(lib.StartExchange(handle), 0);
    while (lib.ExchangeComplete(handle) == 0) lib.Yield();
    uint8_t reply[129] = {};
    int16_t length = 128, c1 = 0, c2 = 0;
    EXPECT_NE(lib.FetchReply(handle, reply, &length, &c1, &c2), 0);
    lib.ReleaseRequest(handle, 168);

    const auto frames = controller.requests();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].command, wire::code(wire::Command::WriteBatch));
    EXPECT_EQ(frames[0].address, (wire::Address{1, 5}));
    EXPECT_EQ(controller.get(1, 242, 163), wire::Value::boolean(true));
    EXPECT_EQ(controller.get(1, 248, 231), wire::Value::int16(8080));
}

TEST_F(TrafficTest, RequestObjectsFailToStartWhenTheyCannot) {
    const auto handle = lib.CreateRequest(168);
    std::string label;
    uint8_t poll[] = {1, 5, 0x98};
    EXPECT_EQ(lib.BindRequest(handle, 4242), 0);  // no such link
    EXPECT_NE(lib.SubmitRequest(handle, poll, 3, 1, kFlags, label), 0);
    EXPECT_EQ(lib.StartExchange(handle), 0);
    EXPECT_NE(lib.ExchangeComplete(handle), 0);  // nothing running: polling ends at once
    uint8_t tooShort[] = {1, 5};
    EXPECT_EQ(lib.SubmitRequest(handle, tooShort, 2, 1, kFlags, label), 0);
    EXPECT_EQ(lib.SubmitRequest(handle, poll, 3, 3, kFlags, label), 0);  // no option 3
    lib.ReleaseRequest(handle, 168);
    EXPECT_NE(lib.ExchangeComplete(handle), 0);
}

TEST_F(TrafficTest, LinkClosedMidExchangeIsFalseAndTheNextExchangeWorks) {
    peer.setScript([this, script = controller.script()](const wire::Frame& request, int index) {
        // Request 0 is the station list the first probe asks for.
        return index == 2 ? commtest::PeerAction::close() : script(request, index);
    });
    EXPECT_NE(sendRequest(lib, link, {1, 5, 0x98}, 1).result, 0);
    const Sent lost = sendRequest(lib, link, {1, 5, 0x98}, 1);
    EXPECT_EQ(lost.result, 0);
    EXPECT_EQ(static_cast<uint16_t>(lost.code1), wire::code(wire::ReplyCode::LinkLost));
    EXPECT_NE(sendRequest(lib, link, {1, 5, 0x98}, 1).result, 0);
}

TEST_F(TrafficTest, SetsTheControllersClockToTheLocalTime) {
    const std::time_t before = std::time(nullptr);
    EXPECT_NE(lib.SetControllerClock(link, 1, 5, 241, 0, 0, 0, 0, 0), 0);
    const auto clocks = controller.clocks();
    ASSERT_EQ(clocks.size(), 1u);
    std::tm sent{};
    sent.tm_year = clocks[0].year - 1900;
    sent.tm_mon = clocks[0].month - 1;
    sent.tm_mday = clocks[0].day;
    sent.tm_hour = clocks[0].hour;
    sent.tm_min = clocks[0].minute;
    sent.tm_sec = clocks[0].second;
    sent.tm_isdst = -1;
    const std::time_t at = std::mktime(&sent);
    EXPECT_LE(std::abs(at - before), 2);
    std::tm local{};
    localtime_r(&at, &local);
    EXPECT_EQ(clocks[0].weekday, local.tm_wday == 0 ? 7 : local.tm_wday);
    EXPECT_EQ(clocks[0].file, 241);
    EXPECT_EQ(lib.SetControllerClock(link, 9, 9, 241, 0, 0, 0, 0, 0), 0);  // nobody there
}

TEST_F(TrafficTest, LinkZeroFollowsPortInTheMachineSettings) {
    uint8_t poll[] = {1, 5, 0x98};
    std::string label;
    // No Port: every exchange fails to start, at once.
    auto handle = lib.CreateRequest(168);
    EXPECT_NE(lib.BindRequest(handle, 0), 0);
    EXPECT_NE(lib.SubmitRequest(handle, poll, 3, 1, kFlags, label), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lib.StartExchange(handle), 0);
    writeSettings("Port=" + temp / "no-such-tty" + "\n");
    EXPECT_EQ(lib.StartExchange(handle), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
    lib.ReleaseRequest(handle, 168);

    commtest::PtyPeer serial;
    commtest::FakeController onBus({2, 9});
    serial.setScript(onBus.script());
    writeSettings("Port=" + serial.path() + "\n");
    const Sent answered = sendRequest(lib, 0, {2, 9, 0x98}, 1);
    EXPECT_NE(answered.result, 0);
    EXPECT_EQ(answered.reply, (std::vector<uint8_t>{2, 9}));
    int16_t value = 0;
    onBus.set(1, 241, 88, wire::Value::int16(16));
    VarRef r = ref(255, 30, 1, 3, 241, 88);
    Variant v = carrier(vt::I2, &value);
    int32_t status = 0;
    EXPECT_NE(lib.ReadVariable(0, &r, &v, 1, 0, 0, &status, u""), 0);
    EXPECT_EQ(value, 16);
}

TEST_F(TrafficTest, TcpLinksOpenOnlyToAListeningController) {
    std::string why;
    EXPECT_EQ(kvxglib::openTcpLink(lib, "127.0.0.1", commtest::closedPort(), &why), 0);
    EXPECT_NE(why.find("cannot connect"), std::string::npos) << why;
    const int32_t second = kvxglib::openTcpLink(lib, "localhost", peer.port(), &why);
    EXPECT_GT(second, link);
    EXPECT_TRUE(kvxglib::closeLink(lib, second));
    EXPECT_FALSE(kvxglib::closeLink(lib, second));
    EXPECT_FALSE(kvxglib::closeLink(lib, 0));
    EXPECT_EQ(kvxglib::openSerialLink(lib, "/dev/null", 0, &why), 0);
}

TEST_F(TrafficTest, YieldProcessesTheScreensEvents) {
    testsupport::FakeScreen screen;
    lib.Yield();  // no screen: just returns
    kvxglib::setYieldScreen(lib, &screen);
    lib.Yield();
    lib.Yield();
    EXPECT_EQ(screen.eventRounds, 2);
}

TEST_F(TrafficTest, PreparesTheLoadersFolder) {
    int32_t out = -5;
    const std::string folder = temp / "machine/Jobs/Load";
    EXPECT_EQ(lib.PrepareLoaderFolder(2, folder, 0, &out), -1);
    EXPECT_EQ(out, 0);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(lib.PrepareLoaderFolder(2, folder, 0, &out), -1);  // already there: fine
    temp.write("machine/file", "x");
    EXPECT_EQ(lib.PrepareLoaderFolder(2, temp / "machine/file", 0, &out), 0);
    EXPECT_NE(out, 0);
}
