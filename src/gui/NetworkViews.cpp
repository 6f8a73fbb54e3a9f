#include "gui/NetworkViews.h"

#include "gui/ViewSetUp.h"
#include "network/FormSearchTCP.h"
#include "network/FormTCPSettings.h"
#include "ui_FormSearchTCP.h"
#include "ui_FormTCPSettings.h"

namespace gui {
namespace {

using network::FormSearchTCP;
using network::FormTCPSettings;
using Settings = FormTCPSettings;

constexpr int kControllerIcon = 1;

const ButtonRow<FormSearchTCP> kSearchButtons[] = {
    {"ButtonOk", &FormSearchTCP::ButtonOk, &FormSearchTCP::ButtonOk_Click},
    {"ButtonCancel", &FormSearchTCP::ButtonCancel, &FormSearchTCP::ButtonCancel_Click},
    {"ButtonRefresh", &FormSearchTCP::ButtonRefresh, &FormSearchTCP::ButtonRefresh_Click},
    {"ButtonFindMore", &FormSearchTCP::ButtonFindMore, &FormSearchTCP::ButtonFindMore_Click},
    {"btnUpgrade", &FormSearchTCP::btnUpgrade, &FormSearchTCP::btnUpgrade_Click},
};

const ButtonRow<Settings> kSettingsButtons[] = {
    {"CmdOk", &Settings::CmdOk, &Settings::CmdOk_Click},
    {"CmdCancel", &Settings::CmdCancel, &Settings::CmdCancel_Click},
    {"btnSetup", &Settings::btnSetup, &Settings::btnSetup_Click},
};

const std::pair<const char*, ui::Control Settings::*> kSettingsLabels[] = {
    {"FrameIPsettings", &Settings::FrameIPsettings},
    {"LabelParaIPaddr", &Settings::LabelParaIPaddr},
    {"LabelParaSubnetMask", &Settings::LabelParaSubnetMask},
    {"LabelParaDefGateway", &Settings::LabelParaDefGateway},
    {"LabelParaDNSServer", &Settings::LabelParaDNSServer},
    {"LabelDNSHostName", &Settings::LabelDNSHostName},
    {"LabelDNSDomain", &Settings::LabelDNSDomain},
    {"LabelMailServerAddress", &Settings::LabelMailServerAddress},
    {"LabelMailServerLoginName", &Settings::LabelMailServerLoginName},
    {"LabelMailServerLoginPassword", &Settings::LabelMailServerLoginPassword},
    {"LabelBACnetDeviceName", &Settings::LabelBACnetDeviceName},
};

// Label arrays; element i is the widget "<name>_<i>".
const std::pair<const char*, std::map<int, ui::Control> Settings::*> kSettingsLabelArrays[] = {
    {"LabelIPInfo", &Settings::LabelIPInfo},
    {"LabelDNS", &Settings::LabelDNS},
    {"LabelDNSName", &Settings::LabelDNSName},
    {"LabelDNSInfo", &Settings::LabelDNSInfo},
    {"LabelIPSettings", &Settings::LabelIPSettings},
    {"LabelConnect", &Settings::LabelConnect},
    {"LabelDNSServers", &Settings::LabelDNSServers},
    {"LabelRequirePassword", &Settings::LabelRequirePassword},
    {"LabelSystemPassword", &Settings::LabelSystemPassword},
    {"LabelLoginPasswords", &Settings::LabelLoginPasswords},
    {"LabelUserLogin", &Settings::LabelUserLogin},
    {"LabelMailServer", &Settings::LabelMailServer},
    {"LabelMailSenderAddress", &Settings::LabelMailSenderAddress},
    {"LabelBACnetIPUDPPort", &Settings::LabelBACnetIPUDPPort},
    {"LabelBACnetDeviceID", &Settings::LabelBACnetDeviceID},
    {"Image", &Settings::Image},
};

// Text boxes whose edits go straight into the model.
const std::pair<const char*, ui::TextBox Settings::*> kSettingsTextBoxes[] = {
    {"tbIP", &Settings::tbIP},
    {"tbSub", &Settings::tbSub},
    {"tbGateway", &Settings::tbGateway},
    {"tbDNSName", &Settings::tbDNSName},
    {"tbMainCompIP", &Settings::tbMainCompIP},
    {"tbDNSserver2", &Settings::tbDNSserver2},
    {"CtrlEmailServerAddress", &Settings::CtrlEmailServerAddress},
    {"CtrlEmailLoginName", &Settings::CtrlEmailLoginName},
    {"CtrlEmailLoginPass", &Settings::CtrlEmailLoginPass},
    {"CtrlEmailSenderAddress", &Settings::CtrlEmailSenderAddress},
    {"CtrlBACnetIpUdpPortNumber", &Settings::CtrlBACnetIpUdpPortNumber},
    {"CtrlBACnetDeviceID", &Settings::CtrlBACnetDeviceID},
    {"CtrlBACnetDeviceName", &Settings::CtrlBACnetDeviceName},
};

// Text boxes whose edits go to a change handler.
struct ChangeRow {
    const char* name;
    ui::TextBox Settings::*model;
    void (Settings::*change)(const std::string&);
};
const ChangeRow kSettingsChanges[] = {
    {"tbHostName", &Settings::tbHostName, &Settings::tbHostName_Change},
    {"tbDomain", &Settings::tbDomain, &Settings::tbDomain_Change},
    {"tbDNS", &Settings::tbDNS, &Settings::tbDNS_Change},
    {"tbDNSServer1", &Settings::tbDNSServer1, &Settings::tbDNSServer1_Change},
};

const std::pair<int, QStyle::StandardPixmap> kSettingsPictures[] = {
    {2, QStyle::SP_DriveNetIcon},          {3, QStyle::SP_ComputerIcon},
    {4, QStyle::SP_MessageBoxWarning},     {5, QStyle::SP_DirHomeIcon},
    {6, QStyle::SP_FileDialogContentsView}, {7, QStyle::SP_FileDialogInfoView},
    {13, QStyle::SP_DriveNetIcon},         {14, QStyle::SP_DriveNetIcon},
};

void bindPasswords(Binder& b, Settings& model) {
    b.textBox(
        "CtrlEncryptedPass", model.CtrlEncryptedPass,
        [&model](const std::string& text) { model.CtrlEncryptedPass_Change(text); },
        [&model] { model.CtrlEncryptedPass_LostFocus(); });
    for (auto& [index, box] : model.CtrlWebUserPass) {
        b.textBox(
            "CtrlWebUserPass_" + QString::number(index), box,
            [&model, i = index](const std::string& text) { model.CtrlWebUserPass_Change(i, text); },
            [&model, i = index] { model.CtrlWebUserPass_LostFocus(i); });
    }
}

}  // namespace

void searchTcpView(FormDialog& dialog, ui::Form& form) {
    auto& model = dynamic_cast<FormSearchTCP&>(form);
    setUp<Ui::FormSearchTCP>(dialog);
    Binder& b = dialog.binder();
    b.title(model.Caption);
    b.shown(model.Visible);
    const QIcon controller = dialog.style()->standardIcon(QStyle::SP_ComputerIcon);
    b.list(
        "CtrlList", model.CtrlList, [&model](int row) { model.CtrlList_ItemClick(row); },
        [controller](int icon) { return icon == kControllerIcon ? controller : QIcon(); });
    b.keyPress("CtrlList", [&model](int key) { model.CtrlList_KeyPress(key); });
    b.control("CtrlStatusLine", model.CtrlStatusLine);
    bindButtons(b, model, kSearchButtons);
    dialog.onReject([&model] { model.ButtonCancel_Click(); });
    dialog.onShown([&model] { model.Form_Activate(); });
}

void tcpSettingsView(FormDialog& dialog, ui::Form& form) {
    auto& model = dynamic_cast<Settings&>(form);
    auto& generated = setUp<Ui::FormTCPSettings>(dialog);
    for (const auto& [index, pixmap] : kSettingsPictures) {
        setPicture(*dialog.findChild<QLabel*>("Image_" + QString::number(index)), pixmap);
    }
    generated.tbDNSName->setBackgroundRole(QPalette::Window);  // filled from host and domain
    Binder& b = dialog.binder();
    b.title(model.Caption);
    b.shown(model.Visible, &model.Enabled);
    b.focus(model.FocusTo);
    b.tabControl("CtrlTab", model.CtrlTab);
    b.optionButton("rbDHCP", model.rbDHCP, [&model] { model.rbDHCP_Click(); });
    b.optionButton("rbIP", model.rbIP, [&model] { model.rbIP_Click(); });
    b.checkBox("CtrlEncryptedCom", model.CtrlEncryptedCom);
    b.checkBox("CtrlBACnetIPEnable", model.CtrlBACnetIPEnable);
    for (const auto& [name, control] : kSettingsLabels) b.control(name, model.*control);
    for (const auto& [name, array] : kSettingsLabelArrays) b.controlArray(name, model.*array);
    for (const auto& [name, box] : kSettingsTextBoxes) b.textBox(name, model.*box);
    for (const ChangeRow& row : kSettingsChanges) {
        b.textBox(row.name, model.*row.model,
                  [&model, change = row.change](const std::string& text) { (model.*change)(text); });
    }
    bindPasswords(b, model);
    bindButtons(b, model, kSettingsButtons);
    dialog.onReject([&model] { model.CmdCancel_Click(); });
}

}  // namespace gui
