// The upgrade file as the port-OS image reads it: every part is checked before it counts.
#include <gtest/gtest.h>

#include "network/PortOsFiles.h"
#include "platform/components/finder/PortOsImage.h"
#include "support/TempFolder.h"

namespace networktest {
namespace {

TEST(PortOsImage, OnlyAWholeFileOfTheRightKindIsValid) {
    const image::Image good = portOsImage(18, "1.9");
    const std::string bytes = portOsBytes(good);
    ASSERT_FALSE(bytes.empty());
    auto with = [&](auto change) {
        image::Image i = good;
        change(i);
        return portOsBytes(i);
    };
    std::string damaged = bytes;
    damaged[damaged.size() / 2] ^= 0x10;
    struct Case {
        const char* what;
        std::string bytes;
        const char* reason;  // nullptr: valid
    };
    const Case cases[] = {
        {"valid", bytes, nullptr},
        {"damaged", damaged, "checksum"},
        {"truncated", bytes.substr(0, bytes.size() - 9), "truncated"},
        {"cut in its header", bytes.substr(0, 12), "truncated"},
        {"foreign", "MZ\x90\x00 not an upgrade file at all", "not an image file"},
        {"empty", "", "not an image file"},
        {"another kind of image", with([](image::Image& i) { i.kind = image::Kind::OperatingSystem; }),
         "another kind"},
        {"no port type", with([](image::Image& i) { i.model = 0; }), "port type"},
        {"no revision", with([](image::Image& i) { i.versionText.clear(); }), "revision"},
        {"no payload", with([](image::Image& i) { i.payload.clear(); }), "holds no"},
    };
    testsupport::TempFolder temp;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = writePortOsFile(temp.path(), 18, c.bytes);
        components::PortOsImage image;
        bool ok = false;
        image.Load(path, ok);
        EXPECT_TRUE(ok) << "the file itself could be read";
        EXPECT_EQ(image.IsValid(), c.reason == nullptr) << image.why();
        if (c.reason == nullptr) {
            EXPECT_EQ(image.Revision(), "1.9");
            EXPECT_EQ(image.PortType(), 18);
            EXPECT_EQ(image.payloadChecksum(), good.payloadChecksum());
        } else {
            EXPECT_NE(image.why().find(c.reason), std::string::npos) << image.why();
            EXPECT_NE(image.why().find(path), std::string::npos) << "the reason names the file";
            EXPECT_EQ(image.Revision(), "");
            EXPECT_EQ(image.PortType(), 0);
        }
    }
}

TEST(PortOsImage, AFileThatCannotBeReadIsNeitherLoadedNorValid) {
    testsupport::TempFolder temp;
    const std::string valid = writePortOsFile(temp.path(), 18, portOsBytes(portOsImage(18, "1.9")));
    for (const std::string& path : {temp / "missing.TcpIpPortOS", temp / "KVXreal"}) {
        SCOPED_TRACE(path);
        components::PortOsImage image;
        bool ok = false;
        image.Load(valid, ok);
        ASSERT_TRUE(image.IsValid());
        image.Load(path, ok);
        EXPECT_FALSE(ok);
        EXPECT_FALSE(image.IsValid()) << "nothing of the earlier file is kept";
        EXPECT_EQ(image.Revision(), "");
    }
}

}  // namespace
}  // namespace networktest
