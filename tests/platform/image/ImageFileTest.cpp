// The image container: what the writer writes, the reader reads back, and the reader refuses
// every damaged, truncated or foreign file with its reason.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/image/ImageFile.h"
#include "platform/image/ImageSignature.h"
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
        {"newer format", edited(8, 3, true), "image format 3 is not supported"},
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

TEST(ImageSignature, OnlyTheImageAsTheProductSignedItVerifies) {
    const image::KeyPair product = image::newKeyPair();
    Image signedImage = sample();
    image::signImage(signedImage, product.secretKey);
    // The signature travels in the file: what is read back verifies as it did.
    const auto parsed = image::parseImage(*image::serializeImage(signedImage));
    ASSERT_TRUE(parsed.image) << parsed.error;
    EXPECT_EQ(*parsed.image, signedImage);

    struct Row {
        const char* what;
        void (*change)(Image&);
        const char* problem;  // the start of it; empty: verifies
    };
    const Row rows[] = {
        {"as signed", [](Image&) {}, ""},
        {"one payload byte", [](Image& i) { i.payload[999] ^= 0x80; }, "does not carry"},
        {"a byte more", [](Image& i) { i.payload.push_back(0); }, "does not carry"},
        {"kind", [](Image& i) { i.kind = image::Kind::Application; }, "does not carry"},
        {"model", [](Image& i) { i.model = 0; }, "does not carry"},
        {"version", [](Image& i) { i.version.revision = 4; }, "does not carry"},
        {"name", [](Image& i) { i.name = "KVXreal D"; }, "does not carry"},
        {"version text", [](Image& i) { i.versionText = "9.9"; }, "does not carry"},
        {"signature bit", [](Image& i) { i.signature[10] ^= 1; }, "does not carry"},
        {"signature removed", [](Image& i) { i.signature.clear(); }, "is not signed"},
        {"signed by another key",
         [](Image& i) { image::signImage(i, image::newKeyPair().secretKey); }, "does not carry"},
    };
    for (const Row& row : rows) {
        Image i = *parsed.image;
        row.change(i);
        EXPECT_EQ(image::signatureProblem(i, product.publicKey).rfind(row.problem, 0), 0u)
            << row.what << ": " << image::signatureProblem(i, product.publicKey);
        EXPECT_EQ(image::signatureProblem(i, product.publicKey).empty(), *row.problem == 0)
            << row.what;
    }
    // A signature of the wrong size cannot be written.
    Image odd = signedImage;
    odd.signature.pop_back();
    EXPECT_FALSE(image::serializeImage(odd));
}

TEST(ImageSignature, AKeyFileHoldsOneKeyInHexadecimal) {
    testsupport::TempFolder folder;
    const image::KeyPair pair = image::newKeyPair();
    const std::string hex = image::keyText(pair.publicKey);
    struct Row {
        const char* what;
        std::string content;
        bool read;
    };
    const Row rows[] = {
        {"one line", hex + "\n", true},
        {"no newline", hex, true},
        {"a digit short", hex.substr(1), false},
        {"a digit more", hex + "0", false},
        {"not hexadecimal", std::string(64, 'g'), false},
        {"empty", "", false},
    };
    for (const Row& row : rows) {
        folder.write("key.pub", row.content);
        const image::KeyReading key = image::readPublicKeyFile(folder / "key.pub");
        EXPECT_EQ(key.key.has_value(), row.read) << row.what;
        if (key.key) {
            EXPECT_EQ(*key.key, pair.publicKey) << row.what;
        } else {
            EXPECT_NE(key.error.find(folder / "key.pub"), std::string::npos) << key.error;
        }
    }
    EXPECT_FALSE(image::readPublicKeyFile(folder / "none.pub").key);
}
