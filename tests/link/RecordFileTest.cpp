// Record files through a fake file system: the record layout written, and how refusals reach
// the user and the caller.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "link/RecordFile.h"
#include "support/FakeComponents.h"
#include "support/FakeUi.h"
#include "support/MockLibraries.h"

namespace {

using ::testing::StrictMock;

// One in-memory file; a reason in `refuseWrites` or `refuseClose` makes that step fail.
struct FakeFile {
    std::string content;
    std::string refuseWrites;
    std::string refuseClose;
    bool closed = false;
};

class FakeRandomAccessFile final : public os::RandomAccessFile {
  public:
    explicit FakeRandomAccessFile(FakeFile& file) : file_(file) {}
    std::string readAt(uint64_t offset, size_t size) override {
        return offset >= file_.content.size() ? "" : file_.content.substr(offset, size);
    }
    bool writeAt(uint64_t offset, const std::string& bytes, os::FileFailure& failure) override {
        if (!file_.refuseWrites.empty()) return refuse(file_.refuseWrites, failure);
        if (file_.content.size() < offset + bytes.size())
            file_.content.resize(offset + bytes.size());
        file_.content.replace(offset, bytes.size(), bytes);
        return true;
    }
    bool close(os::FileFailure& failure) override {
        file_.closed = true;
        return file_.refuseClose.empty() || refuse(file_.refuseClose, failure);
    }

  private:
    static bool refuse(const std::string& reason, os::FileFailure& failure) {
        failure = {os::FileFailure::Step::Write, reason};
        return false;
    }
    FakeFile& file_;
};

class FakeFiles final : public os::FileSystem {
  public:
    std::vector<std::string> listFiles(const std::string&) override { return {}; }
    std::string currentDirectory() override { return "/"; }
    bool changeDirectory(const std::string&) override { return false; }
    std::optional<std::string> readFile(const std::string&, os::FileFailure&) override {
        return std::nullopt;
    }
    bool writeFile(const std::string&, const std::string&, os::FileFailure&) override {
        return false;
    }
    std::unique_ptr<os::RandomAccessFile> openReadWrite(const std::string& path,
                                                        os::FileFailure& failure) override {
        ++opens;
        if (!refuseOpen.empty()) {
            failure = {os::FileFailure::Step::Open, refuseOpen};
            return nullptr;
        }
        return std::make_unique<FakeRandomAccessFile>(files[path]);
    }

    std::map<std::string, FakeFile> files;
    std::string refuseOpen;
    int opens = 0;
};

class RecordFileTest : public ::testing::Test {
  protected:
    StrictMock<testsupport::MockGlib> glib;
    StrictMock<testsupport::MockNam> nam;
    testsupport::FakeScreen screen;
    testsupport::FakeClock clock;
    testsupport::FakeComponentFactory components;
    FakeFiles files;
    Platform platform{glib, nam, screen, files, clock, components};
};

TEST_F(RecordFileTest, RecordsArePaddedOrCutAndPlacedByNumber) {
    files.files["p\\M.Dir"].content = "old-old-old-";
    auto file = clink::OpenRecordFile(platform, "p\\M.Dir", 4);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->get(2), "old-");  // existing content is kept
    EXPECT_TRUE(file->put(2, "ab"));
    EXPECT_TRUE(file->put(4, "wxyz-cut"));
    EXPECT_FALSE(file->put(0, "x"));
    EXPECT_EQ(file->get(2), std::string("ab\0\0", 4));
    EXPECT_EQ(file->get(5), "");
    EXPECT_TRUE(file->close());
    EXPECT_TRUE(files.files["p\\M.Dir"].closed);
    EXPECT_EQ(files.files["p\\M.Dir"].content, std::string("old-ab\0\0old-wxyz", 16));
    EXPECT_FALSE(file->close());
    EXPECT_FALSE(file->put(1, "x"));
}

TEST_F(RecordFileTest, AFailedWriteFailsTheCloseWithTheFirstReason) {
    auto file = clink::OpenRecordFile(platform, "M.Dir", 4);
    ASSERT_NE(file, nullptr);
    files.files["M.Dir"].refuseWrites = "No space left on device";
    EXPECT_FALSE(file->put(1, "abcd"));
    files.files["M.Dir"].refuseWrites = "Input/output error";
    EXPECT_FALSE(file->put(2, "abcd"));
    files.files["M.Dir"].refuseWrites.clear();
    EXPECT_TRUE(file->put(3, "abcd"));
    EXPECT_FALSE(file->close());
    EXPECT_TRUE(files.files["M.Dir"].closed);
    EXPECT_EQ(file->failure(), "No space left on device");

    auto other = clink::OpenRecordFile(platform, "N.Dir", 4);
    ASSERT_NE(other, nullptr);
    files.files["N.Dir"].refuseClose = "Input/output error";
    EXPECT_TRUE(other->put(1, "abcd"));
    EXPECT_FALSE(other->close());
    EXPECT_EQ(other->failure(), "Input/output error");
}

TEST_F(RecordFileTest, AFileThatCannotBeOpenedIsReportedToTheUser) {
    files.refuseOpen = "Read-only file system";
    EXPECT_CALL(glib, ShowMessage("Can not open the file p\\M.Dir: Read-only file system", 0));
    EXPECT_EQ(clink::OpenRecordFile(platform, "p\\M.Dir", 74), nullptr);

    files.refuseOpen.clear();
    EXPECT_CALL(glib, ShowMessage("Can not open the file p\\M.Dir: Invalid record length", 0));
    EXPECT_EQ(clink::OpenRecordFile(platform, "p\\M.Dir", 0), nullptr);
    EXPECT_EQ(files.opens, 1);  // a bad length creates no file
}

}  // namespace
