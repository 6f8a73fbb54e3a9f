#include "load/FormUpgradeKVXreal.h"

#include "load/ConfirmationTexts.h"

namespace load {
namespace {
constexpr int Escape = 27;
constexpr ConfirmationTexts kTexts{930, 931, 932};
}  // namespace

FormUpgradeKVXreal::FormUpgradeKVXreal(ui::FormHost& host, kvxglib::Library& glib)
    : host_(host), glib_(glib) {
    GenLabel.caption = "You are about to upgrade the operating system in the controller.";
    StepLabel[1].caption = "Downloading the new operating system to the controller.";
    OKButton.caption = "OK";
    CancelButton.caption = "Cancel";
}

bool FormUpgradeKVXreal::ShowDlg() {
    Form_Load();
    host_.showModal(*this);
    return Result;
}

void FormUpgradeKVXreal::Form_Load() {
    LoadConfirmationTexts(glib_, kTexts, Caption, GenLabel, StepLabel, OKButton, CancelButton);
    if (!Changes.empty()) GenLabel.caption += "\n" + Changes;
}

void FormUpgradeKVXreal::OKButton_Click() {
    Result = true;
    host_.hide(*this);
}

void FormUpgradeKVXreal::CancelButton_Click() {
    Result = false;
    host_.hide(*this);
}

void FormUpgradeKVXreal::Form_KeyPress(int keyAscii) {
    if (keyAscii == Escape) CancelButton_Click();
}

}  // namespace load
