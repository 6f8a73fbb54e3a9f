#pragma once
// The "Search and Select" dialog as a presentation model: the controllers the finder finds,
// further addresses to search, and the choice of one (with the network password when it
// demands one).
#include <string>

#include "platform/ui/Controls.h"
#include "platform/ui/FormHost.h"

namespace program {
struct Program;
}

namespace network {

class FormSearchTCP final : public ui::Form {
  public:
    explicit FormSearchTCP(program::Program& program);
    std::string formName() const override { return "FormSearchTCP"; }

    // ---- controls ----
    std::string Caption = "Search and Select";
    ui::ListView CtrlList;
    ui::Control CtrlStatusLine;
    ui::Control ButtonOk;
    ui::Control ButtonCancel;
    ui::Control ButtonRefresh;
    ui::Control ButtonFindMore;
    ui::Control btnUpgrade;
    bool Visible = true;

    bool SearchOkFlg = false;

    // ---- event handlers ----
    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void CtrlList_ItemClick(int row);
    void CtrlList_KeyPress(int key);
    void ButtonOk_Click();
    void ButtonCancel_Click();
    void ButtonRefresh_Click() { CmdSearchRefreshTcpIp(); }
    void ButtonFindMore_Click() { CmdSearchFindMoreTcpIp(); }
    void btnUpgrade_Click();

    // ---- public operations ----
    void CmdSearchClose(bool mode);
    void CmdSearchOk();
    void CmdSearchDeactivate() {}
    void SetIpSettings() {}
    void CmdAutoFindTcpIp() {}
    void CmdSearchFindMoreTcpIp();
    void CmdSearchRefreshTcpIp();
    void AddTCPItems();
    void SetLanguage();

    // True while a search, a connection or an upgrade runs: the other commands wait.
    bool busy() const { return busy_; }

  private:
    class BusyScope;
    // ButtonOk and btnUpgrade as the dialog wants them; while busy they show disabled.
    void choiceButtons(bool ok, bool upgrade);
    void beginSearch(bool clear);
    void endSearch() { CtrlStatusLine.caption.clear(); }
    void addSearchAddress(const std::string& address, const std::string& mask);
    void tellSearchProblem();
    std::string selectedSerial() const;

    program::Program& program_;
    bool busy_ = false;
    bool okWanted_ = false, upgradeWanted_ = false;
};

}  // namespace network
