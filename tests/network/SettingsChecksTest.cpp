#include "network/SettingsChecks.h"

#include <gtest/gtest.h>

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

TEST(SettingsChecks, PasswordCharacters) {
    EXPECT_TRUE(network::PasswordCharactersAllowed("Abc!#%&/()=?_-9~"));
    for (const char* bad : {"a b", "tab\there", "\x7f", "\xc3\xa5"})
        EXPECT_FALSE(network::PasswordCharactersAllowed(bad)) << bad;
}

TEST(SettingsChecks, DottedIpv4) {
    for (const char* good : {"0.0.0.0", "192.168.1.10", "255.255.255.255"})
        EXPECT_TRUE(network::IsDottedIpv4(good)) << good;
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "a.b.c.d",
                            "1.2.3.4 ", "1234.1.1.1"})
        EXPECT_FALSE(network::IsDottedIpv4(bad)) << bad;
}

}  // namespace
