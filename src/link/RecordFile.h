#pragma once
// A file of fixed-length records, opened for reading and writing. Module directory files are
// written this way.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace clink {

class RecordFile {
  public:
    RecordFile(std::unique_ptr<os::RandomAccessFile> file, std::string path, int32_t length);

    // Writes record `number` (1-based): `bytes` cut or padded with zero bytes to the record
    // length. False when the file refused the write.
    bool put(int32_t number, const std::string& bytes);
    // Reads record `number`; empty when it lies beyond the end of the file.
    std::string get(int32_t number);
    // Forces the content to the disk and closes; false when any earlier write or this failed.
    bool close();
    // The system's text for the first failure; empty while none happened.
    const std::string& failure() const { return failure_; }

    const std::string& path() const { return path_; }

  private:
    void fail(const std::string& reason);

    std::unique_ptr<os::RandomAccessFile> file_;
    std::string path_;
    int32_t length_;
    bool failed_ = false;
    std::string failure_;
};

// Opens `path` (created when absent, its content kept) for records of `length` bytes. On
// failure tells the user "Can not open the file <path>: <reason>" and returns nothing; a copy
// staged under another name passes the name the user knows as `shownPath`.
std::unique_ptr<RecordFile> OpenRecordFile(Platform& platform, const std::string& path,
                                           int32_t length, const std::string& shownPath = {});

}  // namespace clink
