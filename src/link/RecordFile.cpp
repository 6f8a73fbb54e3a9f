#include "link/RecordFile.h"

#include "catalogue/Messages.h"

namespace clink {

RecordFile::RecordFile(std::unique_ptr<os::RandomAccessFile> file, std::string path, int32_t length)
    : file_(std::move(file)), path_(std::move(path)), length_(length) {}

bool RecordFile::put(int32_t number, const std::string& bytes) {
    if (!file_ || number < 1) return false;
    std::string record = bytes;
    record.resize(static_cast<size_t>(length_), '\0');
    const uint64_t offset = static_cast<uint64_t>(number - 1) * static_cast<uint64_t>(length_);
    os::FileFailure failure;
    if (file_->writeAt(offset, record, failure)) return true;
    fail(failure.reason);
    return false;
}

std::string RecordFile::get(int32_t number) {
    if (!file_ || number < 1) return {};
    const uint64_t offset = static_cast<uint64_t>(number - 1) * static_cast<uint64_t>(length_);
    return file_->readAt(offset, static_cast<size_t>(length_));
}

bool RecordFile::close() {
    if (!file_) return false;
    os::FileFailure failure;
    const bool closed = file_->close(failure);
    file_.reset();
    if (!closed) fail(failure.reason);
    return !failed_;
}

void RecordFile::fail(const std::string& reason) {
    if (!failed_) failure_ = reason;
    failed_ = true;
}

std::unique_ptr<RecordFile> OpenRecordFile(Platform& platform, const std::string& path,
                                           int32_t length, const std::string& shownPath) {
    // Checked before opening, so a bad length creates no file.
    std::string reason = "Invalid record length";
    if (length >= 1) {
        os::FileFailure failure;
        auto file = platform.files.openReadWrite(path, failure);
        if (file) return std::make_unique<RecordFile>(std::move(file), path, length);
        reason = failure.reason;
    }
    const std::string& shown = shownPath.empty() ? path : shownPath;
    catalogue::ShowErrorMessage(platform.glib, "Can not open the file " + shown + ": " + reason);
    return nullptr;
}

}  // namespace clink
