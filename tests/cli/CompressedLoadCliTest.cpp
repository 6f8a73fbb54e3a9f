// A program loaded over the serial bus with compressed blocks and with --no-compress, twice in a
// row on the same controller as a site does: both store the image byte for byte (the stored
// checksum read back is the image's CRC-32), and only the first sends compressed blocks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "KvxsimCli.h"
#include "platform/image/ImageFile.h"
#include "platform/wire/Crc32.h"
#include "support/ImageSigning.h"

namespace {

using ::testing::HasSubstr;

// One KVXreal C station on the serial bus, at the end of the link; 16 runs, 32 is free.
const char* const kNetwork = R"([Simulator]
Baud=115200
ColdStartMs=0

[Controller Station]
Bus=serial
Serial=KVX300-7
Model=300
KvxrealC=yes
Address=10:1
FlashSize=8388608
ActivePartition=16

[Partition Station 16]
Name=Heating
Type=2
Size=4096
MaxSize=1048576

[Partition Station 32]
Name=UnnamedPartition
Type=2
Size=0
MaxSize=1048576
)";

constexpr std::size_t kImageBytes = 32768;

class CompressedLoadCli : public clitest::KvxsimCli {
  protected:
    void SetUp() override {
        // The revision's program becomes real compiled code (a piece of krelvan-cli itself),
        // signed with the tests' key, which is made the product's.
        const std::string product = temp / "demo/product";
        testsupport::installTestKey(product);
        const std::string revision = product + "/Application programs/KVX300C/3.0";
        const std::string file = revision + "/Module1/App.Qvx";
        image::Parsed parsed = image::readImageFile(file);
        ASSERT_TRUE(parsed.image) << parsed.error;
        std::ifstream code(KRELVAN_CLI_PATH, std::ios::binary);
        const std::vector<uint8_t> binary((std::istreambuf_iterator<char>(code)), {});
        ASSERT_GE(binary.size(), 65536 + kImageBytes);
        parsed.image->payload.assign(binary.begin() + 65536,
                                     binary.begin() + 65536 + kImageBytes);
        image = testsupport::signedByTest(*parsed.image);
        std::string why;
        ASSERT_TRUE(image::writeImageFile(file, image, why)) << why;
        // The revision's operating system, signed by the same key, stays acceptable.
        const std::string os = revision + "/KVXreal/KVXrealC_3_1.img";
        parsed = image::readImageFile(os);
        ASSERT_TRUE(parsed.image) << parsed.error;
        ASSERT_TRUE(image::writeImageFile(os, testsupport::signedByTest(*parsed.image), why))
            << why;
        ASSERT_NO_FATAL_FAILURE(startOn(kNetwork));
    }
    // The number after `field` in kvxsim's account of the station's transfers; -1: not there.
    long long transfers(const std::string& field) {
        std::istringstream said(control("transfers Station"));
        std::string word;
        while (said >> word) {
            long long value = 0;
            if (word == field && said >> value) return value;
        }
        return -1;
    }

    // After a load: it went into the partition that did not run and runs there, holding the
    // image byte for byte; it sent compressed blocks only when it was to.
    void expectLoaded(int& active, bool compress, long long compressedBefore) {
        active = active == 16 ? 32 : 16;
        const simtest::SavedController s = saved("Station");
        EXPECT_EQ(s.activePartition, active);
        ASSERT_EQ(s.checksums.count(active), 1u);
        // kvxsim saves it as the controller reads it out: a signed long.
        EXPECT_EQ(static_cast<uint32_t>(s.checksums.at(active)), wire::crc32(image.payload));
        ASSERT_GE(compressedBefore, 0) << control("transfers Station");
        if (compress) {
            EXPECT_GT(transfers("compressed_blocks"), compressedBefore);
        } else {
            EXPECT_EQ(transfers("compressed_blocks"), compressedBefore);
        }
    }

    image::Image image;
};

TEST_F(CompressedLoadCli, CompressedAndPlainStoreTheSameBytes) {
    int active = 16;
    for (int round = 1; round <= 2; ++round) {
        for (const bool compress : {true, false}) {
            SCOPED_TRACE("round " + std::to_string(round) + (compress ? ", compressed" : ", plain"));
            const long long opened = transfers("opened");
            const long long compressedBefore = transfers("compressed_blocks");
            std::vector<std::string> args = {"load", "--model", "3", "--program", "1", "--link",
                                             "serial:" + sim->serial(), "--yes", "--no-backup"};
            if (!compress) args.push_back("--no-compress");
            const auto r = run(args);
            ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
            expectLoaded(active, compress, compressedBefore);
            EXPECT_EQ(transfers("opened"), opened + 1);
            // The progress counts the image's bytes; the end says how many went, and how fast.
            EXPECT_THAT(r.out, HasSubstr(" % (32,768 of 32,768 bytes)\n"));
            EXPECT_THAT(r.out + r.err, HasSubstr("loaded into partition " + std::to_string(active) +
                                                 ". Loaded 32,768 bytes in "));
        }
    }
}

// A site run on the same bus: its station's images compressed unless --no-compress, the program
// stored byte for byte both ways.
TEST_F(CompressedLoadCli, SiteRunCompressesUnlessTold) {
    temp.write("site.csv", "link,address,model,revision,partition,new-address,settings\nserial:" +
                               sim->serial() +
                               ",10:1,KVX300C KVXreal C controller,3.0-1-05,,,\n");
    int active = 16;
    for (const bool compress : {true, false}) {
        SCOPED_TRACE(compress ? "compressed" : "plain");
        const long long compressedBefore = transfers("compressed_blocks");
        std::vector<std::string> args = {KRELVAN_CLI_PATH, "site",  "run",   temp / "site.csv",
                                         "--machine",      machine, "--yes", "--no-backup"};
        if (!compress) args.push_back("--no-compress");
        const auto r = testsupport::runCommand(args, 120);
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
        expectLoaded(active, compress, compressedBefore);
        EXPECT_THAT(r.out, HasSubstr("Loaded 32,768 bytes"));
    }
}

}  // namespace
