#include "load/FormReloadTCPIP.h"

#include "app/Program.h"
#include "catalogue/Texts.h"
#include "load/TcpIpOptionReload.h"
#include "platform/ui/Screen.h"

namespace load {
namespace {
constexpr int kEscape = 27;
constexpr int32_t kCaption = 783;
constexpr int32_t kGeneral = 784;
constexpr int32_t kStepsBase = 785;  // step n reads text 785 + n
constexpr int32_t kOk = 256;
constexpr int32_t kCancel = 257;
}  // namespace

FormReloadTCPIP::FormReloadTCPIP(app::Program& program) : program_(program) {
    GenLabel.caption =
        "You are about to reload the TCP/IP option in the controller. The following steps will "
        "be carried out:";
    StepLabel[0].caption = "1) Compiles a new image file ";
    StepLabel[1].caption = "2) Download the image file to the controller.";
    OKButton.caption = "OK";
    CancelButton.caption = "Cancel";
}

bool FormReloadTCPIP::ShowDlg() {
    Form_Load();
    FormsOf(program_).showModal(*this);
    return Result;
}

void FormReloadTCPIP::Form_Load() {
    kvxglib::Library& glib = program_.platform.glib;
    Caption = catalogue::GetText(glib, kCaption);
    GenLabel.caption = catalogue::GetText(glib, kGeneral);
    for (auto& [index, label] : StepLabel)
        label.caption = catalogue::GetText(glib, kStepsBase + index);
    OKButton.caption = catalogue::GetText(glib, kOk);
    CancelButton.caption = catalogue::GetText(glib, kCancel);
}

void FormReloadTCPIP::OKButton_Click() {
    Result = true;
    {
        ui::HourglassScope hourglass(program_.platform.screen);
        program_.platform.glib.CompileImageFile();  // nothing to compile: images ship built
        if (program_.connection.ControllerOsKind != "C") Reloaded = ReloadTcpIpOption(program_);
    }
    FormsOf(program_).hide(*this);
}

void FormReloadTCPIP::CancelButton_Click() {
    Result = false;
    FormsOf(program_).hide(*this);
}

void FormReloadTCPIP::Form_KeyPress(int keyAscii) {
    if (keyAscii == kEscape) CancelButton_Click();
}

}  // namespace load
