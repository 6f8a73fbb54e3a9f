#pragma once
// The module search dialog as a presentation model: it finds the controllers that answer on
// the current link and lists their address and module type. The search runs on the caller's
// thread and lets window events through between probes, which is how Stop and Escape reach it.
#include <cstdint>
#include <string>

#include "platform/ui/Controls.h"
#include "platform/ui/FormHost.h"

namespace program {
struct Program;
}

namespace clink {

// The type and information columns of a row for an address that two stations claim.
inline constexpr const char* ClashTypeText = "?";
inline constexpr const char* ClashInformation =
    "Two or more modules answer at this address: give each its own address.";

class FormSearchModules final : public ui::Form {
  public:
    FormSearchModules(program::Program& program, ui::FormHost& host);
    std::string formName() const override { return "FormSearchModules"; }

    // ---- controls ----
    std::string Caption;
    ui::ListView ParamList;
    ui::Control ParamListLabel;
    ui::Control ActionButton;
    ui::Control CloseButton;
    ui::Control BackgroundBox;
    bool Visible = true;
    // The list's width as laid out, which the column widths are taken from.
    int ParamListWidthTwips = 6600;

    // "Search all addresses": after the four local addresses, scan every address even when
    // one of them answered; a bus head answers at 255:30, which would otherwise end the search
    // with it alone. On unless the settings say otherwise; kept in the settings.
    ui::CheckBox CheckSearchAll;

    bool StopFlag = false;

    // Adds the column headers and shows the dialog modally; true.
    bool ShowDlg();

    // ---- event handlers ----
    void Form_Load();
    void Form_Unload() {}
    void ActionButton_Click();
    void CloseButton_Click();
    // After the box changed: its state goes into the settings.
    void CheckSearchAll_Click();
    void Form_KeyPress(int keyAscii);
    // The user asks to close the window; false refuses it (a search is running).
    bool Form_QueryUnload();

    void RunModuleSearch();

  private:
    bool ProbeAddress(int16_t pla, int16_t ela);
    bool ProbeAndReadAddress(int16_t pla, int16_t ela);
    bool AddModuleIfFound(int16_t pla, int16_t ela);
    // A row that names an address two stations claim; the search goes on past it.
    void addClash(int16_t pla, int16_t ela);
    // Whether a row names that address already.
    bool listed(int16_t pla, int16_t ela) const;
    void showProgress(int16_t pla, int16_t ela);
    // Text 645 and how many modules the list holds.
    std::string endText() const;
    std::string text(int32_t number) const;

    program::Program& program_;
    ui::FormHost& host_;
    std::string progressText_;  // text 644, with its placeholders
};

}  // namespace clink
