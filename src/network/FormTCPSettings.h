#pragma once
// The "TCP/IP Settings" dialog as a presentation model: the settings record on five tabs,
// stored back on OK (and written to a KVXreal C controller), with the set-up on "Load settings
// and close".
#include <array>
#include <map>
#include <string>
#include <vector>

#include "platform/ui/Controls.h"
#include "platform/ui/FormHost.h"
#include "platform/ui/TabControl.h"

namespace program {
struct Program;
}

namespace network {

class FormTCPSettings final : public ui::Form {
  public:
    explicit FormTCPSettings(program::Program& program);
    std::string formName() const override { return "FormTCPSettings"; }

    // ---- controls ----
    std::string Caption = "TCP/IP Settings";
    bool Visible = true;
    bool Enabled = true;
    std::string FocusTo;  // the control that takes the focus back, "" for none
    ui::TabControl CtrlTab;
    // General
    ui::Control FrameIPsettings;
    ui::OptionButton rbDHCP, rbIP;
    ui::Control LabelParaIPaddr, LabelParaSubnetMask, LabelParaDefGateway, LabelParaDNSServer;
    ui::TextBox tbIP, tbSub, tbGateway, tbDNS;
    std::map<int, ui::Control> LabelIPInfo, LabelDNS, LabelDNSName, LabelDNSInfo;
    ui::Control LabelDNSHostName, LabelDNSDomain;
    ui::TextBox tbHostName, tbDomain, tbDNSName;
    // Connection to Main Computer
    std::map<int, ui::Control> LabelIPSettings, LabelConnect, LabelDNSServers;
    ui::TextBox tbMainCompIP, tbDNSServer1, tbDNSserver2;
    // Security
    std::map<int, ui::Control> LabelRequirePassword, LabelSystemPassword, LabelLoginPasswords,
        LabelUserLogin;
    ui::CheckBox CtrlEncryptedCom;
    ui::TextBox CtrlEncryptedPass;
    std::map<int, ui::TextBox> CtrlWebUserPass;  // 1 guest, 2 operator, 3 service
    // E-mail
    std::map<int, ui::Control> LabelMailServer, LabelMailSenderAddress;
    ui::Control LabelMailServerAddress, LabelMailServerLoginName, LabelMailServerLoginPassword;
    ui::TextBox CtrlEmailServerAddress, CtrlEmailLoginName, CtrlEmailLoginPass,
        CtrlEmailSenderAddress;
    // Bacnet
    ui::CheckBox CtrlBACnetIPEnable;
    std::map<int, ui::Control> LabelBACnetIPUDPPort, LabelBACnetDeviceID;
    ui::Control LabelBACnetDeviceName;
    ui::TextBox CtrlBACnetIpUdpPortNumber, CtrlBACnetDeviceID, CtrlBACnetDeviceName;
    // Below the tabs and pictures
    ui::Control CmdOk, CmdCancel, btnSetup;
    std::map<int, ui::Control> Image;

    bool Result = false;
    bool SetupResult = false;  // what the last set-up reported
    // The settings the controller did not take at the last OK (the dialog said which).
    std::vector<std::string> WriteFailures;

    // ---- event handlers ----
    void Form_Load();
    void rbDHCP_Click();
    void rbIP_Click();
    void tbHostName_Change(const std::string& text);
    void tbDomain_Change(const std::string& text);
    void tbDNS_Change(const std::string& text);
    void tbDNSServer1_Change(const std::string& text);
    void CtrlEncryptedPass_Change(const std::string& text);
    void CtrlEncryptedPass_LostFocus();
    void CtrlWebUserPass_Change(int index, const std::string& text);
    void CtrlWebUserPass_LostFocus(int index);
    void CmdOk_Click();
    void btnSetup_Click();
    void CmdCancel_Click();

    // ---- public operations ----
    void SetParams();
    void SetUIState();
    void SetLanguage();
    void CmdSetup();

  private:
    // Reads the fields back into the record; false (with a message, nothing stored) when a
    // field holds what the controller cannot take.
    bool store();
    void readFromController();
    bool checkPasswords();
    bool checkLengths();
    // OK's write to a KVXreal C controller: false (with a message) when no controller answers
    // at its address, so nothing may be written; a write it did not take is reported.
    bool writeToController();
    void joinDnsName();
    std::vector<ui::Control*> webControls();
    std::vector<ui::Control*> emailControls();

    program::Program& program_;
    bool loading_ = false;
    bool encryptedPassEdited_ = false;
    std::map<int, bool> webPassEdited_;
    bool dnsFromGeneralTab_ = false;  // tbDNS was edited after tbDNSServer1
    // What SetParams showed of the settings that are written only when known or typed.
    std::array<std::string, 6> shownTexts_;
    std::string shownDeviceId_, shownUdpPort_;
    bool shownBACnetIpEnable_ = false;
};

}  // namespace network
