#include "sim/SystemVariables.h"

namespace sim {
namespace {

using wire::Value;

SystemVariable var(const char* name, uint16_t file, int32_t index, uint8_t kind, Value start) {
    return {name, file, index, StoredVariable{kind, std::move(start), 255, false}};
}

}  // namespace

std::vector<SystemVariable> systemVariables(bool kvxrealC) {
    std::vector<SystemVariable> out = {
        var("QSystem.PLA", 241, 0, 1, Value::smallInt(254)),
        var("QSystem.ELA", 241, 1, 1, Value::smallInt(30)),
        var("QSystem.ModuleType", 241, 36, 1, Value::int16(0)),
    };
    if (!kvxrealC) return out;
    std::vector<SystemVariable> c = {
        var("QSystem.OperatingSystem", 241, 60, 1, Value::oemText("")),
        var("QSystem.ControllerName", 241, 63, 1, Value::oemText("")),
        var("QSystem.ControllerDescription", 241, 69, 1, Value::oemText("")),
        var("QSystem.ActivePartition", 241, 88, 1, Value::int16(14)),
        var("QSystem.ActiveSubApplication", 241, 89, 1, Value::int16(0)),
        var("QSystem.FlashMemTot", 241, 90, 1, Value::long32(0)),
        var("QSystem.FlashMemUsed", 241, 91, 1, Value::long32(0)),
        var("QCom.ConfIP", 242, 200, 1, Value::oemText("")),
        var("QCom.DHCPEnable", 242, 205, 1, Value::boolean(false)),
        var("QCom.EncryptionRequired", 242, 206, 1, Value::boolean(false)),
        var("QServices.HttpActiveSitePartition", 242, 168, 1, Value::int16(-1)),
        var("QServices.HttpCommitSettings", 242, 163, 1, Value::boolean(false)),
        var("QServices.HttpPort", 242, 165, 1, Value::long32(80)),
    };
    out.insert(out.end(), c.begin(), c.end());
    return out;
}

}  // namespace sim
