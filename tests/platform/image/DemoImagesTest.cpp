// The demo product's committed images, as demo/make-binaries.sh must leave them: signed by the
// key the product installs, and real compiled code at realistic sizes, so that a load in the
// demo and the benchmarks moves what a real image moves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "platform/image/ImageFile.h"
#include "platform/image/ImageSignature.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using image::Kind;

struct Expected {
    const char* path;  // below demo/product
    Kind kind;
};

const Expected kImages[] = {
    {"Application programs/KVX200/2.4/KVXreal/KVX200_OS_2_5.img", Kind::OperatingSystem},
    {"Application programs/KVX200/2.5/KVXreal/KVX200_OS_2_6.img", Kind::OperatingSystem},
    {"Application programs/KVX210/2.2/KVXreal/KVX210_OS_2_2.img", Kind::OperatingSystem},
    {"Application programs/KVX210/2.3/KVXreal/KVX210_OS_2_3.img", Kind::OperatingSystem},
    {"Application programs/KVX300C/3.0/KVXreal/KVXrealC_3_1.img", Kind::OperatingSystem},
    {"Application programs/KVX300C/3.1/KVXreal/KVXrealC_3_2.img", Kind::OperatingSystem},
    {"Application programs/KVX200/2.4/Module1/App.Kvx", Kind::Application},
    {"Application programs/KVX200/2.5/Module1/App.Kvx", Kind::Application},
    {"Application programs/KVX210/2.1/Module1/App.Kvx", Kind::Application},
    {"Application programs/KVX210/2.2/Module1/App.Kvx", Kind::Application},
    {"Application programs/KVX210/2.3/Module1/App.Kvx", Kind::Application},
    {"Application programs/KVX210/2.3/Module1/Vav.Kvx", Kind::Application},
    {"Application programs/KVX300C/3.0/Module1/App.Qvx", Kind::Application},
    {"Application programs/KVX300C/3.1/Module1/App.Qvx", Kind::Application},
    {"Application programs/KVX200/2.5/Module1/Image.Bin", Kind::PortOs},
    {"SLib/KVXreal/12.TcpIpPortOS", Kind::PortOs},
    {"SLib/KVXreal/18.TcpIpPortOS", Kind::PortOs},
    {"Application programs/KVX300C/3.1/Module1/Image.Ecp", Kind::WebSite},
};
// Damaged on purpose: its upgrade must be refused.
const char* const kDamaged = "SLib/KVXreal/13.TcpIpPortOS";

std::string demoProduct() { return testsupport::sourceDir() + "/demo/product"; }

// Raw deflate at the best level: what the payload costs on a compressing link.
double deflateRatio(const std::vector<uint8_t>& data) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return 0;
    std::vector<uint8_t> out(deflateBound(&z, data.size()));
    z.next_in = const_cast<uint8_t*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int done = deflate(&z, Z_FINISH);
    const auto written = z.total_out;
    deflateEnd(&z);
    return done == Z_STREAM_END ? double(data.size()) / double(written) : 0;
}

// Sizes such images have: hundreds of kilobytes for an operating system, tens to a hundred-odd
// for a program or a port's system.
std::pair<std::size_t, std::size_t> sizeRange(Kind kind) {
    switch (kind) {
        case Kind::OperatingSystem:
            return {256u << 10, 1u << 20};
        case Kind::Application:
            return {16u << 10, 256u << 10};
        case Kind::PortOs:
            return {32u << 10, 512u << 10};
        case Kind::WebSite:
            return {1, 1u << 20};
    }
    return {0, 0};
}

TEST(DemoImages, EverySignedByTheProductsKeyRealCodeAtARealisticSize) {
    const image::KeyReading key = image::readPublicKeyFile(demoProduct() + "/System/ImageKey.pub");
    ASSERT_TRUE(key.key) << key.error;
    std::map<std::string, std::vector<uint8_t>> heads;  // first 4 KB of each payload
    for (const Expected& e : kImages) {
        SCOPED_TRACE(e.path);
        const image::Parsed parsed = image::readImageFile(demoProduct() + "/" + e.path);
        ASSERT_TRUE(parsed.image) << parsed.error;
        const image::Image& img = *parsed.image;
        EXPECT_EQ(img.kind, e.kind);
        EXPECT_EQ(image::signatureProblem(img, *key.key), "");
        const auto [least, most] = sizeRange(e.kind);
        EXPECT_GE(img.payload.size(), least);
        EXPECT_LE(img.payload.size(), most);
        if (e.kind == Kind::WebSite) continue;  // its pages, not code
        // Compiled code halves under deflate; random bytes would not shrink, a repeated short
        // pattern would shrink far more.
        const double ratio = deflateRatio(img.payload);
        EXPECT_GT(ratio, 1.5);
        EXPECT_LT(ratio, 3.5);
        heads[e.path].assign(img.payload.begin(), img.payload.begin() + 4096);
    }
    // Each image its own slice of the code.
    std::set<std::vector<uint8_t>> distinct;
    for (const auto& [path, head] : heads) EXPECT_TRUE(distinct.insert(head).second) << path;
}

TEST(DemoImages, TheDamagedPortFileIsRefusedAndNoImageGoesUnchecked) {
    EXPECT_FALSE(image::readImageFile(demoProduct() + "/" + kDamaged).image);
    // Every image file of the product is one of the above, so none escapes the checks.
    std::set<std::string> known{kDamaged};
    for (const Expected& e : kImages) known.insert(e.path);
    for (const auto& entry : fs::recursive_directory_iterator(demoProduct())) {
        if (!entry.is_regular_file()) continue;
        char magic[8] = {};
        std::ifstream(entry.path(), std::ios::binary).read(magic, sizeof magic);
        if (std::string(magic, sizeof magic) != "KRVIMAGE") continue;
        const std::string path = fs::relative(entry.path(), demoProduct()).generic_string();
        EXPECT_TRUE(known.count(path)) << path << " is an image the test does not know";
    }
}

}  // namespace
