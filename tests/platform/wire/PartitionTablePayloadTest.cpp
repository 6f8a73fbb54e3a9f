// Payloads of the partition-table change (0x06) and the application control (0x07).
#include <gtest/gtest.h>

#include "platform/wire/PartitionTablePayload.h"
#include "platform/wire/Request.h"

namespace {

using namespace wire;

TEST(PartitionTablePayload, RoundTripsThroughAFrame) {
    const PartitionTableRequest table{{{PartitionAction::Remove, 250, 0, 0, 0, ""},
                                       {PartitionAction::Create, 32, 1, 2, 2097152, "Unnamed"}}};
    const std::vector<Request> requests = {table, ApplicationControlRequest{ApplicationAction::Clear}};
    for (const Request& r : requests) {
        auto frame = makeRequestFrame(kDirectAddress, 9, r);
        ASSERT_TRUE(frame);
        auto back = decodeRequest(*frame);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, r);
    }
    // Removes carry only action and number; creates their fields in order.
    EXPECT_EQ(*encodePayload(table), (std::vector<uint8_t>{2, 2, 250, 1, 32, 1, 2, 0x00, 0x00,
                                                            0x20, 0x00, 7, 'U', 'n', 'n', 'a',
                                                            'm', 'e', 'd'}));
    EXPECT_EQ(makeRequestFrame(kDirectAddress, 1, table)->command, 0x06);
}

TEST(PartitionTablePayload, MalformedPayloadsAreRefused) {
    const std::vector<std::pair<std::vector<uint8_t>, Error>> cases = {
        {{}, Error::Truncated},
        {{0}, Error::BadValue},                        // no change
        {{33}, Error::BadValue},                       // more than 32 changes
        {{1, 2}, Error::Truncated},                    // number missing
        {{1, 3, 16}, Error::BadValue},                 // unknown action
        {{1, 2, 16, 0}, Error::WrongLength},           // a byte too many
        {{1, 1, 16, 1, 2, 0, 0, 1}, Error::Truncated},  // size cut short
        {{1, 1, 16, 1, 2, 0, 0, 1, 0, 3, 'a'}, Error::Truncated},  // name cut short
        {{1, 1, 16, 1, 2, 0, 0, 1, 0, 200}, Error::BadValue},     // name over 128 bytes
    };
    for (const auto& [bytes, error] : cases) {
        auto decoded = decodePartitionTableRequest(bytes);
        ASSERT_FALSE(decoded) << bytes.size();
        EXPECT_EQ(decoded.error(), error) << bytes.size();
    }
    EXPECT_EQ(decodeApplicationControlRequest(std::vector<uint8_t>{}).error(), Error::Truncated);
    EXPECT_EQ(decodeApplicationControlRequest(std::vector<uint8_t>{4}).error(), Error::BadValue);
    EXPECT_EQ(decodeApplicationControlRequest(std::vector<uint8_t>{1, 1}).error(),
              Error::WrongLength);
    EXPECT_FALSE(encodePayload(PartitionTableRequest{}));
    EXPECT_FALSE(encodePayload(
        PartitionTableRequest{{{PartitionAction::Create, 16, 1, 2, 1, std::string(129, 'x')}}}));
}

}  // namespace
