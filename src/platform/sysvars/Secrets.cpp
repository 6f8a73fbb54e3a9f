#include "platform/sysvars/Secrets.h"

#include <array>
#include <string_view>

#include "platform/sysvars/Table.h"

namespace sysvars {
namespace {

constexpr std::string_view kNetworkPassword = "QCom.EncryptionPasswordPrimary";

constexpr std::array<std::pair<std::string_view, Sensitivity>, 8> kNamed = {{
    {kNetworkPassword, Sensitivity::Secret},
    {"QCom.EncryptionPassword1", Sensitivity::Secret},
    {"QCom.EncryptionPassword2", Sensitivity::Secret},
    {"QCom.EncryptionPassword3", Sensitivity::Secret},
    {"QCom.EncryptionPassword4", Sensitivity::Secret},
    {"QServices.EmailLoginPass", Sensitivity::Secret},
    {"QCom.EncryptionRequired", Sensitivity::Guard},
    {"QCom.EncryptionCommitSettings", Sensitivity::Guard},
}};

bool at(std::string_view name, uint16_t file, int32_t index) {
    const Variable* v = findByName(name);
    return v != nullptr && v->file == file && v->index == index;
}

}  // namespace

Sensitivity sensitivityOf(uint16_t file, int32_t index) {
    for (const auto& [name, sensitivity] : kNamed)
        if (at(name, file, index)) return sensitivity;
    return Sensitivity::None;
}

bool isNetworkPassword(uint16_t file, int32_t index) { return at(kNetworkPassword, file, index); }

}  // namespace sysvars
