#include "gui/ComSettingsView.h"

#include "gui/ViewSetUp.h"
#include "network/FormComSettings.h"
#include "ui_FormComSettings.h"

namespace gui {
namespace {

using Form = network::FormComSettings;

const ButtonRow<Form> kButtons[] = {
    {"btnCom", &Form::btnCom, &Form::btnCom_Click},
    {"btnSearchSerial", &Form::btnSearchSerial, &Form::btnSearchSerial_Click},
    {"btnSearchTCP", &Form::btnSearchTCP, &Form::btnSearchTCP_Click},
    {"btnTCPSettings", &Form::btnTCPSettings, &Form::btnTCPSettings_Click},
    {"btnSearchModules", &Form::btnSearchModules, &Form::btnSearchModules_Click},
    {"CmdOk", &Form::CmdOk, &Form::CmdOk_Click},
    {"CmdCancel", &Form::CmdCancel, &Form::CmdCancel_Click},
};

const std::pair<const char*, ui::Control Form::*> kControls[] = {
    {"FrameSerial", &Form::FrameSerial},
    {"FrameTCP", &Form::FrameTCP},
    {"LabelCurrentName", &Form::LabelCurrentName},
    {"LabelCurrentSerialNo", &Form::LabelCurrentSerialNo},
    {"LabelCurrentEthernet", &Form::LabelCurrentEthernet},
    {"LabelCurrentDescription", &Form::LabelCurrentDescription},
    {"Image1", &Form::Image1},
};

const std::pair<const char*, ui::TextBox Form::*> kTextBoxes[] = {
    {"CtrlCurrentName", &Form::CtrlCurrentName},
    {"CtrlCurrentSerialNo", &Form::CtrlCurrentSerialNo},
    {"CtrlCurrentEthernet", &Form::CtrlCurrentEthernet},
    {"CtrlCurrentDescription", &Form::CtrlCurrentDescription},
};

}  // namespace

void comSettingsView(FormDialog& dialog, ui::Form& form) {
    auto& model = dynamic_cast<Form&>(form);
    auto& generated = setUp<Ui::FormComSettings>(dialog);
    // Picture 2 of the image list is the air unit's, picture 1 the controller's.
    setPicture(*generated.Image1,
               model.Image1Picture == 2 ? QStyle::SP_DriveNetIcon : QStyle::SP_ComputerIcon);
    Binder& b = dialog.binder();
    b.title(model.Caption);
    b.shown(model.Visible, &model.Enabled);
    b.optionButton("rbUseTCP", model.rbUseTCP, [&model] { model.rbUseTCP_Click(); });
    b.optionButton("rbUseSerial", model.rbUseSerial, [&model] { model.rbUseSerial_Click(); });
    for (const auto& [name, control] : kControls) b.control(name, model.*control);
    for (const auto& [name, box] : kTextBoxes) b.textBox(name, model.*box);
    bindButtons(b, model, kButtons);
    dialog.onReject([&model] { model.CmdCancel_Click(); });
}

}  // namespace gui
