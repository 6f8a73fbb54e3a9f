#pragma once
// The dialog that asks for a controller's new address, as a presentation model.
#include <cstdint>
#include <string>

#include "platform/ui/Controls.h"
#include "platform/ui/FormHost.h"

namespace load {

class FormChangeAddr final : public ui::Form {
  public:
    explicit FormChangeAddr(ui::FormHost& host);
    std::string formName() const override { return "FormChangeAddr"; }

    // ---- controls ----
    std::string Caption = "Change Controller Address";
    ui::Control CurAddrFrame;
    ui::Control CurPlaLabel;
    ui::Control CurElaLabel;
    ui::TextBox CurPlaText;
    ui::TextBox CurElaText;
    ui::Control NewAddrFrame;
    ui::Control NewPlaLabel;
    ui::Control NewElaLabel;
    ui::TextBox NewPlaText;
    ui::TextBox NewElaText;
    ui::Control OKButton;
    ui::Control CancelButton;

    // ---- public members ----
    int16_t CurPla = 0;
    int16_t CurEla = 0;
    int16_t NewPla = 0;
    int16_t NewEla = 0;
    bool Result = false;

    // Fills the current address boxes, shows the dialog modally and returns the result.
    bool ShowDlg();

    // ---- event handlers ----
    void OKButton_Click();
    void CancelButton_Click();
    void Form_KeyPress(int keyAscii);

  private:
    ui::FormHost& host_;
};

}  // namespace load
