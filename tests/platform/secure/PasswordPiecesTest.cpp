// The small pieces around the network password: its characters, the verifier, the limit on
// failed proofs and the memory of hellos.
#include <gtest/gtest.h>

#include "platform/secure/FailureLimiter.h"
#include "platform/secure/HelloReplayGuard.h"
#include "platform/secure/PasswordCharacters.h"
#include "platform/secure/Sodium.h"
#include "platform/secure/Verifier.h"

using namespace std::chrono_literals;

TEST(PasswordCharacters, AllowsPrintableAsciiWithoutQuotingTroubles) {
    struct Row {
        std::string text;
        bool allowed;
    };
    const Row rows[] = {
        {"", true},
        {"Secret-1", true},
        {"!#$%&()*+,-./:;<=>?@[]^_{|}~", true},
        {"two words", false},
        {"quote\"d", false},
        {"it's", false},
        {"back`tick", false},
        {"back\\slash", false},
        {"tab\there", false},
        {"K\xC3\xBChler", false},  // UTF-8 ü
        {std::string("nul\0x", 5), false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(secure::passwordCharactersAllowed(row.text), row.allowed) << row.text;
        const std::u16string wide(row.text.begin(), row.text.end());
        EXPECT_EQ(secure::passwordCharactersAllowed(wide), row.allowed) << row.text;
    }
    EXPECT_FALSE(secure::passwordCharactersAllowed(u"K\u00fchler"));
    EXPECT_TRUE(secure::isValidPassword(std::string(64, 'a')));
    EXPECT_FALSE(secure::isValidPassword(std::string(65, 'a')));
}

TEST(Verifier, SameKeyFromTheSamePasswordAndSaltOnly) {
    auto v = secure::makeVerifier("right", secure::kSimulatorCost);
    ASSERT_TRUE(v);
    EXPECT_EQ(secure::passwordKey("right", v->salt, v->cost), v->key);
    EXPECT_NE(secure::passwordKey("wrong", v->salt, v->cost), v->key);
    auto again = secure::makeVerifier("right", secure::kSimulatorCost);
    ASSERT_TRUE(again);
    EXPECT_NE(again->salt, v->salt);  // a fresh salt each time
    EXPECT_NE(again->key, v->key);
}

TEST(Verifier, CostsOutsideTheHostsBoundsAreRefused) {
    const secure::HashCost costs[] = {{0, 64}, {11, 64}, {1, 7}, {1, 256 * 1024 + 1}};
    for (const auto& cost : costs)
        EXPECT_FALSE(secure::passwordKey("x", wire::Salt{}, cost))
            << cost.opsLimit << " " << cost.memLimitKiB;
    EXPECT_TRUE(secure::isAcceptableCost(secure::kControllerCost));
}

TEST(Verifier, TextRoundTripsAndDamageIsRefused) {
    auto v = secure::makeVerifier("pw", secure::kSimulatorCost);
    ASSERT_TRUE(v);
    const std::string text = secure::verifierText(*v);
    EXPECT_EQ(text.find("pw"), std::string::npos);
    EXPECT_EQ(secure::parseVerifier(text), v);
    const std::string damaged[] = {"", text + " extra", text.substr(1), "zz" + text.substr(2),
                                   text.substr(0, text.rfind(' ')) + " 00"};
    for (const auto& d : damaged) EXPECT_FALSE(secure::parseVerifier(d)) << d;
}

TEST(FailureLimiter, FiveFailuresAMinutePerSource) {
    secure::FailureLimiter limiter;
    const auto t0 = secure::FailureLimiter::Clock::time_point{} + 1h;
    struct Step {
        std::chrono::seconds at;
        const char* source;
        bool fail;           // record a failure at this time
        bool limitedBefore;  // what limited() says first
    };
    const Step steps[] = {
        {0s, "10.0.0.1", true, false},   {1s, "10.0.0.1", true, false},
        {2s, "10.0.0.1", true, false},   {3s, "10.0.0.1", true, false},
        {4s, "10.0.0.1", true, false},   {5s, "10.0.0.1", false, true},
        {5s, "10.0.0.2", true, false},   // another source is not held up
        {59s, "10.0.0.1", false, true},  // the first failure is still inside the minute
        {60s, "10.0.0.1", false, false}, // ...and now it has left it: one more try
        {60s, "10.0.0.1", true, false},  {60s, "10.0.0.1", false, true},
        {125s, "10.0.0.1", false, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.at.count()) + "s " + s.source);
        EXPECT_EQ(limiter.limited(s.source, t0 + s.at), s.limitedBefore);
        if (s.fail) limiter.recordFailure(s.source, t0 + s.at);
    }
}

