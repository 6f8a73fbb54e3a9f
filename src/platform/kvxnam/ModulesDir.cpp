#include "platform/kvxnam/ModulesDir.h"

#include <chrono>
#include <fstream>
#include <system_error>

#include "platform/os/NativePath.h"
#include "platform/text/Text.h"

namespace kvxnam {
namespace {

constexpr std::string_view kSignature = "CODEFILE!\x1A";
constexpr std::size_t kHeaderSize = 14;  // signature, record length, count
constexpr std::size_t kMaxRecord = 4096;
constexpr std::size_t kMaxFileSize = 1 << 20;
constexpr auto kSettled = std::chrono::seconds(2);

unsigned byteAt(std::string_view bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]);
}

}  // namespace

std::vector<ListedModule> parseModulesDir(std::string_view bytes) {
    std::vector<ListedModule> modules;
    if (bytes.size() < kHeaderSize || bytes.substr(0, kSignature.size()) != kSignature)
        return modules;
    const std::size_t recordLength = byteAt(bytes, 10) | (byteAt(bytes, 11) << 8);
    if (recordLength < kHeaderSize || recordLength > kMaxRecord) return modules;
    // The count in the header is not trusted: the zero record or the end of the file ends the
    // list. A record cut short by the end of the file may be half-written and is left out.
    for (std::size_t at = recordLength; at + recordLength <= bytes.size(); at += recordLength) {
        const std::string_view record = bytes.substr(at, recordLength);
        const unsigned flag = byteAt(record, 0);
        if (flag == 0) break;
        if (flag != 1) continue;
        std::string_view name = record.substr(3);
        name = name.substr(0, name.find('\0'));
        const auto last = name.find_last_not_of(' ');
        if (last == std::string_view::npos) continue;
        name = name.substr(0, last + 1);
        modules.push_back({text::toWide(text::fromOem(std::string(name))),
                           static_cast<uint8_t>(byteAt(record, 1)),
                           static_cast<uint8_t>(byteAt(record, 2))});
    }
    return modules;
}

std::u16string foldModuleName(std::u16string_view name) {
    std::u16string out(name);
    for (char16_t& c : out) {
        const bool ascii = c >= u'A' && c <= u'Z';
        const bool latin1 = c >= 0xC0 && c <= 0xDE && c != 0xD7;
        if (ascii || latin1) c = static_cast<char16_t>(c + 0x20);
    }
    return out;
}

std::optional<ListedModule> ModulesDir::find(std::u16string_view moduleName) {
    refresh();
    const std::u16string wanted = foldModuleName(moduleName);
    for (const ListedModule& m : modules_)
        if (foldModuleName(m.name) == wanted) return m;
    return std::nullopt;
}

void ModulesDir::refresh() {
    const std::filesystem::path path = os::toNativePath(folder_ + "/Modules.Dir");
    std::error_code ec;
    Stamp now;
    now.present = std::filesystem::is_regular_file(path, ec);
    if (now.present) {
        now.size = std::filesystem::file_size(path, ec);
        if (!ec) now.time = std::filesystem::last_write_time(path, ec);
        if (ec) now = Stamp{};
    }
    if (stamp_ == now) return;
    // A file written within the file system's time resolution of this read could change again
    // without changing its stamp: trust such a stamp only once it has aged.
    const bool settled = std::filesystem::file_time_type::clock::now() - now.time > kSettled;
    stamp_ = settled || !now.present ? std::optional<Stamp>(now) : std::nullopt;
    modules_.clear();
    if (!now.present) return;
    std::ifstream in(path, std::ios::binary);
    std::string bytes(std::min<std::uintmax_t>(now.size, kMaxFileSize), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    modules_ = parseModulesDir(bytes);
}

}  // namespace kvxnam
