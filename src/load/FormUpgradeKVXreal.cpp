#include "load/FormUpgradeKVXreal.h"

#include "catalogue/Texts.h"

namespace load {
namespace {
constexpr int Escape = 27;
constexpr int32_t kCaption = 930;
constexpr int32_t kGeneral = 931;
constexpr int32_t kStepsBase = 932;  // step n reads text 932 + n
constexpr int32_t kOk = 256;
constexpr int32_t kCancel = 257;
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
    Caption = catalogue::GetText(glib_, kCaption);
    GenLabel.caption = catalogue::GetText(glib_, kGeneral);
    for (auto& [index, label] : StepLabel) label.caption = catalogue::GetText(glib_, kStepsBase + index);
    OKButton.caption = catalogue::GetText(glib_, kOk);
    CancelButton.caption = catalogue::GetText(glib_, kCancel);
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