TEST(FailureLimiter, ManySourcesTogetherSpendTheControllersBudget) {
    secure::FailureLimiter limiter;
    const auto t0 = secure::FailureLimiter::Clock::time_point{} + 1h;
    int checked = 0;
    for (int i = 0; i < 100; ++i) {
        const std::string source = "10.0.1." + std::to_string(i);
        if (limiter.limited(source, t0 + 100ms * i)) continue;
        ++checked;
        limiter.recordFailure(source, t0 + 100ms * i);
    }
    EXPECT_EQ(checked, static_cast<int>(secure::FailureLimiter::kDefaultBudget));
    EXPECT_TRUE(limiter.limited("10.0.2.1", t0 + 30s)) << "a new source waits as well";
    EXPECT_FALSE(limiter.limited("10.0.2.1", t0 + 65s)) << "a minute later";
}

TEST(FailureLimiter, AddressesCountByHostNotByEveryAddressAHostCanTake) {
    const std::pair<const char*, const char*> rows[] = {
        {"192.0.2.7", "192.0.2.7"},
        {"::ffff:192.0.2.7", "192.0.2.7"},
        {"2001:db8:1:2:aaaa::1", "2001:0db8:0001:0002::/64"},
        {"2001:db8:1:2:ffff:ffff:ffff:fffe", "2001:0db8:0001:0002::/64"},
        {"2001:db8:1:3::1", "2001:0db8:0001:0003::/64"},
        {"unknown", "unknown"},
    };
    for (const auto& [address, source] : rows) EXPECT_EQ(secure::failureSource(address), source);
}

TEST(HelloReplayGuard, ARepeatedNonceIsRefusedWithinItsMemory) {
    secure::HelloReplayGuard guard(2);
    wire::Nonce a{}, b{}, c{};
    a[0] = 1, b[0] = 2, c[0] = 3;
    EXPECT_TRUE(guard.fresh(a));
    EXPECT_FALSE(guard.fresh(a));
    EXPECT_TRUE(guard.fresh(b));
    EXPECT_TRUE(guard.fresh(c));  // a drops out of a memory of two
    EXPECT_FALSE(guard.fresh(c));
    EXPECT_TRUE(guard.fresh(a));
}

TEST(Secret, HoldsTheOnlyCopy) {
    std::string typed = "Line-7";
    const char* where = typed.data();
    secure::Secret secret = secure::takeSecret(typed);
    EXPECT_EQ(secret.text(), "Line-7");
    EXPECT_TRUE(typed.empty());
    EXPECT_EQ(std::string(where, 6), std::string(6, '\0')) << "the string it came in is wiped";
    secure::Secret moved = std::move(secret);
    EXPECT_EQ(moved.text(), "Line-7");
    EXPECT_TRUE(secret.empty());  // NOLINT(bugprone-use-after-move): the move leaves nothing
    EXPECT_TRUE(secure::Secret("").empty());
    {
        const secure::Secret shared = moved;  // NOLINT(performance-unnecessary-copy-initialization)
        EXPECT_EQ(shared.text().data(), moved.text().data()) << "a copy shares the one buffer";
        EXPECT_EQ(moved.holders(), 2);
    }
    EXPECT_EQ(moved.holders(), 1);
    moved = secure::Secret("Line-8");
    EXPECT_EQ(moved.text(), "Line-8");
}
