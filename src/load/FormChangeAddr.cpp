#include "load/FormChangeAddr.h"

#include "load/WholeNumber.h"

namespace load {
namespace {

ui::Control captioned(const std::string& caption) {
    ui::Control c;
    c.caption = caption;
    return c;
}

constexpr int Escape = 27;

}  // namespace

FormChangeAddr::FormChangeAddr(ui::FormHost& host) : host_(host) {
    CurAddrFrame = captioned("Current Address");
    CurPlaLabel = captioned("PLA");
    CurElaLabel = captioned("ELA");
    NewAddrFrame = captioned("New Address");
    NewPlaLabel = captioned("PLA");
    NewElaLabel = captioned("ELA");
    OKButton = captioned("OK");
    CancelButton = captioned("Cancel");
}

bool FormChangeAddr::ShowDlg() {
    CurPlaText.text = std::to_string(CurPla);
    CurElaText.text = std::to_string(CurEla);
    host_.showModal(*this);
    return Result;
}

void FormChangeAddr::OKButton_Click() {
    // A box that does not hold a whole number of 16 bits leaves its member as it was.
    const struct {
        const ui::TextBox& box;
        int16_t& member;
    } boxes[] = {{CurPlaText, CurPla}, {CurElaText, CurEla}, {NewPlaText, NewPla},
                 {NewElaText, NewEla}};
    for (const auto& b : boxes) {
        if (const auto value = WholeNumber16(b.box.text)) b.member = *value;
    }
    Result = true;
    host_.hide(*this);
}

void FormChangeAddr::CancelButton_Click() {
    Result = false;
    NewPla = CurPla;
    NewEla = CurEla;
    host_.hide(*this);
}

void FormChangeAddr::Form_KeyPress(int keyAscii) {
    if (keyAscii == Escape) CancelButton_Click();
}

}  // namespace load
