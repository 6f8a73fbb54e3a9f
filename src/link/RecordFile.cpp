#include "link/RecordFile.h"

#include <cerrno>
#include <cstring>

#include "catalogue/Messages.h"
#include "platform/os/NativePath.h"

namespace clink {

RecordFile::RecordFile(std::FILE* file, std::string path, int32_t length)
    : file_(file), path_(std::move(path)), length_(length) {}

RecordFile::~RecordFile() {
    if (file_ != nullptr) std::fclose(file_);
}

bool RecordFile::put(int32_t number, const std::string& bytes) {
    if (file_ == nullptr || number < 1) return false;
    std::string record = bytes;
    record.resize(static_cast<size_t>(length_), '\0');
    const long offset = static_cast<long>(number - 1) * length_;
    const bool ok = std::fseek(file_, offset, SEEK_SET) == 0 &&
                    std::fwrite(record.data(), 1, record.size(), file_) == record.size();
    if (!ok) failed_ = true;
    return ok;
}

std::string RecordFile::get(int32_t number) {
    if (file_ == nullptr || number < 1) return {};
    std::string record(static_cast<size_t>(length_), '\0');
    const long offset = static_cast<long>(number - 1) * length_;
    if (std::fseek(file_, offset, SEEK_SET) != 0) return {};
    record.resize(std::fread(record.data(), 1, record.size(), file_));
    return record;
}

bool RecordFile::close() {
    if (file_ == nullptr) return false;
    const bool flushed = std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return flushed && closed && !failed_;
}

std::unique_ptr<RecordFile> OpenRecordFile(kvxglib::Library& glib, const std::string& path,
                                           int32_t length) {
    const std::string native = os::toNativePath(path);
    errno = 0;
    std::FILE* file = std::fopen(native.c_str(), "r+b");
    if (file == nullptr && errno == ENOENT) file = std::fopen(native.c_str(), "w+b");
    if (file == nullptr || length < 1) {
        const int error = errno;
        if (file != nullptr) std::fclose(file);
        const std::string reason = error != 0 ? std::strerror(error) : "Invalid record length";
        catalogue::ShowErrorMessage(glib, "Can not open the file " + path + ": " + reason);
        return nullptr;
    }
    return std::make_unique<RecordFile>(file, path, length);
}

}  // namespace clink
