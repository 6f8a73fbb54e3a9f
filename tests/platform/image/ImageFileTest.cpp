// The image container: what the writer writes, the reader reads back, and the reader refuses
// every damaged, truncated or foreign file with its reason.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/image/ImageFile.h"
#include "platform/wire/Crc32.h"
#include "support/TempFolder.h"

using image::Image;

namespace {

Image sample() {
    Image i;
    i.kind = image::Kind::OperatingSystem;
    i.model = 200;
    i.name = "KVXreal C";
    i.versionText = "4.12-0-3";
    i.version = {4, 12, 0, 3};
    for (int n = 0; n < 1000; ++n) i.payload.push_back(static_cast<uint8_t>(n * 7));
    return i;
}

std::vector<uint8_t> sampleBytes() { return *image::serializeImage(sample()); }

// Re-seals the file checksum after an edit, so that a test reaches the check after it.
std::vector<uint8_t> resealed(std::vector<uint8_t> bytes) {
    const uint32_t crc = wire::crc32(std::span(bytes).first(bytes.size() - 4));
    for (int k = 0; k < 4; ++k) bytes[bytes.size() - 4 + k] = static_cast<uint8_t>(crc >> (8 * k));
    return bytes;
}

}  // namespace

TEST(ImageFile, WrittenFileReadsBackWhole) {
    testsupport::TempFolder folder;
    std::string why;
    ASSERT_TRUE(image::writeImageFile(folder / "os.kvi", sample(), why)) << why;
    auto parsed = image::readImageFile(folder / "os.kvi");
    ASSERT_TRUE(parsed.image) << parsed.error;
    EXPECT_EQ(*parsed.image, sample());
    EXPECT_EQ(parsed.image->payloadChecksum(), wire::crc32(sample().payload));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / ""),
                            std::filesystem::directory_iterator()),
              1)
        << "temporary file left behind";
}

TEST(ImageFile, TheWriterFollowsNoLinkPlantedBesideTheImage) {
    testsupport::TempFolder folder;
    folder.write("victim", "keep me");
    for (const char* planted : {"os.kvi.tmp", "os.kvi.XXXXXX"})
        std::filesystem::create_symlink(folder / "victim", folder / planted);
    std::string why;
    ASSERT_TRUE(image::writeImageFile(folder / "os.kvi", sample(), why)) << why;
    std::ifstream victim(folder / "victim");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "keep me");
    struct stat st {};
    ASSERT_EQ(::lstat((folder / "os.kvi").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(ImageFile, RefusesDamagedTruncatedAndForeignFiles) {
    const auto good = sampleBytes();
    auto edited = [&](std::size_t at, uint8_t value, bool reseal) {
        auto b = good;
        b[at] = value;
        return reseal ? resealed(b) : b;
    };
    struct Row {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* error;
    };
    const std::vector<Row> rows = {
        {"empty", {}, "not an image file"},
        {"foreign", {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0}, "not an image file"},
        {"newer format", edited(8, 2, true), "image format 2 is not supported"},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 20),
         "the image file is truncated"},
        {"payload cut", std::vector<uint8_t>(good.begin(), good.end() - 100),
         "the image file is truncated"},
        {"last byte missing", std::vector<uint8_t>(good.begin(), good.end() - 1),
         "the image file is truncated"},
        {"byte appended",
         [&] {
             auto b = good;
             b.push_back(0);
             return b;
         }(),
         "the image file has bytes after its end"},
        {"payload bit flipped", edited(good.size() / 2, good[good.size() / 2] ^ 0x10, false),
         "the image file is damaged (checksum mismatch)"},
        {"payload flipped, file resealed", edited(good.size() / 2, good[good.size() / 2] ^ 1, true),
         "the image file is damaged (checksum mismatch)"},
        {"name changed", edited(23, 'X', false), "the image file is damaged (checksum mismatch)"},
        {"unknown kind", edited(10, 9, true), "the image file holds an unknown kind of image"},
    };
    for (const Row& row : rows) {
        auto parsed = image::parseImage(row.bytes);
        EXPECT_FALSE(parsed.image) << row.what;
        EXPECT_EQ(parsed.error, row.error) << row.what;
    }
}

TEST(ImageFile, ReadAndWriteFailuresNameTheFile) {
    testsupport::TempFolder folder;
    auto missing = image::readImageFile(folder / "none.kvi");
    EXPECT_FALSE(missing.image);
    EXPECT_NE(missing.error.find(folder / "none.kvi"), std::string::npos) << missing.error;

    folder.write("bad.kvi", "not an image");
    EXPECT_EQ(image::readImageFile(folder / "bad.kvi").error,
              folder / "bad.kvi" + ": not an image file");

    // A folder where the image must go: the write fails and leaves nothing behind.
    ::mkdir((folder / "os.kvi").c_str(), 0755);
    std::string why;
    EXPECT_FALSE(image::writeImageFile(folder / "os.kvi", sample(), why));
    EXPECT_NE(why.find("os.kvi"), std::string::npos) << why;
    EXPECT_FALSE(std::filesystem::exists(folder / "os.kvi.tmp"));

    Image tooLong = sample();
    tooLong.name.assign(256, 'n');
    EXPECT_FALSE(image::writeImageFile(folder / "long.kvi", tooLong, why));
}
