// The run's image checksums: read once per file as it stands, again once the file changes,
// and a failed read is not remembered.
#include <gtest/gtest.h>

#include "operations/ImageChecksums.h"
#include "support/TempFolder.h"

namespace {

TEST(ImageChecksums, ReadOncePerFileAsItStands) {
    testsupport::TempFolder temp;
    temp.write("a.img", "one");
    temp.write("b.img", "two");
    operations::ImageChecksums checksums;
    int reads = 0;
    uint32_t next = 7;
    const operations::ImageChecksums::Read read = [&](std::string&) -> std::optional<uint32_t> {
        ++reads;
        return next;
    };
    std::string why;
    EXPECT_EQ(checksums.of(temp / "a.img", read, why), 7u);
    next = 8;
    EXPECT_EQ(checksums.of(temp / "a.img", read, why), 7u);
    EXPECT_EQ(checksums.of(temp / "b.img", read, why), 8u);
    EXPECT_EQ(reads, 2);

    // Rewritten (another size): read again.
    temp.write("a.img", "changed");
    EXPECT_EQ(checksums.of(temp / "a.img", read, why), 8u);
    EXPECT_EQ(reads, 3);

    // A read that fails says why and is tried again next time.
    const operations::ImageChecksums::Read failing =
        [&](std::string& problem) -> std::optional<uint32_t> {
        ++reads;
        problem = "damaged";
        return std::nullopt;
    };
    temp.write("c.img", "bad");
    EXPECT_EQ(checksums.of(temp / "c.img", failing, why), std::nullopt);
    EXPECT_EQ(why, "damaged");
    EXPECT_EQ(checksums.of(temp / "c.img", read, why), 8u);
    EXPECT_EQ(reads, 5);
}

}  // namespace
