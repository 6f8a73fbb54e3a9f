#pragma once
// The "Communication Settings" dialog as a presentation model: the choice between the serial
// link and a TCP/IP controller, the ways to find and set up either, and the OK sequence that
// connects to the chosen controller and fills the main window.
#include <memory>
#include <string>

#include "network/ComChecks.h"
#include "program/TcpCfg.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FormHost.h"
#include "program/Connection.h"
#include "program/CurrentController.h"

namespace program {
struct Program;
}

namespace network {

class FormComSettings final : public ui::Form {
  public:
    // `checks` null: the real link services.
    explicit FormComSettings(program::Program& program, ComChecks* checks = nullptr);
    std::string formName() const override { return "FormComSettings"; }

    // ---- controls ----
    std::string Caption = "Communication Settings";
    bool Visible = true;
    bool Enabled = true;
    ui::OptionButton rbUseSerial, rbUseTCP;
    ui::Control FrameSerial, btnCom, btnSearchSerial;
    ui::Control FrameTCP;
    ui::Control LabelCurrentName, LabelCurrentSerialNo, LabelCurrentEthernet,
        LabelCurrentDescription;
    ui::TextBox CtrlCurrentName, CtrlCurrentSerialNo, CtrlCurrentEthernet, CtrlCurrentDescription;
    ui::Control btnSearchTCP, btnTCPSettings;
    // The module search through the chosen TCP/IP controller (a gateway to its bus).
    ui::Control btnSearchModules;
    ui::Control Image1;
    int Image1Picture = 1;  // the picture of ImageList32 that Image1 shows
    ui::Control CmdOk, CmdCancel;

    bool IsAirUnit = false;  // write before showing
    bool Result = false;

    // ---- event handlers ----
    void Form_Load();
    void rbUseSerial_Click();
    void rbUseTCP_Click();
    void btnCom_Click();
    void btnSearchSerial_Click();
    void btnSearchTCP_Click();
    void btnTCPSettings_Click();
    void btnSearchModules_Click();
    void CmdOk_Click();
    void CmdCancel_Click();

    // ---- public operations ----
    bool ShowDlg(ui::FormHost& owner);
    void SetParams();
    void SetImages();
    void SetUIState();
    void saveTCPIPsettings();
    void CmdSetup();

  private:
    // The OK sequence's TCP/IP part: true when a link to the chosen controller is open.
    bool connectChosenController();
    void noLinkOpened(const std::string& why);
    void showOnMainWindow();
    void close(bool result);

    program::Program& program_;
    std::unique_ptr<ComChecks> ownChecks_;
    ComChecks& checks_;
    bool loading_ = false;
    bool useTcp_ = false;
    bool typedIn_ = false;  // the serial number field names a controller that was not chosen
    // What Cancel puts back.
    clink::Connection openedConnection_;
    CurrentController openedController_;
    TcpCfg openedSettings_;
    // The controller whose TCP/IP settings were written while the dialog was open: a Cancel
    // cannot take that back.
    std::string tcpIpWrittenTo_;
};

// Opens the dialog modally over the main window: mode 0 for a controller, 1 for an air unit.
// `checks` null: the real link services.
void OpenCommunicationSettings(program::Program& program, int mode, ComChecks* checks = nullptr);

}  // namespace network
