#include "link/FormSearchModules.h"

#include "app/Program.h"
#include "catalogue/LibraryText.h"
#include "catalogue/Texts.h"
#include "link/ByName.h"
#include "link/ControllerServices.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"

namespace clink {
namespace {

constexpr int Escape = 27;
constexpr int16_t SystemFile = 241;

}  // namespace

FormSearchModules::FormSearchModules(app::Program& program, ui::FormHost& host)
    : program_(program), host_(host) {}

std::string FormSearchModules::text(int32_t number) const {
    return catalogue::GetText(program_.platform.glib, number);
}

void FormSearchModules::Form_Load() {
    Caption = text(640);
    ActionButton.caption = text(641);
    CloseButton.caption = text(643);
    ParamListLabel.caption.clear();
}

bool FormSearchModules::ShowDlg() {
    const int w = ParamListWidthTwips;
    ParamList.columns = {{text(633), w / 6}, {text(634), w / 6}, {text(646), w / 5},
                         {text(647), w / 5}};
    host_.showModal(*this);
    return true;
}

void FormSearchModules::ActionButton_Click() {
    if (!CloseButton.enabled) {
        StopFlag = true;  // the running search stops after its current probe
        return;
    }
    CloseButton.enabled = false;
    ActionButton.caption = text(642);
    RunModuleSearch();
    CloseButton.enabled = true;
    ActionButton.caption = text(641);
}

void FormSearchModules::CloseButton_Click() {
    Visible = false;
    host_.hide(*this);
}

void FormSearchModules::Form_KeyPress(int keyAscii) {
    if (keyAscii != Escape) return;
    if (CloseButton.enabled) {
        CloseButton_Click();
    } else {
        ActionButton_Click();
    }
}

bool FormSearchModules::Form_QueryUnload() {
    if (!CloseButton.enabled) return false;
    CloseButton_Click();
    return true;
}

void FormSearchModules::RunModuleSearch() {
    StopFlag = false;
    ParamList.clear();
    ui::Screen& screen = program_.platform.screen;
    bool found = ProbeAddress(254, 30);
    if (!found) {
        screen.processEvents();
        found = ProbeAddress(254, 254);
    }
    if (!found) {
        screen.processEvents();
        found = ProbeAndReadAddress(255, 31);
    }
    if (!found) {
        screen.processEvents();
        found = ProbeAndReadAddress(255, 30);
    }
    if (!found) {
        screen.processEvents();
        for (int16_t ela = 1; ela <= 255 && !StopFlag; ++ela) {
            for (int16_t pla = 1; pla <= 254; ++pla) {
                ProbeAddress(pla, ela);
                screen.processEvents();
                if (StopFlag) break;
            }
        }
    }
    ParamListLabel.caption = text(645);
}

void FormSearchModules::showProgress(int16_t pla, int16_t ela) {
    ParamListLabel.caption = catalogue::ReplacePlaceholders(
        text(644), {"@PLA", std::to_string(pla), "@ELA", std::to_string(ela)});
}

bool FormSearchModules::ProbeAddress(int16_t pla, int16_t ela) {
    showProgress(pla, ela);
    return PollController(program_, pla, ela) && AddModuleIfFound(pla, ela);
}

bool FormSearchModules::ProbeAndReadAddress(int16_t pla, int16_t ela) {
    showProgress(pla, ela);
    if (!PollController(program_, pla, ela)) return false;
    kvxglib::Library& glib = program_.platform.glib;
    const int32_t link = program_.connection.CurrentLink;
    int16_t ownPla = 0;
    int16_t ownEla = 0;
    int32_t status = 0;
    if (!ReadSmallInt(glib, link, pla, ela, SystemFile, 0, 1, ownEla, flags::Normal, status, {}))
        return false;
    status = 0;
    if (!ReadSmallInt(glib, link, pla, ela, SystemFile, 0, 0, ownPla, flags::Normal, status, {}))
        return false;
    return AddModuleIfFound(ownPla, ownEla);
}

bool FormSearchModules::AddModuleIfFound(int16_t pla, int16_t ela) {
    int16_t type = 0;
    if (!ReadModuleType(program_, pla, ela, type)) return false;
    kvxglib::Library& glib = program_.platform.glib;
    const std::string typeName =
        catalogue::TextFromPointer(glib, glib.ModelName(std::to_string(type)));
    ParamList.items.push_back({std::to_string(pla), {std::to_string(ela), typeName, "-"}});
    return true;
}

}  // namespace clink
