#pragma once
// The confirmation before a web-site load or a TCP/IP option reload, as a presentation model.
// Its OK button does the option reload itself on controllers without KVXreal C.
#include <map>
#include <string>

#include "platform/ui/Controls.h"
#include "platform/ui/FormHost.h"

namespace program {
struct Program;
}

namespace load {

class FormReloadTCPIP final : public ui::Form {
  public:
    explicit FormReloadTCPIP(program::Program& program);
    std::string formName() const override { return "FormReloadTCPIP"; }

    // ---- controls ----
    std::string Caption = "Reload TCP/IP Option";
    ui::Control GenLabel;
    std::map<int, ui::Control> StepLabel;  // a control array with elements 0 and 1
    ui::Control OKButton;
    ui::Control CancelButton;

    bool Result = false;
    bool Reloaded = false;  // OK reloaded the TCP/IP option and the port took it

    // Shows the dialog modally; true when the user pressed OK.
    bool ShowDlg();

    // ---- event handlers ----
    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();
    void Form_KeyPress(int keyAscii);

  private:
    program::Program& program_;
    bool running_ = false;  // OK's reload is under way
};

}  // namespace load
