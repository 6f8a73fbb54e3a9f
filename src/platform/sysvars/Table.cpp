#include "platform/sysvars/Table.h"

#include <array>

namespace sysvars {
namespace {

using T = wire::VarType;
using F = Family;

constexpr uint16_t kSystem = 241, kServices = 242, kCom = 248, kTcpIp = 250;

// Every variable here is segment-addressed (kind 1): the program reads and writes the same
// variables by name and by number, and its numeric accesses always send kind 1.
constexpr Variable number(std::string_view fileName, std::string_view name, uint16_t file,
                          int32_t index, T type, F family, int32_t start,
                          std::string_view meaning) {
    return {fileName, name, file, index, type, 1, 0, family, start, {}, meaning};
}

constexpr Variable text(std::string_view fileName, std::string_view name, uint16_t file,
                        int32_t index, uint16_t maxLength, F family, std::string_view start,
                        std::string_view meaning) {
    return {fileName, name, file, index, T::Text, 1, maxLength, family, 0, start, meaning};
}

constexpr std::array kTable{
    // QSystem: identity, version, memory and partitions.
    number("QSystem", "PLA", kSystem, 0, T::SmallInt, F::Every, 254,
           "the controller's own PLA; writing it moves the controller"),
    number("QSystem", "ELA", kSystem, 1, T::SmallInt, F::Every, 30,
           "the controller's own ELA; writing it moves the controller"),
    number("QSystem", "ModuleType", kSystem, 36, T::Int, F::Every, 300, "module type code"),
    text("QSystem", "OsName", kSystem, 60, 32, F::KvxrealC, "KVXreal C",
         "operating-system text; only KVXreal C controllers answer it"),
    text("QSystem", "OsRevision", kSystem, 61, 16, F::Older, "01.00.00.0000",
         "operating-system version of an older controller, fixed width: MM.mm.bb.rrrr"),
    text("QSystem", "ApplicationName", kSystem, 62, 48, F::Older, "",
         "name of the application an older controller runs"),
    text("QSystem", "ControllerName", kSystem, 63, 64, F::KvxrealC, "Controller",
         "controller name"),
    text("QSystem", "ControllerDescription", kSystem, 69, 128, F::KvxrealC, "",
         "controller description"),
    number("QSystem", "ActivePartition", kSystem, 88, T::Int, F::KvxrealC, 16,
           "partition of the running application"),
    number("QSystem", "ActiveSubApplication", kSystem, 89, T::Int, F::KvxrealC, 0,
           "sub-application of the running application"),
    number("QSystem", "FlashMemTot", kSystem, 90, T::Long, F::KvxrealC, 8388608,
           "bytes of flash in total"),
    number("QSystem", "FlashMemUsed", kSystem, 91, T::Long, F::KvxrealC, 1048576,
           "bytes of flash in use"),
    number("QSystem", "Ver_Major", kSystem, 92, T::Int, F::KvxrealC, 3,
           "operating-system version, major"),
    number("QSystem", "Ver_Minor", kSystem, 93, T::Int, F::KvxrealC, 1,
           "operating-system version, minor"),
    number("QSystem", "Ver_Branch", kSystem, 94, T::Int, F::KvxrealC, 0,
           "operating-system version, branch"),
    number("QSystem", "Ver_Number", kSystem, 95, T::Int, F::KvxrealC, 12,
           "operating-system version, number"),

    // QServices: e-mail, BACnet/IP and the web server.
    text("QServices", "EmailCommitSettings", kServices, 0, 8, F::KvxrealC, "False",
         "the text \"True\" makes the e-mail settings take effect"),
    text("QServices", "EmailServerAddress", kServices, 4, 128, F::KvxrealC, "",
         "e-mail server address"),
    text("QServices", "EmailLoginName", kServices, 7, 64, F::KvxrealC, "", "e-mail login name"),
    text("QServices", "EmailLoginPass", kServices, 10, 64, F::KvxrealC, "",
         "e-mail login password"),
    text("QServices", "EmailSenderAddress", kServices, 24, 128, F::KvxrealC, "",
         "e-mail sender address"),
    number("QServices", "BACnetDeviceID", kServices, 60, T::Long, F::KvxrealC, 0,
           "BACnet device instance"),
    text("QServices", "BACnetDeviceName", kServices, 63, 64, F::KvxrealC, "", "BACnet device name"),
    number("QServices", "BACnetIpUDPport", kServices, 116, T::Long, F::KvxrealC, 47808,
           "BACnet/IP UDP port"),
    number("QServices", "BACnetIpEnable", kServices, 117, T::Boolean, F::KvxrealC, 0,
           "BACnet/IP on"),
    number("QServices", "BACnetCommitSettings", kServices, 118, T::Boolean, F::KvxrealC, 0,
           "true makes the BACnet settings take effect"),
    number("QServices", "HttpCommitSettings", kServices, 163, T::Boolean, F::KvxrealC, 0,
           "true makes the web-server settings take effect"),
    number("QServices", "HttpEnable", kServices, 164, T::SmallInt, F::KvxrealC, 1,
           "web server on (non-zero)"),
    number("QServices", "HttpPort", kServices, 165, T::Long, F::KvxrealC, 80, "web server port"),
    number("QServices", "HttpActiveSitePartition", kServices, 168, T::Int, F::KvxrealC, -1,
           "partition holding the active web site, -1 for none"),
    number("QServices", "HttpActiveSubSite", kServices, 170, T::Int, F::KvxrealC, 0,
           "active sub site"),

    // QCom: TCP/IP and encryption settings.
    text("QCom", "ConfIP", kCom, 200, 15, F::KvxrealC, "", "IP address, dotted"),
    text("QCom", "ConfSubNet", kCom, 201, 15, F::KvxrealC, "", "subnet mask, dotted"),
    text("QCom", "ConfGW1", kCom, 202, 15, F::KvxrealC, "", "default gateway, dotted"),
    text("QCom", "ConfDNS1", kCom, 203, 15, F::KvxrealC, "", "first DNS server, dotted"),
    text("QCom", "ConfDNSName", kCom, 204, 128, F::KvxrealC, "", "the unit's DNS name"),
    number("QCom", "DHCPEnable", kCom, 210, T::Boolean, F::KvxrealC, -1,
           "obtain IP settings automatically"),
    number("QCom", "CommitIPSettings", kCom, 211, T::Boolean, F::KvxrealC, 0,
           "true makes the IP settings take effect"),
    number("QCom", "EncryptionRequired", kCom, 220, T::Boolean, F::KvxrealC, 0,
           "require encrypted network communication"),
    text("QCom", "EncryptionPassword1", kCom, 221, 64, F::KvxrealC, "",
         "password of the web user guest"),
    text("QCom", "EncryptionPassword2", kCom, 222, 64, F::KvxrealC, "",
         "password of the web user operator"),
    text("QCom", "EncryptionPassword3", kCom, 223, 64, F::KvxrealC, "",
         "password of the web user service"),
    text("QCom", "EncryptionPassword4", kCom, 224, 64, F::KvxrealC, "",
         "password of the fourth web user"),
    text("QCom", "EncryptionPasswordPrimary", kCom, 225, 64, F::KvxrealC, "",
         "network encryption password"),
    number("QCom", "EncryptionCommitSettings", kCom, 226, T::Boolean, F::KvxrealC, 0,
           "true makes the encryption settings take effect"),
    text("QCom", "MainComputerAddr", kCom, 231, 128, F::KvxrealC, "",
         "main computer address, IP or DNS name"),
    number("QCom", "MainComputerConnectEnable", kCom, 232, T::Boolean, F::KvxrealC, 0,
           "connect to the main computer"),

    // QTcpIp: the TCP/IP option of the older controllers.
    number("QTcpIp", "ColdSFlagForTcpIp", kTcpIp, 32, T::SmallInt, F::Older, 0,
           "1 makes the TCP/IP option take its settings at the next cold start"),
};

constexpr char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

constexpr bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}

// A name or a number given twice would make one lookup direction answer differently from
// the other; refuse to build such a table.
constexpr bool entriesAreUnique() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        for (std::size_t j = i + 1; j < kTable.size(); ++j) {
            const Variable& a = kTable[i];
            const Variable& b = kTable[j];
            if (a.file == b.file && a.index == b.index) return false;
            if (sameIgnoringCase(a.fileName, b.fileName) && sameIgnoringCase(a.name, b.name))
                return false;
        }
    }
    return true;
}
static_assert(entriesAreUnique());

