#pragma once
// The file-system services the program uses beside the general library: folder listings, the
// process's current folder, whole files and files of records.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace os {

// Why a file operation failed: the step that failed and the system's text for the cause.
struct FileFailure {
    enum class Step { Open, Read, Write };
    Step step = Step::Open;
    std::string reason;
};

// An open file read and written at chosen offsets.
class RandomAccessFile {
  public:
    // Closes without reporting: call `close` to learn whether the content reached the disk.
    virtual ~RandomAccessFile() = default;
    // Up to `size` bytes from `offset`: fewer at the end of the file, none beyond it.
    virtual std::string readAt(uint64_t offset, size_t size) = 0;
    // False when not all of `bytes` could be written at `offset`.
    virtual bool writeAt(uint64_t offset, const std::string& bytes, FileFailure& failure) = 0;
    // Forces the content to the disk and closes; false when either failed or already closed.
    virtual bool close(FileFailure& failure) = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // Names of the files (not folders) matching `pattern` ("folder\*.*", "folder\*.mdd"), in
    // case-insensitive name order; empty when the folder cannot be listed.
    virtual std::vector<std::string> listFiles(const std::string& pattern) = 0;
    virtual std::string currentDirectory() = 0;
    // False when the folder cannot become current.
    virtual bool changeDirectory(const std::string& folder) = 0;

    // The whole content of `path`; nothing when it cannot be opened or read.
    virtual std::optional<std::string> readFile(const std::string& path, FileFailure& failure) = 0;
    // Replaces the content of `path` (created when absent) and forces it to the disk. The file
    // is rewritten in place: callers that must never leave it half-written write a file beside
    // it and rename.
    virtual bool writeFile(const std::string& path, const std::string& content,
                           FileFailure& failure) = 0;
    // Opens `path` for reading and writing, created when absent, its content kept.
    virtual std::unique_ptr<RandomAccessFile> openReadWrite(const std::string& path,
                                                            FileFailure& failure) = 0;
};

class RealFileSystem final : public FileSystem {
  public:
    std::vector<std::string> listFiles(const std::string& pattern) override;
    std::string currentDirectory() override;
    bool changeDirectory(const std::string& folder) override;
    std::optional<std::string> readFile(const std::string& path, FileFailure& failure) override;
    bool writeFile(const std::string& path, const std::string& content,
                   FileFailure& failure) override;
    std::unique_ptr<RandomAccessFile> openReadWrite(const std::string& path,
                                                    FileFailure& failure) override;
};

}  // namespace os
