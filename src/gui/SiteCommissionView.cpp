#include "gui/SiteCommissionView.h"

#include <QFileDialog>

#include "gui/ViewSetUp.h"
#include "site/FormSiteCommission.h"
#include "ui_FormSiteCommission.h"

namespace gui {
namespace {

using Form = site::FormSiteCommission;

// The column of Rows that holds each row's bar.
constexpr int kProgressColumn = 3;

const ButtonRow<Form> kButtons[] = {
    {"CmdStart", &Form::CmdStart, &Form::CmdStart_Click},
    {"CmdStop", &Form::CmdStop, &Form::CmdStop_Click},
    {"CmdClose", &Form::CmdClose, &Form::CmdClose_Click},
};

}  // namespace

void siteCommissionView(FormDialog& dialog, ui::Form& form) {
    auto& model = dynamic_cast<Form&>(form);
    setUp<Ui::FormSiteCommission>(dialog);
    Binder& b = dialog.binder();
    b.title(model.Caption);
    b.shown(model.Visible);
    b.control("LabelPlan", model.LabelPlan);
    b.control("LabelStatus", model.LabelStatus);
    b.list("Rows", model.Rows);
    b.progressColumn("Rows", kProgressColumn, model.RowProgress);
    b.list("Problems", model.Problems);
    b.control("CmdOpen", model.CmdOpen, [&model, &dialog] {
        const QString path = QFileDialog::getOpenFileName(&dialog, "Open a plan", QString(),
                                                          "Plans (*.csv);;All files (*)");
        if (!path.isEmpty()) model.OpenPlan(path.toStdString());
    });
    bindButtons(b, model, kButtons);
    b.timer(model.PollTimer, [&model] { model.PollTimer_Timer(); });
    dialog.onReject([&model] { model.CmdClose_Click(); });
}

}  // namespace gui
