#include "load/FormReloadTCPIP.h"

#include "program/Program.h"
#include "load/ConfirmationTexts.h"
#include "load/TcpIpOptionReload.h"
#include "platform/ui/Screen.h"

namespace load {
namespace {
constexpr int kEscape = 27;
constexpr ConfirmationTexts kTexts{783, 784, 785};
// A KVXreal C controller takes a web site into a partition: nothing of its TCP/IP option
// is reloaded, and the question says what does happen.
constexpr ConfirmationTexts kWebSiteTexts{954, 956, 957};
}  // namespace

FormReloadTCPIP::FormReloadTCPIP(program::Program& program) : program_(program) {
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
    const bool webSite = program_.connection.ControllerOsKind == "C";
    LoadConfirmationTexts(program_.platform.glib, webSite ? kWebSiteTexts : kTexts, Caption,
                          GenLabel, StepLabel, OKButton, CancelButton);
}

void FormReloadTCPIP::OKButton_Click() {
    // The reload pumps window events while the image travels: a second OK would start a second
    // transfer over the same link, Cancel would close the dialog under the running one.
    if (running_) return;
    struct Running {
        FormReloadTCPIP& form;
        explicit Running(FormReloadTCPIP& f) : form(f) {
            form.running_ = true;
            form.OKButton.enabled = false;
            form.CancelButton.enabled = false;
        }
        ~Running() {
            form.running_ = false;
            form.OKButton.enabled = true;
            form.CancelButton.enabled = true;
        }
    };
    Result = true;
    {
        Running running(*this);
        ui::HourglassScope hourglass(program_.platform.screen);
        program_.platform.glib.CompileImageFile();  // nothing to compile: images ship built
        if (program_.connection.ControllerOsKind != "C") Reloaded = ReloadTcpIpOption(program_);
    }
    FormsOf(program_).hide(*this);
}

void FormReloadTCPIP::CancelButton_Click() {
    if (running_) return;
    Result = false;
    FormsOf(program_).hide(*this);
}

void FormReloadTCPIP::Form_KeyPress(int keyAscii) {
    if (keyAscii == kEscape) CancelButton_Click();
}

}  // namespace load
