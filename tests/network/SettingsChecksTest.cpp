#include "network/SettingsChecks.h"

#include <gtest/gtest.h>

#include "support/ProgramFixture.h"

namespace {

TEST(SettingsChecks, DecimalInt32) {
    struct Case {
        const char* text;
        std::optional<int32_t> value;
    };
    const Case cases[] = {
        {"0", 0},           {"47808", 47808},         {"-1", -1},
        {"+5", 5},          {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"2147483648", {}}, {"", {}},                  {"12a", {}},
        {" 1", {}},         {"+-1", {}},               {"0x10", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(network::DecimalInt32(c.text), c.value) << c.text;
}

// What the general library allows, and no more than the controller's variable keeps, counted
// as the controller counts: code page 850 bytes.
TEST(SettingsChecks, PasswordCharactersAndLengths) {
    testsupport::ProgramFixture fixture;
    auto& glib = *fixture.glib;
    EXPECT_TRUE(network::PasswordCharactersAllowed(glib, "Abc!#%&/()=?_-9~"));
    for (const char* bad : {"a b", "tab\there", "\x7f", "\xc3\xa5"})
        EXPECT_FALSE(network::PasswordCharactersAllowed(glib, bad)) << bad;
    std::string ring;
    for (int i = 0; i < 64; ++i) ring += "\xc3\xa5";  // 128 UTF-8 bytes, 64 in code page 850
    struct Case {
        const char* variable;
        std::string text;
        std::optional<std::size_t> limit;
    };
    const Case cases[] = {
        {"QServices.EmailLoginPass", std::string(64, 'x'), std::nullopt},
        {"QServices.EmailLoginPass", std::string(65, 'x'), 64},
        {"QCom.EncryptionPasswordPrimary", std::string(65, 'x'), 64},
        {"QCom.MainComputerAddr", std::string(129, 'x'), 128},
        {"QServices.EmailLoginName", ring, std::nullopt},
        {"QServices.EmailLoginName", ring + "x", 64},
    };
    for (const auto& c : cases)
        EXPECT_EQ(network::TooLongFor(c.variable, c.text), c.limit)
            << c.variable << " " << c.text.size();
}

TEST(SettingsChecks, DottedIpv4) {
    for (const char* good : {"0.0.0.0", "192.168.1.10", "255.255.255.255"})
        EXPECT_TRUE(network::IsDottedIpv4(good)) << good;
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "a.b.c.d",
                            "1.2.3.4 ", "1234.1.1.1"})
        EXPECT_FALSE(network::IsDottedIpv4(bad)) << bad;
}

}  // namespace
