// The parts of the finder and the port-settings protocol that need no network.
#include <gtest/gtest.h>

#include "platform/components/finder/ControllerFinder.h"
#include "platform/wire/PortSettingsPayload.h"
#include "sim/Discovery.h"

namespace {

class ListOnly final : public components::ControllerFinder {
  public:
    void Search() override {}
};

TEST(FinderCriteria, AddressesAndSubnets) {
    struct Case {
        const char* address;
        const char* mask;  // nullptr: AddAddress
        std::optional<wire::Ipv4> target;
    };
    const Case cases[] = {
        {"192.168.1.7", nullptr, wire::Ipv4{192, 168, 1, 7}},
        {"192.168.1.7", "255.255.255.0", wire::Ipv4{192, 168, 1, 255}},
        {"10.1.2.3", "255.255.0.0", wire::Ipv4{10, 1, 255, 255}},
        {"10.1.2.3", "255.255.255.252", wire::Ipv4{10, 1, 2, 3}},
        {"10.1.2.3", "not a mask", wire::Ipv4{10, 1, 2, 3}},
        {"10.1.2", nullptr, std::nullopt},
        {"host.example", "255.255.255.0", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.address) + " " + (c.mask ? c.mask : "-"));
        ListOnly finder;
        if (c.mask) finder.AddAddressWithMask(c.address, c.mask);
        else finder.AddAddress(c.address);
        if (c.target) {
            ASSERT_EQ(finder.criteria().size(), 1u);
            EXPECT_EQ(finder.criteria()[0].address, *c.target);
        } else {
            EXPECT_TRUE(finder.criteria().empty());
        }
    }
}

TEST(FinderCriteria, ClearingForgetsTheSerialFilterToo) {
    ListOnly finder;
    finder.SerialFilter("SN-1");
    EXPECT_EQ(finder.appliedFilter(), "") << "a filter counts only once applied";
    finder.ApplySerialFilter();
    finder.AddAddress("10.0.0.1");
    EXPECT_EQ(finder.appliedFilter(), "SN-1");
    finder.ClearCriteria();
    EXPECT_EQ(finder.appliedFilter(), "");
    EXPECT_TRUE(finder.criteria().empty());
    EXPECT_THROW(finder.Item(0), std::out_of_range);
}

class Scripted final : public components::FoundController {
  public:
    using FoundController::FoundController;
    using FoundController::learn;
    bool PasswordAccepted() override { return true; }
    bool Connect() override { return true; }
    int32_t Handle() const override { return 1; }
    bool LinkOk() const override { return true; }
    bool ReadPortSettings() override { return true; }
    void CheckNetwork(bool&, bool&) override {}
    bool NetworkFits() const override { return true; }
    bool EndSetup() override { return true; }
};

TEST(FoundControllerProperties, PutsShowOverWhatWasReported) {
    wire::DiscoveryReply r;
    r.name = "Boiler";
    r.ip = {192, 168, 1, 5};
    r.dhcp = true;
    r.mac = {0, 0x1B, 0x6E, 0x10, 5, 1};
    Scripted c(r);
    EXPECT_EQ(c.IpAddress(), "192.168.1.5");
    EXPECT_EQ(c.EthernetAddress(), "00-1B-6E-10-05-01");
    EXPECT_TRUE(c.DhcpEnabled());
    EXPECT_EQ(c.get(wire::PortField::EncryptionPassword1), "");
    EXPECT_FALSE(c.known(wire::PortField::EncryptionPassword1));
    c.learn(wire::PortField::EncryptionPassword1, "");
    EXPECT_TRUE(c.known(wire::PortField::EncryptionPassword1)) << "told empty is known";
    c.put(wire::PortField::IpAddress, "10.0.0.9");
    c.putFlag(wire::PortField::DhcpEnabled, false);
    EXPECT_EQ(c.IpAddress(), "10.0.0.9");
    EXPECT_FALSE(c.DhcpEnabled());
    c.clearPending();
    EXPECT_EQ(c.IpAddress(), "192.168.1.5");
}

TEST(PortSettingsPayload, RoundTripAndRejects) {
    const wire::PortSettings s{{{4, "10.0.0.1"}, {1, "Pump"}, {12, ""}}};
    auto bytes = wire::encodePayload(s);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*wire::decodePortSettings(*bytes), s);
    EXPECT_FALSE(wire::encodePayload(wire::PortSettings{{{0, "x"}}}));
    EXPECT_FALSE(wire::encodePayload(wire::PortSettings{{{1, std::string(256, 'a')}}}));
    struct Bad {
        std::vector<uint8_t> bytes;
        wire::Error error;
    };
    const Bad bad[] = {
        {{}, wire::Error::Truncated},
        {{1, 4, 3, '1', '2'}, wire::Error::Truncated},
        {{1, 0, 0}, wire::Error::BadValue},
        {{0, 9}, wire::Error::WrongLength},
    };
    for (const auto& b : bad) {
        auto r = wire::decodePortSettings(b.bytes);
        ASSERT_FALSE(r);
        EXPECT_EQ(r.error(), b.error);
    }
}

TEST(SimDiscovery, WhichRequestsReachAController) {
    using asio::ip::make_address_v4;
    struct Case {
        const char* destination;
        const char* reach;  // "0.0.0.0": hears everything
        const char* mask;   // "0.0.0.0": 255.255.255.0
        bool reaches;
    };
    const Case cases[] = {
        {"255.255.255.255", "127.0.0.11", "0.0.0.0", true},
        {"127.0.0.11", "127.0.0.11", "0.0.0.0", true},
        {"127.0.0.12", "127.0.0.11", "0.0.0.0", false},
        {"127.0.0.255", "127.0.0.11", "0.0.0.0", true},
        {"127.0.1.255", "127.0.0.11", "0.0.0.0", false},
        {"127.0.1.255", "127.0.0.11", "255.255.254.0", true},
        {"127.0.0.63", "127.0.0.11", "255.255.255.192", true},
        {"127.0.0.63", "127.0.0.71", "255.255.255.192", false},
        {"127.255.255.255", "127.0.1.11", "0.0.0.0", true},
        {"10.255.255.255", "10.0.1.11", "0.0.0.0", false},
        {"10.0.0.9", "0.0.0.0", "0.0.0.0", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sim::discoveryReaches(make_address_v4(c.destination), make_address_v4(c.reach),
                                        make_address_v4(c.mask)),
                  c.reaches)
            << c.destination << " to " << c.reach << "/" << c.mask;
}

}  // namespace
