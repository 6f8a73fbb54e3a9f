#include "gui/FormMainView.h"

#include <QStyle>

#include "app/Program.h"
#include "load/PartitionRows.h"
#include "ui_FormMain.h"

namespace gui {
namespace {

using app::FormMain;

struct ControlRow {
    const char* name;
    ui::Control FormMain::*model;
    void (FormMain::*click)();
};
struct ListRow {
    const char* name;
    ui::ListView FormMain::*model;
    void (FormMain::*itemClick)(int);
};
struct TextBoxRow {
    const char* name;
    ui::TextBox FormMain::*model;
};
struct MenuRow {
    const char* name;
    ui::MenuEntry FormMain::*model;
    void (FormMain::*click)();
};

const ControlRow kControls[] = {
    {"ButtonLoadProg", &FormMain::ButtonLoadProg, &FormMain::ButtonLoadProg_Click},
    {"ButtonLoadWeb", &FormMain::ButtonLoadWeb, &FormMain::ButtonLoadWeb_Click},
    {"COMPort", &FormMain::COMPort, &FormMain::COMPort_Click},
    {"BtnChangeAddress", &FormMain::BtnChangeAddress, &FormMain::BtnChangeAddress_Click},
    {"BtnReset", &FormMain::BtnReset, &FormMain::BtnReset_Click},
    {"BtnActivatePartition", &FormMain::BtnActivatePartition,
     &FormMain::BtnActivatePartition_Click},
    {"BtnAddPartition", &FormMain::BtnAddPartition, &FormMain::BtnAddPartition_Click},
    {"BtnRemovePartition", &FormMain::BtnRemovePartition, &FormMain::BtnRemovePartition_Click},
    {"Info", &FormMain::Info, &FormMain::Info_Click},
    {"LabelPartitionName", &FormMain::LabelPartitionName, nullptr},
    {"LabelPartitionSize", &FormMain::LabelPartitionSize, nullptr},
    {"Label1", &FormMain::Label1, nullptr},
    {"CtrlStatusLine", &FormMain::CtrlStatusLine, nullptr},
    {"ControllerLine", &FormMain::ControllerLine, nullptr},
};
const ListRow kLists[] = {
    {"CtrlModels", &FormMain::CtrlModels, &FormMain::CtrlModels_ItemClick},
    {"CtrlPrograms", &FormMain::CtrlPrograms, &FormMain::CtrlPrograms_ItemClick},
    {"CurrentController", &FormMain::CurrentController, nullptr},
    {"CtrlPartitions", &FormMain::CtrlPartitions, &FormMain::CtrlPartitions_ItemClick},
};
const TextBoxRow kTextBoxes[] = {
    {"CtrlPartitionName", &FormMain::CtrlPartitionName},
    {"CtrlPartitionSize", &FormMain::CtrlPartitionSize},
};
const MenuRow kMenus[] = {
    {"MenuHelp", &FormMain::MenuHelp, nullptr},
    {"MenuHelp1", &FormMain::MenuHelp1, &FormMain::MenuHelp1_Click},
    {"MenuDocumentation", &FormMain::MenuDocumentation, &FormMain::MenuDocumentation_Click},
    {"MenuRevision", &FormMain::MenuRevision, &FormMain::MenuRevision_Click},
    {"MenuSettings", &FormMain::MenuSettings, nullptr},
    {"SaveLoadSettings", &FormMain::SaveLoadSettings, &FormMain::SaveLoadSettings_Click},
    {"MenuAdvanced", &FormMain::MenuAdvanced, &FormMain::MenuAdvanced_Click},
};

// Icon 1 of ImageList1 marks the current revision.
constexpr int kCurrentRevisionIcon = 1;

}  // namespace

FormMainView::FormMainView(app::Program& program)
    : program_(program), ui_(std::make_unique<Ui::FormMain>()), binder_(*this, program) {
    ui_->setupUi(this);
    setIcons();
    bind();
    binder_.refresh();
}

FormMainView::~FormMainView() = default;

void FormMainView::bind() {
    FormMain& form = program_.formMain;
    binder_.window(form.Caption, form.HeightTwips);
    for (const ControlRow& row : kControls) {
        Binder::Handler click;
        if (row.click != nullptr) click = [&form, handler = row.click] { (form.*handler)(); };
        binder_.control(row.name, form.*row.model, click);
    }
    const QIcon currentRevision = style()->standardIcon(QStyle::SP_DialogApplyButton);
    for (const ListRow& row : kLists) {
        Binder::RowHandler itemClick;
        if (row.itemClick != nullptr) {
            itemClick = [&form, handler = row.itemClick](int index) { (form.*handler)(index); };
        }
        ImageList images;
        if (row.model == &FormMain::CtrlPrograms) {
            images = [currentRevision](int index) {
                return index == kCurrentRevisionIcon ? currentRevision : QIcon();
            };
        } else if (row.model == &FormMain::CtrlPartitions) {
            images = [currentRevision](int index) {
                return index == load::kActivePartitionIcon ? currentRevision : QIcon();
            };
        }
        binder_.list(row.name, form.*row.model, itemClick, images);
    }
    for (const TextBoxRow& row : kTextBoxes) binder_.textBox(row.name, form.*row.model);
    binder_.checkBox("CheckBackupSettings", form.CheckBackupSettings);
    binder_.progressBar("ProgressBar1", form.ProgressBar1);
    binder_.timer(form.Timer1, [&form] { form.Timer1_Timer(); });
    for (const MenuRow& row : kMenus) {
        Binder::Handler click;
        if (row.click != nullptr) click = [&form, handler = row.click] { (form.*handler)(); };
        binder_.menu(row.name, form.*row.model, click);
    }
}

// The frames' pictures only mark the commands; any clear standard icon will do.
void FormMainView::setIcons() {
    const struct {
        QLabel* image;
        QStyle::StandardPixmap pixmap;
    } frames[] = {
        {ui_->Image1_0, QStyle::SP_ArrowDown},   {ui_->Image1_1, QStyle::SP_DriveNetIcon},
        {ui_->Image2, QStyle::SP_ComputerIcon},  {ui_->Image4, QStyle::SP_FileDialogDetailedView},
        {ui_->Image5, QStyle::SP_BrowserReload},
    };
    for (const auto& frame : frames) {
        frame.image->setPixmap(style()->standardIcon(frame.pixmap).pixmap(24, 24));
    }
    ui_->Info->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
}

void FormMainView::load() {
    binder_.run([this] { program_.formMain.Form_Load(); });
}

}  // namespace gui
