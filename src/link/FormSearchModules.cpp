#include "link/FormSearchModules.h"

#include "catalogue/LibraryText.h"
#include "catalogue/Paths.h"
#include "catalogue/Texts.h"
#include "link/ByName.h"
#include "link/ControllerServices.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "platform/comm/StatusWord.h"
#include "platform/wire/ReplyCode.h"
#include "program/Program.h"

namespace clink {
namespace {

constexpr int Escape = 27;
constexpr const char* SearchAllSetting = "SearchAllAddresses";
constexpr int16_t SystemFile = 241;
// The link says two stations claim the polled address; neither can be read as one module.
constexpr int32_t AddressClash = comm::statusWord(wire::code(wire::ReplyCode::AddressClash), 0);

}  // namespace

FormSearchModules::FormSearchModules(program::Program& program, ui::FormHost& host)
    : program_(program), host_(host) {}

std::string FormSearchModules::text(int32_t number) const {
    return catalogue::GetText(program_.platform.glib, number);
}

void FormSearchModules::Form_Load() {
    Caption = text(640);
    ActionButton.caption = text(641);
    CloseButton.caption = text(643);
    ParamListLabel.caption.clear();
    CheckSearchAll.caption = "Search all addresses";
    CheckSearchAll.value =
        catalogue::ReadKvxmaticSetting(program_.platform.glib, SearchAllSetting, "1") != "0";
}

bool FormSearchModules::ShowDlg() {
    const int w = ParamListWidthTwips;
    ParamList.columns = {
        {text(633), w / 6}, {text(634), w / 6}, {text(646), w / 5}, {text(647), w / 5}};
    host_.showModal(*this);
    return true;
}

void FormSearchModules::ActionButton_Click() {
    if (!CloseButton.enabled) {
        StopFlag = true;  // the running search stops after its current probe
        return;
    }
    CloseButton.enabled = false;
    CheckSearchAll.enabled = false;
    ActionButton.caption = text(642);
    RunModuleSearch();
    CloseButton.enabled = true;
    CheckSearchAll.enabled = true;
    ActionButton.caption = text(641);
}

void FormSearchModules::CheckSearchAll_Click() {
    catalogue::WriteKvxmaticSetting(program_.platform.glib, SearchAllSetting,
                                    CheckSearchAll.value ? "1" : "0");
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
    progressText_ = text(644);  // read once: a full scan shows it 64,774 times
    ui::Screen& screen = program_.platform.screen;
    // The well-known addresses, in order, until one answers. At 255:31 and 255:30 a controller
    // answers whatever its own address, so its row takes the address it reports.
    const struct {
        int16_t pla;
        int16_t ela;
        bool readOwnAddress;
    } local[] = {{254, 254, false}, {255, 31, true}, {255, 30, true}};
    bool found = ProbeAddress(254, 30);
    for (const auto& at : local) {
        if (found && !CheckSearchAll.value) break;
        screen.processEvents();
        const bool answered =
            at.readOwnAddress ? ProbeAndReadAddress(at.pla, at.ela) : ProbeAddress(at.pla, at.ela);
        found = found || answered;
    }
    if (!found || CheckSearchAll.value) {
        screen.processEvents();
        for (int16_t ela = 1; ela <= 255 && !StopFlag; ++ela) {
            for (int16_t pla = 1; pla <= 254; ++pla) {
                ProbeAddress(pla, ela);
                screen.processEvents();
                if (StopFlag) break;
            }
        }
    }
    ParamListLabel.caption = endText();
}

std::string FormSearchModules::endText() const {
    std::size_t modules = 0;
    std::size_t clashes = 0;
    for (const auto& item : ParamList.items)
        ++(item.subItems.size() > 1 && item.subItems[1] == ClashTypeText ? clashes : modules);
    std::string line = text(645) + " " +
                       (modules == 0   ? std::string("No module found.")
                        : modules == 1 ? std::string("1 module found.")
                                       : std::to_string(modules) + " modules found.");
    if (clashes == 1) line += " At 1 address two or more modules answer.";
    if (clashes > 1)
        line += " At " + std::to_string(clashes) + " addresses two or more modules answer.";
    return line;
}

void FormSearchModules::showProgress(int16_t pla, int16_t ela) {
    ParamListLabel.caption = catalogue::ReplacePlaceholders(
        progressText_, {"@PLA", std::to_string(pla), "@ELA", std::to_string(ela)});
}

bool FormSearchModules::ProbeAddress(int16_t pla, int16_t ela) {
    showProgress(pla, ela);
    int32_t status = 0;
    std::vector<uint8_t> reply;
    if (PollController(program_, pla, ela, status, reply)) return AddModuleIfFound(pla, ela);
    if (status == AddressClash) addClash(pla, ela);
    return false;
}

void FormSearchModules::addClash(int16_t pla, int16_t ela) {
    if (listed(pla, ela)) return;
    ParamList.items.push_back(
        {std::to_string(pla), {std::to_string(ela), ClashTypeText, ClashInformation}});
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

bool FormSearchModules::listed(int16_t pla, int16_t ela) const {
    for (const auto& item : ParamList.items)
        if (item.text == std::to_string(pla) && item.subItems.at(0) == std::to_string(ela))
            return true;
    return false;
}

bool FormSearchModules::AddModuleIfFound(int16_t pla, int16_t ela) {
    int16_t type = 0;
    if (!ReadModuleType(program_, pla, ela, type)) return false;
    if (listed(pla, ela)) return true;  // found again by a whole scan
    kvxglib::Library& glib = program_.platform.glib;
    const std::string typeName =
        catalogue::TextFromPointer(glib, glib.ModelName(std::to_string(type)));
    ParamList.items.push_back({std::to_string(pla), {std::to_string(ela), typeName, "-"}});
    return true;
}

}  // namespace clink
