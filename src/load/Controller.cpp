#include "load/Controller.h"

#include <optional>
#include <variant>

#include "link/ByName.h"
#include "link/ConnectionChecks.h"
#include "link/ControllerServices.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "link/VarName.h"
#include "platform/sysvars/Table.h"
#include "platform/text/Text.h"
#include "program/Program.h"

namespace load {
namespace {
constexpr int16_t SystemFile = 241;
constexpr uint8_t ClockFile = 241;
constexpr int32_t SystemPlaIndex = 0;
constexpr int32_t SystemElaIndex = 1;
}  // namespace

bool LinkController::readControllerAddress(int16_t& pla, int16_t& ela) {
    const std::optional<clink::Station> target = program_.connection.Target;
    if (!target) return clink::ReadControllerAddress(program_, pla, ela);
    // A chosen station is looked for at its own address: 255:30 would reach the controller at
    // the end of the link instead, and the command would act on that one.
    const std::string at = clink::stationText(target->pla, target->ela);
    int16_t reported = 0;
    if (!readSystemSmallInt(target->pla, target->ela, SystemPlaIndex, reported,
                            at + ".QSystem.PLA") ||
        !readSystemSmallInt(target->pla, target->ela, SystemElaIndex, reported,
                            at + ".QSystem.ELA"))
        return false;
    pla = target->pla;
    ela = target->ela;
    return true;
}

void LinkController::detectOsKind(int16_t pla, int16_t ela) {
    clink::DetectControllerOsKind(program_, pla, ela);
}

bool LinkController::poll(int16_t pla, int16_t ela) {
    int32_t flags = 0;
    int32_t status = 0;
    std::string label;
    return clink::PollWithLink(program_.platform, program_.connection.CurrentLink, pla, ela, flags,
                               status, label);
}

void LinkController::coolStart(int16_t pla, int16_t ela) {
    clink::CoolStart(program_.platform, program_.connection.CurrentLink, pla, ela);
}

void LinkController::coldStart(int16_t pla, int16_t ela) {
    clink::ColdStart(program_.platform, program_.connection.CurrentLink, pla, ela);
}

void LinkController::setClock(int16_t pla, int16_t ela) {
    program_.platform.glib.SetControllerClock(program_.connection.CurrentLink,
                                              static_cast<uint8_t>(pla), static_cast<uint8_t>(ela),
                                              ClockFile, 0, 0, 0, 0, 0);
}

bool LinkController::activate(int16_t pla, int16_t ela, int16_t partition, int16_t subApplication) {
    return clink::ActivateApplication(program_.platform, program_.connection.CurrentLink, pla, ela,
                                      partition, subApplication);
}

Controller::TrialAnswer LinkController::activateOnTrial(int16_t pla, int16_t ela,
                                                        int16_t partition, int16_t subApplication,
                                                        int16_t returnPartition,
                                                        int16_t returnSubApplication,
                                                        uint32_t askMs, uint32_t& grantedMs) {
    switch (clink::ActivateOnTrial(program_.platform, program_.connection.CurrentLink, pla, ela,
                                   partition, subApplication, returnPartition,
                                   returnSubApplication, askMs, grantedMs)) {
        case clink::TrialAnswer::Accepted:
            return TrialAnswer::Accepted;
        case clink::TrialAnswer::NotKnown:
            return TrialAnswer::NotKnown;
        default:
            return TrialAnswer::Failed;
    }
}

bool LinkController::confirmTrial(int16_t pla, int16_t ela, int16_t partition,
                                  int16_t subApplication) {
    return clink::ConfirmTrial(program_.platform, program_.connection.CurrentLink, pla, ela,
                               partition, subApplication);
}

bool LinkController::trialStatus(int16_t pla, int16_t ela, wire::TrialReport& report) {
    return clink::ReadTrialStatus(program_.platform, program_.connection.CurrentLink, pla, ela,
                                  report);
}

bool LinkController::allPartitions(int16_t pla, int16_t ela, std::vector<uint8_t>& partitions) {
    int32_t status = 0;
    return clink::GetAllPartitions(program_.platform, program_.connection.CurrentLink, pla, ela,
                                   partitions, clink::flags::Normal, status);
}

bool LinkController::partAttr(int16_t pla, int16_t ela, uint8_t partition, int16_t attribute,
                              int32_t& value) {
    int32_t status = 0;
    return clink::GetPartAttrH(program_.platform, program_.connection.CurrentLink, pla, ela,
                               partition, attribute, value, clink::flags::Normal, status);
}

bool LinkController::setPartAttr(int16_t pla, int16_t ela, uint8_t partition, int16_t attribute,
                                 int32_t value) {
    int32_t status = 0;
    return clink::SetPartAttrH(program_.platform, program_.connection.CurrentLink, pla, ela,
                               partition, attribute, value, clink::flags::Normal, status);
}

bool LinkController::partText(int16_t pla, int16_t ela, uint8_t partition, int16_t attribute,
                              std::string& text) {
    int32_t status = 0;
    return clink::GetPartStringAttr(program_.platform, program_.connection.CurrentLink, pla, ela,
                                    partition, attribute, text, clink::flags::Normal, status);
}

bool LinkController::setPartText(int16_t pla, int16_t ela, uint8_t partition, int16_t attribute,
                                 const std::string& text) {
    int32_t status = 0;
    return clink::SetPartStringAttr(program_.platform, program_.connection.CurrentLink, pla, ela,
                                    partition, attribute, text, clink::flags::Normal, status);
}

// The controller's own variables (QSystem.FlashMemTot, QServices.Http...) have the places of
// the system variable table on every controller. Without a selected revision there is no
// naming library to look them up in: the command line's partition commands have none.
namespace {
const sysvars::Variable* systemVariable(program::Program& program, const std::string& name) {
    clink::ResolvedVar resolved;
    if (clink::ResolveVarName(program, name, resolved)) return nullptr;
    const sysvars::Variable* v = sysvars::findByName(name);
    return v != nullptr && v->kind == 1 ? v : nullptr;
}
}  // namespace

bool LinkController::readNumber(int16_t pla, int16_t ela, const std::string& name, int32_t& value) {
    clink::VarValue read;
    int32_t status = 0;
    if (const sysvars::Variable* v = systemVariable(program_, name)) {
        const auto f = static_cast<int16_t>(v->file);
        const int32_t link = program_.connection.CurrentLink;
        kvxglib::Library& glib = program_.platform.glib;
        const auto label = text::toWide(name);
        int16_t small = 0;
        switch (v->type) {
            case wire::VarType::Long:
                return clink::ReadLong(glib, link, pla, ela, f, 0, v->index, value,
                                       clink::flags::Normal, status, label);
            case wire::VarType::Boolean:
            case wire::VarType::SmallInt:
            case wire::VarType::Int: {
                const auto read = v->type == wire::VarType::Boolean    ? clink::ReadBool
                                  : v->type == wire::VarType::SmallInt ? clink::ReadSmallInt
                                                                       : clink::ReadInt;
                if (!read(glib, link, pla, ela, f, 0, v->index, small, clink::flags::Normal, status,
                          label))
                    return false;
                value = small;
                return true;
            }
            default:
                return false;
        }
    }
    if (!clink::ReadVar(program_, pla, ela, name, read, clink::flags::Normal, status)) return false;
    if (const auto* small = std::get_if<int16_t>(&read)) {
        value = *small;
        return true;
    }
    if (const auto* large = std::get_if<int32_t>(&read)) {
        value = *large;
        return true;
    }
    return false;  // a text or a real where a number was expected
}

bool LinkController::writeNumber(int16_t pla, int16_t ela, const std::string& name, int32_t value) {
    int32_t status = 0;
    if (const sysvars::Variable* v = systemVariable(program_, name)) {
        const auto f = static_cast<int16_t>(v->file);
        const int32_t link = program_.connection.CurrentLink;
        kvxglib::Library& glib = program_.platform.glib;
        switch (v->type) {
            case wire::VarType::Long:
                return clink::WriteLong(glib, link, pla, ela, f, 0, v->index, value,
                                        clink::flags::Normal, status, {});
            case wire::VarType::Boolean:
                return clink::WriteBool(glib, link, pla, ela, f, 0, v->index,
                                        static_cast<int16_t>(value != 0 ? -1 : 0),
                                        clink::flags::Normal, status, {});
            case wire::VarType::SmallInt:
                return clink::WriteSmallInt(glib, link, pla, ela, f, 0, v->index,
                                            static_cast<int16_t>(value), clink::flags::Normal,
                                            status, {});
            case wire::VarType::Int:
                return clink::WriteInt(glib, link, pla, ela, f, 0, v->index,
                                       static_cast<int16_t>(value), clink::flags::Normal, status,
                                       {});
            default:
                return false;
        }
    }
    return clink::WriteVar(program_, pla, ela, name, clink::VarValue(value), clink::flags::Normal,
                           status);
}

bool LinkController::readSystemSmallInt(int16_t pla, int16_t ela, int32_t index, int16_t& value,
                                        const std::string& label) {
    int32_t status = 0;
    return clink::ReadSmallInt(program_.platform.glib, program_.connection.CurrentLink, pla, ela,
                               SystemFile, 0, index, value, clink::flags::Normal, status,
                               text::toWide(label));
}

bool LinkController::readSystemInt(int16_t pla, int16_t ela, int32_t index, int16_t& value,
                                   const std::string& label) {
    int32_t status = 0;
    return clink::ReadInt(program_.platform.glib, program_.connection.CurrentLink, pla, ela,
                          SystemFile, 0, index, value, clink::flags::Normal, status,
                          text::toWide(label));
}

bool LinkController::writeSystemSmallInt(int16_t pla, int16_t ela, int32_t index, int16_t value) {
    int32_t status = 0;
    return clink::WriteSmallInt(program_.platform.glib, program_.connection.CurrentLink, pla, ela,
                                SystemFile, 0, index, value, clink::flags::Normal, status, {});
}

}  // namespace load

namespace load {

Controller& ControllerOf(program::Program& program) {
    if (!program.load.controller)
        program.load.controller = std::make_unique<LinkController>(program);
    return *program.load.controller;
}

}  // namespace load
