#include "link/Module.h"

#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/Texts.h"
#include "link/ByName.h"
#include "link/ChangeModuleAddress.h"
#include "link/ControllerServices.h"
#include "link/LinkFlags.h"
#include "link/LinkNotice.h"

namespace clink {
namespace {
constexpr int32_t kPlaOutOfRange = 635;
constexpr int32_t kElaOutOfRange = 636;
constexpr int32_t kAddressTaken = 637;
constexpr int32_t kFilesWillChange = 638;
}  // namespace

void Module::Init() {}

void Module::IsAddrValid(int16_t pla, int16_t ela, bool& result) {
    kvxglib::Library& glib = program_.platform.glib;
    result = false;
    if (pla < 1 || pla > 254) {
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kPlaOutOfRange));
    } else if (ela < 1 || ela > 255) {
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kElaOutOfRange));
    } else {
        result = true;
    }
}

void Module::ChangeModuleAddr(int16_t oldPla, int16_t oldEla, int16_t newPla, int16_t newEla,
                              bool& result) {
    kvxglib::Library& glib = program_.platform.glib;
    result = true;
    if (newPla == oldPla && newEla == oldEla) return;
    IsAddrValid(oldPla, oldEla, result);
    if (!result) return;
    ChangeModuleAddress(program_, oldPla, oldEla);
    IsAddrValid(newPla, newEla, result);
    if (!result) return;
    if (PollController(program_, newPla, newEla)) {
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kAddressTaken));
        result = false;
        return;
    }
    // A notice with an OK button only; the answer changes nothing.
    glib.AskQuestion(catalogue::GetText(glib, kFilesWillChange), 2, "", 0);
    result = ChangeModuleAddress(program_, newPla, newEla);
}

void Module::ReadVarByName(const std::string& name, VarValue& value, int32_t flags, bool& result) {
    const clink::Connection& c = program_.connection;
    int32_t status = 0;
    result = ReadVar(program_, c.CurrentPLA, c.CurrentELA, name, value, flags::Normal, status);
    ReportResult(result, flags);
}

void Module::WriteVarByName(const std::string& name, const VarValue& value, int32_t flags,
                            bool& result) {
    const clink::Connection& c = program_.connection;
    int32_t status = 0;
    result = WriteVar(program_, c.CurrentPLA, c.CurrentELA, name, value, flags::Normal, status);
    ReportResult(result, flags);
}

void Module::WriteVarsByName(const std::string& firstName, const VarValue& firstValue,
                             const std::string& secondName, const VarValue& secondValue,
                             int32_t flags, bool& result) {
    const clink::Connection& c = program_.connection;
    int32_t status = 0;
    result = WriteVars(program_, c.CurrentPLA, c.CurrentELA, firstName, firstValue, secondName,
                       secondValue, flags::Normal, status);
    ReportResult(result, flags);
}

void Module::Poll(bool& result) {
    const clink::Connection& c = program_.connection;
    result = PollController(program_, c.CurrentPLA, c.CurrentELA);
}

void Module::ReportResult(bool result, int32_t flags) {
    if (result == lastResult_) return;
    lastResult_ = result;
    NoticeLinkResult(program_, result, flags);
}

}  // namespace clink
