// The CPace pieces against the test vectors published with the construction for ristretto255
// with SHA-512, and the refusals it demands of received values.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "platform/secure/Cpace.h"

namespace {

namespace cpace = secure::cpace;

std::vector<uint8_t> hex(std::string_view text) {
    std::vector<uint8_t> out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
    return out;
}

template <class Array>
Array fixed(std::string_view text) {
    Array a{};
    const auto b = hex(text);
    EXPECT_EQ(b.size(), a.size());
    std::copy_n(b.begin(), std::min(b.size(), a.size()), a.begin());
    return a;
}

std::vector<uint8_t> ascii(std::string_view text) { return {text.begin(), text.end()}; }
std::vector<uint8_t> vec(std::span<const uint8_t> s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> range(std::size_t n) {
    std::vector<uint8_t> out(n);
    std::iota(out.begin(), out.end(), uint8_t{0});
    return out;
}

std::vector<uint8_t> cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The published inputs of the ristretto255 / SHA-512 suite.
const std::vector<uint8_t> kPrs = ascii("Password");
const std::vector<uint8_t> kCi = hex("0b415f696e69746961746f720b425f726573706f6e646572");
const std::vector<uint8_t> kSid = hex("7e4b4791d6a8ef019b936c79fb7f2c57");
const std::vector<uint8_t> kAdA = ascii("ADa");
const std::vector<uint8_t> kAdB = ascii("ADb");
const auto kYa = fixed<cpace::Scalar>("da3d23700a9e5699258aef94dc060dfda5ebb61f02a5ea77fad53f4ff0976d08");
const auto kYb = fixed<cpace::Scalar>("d2316b454718c35362d83d69df6320f38578ed5984651435e2949762d900b80d");
const auto kShareA =
    fixed<cpace::Element>("d6bac480f2c386c394efc7c47adb9925dcd2630b64f240c50f8d0eec482b9157");
const auto kShareB =
    fixed<cpace::Element>("3ea7e0b19560d7c0b0f5734f63b955286dfa8232b5ebe63324e2d9e7433f7258");
const auto kK = fixed<cpace::Element>("80b69a8a76457ab6a4d7f887a4bf6b55a2f80ac19c333f917a05fc9887c8b40f");

}  // namespace

TEST(Cpace, StringFunctionsMatchThePublishedVectors) {
    struct Row {
        const char* what;
        std::vector<uint8_t> got, expected;
    };
    const Row rows[] = {
        {"prepend_len(b'')", cpace::prependLen({}), hex("00")},
        {"prepend_len(b'1234')", cpace::prependLen(ascii("1234")), hex("0431323334")},
        {"prepend_len(range(127))", cpace::prependLen(range(127)), cat(hex("7f"), range(127))},
        {"prepend_len(range(128))", cpace::prependLen(range(128)), cat(hex("8001"), range(128))},
        {"lv_cat", cpace::lvCat({ascii("1234"), ascii("5"), {}, ascii("678")}),
         hex("043132333401350003363738")},
        {"transcript_ir(123...)",
         cpace::transcriptIr(ascii("123"), ascii("PartyA"), ascii("234"), ascii("PartyB")),
         hex("03313233065061727479410332333406506172747942")},
        {"transcript_ir(3456...)",
         cpace::transcriptIr(ascii("3456"), ascii("PartyA"), ascii("2345"), ascii("PartyB")),
         hex("043334353606506172747941043233343506506172747942")},
        {"generator_string", cpace::generatorString(kPrs, kCi, kSid),
         cat(cat(hex("11435061636552697374726574746f3235350850617373776f726464"),
                 std::vector<uint8_t>(100, 0)),
             hex("180b415f696e69746961746f720b425f726573706f6e646572107e4b4791d6a8ef019b936c79fb7f"
                 "2c57"))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.got, row.expected);
    }
}

TEST(Cpace, OneRunMatchesThePublishedVectors) {
    const cpace::Element g = cpace::calculateGenerator(kPrs, kCi, kSid);
    EXPECT_EQ(vec(g), hex("222b6b195fe84b1652badb6f6a3ae3d24341e7306967f0b8115b40d5698c7e56"));
    EXPECT_EQ(cpace::scalarMult(kYa, g), kShareA);
    EXPECT_EQ(cpace::scalarMult(kYb, g), kShareB);
    EXPECT_EQ(cpace::scalarMultVfy(kYa, kShareB), kK);
    EXPECT_EQ(cpace::scalarMultVfy(kYb, kShareA), kK);
    const cpace::Isk isk = cpace::intermediateSessionKey(kSid, kK, kShareA, kAdA, kShareB, kAdB);
    EXPECT_EQ(vec(isk), hex("b69effbf61b51d56401c0f65601abe428de8206feaaf0e32198896dcae7b35cd"
                            "2b38950a39dfd5d4a79164614c2984f7daa460b588c1e80c3fa2068af7900447"));
}

TEST(Cpace, ReceivedValuesThatAreNoUsableElementAreRefused) {
    const auto s = fixed<cpace::Scalar>("7cd0e075fa7955ba52c02759a6c90dbbfc10e6d40aea8d283e407d88cf538a05");
    const auto valid =
        fixed<cpace::Element>("2c3c6b8c4f3800e7aef6864025b4ed79bd599117e427c41bd47d93d654b4a51c");
    EXPECT_EQ(cpace::scalarMultVfy(s, valid),
              fixed<cpace::Element>("7c13645fe790a468f62c39beb7388e541d8405d1ade69d1778c5fe3e7f6b600e"));
    const cpace::Element notDecodable =
        fixed<cpace::Element>("2b3c6b8c4f3800e7aef6864025b4ed79bd599117e427c41bd47d93d654b4a51c");
    const cpace::Element identity{};
    EXPECT_FALSE(cpace::scalarMultVfy(s, notDecodable));
    EXPECT_FALSE(cpace::scalarMultVfy(s, identity));
}
