// The small parts of the link layer: settings from the machine file, the write batch buffer
// and the status word.
#include <gtest/gtest.h>

#include <map>

#include "platform/comm/LinkSettings.h"
#include "platform/comm/StatusWord.h"
#include "platform/comm/WriteBatch.h"

using namespace std::chrono_literals;

namespace {

comm::LinkSettings settingsFrom(std::map<std::string, std::string> keys) {
    return comm::readLinkSettings([&keys](const char* key) {
        const auto it = keys.find(key);
        return it == keys.end() ? std::string() : it->second;
    });
}

}  // namespace

TEST(LinkSettings, DefaultsPerLinkKindWhenTheKeysAreMissing) {
    const comm::LinkSettings s = settingsFrom({});
    EXPECT_EQ(s.port, "");
    EXPECT_EQ(s.baud, 9600u);
    EXPECT_EQ(s.tcpConnectTimeout, 2000ms);
    EXPECT_EQ(s.tcpTimeout, 2000ms);
    EXPECT_EQ(s.serialTimeout, 300ms);
}

TEST(LinkSettings, KeysOverrideTheDefaultsAndNonsenseKeepsThem) {
    const comm::LinkSettings s = settingsFrom({{"Port", "  /dev/ttyUSB0 "},
                                               {"Baud", "115200"},
                                               {"TcpConnectTimeoutMs", "750"},
                                               {"TcpTimeoutMs", "0"},
                                               {"SerialTimeoutMs", "12x"}});
    EXPECT_EQ(s.port, "/dev/ttyUSB0");
    EXPECT_EQ(s.baud, 115200u);
    EXPECT_EQ(s.tcpConnectTimeout, 750ms);
    EXPECT_EQ(s.tcpTimeout, 2000ms);    // zero would end every exchange at once
    EXPECT_EQ(s.serialTimeout, 300ms);  // not a number
    EXPECT_EQ(settingsFrom({{"TcpTimeoutMs", "99999999"}}).tcpTimeout, 2000ms);
    EXPECT_EQ(settingsFrom({{"Baud", "-9600"}}).baud, 9600u);
}

TEST(StatusWord, PacksBothCodesAsTheProgramExpects) {
    EXPECT_EQ(comm::statusWord(0x0001, 0), 0x00000001);
    EXPECT_EQ(comm::statusWord(0x0004, 2), 0x00000204);
    EXPECT_EQ(comm::statusWord(0xFF01, 0), 0x00FF0001);
    // A negative code 2 sign-extends over the high half.
    EXPECT_EQ(comm::statusWord(0x0005, -1), static_cast<int32_t>(0xFFFFFF05));
    EXPECT_EQ(comm::statusWord(0x0000, -128), static_cast<int32_t>(0xFFFF8000));
}

namespace {

wire::WriteRequest boolWrite(uint16_t file, int32_t index, uint8_t kind = 1) {
    return {{kind, wire::VarType::Boolean, file, index}, wire::Value::boolean(true)};
}

}  // namespace

TEST(WriteBatch, BuildsTheWriteBatchPayloadInPlace) {
    comm::WriteBatch batch;
    uint8_t* start = batch.open();
    uint8_t* cursor = start + 1;
    ASSERT_TRUE(batch.append({1, 2}, boolWrite(242, 163), start, cursor));
    ASSERT_TRUE(batch.append({1, 2}, boolWrite(250, 32, 3), start, cursor));
    ASSERT_EQ(cursor - start, 21);
    EXPECT_TRUE(batch.owns(start));
    const auto taken = batch.take(static_cast<std::size_t>(cursor - start));
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(taken->first, (wire::Address{1, 2}));
    const std::vector<uint8_t> expected = {0x02, 0x01, 0x01, 0xF2, 0x00, 0xA3, 0x00,
                                           0x00, 0x00, 0xFF, 0xFF, 0x03, 0x01, 0xFA,
                                           0x00, 0x20, 0x00, 0x00, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(taken->second, expected);
    EXPECT_FALSE(batch.owns(start));  // taken: closed
}

TEST(WriteBatch, RefusesWhatWouldCorruptTheBatch) {
    comm::WriteBatch batch;
    uint8_t* start = batch.open();
    uint8_t* cursor = start + 1;
    ASSERT_TRUE(batch.append({1, 2}, boolWrite(242, 1), start, cursor));
    uint8_t* const before = cursor;
    // Another address, a stale cursor, a foreign start, a value of the wrong type.
    EXPECT_FALSE(batch.append({1, 3}, boolWrite(242, 2), start, cursor));
    uint8_t* stale = start + 1;
    EXPECT_FALSE(batch.append({1, 2}, boolWrite(242, 2), start, stale));
    uint8_t other[8] = {};
    uint8_t* otherCursor = other + 1;
    EXPECT_FALSE(batch.append({1, 2}, boolWrite(242, 2), other, otherCursor));
    wire::WriteRequest mismatched = boolWrite(242, 2);
    mismatched.value = wire::Value::long32(70000);
    EXPECT_FALSE(batch.append({1, 2}, mismatched, start, cursor));
    EXPECT_EQ(cursor, before);
    EXPECT_EQ(start[0], 1);
    // A count that does not cover exactly the appended bytes is not sent.
    EXPECT_FALSE(batch.take(static_cast<std::size_t>(cursor - start) - 1).has_value());
}

TEST(WriteBatch, StopsAtTheFrameSizeAndTheEntryCount) {
    comm::WriteBatch batch;
    uint8_t* start = batch.open();
    uint8_t* cursor = start + 1;
    wire::WriteRequest text{{1, wire::VarType::Text, 241, 63},
                            wire::Value::oemText(std::string(1000, 'x'))};
    int appended = 0;
    while (batch.append({1, 2}, text, start, cursor)) ++appended;
    EXPECT_EQ(appended, 4);  // 4 x 1010 bytes fit in 4090, a fifth does not
    EXPECT_LE(static_cast<std::size_t>(cursor - start), wire::kMaxRequestPayload);

    start = batch.open();
    cursor = start + 1;
    appended = 0;
    while (batch.append({1, 2}, boolWrite(242, appended), start, cursor)) ++appended;
    EXPECT_EQ(appended, 255);
}
