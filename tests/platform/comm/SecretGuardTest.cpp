// Passwords stay off links without the password-protected session: plain TCP and serial lines
// alike. The engine answers AuthRequired itself and the request never reaches the line, whether
// the password comes alone, in a write batch or among port settings.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "FakePeer.h"
#include "platform/comm/ExchangeEngine.h"
#include "platform/comm/SerialLink.h"
#include "platform/comm/TcpLink.h"
#include "platform/wire/PortSettingsPayload.h"
#include "platform/wire/Request.h"

namespace {

using wire::Value;
using wire::VarType;

constexpr wire::Address kAt{1, 5};
const wire::VarAddress kWebPassword{1, VarType::Text, 248, 221};
const wire::VarAddress kNetworkPassword{1, VarType::Text, 248, 225};
const wire::VarAddress kEmailPassword{1, VarType::Text, 242, 10};
const wire::VarAddress kName{1, VarType::Text, 241, 63};

wire::Frame frameOf(const wire::Request& request) {
    return *wire::makeRequestFrame(kAt, 0, request);
}

wire::Frame batch(std::vector<wire::WriteRequest> writes) {
    return frameOf(wire::WriteBatchRequest{std::move(writes)});
}

wire::Frame portSettings(std::vector<wire::PortFieldValue> fields) {
    wire::Frame f;
    f.address = wire::kDirectAddress;
    f.command = wire::code(wire::PortCommand::ApplyPortSettings);
    f.payload = *wire::encodePayload(wire::PortSettings{std::move(fields)});
    return f;
}

}  // namespace

TEST(SecretGuard, NoPasswordLeavesOnALinkWithoutTheSession) {
    const wire::WriteRequest name{kName, Value::oemText("Boiler")};
    struct Row {
        const char* what;
        wire::Frame request;
        bool refused;
    };
    const Row rows[] = {
        {"web password in a batch",
         batch({name, {kWebPassword, Value::oemText("guest-1")}}), true},
        {"e-mail password in a batch", batch({{kEmailPassword, Value::oemText("m41l")}}), true},
        {"web password written alone",
         frameOf(wire::WriteRequest{kWebPassword, Value::oemText("guest-1")}), true},
        {"e-mail password read", frameOf(wire::ReadRequest{kEmailPassword}), true},
        {"web password among port settings", portSettings({{1, "Boiler"}, {13, "guest-1"}}),
         true},
        {"e-mail password among port settings", portSettings({{20, "m41l"}}), true},
        {"a first network password in a batch",
         batch({{kNetworkPassword, Value::oemText("First-1")}}), false},
        {"an emptied web password in a batch", batch({{kWebPassword, Value::oemText("")}}), false},
        {"an ordinary batch", batch({name}), false},
        {"port settings without a password", portSettings({{1, "Boiler"}}), false},
    };
    using MakeEngine = std::function<std::unique_ptr<comm::ExchangeEngine>()>;
    commtest::TcpPeer tcp;
    commtest::PtyPeer pty;
    const std::pair<const char*, MakeEngine> links[] = {
        {"tcp without the session",
         [&] {
             return std::make_unique<comm::ExchangeEngine>(std::make_unique<comm::TcpLink>(
                 "127.0.0.1", tcp.port(), commtest::quickSettings()));
         }},
        {"serial line",
         [&] {
             return std::make_unique<comm::ExchangeEngine>(
                 std::make_unique<comm::SerialLink>(pty.path(), commtest::quickSettings()));
         }},
    };
    for (const auto& [linkName, makeEngine] : links) {
        auto engine = makeEngine();
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(linkName) + ": " + row.what);
            const int before = tcp.requests() + pty.requests();
            const comm::Outcome& outcome = engine->submit(row.request)->wait();
            const int sent = tcp.requests() + pty.requests() - before;
            ASSERT_EQ(outcome.ending, comm::Ending::Reply) << outcome.why;
            if (row.refused) {
                EXPECT_EQ(outcome.reply.code1, wire::code(wire::ReplyCode::AuthRequired));
                EXPECT_EQ(sent, 0) << "the password went on the line";
            } else {
                EXPECT_EQ(outcome.reply.code1, 0);
                EXPECT_EQ(sent, 1);
            }
        }
    }
}
