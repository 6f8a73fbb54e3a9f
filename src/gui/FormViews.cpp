#include "gui/FormViews.h"

#include "gui/ComSettingsView.h"
#include "gui/ModuleSearchView.h"
#include "gui/NetworkViews.h"
#include "gui/SiteCommissionView.h"
#include "gui/ViewSetUp.h"
#include "load/FormChangeAddr.h"
#include "load/FormLoadApplication.h"
#include "load/FormReloadTCPIP.h"
#include "load/FormUpgradeKVXreal.h"
#include "ui_FormChangeAddr.h"
#include "ui_FormLoadApplication.h"
#include "ui_FormReloadTCPIP.h"
#include "ui_FormUpgradeKVXreal.h"

namespace gui {
namespace {

void changeAddressView(FormDialog& dialog, ui::Form& form) {
    auto& model = dynamic_cast<load::FormChangeAddr&>(form);
    setUp<Ui::FormChangeAddr>(dialog);
    Binder& b = dialog.binder();
    b.title(model.Caption);
    for (auto [name, control] :
         {std::pair{"CurAddrFrame", &model.CurAddrFrame}, {"CurPlaLabel", &model.CurPlaLabel},
          {"CurElaLabel", &model.CurElaLabel}, {"NewAddrFrame", &model.NewAddrFrame},
          {"NewPlaLabel", &model.NewPlaLabel}, {"NewElaLabel", &model.NewElaLabel}}) {
        b.control(name, *control);
    }
    for (auto [name, box] : {std::pair{"CurPlaText", &model.CurPlaText}, {"CurElaText", &model.CurElaText},
                             {"NewPlaText", &model.NewPlaText}, {"NewElaText", &model.NewElaText}}) {
        b.textBox(name, *box);
    }
    b.control("OKButton", model.OKButton, [&model] { model.OKButton_Click(); });
    b.control("CancelButton", model.CancelButton, [&model] { model.CancelButton_Click(); });
    dialog.onReject([&model] { model.Form_KeyPress(27); });
}

// A question with numbered steps, OK and Cancel; Escape is Cancel.
template <class Model, class Generated>
void stepsQuestionView(FormDialog& dialog, ui::Form& form, QStyle::StandardPixmap picture) {
    auto& model = dynamic_cast<Model&>(form);
    auto& generated = setUp<Generated>(dialog);
    setPicture(*generated.Image1, picture);
    Binder& b = dialog.binder();
    b.title(model.Caption);
    b.control("GenLabel", model.GenLabel);
    b.controlArray("StepLabel", model.StepLabel);
    b.control("OKButton", model.OKButton, [&model] { model.OKButton_Click(); });
    b.control("CancelButton", model.CancelButton, [&model] { model.CancelButton_Click(); });
    dialog.onReject([&model] { model.Form_KeyPress(27); });
}

void upgradeView(FormDialog& dialog, ui::Form& form) {
    stepsQuestionView<load::FormUpgradeKVXreal, Ui::FormUpgradeKVXreal>(
        dialog, form, QStyle::SP_MessageBoxWarning);
}

void reloadTcpIpView(FormDialog& dialog, ui::Form& form) {
    stepsQuestionView<load::FormReloadTCPIP, Ui::FormReloadTCPIP>(dialog, form,
                                                                  QStyle::SP_MessageBoxQuestion);
}

void progressView(FormDialog& dialog, ui::Form& form) {
    auto& model = dynamic_cast<load::FormLoadApplication&>(form);
    auto& generated = setUp<Ui::FormLoadApplication>(dialog);
    setPicture(*generated.Image1, QStyle::SP_ArrowDown);
    Binder& b = dialog.binder();
    b.title(model.Caption);
    b.control("GenLabel", model.GenLabel);
    b.progressBar("ProgressBar1", model.ProgressBar1);
    b.textBox("NumValue", model.NumValue);
    b.control("Label1", model.Label1);
    b.control("BytesLabel", model.BytesLabel);
    b.control("OKButton", model.OKButton, [&model] { model.OKButton_Click(); });
    b.control("CancelButton", model.CancelButton, [&model] { model.CancelButton_Click(); });
    // Escape and the close box both cancel the load.
    dialog.onReject([&model] { model.Form_QueryUnload(); });
}

}  // namespace

std::map<std::string, QtFormHost::ViewMaker> FormViewMakers() {
    return {{"FormChangeAddr", changeAddressView},
            {"FormUpgradeKVXreal", upgradeView},
            {"FormReloadTCPIP", reloadTcpIpView},
            {"FormLoadApplication", progressView},
            {"FormSearchTCP", searchTcpView},
            {"FormSearchModules", searchModulesView},
            {"FormTCPSettings", tcpSettingsView},
            {"FormComSettings", comSettingsView},
            {"FormSiteCommission", siteCommissionView}};
}

}  // namespace gui
