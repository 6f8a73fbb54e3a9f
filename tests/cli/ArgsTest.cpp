// How the command line reads what a person types for a switch.
#include <gtest/gtest.h>

#include "cli/CommonArgs.h"

namespace {

TEST(ParseBoolean, KnownWordsInAnyCaseAndNothingElse) {
    const struct {
        const char* text;
        std::optional<bool> value;
    } cases[] = {
        {"-1", true},       {"1", true},         {"0", false},       {"true", true},
        {"TRUE", true},     {"False", false},    {"yes", true},      {"No", false},
        {"on", true},       {"OFF", false},      {"", std::nullopt}, {"2", std::nullopt},
        {"-0", std::nullopt}, {"enabled", std::nullopt}, {" on", std::nullopt},
        {"y", std::nullopt}, {"truex", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(cli::parseBoolean(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