constexpr bool inFileAndIndexOrder() {
    for (std::size_t i = 1; i < kTable.size(); ++i) {
        const Variable& a = kTable[i - 1];
        const Variable& b = kTable[i];
        if (a.file > b.file || (a.file == b.file && a.index >= b.index)) return false;
    }
    return true;
}
static_assert(inFileAndIndexOrder());

}  // namespace

std::span<const Variable> table() { return kTable; }

const Variable* findByName(std::string_view fileName, std::string_view name) {
    for (const Variable& v : kTable)
        if (sameIgnoringCase(v.fileName, fileName) && sameIgnoringCase(v.name, name)) return &v;
    return nullptr;
}

const Variable* findByName(std::string_view qualifiedName) {
    const auto dot = qualifiedName.find('.');
    if (dot == std::string_view::npos) return nullptr;
    return findByName(qualifiedName.substr(0, dot), qualifiedName.substr(dot + 1));
}

const Variable* findByNumber(uint16_t file, int32_t index) {
    for (const Variable& v : kTable)
        if (v.file == file && v.index == index) return &v;
    return nullptr;
}

bool isSecret(const Variable& variable) {
    static const Variable* const secrets[] = {
        findByName("QCom.EncryptionPasswordPrimary"), findByName("QCom.EncryptionPassword1"),
        findByName("QCom.EncryptionPassword2"),       findByName("QCom.EncryptionPassword3"),
        findByName("QCom.EncryptionPassword4"),       findByName("QServices.EmailLoginPass"),
    };
    for (const Variable* secret : secrets)
        if (secret == &variable) return true;
    return false;
}

}  // namespace sysvars
