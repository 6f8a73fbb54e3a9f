#include "platform/kvxglib/RealLibrary.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/kvxglib/AtomicFile.h"
#include "platform/kvxglib/PathText.h"
#include "platform/kvxglib/SettingsEdit.h"
#include "platform/os/NativePath.h"

namespace fs = std::filesystem;

namespace kvxglib {
namespace {

constexpr int32_t True = -1;
constexpr int32_t False = 0;

}  // namespace

RealLibrary::RealLibrary(ui::MessageBoxes& boxes, std::string machineDir)
    : boxes_(boxes),
      config_(std::move(machineDir)),
      aliases_(config_),
      ownLauncher_(std::make_unique<PosixProcessLauncher>()),
      starter_(*ownLauncher_),
      texts_(&TextsFile::load),
      traffic_(newTrafficState()) {}

RealLibrary::RealLibrary(ui::MessageBoxes& boxes, std::string machineDir, ProcessLauncher& launcher)
    : boxes_(boxes),
      config_(std::move(machineDir)),
      aliases_(config_),
      starter_(launcher),
      texts_(&TextsFile::load),
      traffic_(newTrafficState()) {}

RealLibrary::~RealLibrary() = default;

const char* RealLibrary::keep(std::string text) {
    text_ = std::move(text);
    return text_.c_str();
}

// ---- texts ----

const char* RealLibrary::GetText(const std::string& textsFile, int32_t number, int32_t,
                                 int32_t& status) {
    const auto texts = texts_.get(aliases_.native(textsFileName(textsFile)));
    const std::string* text = texts ? texts->find(number) : nullptr;
    status = text != nullptr ? 0 : 1;
    return keep(text != nullptr ? *text : missingTextPlaceholder(number));
}

int32_t RealLibrary::CopyText(char* destination, const char* source, int32_t length) {
    if (destination == nullptr || source == nullptr || length <= 0) return 0;
    const size_t count = strnlen(source, static_cast<size_t>(length));
    std::memcpy(destination, source, count);
    if (count < static_cast<size_t>(length)) destination[count] = '\0';
    return static_cast<int32_t>(count);
}

// ---- paths and files ----

const char* RealLibrary::JoinPath(const std::string& name, const std::string& folder) {
    return keep(joinPath(name, folder));
}

const char* RealLibrary::ParentFolder(const std::string& path) { return keep(parentFolder(path)); }

const char* RealLibrary::LastPathName(const std::string& path) { return keep(lastPathName(path)); }

const char* RealLibrary::ResolvePath(const std::string& path, int32_t, int32_t& out) {
    out = 0;
    return keep(aliases_.resolve(path));
}

int32_t RealLibrary::FileExists(const std::string& path) {
    if (path.empty()) return False;
    std::error_code ec;
    return fs::exists(aliases_.native(path), ec) ? True : False;
}

int32_t RealLibrary::DeleteFile(const std::string& path, int32_t, int32_t& status,
                                const std::string&) {
    const std::string native = aliases_.native(path);
    std::error_code ec;
    if (path.empty() || fs::is_directory(native, ec)) {  // files only, never a folder
        status = EISDIR;
        return False;
    }
    status = ::unlink(native.c_str()) == 0 ? 0 : errno;
    return status == 0 ? True : False;
}

int32_t RealLibrary::RenameFile(const std::string& source, const std::string& target, int32_t,
                                int32_t& status, const std::string&) {
    if (source.empty() || target.empty()) {
        status = ENOENT;
        return False;
    }
    status = std::rename(aliases_.native(source).c_str(), aliases_.native(target).c_str()) == 0
                 ? 0
                 : errno;
    return status == 0 ? True : False;
}

// ---- settings ----

std::string RealLibrary::settingsPath(const std::string& file) {
    if (isBareName(file) && !splitAlias(file))
        return os::toNativePath(config_.machineDir() + "/" + file);
    return aliases_.native(file);
}

const char* RealLibrary::ReadSetting(const std::string& file, const std::string& section,
                                     const std::string& key, const std::string& defaultValue) {
    const auto parsed = config_.sectioned(settingsPath(file));
    const std::string* value = parsed ? parsed->find(section, key) : nullptr;
    return keep(value != nullptr ? *value : defaultValue);
}

int32_t RealLibrary::writeSetting(const std::string& file, const std::string& section,
                                  const std::string& key, const std::string& value) {
    if (file.empty()) return False;
    std::error_code ec;
    // The library places bare names in the machine folder, which a fresh machine lacks.
    if (isBareName(file)) fs::create_directories(config_.machineDir(), ec);
    const std::string native = settingsPath(file);
    std::string old;
    if (fs::exists(native, ec)) {
        const auto content = readWholeFile(native);
        if (!content) return False;  // never replace a file we could not read
        old = *content;
    }
    const auto updated = setSettingInText(old, section, key, value);
    if (!updated) return False;
    if (*updated == old && !old.empty()) return True;
    return writeFileAtomically(native, *updated) ? True : False;
}

// Bare names always lie in the machine folder, so the placement flag 0x80000000 changes
// nothing here.
int32_t RealLibrary::WriteSettingText(const std::string& file, const std::string& section,
                                      const std::string& key, const std::string& value, int32_t) {
    return writeSetting(file, section, key, value);
}

int32_t RealLibrary::WriteSettingNumber(const std::string& file, const std::string& section,
                                        const std::string& key, int32_t value, int32_t) {
    return writeSetting(file, section, key, std::to_string(value));
}

// ---- sectioned files ----

int32_t RealLibrary::OpenSectionedFile(const std::string& path, int32_t& handle, int32_t, int32_t,
                                       int32_t& status, const std::string&) {
    handle = 0;
    auto file = path.empty() ? nullptr : config_.sectioned(aliases_.native(path));
    if (!file) {
        status = 1;
        return False;
    }
    status = 0;
    handle = openFiles_.add(std::move(file));
    return True;
}

int32_t RealLibrary::NextSection(int32_t handle, std::string& name, std::string& second,
                                 int32_t& status) {
    second.clear();
    const int32_t cursor = openFiles_.nextSection(handle, name);
    status = 0;
    return cursor;
}

int32_t RealLibrary::NextEntry(int32_t sectionCursor, std::string& key, std::string& value,
                               std::string& third, int32_t& status) {
    third.clear();
    status = 0;
    return openFiles_.nextEntry(sectionCursor, key, value) ? True : False;
}

int32_t RealLibrary::FindSection(int32_t handle, const std::string& name, std::string& text,
                                 int32_t& status, int32_t) {
    text.clear();
    status = 0;
    return openFiles_.findSection(handle, name);
}

void RealLibrary::CloseSectionedFile(int32_t& handle) {
    openFiles_.close(handle);
    handle = 0;
}

// ---- messages and programs ----

int32_t RealLibrary::ShowMessage(const std::string& text, int32_t kind) {
    boxes_.showMessage(text, kind == static_cast<int32_t>(ui::MessageKind::Information)
                                 ? ui::MessageKind::Information
                                 : ui::MessageKind::Error);
    return ui::answer::Ok;
}

int32_t RealLibrary::AskQuestion(const std::string& text, int32_t, const std::string& caption,
                                 int32_t buttons) {
    return boxes_.ask(text, caption, buttons);
}

int32_t RealLibrary::StartUp(const std::string& programName, int32_t, int32_t& out1, int32_t,
                             int32_t& out2) {
    programName_ = programName;
    out1 = 0;
    out2 = 0;
    return True;
}

int32_t RealLibrary::RunProgram(const std::string& program, const std::string& arguments,
                                const std::string& directory, int32_t& out1, int32_t, int32_t& out2,
                                const std::string&) {
    out1 = 0;
    out2 = 0;
    const auto trimmed = [](const std::string& text) {
        const size_t first = text.find_first_not_of(" \t");
        return first == std::string::npos
                   ? std::string()
                   : text.substr(first, text.find_last_not_of(" \t") - first + 1);
    };
    const std::string folder = trimmed(directory);
    return starter_.start(aliases_.resolve(trimmed(program)), arguments,
                          folder.empty() ? "" : aliases_.resolve(folder))
               ? True
               : False;
}

}  // namespace kvxglib
