#pragma once
// The question before an operating-system upgrade, as a presentation model.
#include <map>
#include <string>

#include "platform/kvxglib/Library.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FormHost.h"

namespace load {

class FormUpgradeKVXreal final : public ui::Form {
  public:
    FormUpgradeKVXreal(ui::FormHost& host, kvxglib::Library& glib);
    std::string formName() const override { return "FormUpgradeKVXreal"; }

    // ---- controls ----
    std::string Caption = "Upgrade operating system";
    ui::Control GenLabel;
    std::map<int, ui::Control> StepLabel;  // a control array with element 1
    ui::Control OKButton;
    ui::Control CancelButton;

    bool Result = false;
    // What the upgrade changes, versions from and to; shown after the general text.
    std::string Changes;

    // Shows the dialog modally; true when the user pressed OK.
    bool ShowDlg();

    // ---- event handlers ----
    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();
    void Form_KeyPress(int keyAscii);

  private:
    ui::FormHost& host_;
    kvxglib::Library& glib_;
};

}  // namespace load
