#include "gui/SiteCommissionView.h"

#include <QFileDialog>

#include "gui/ViewSetUp.h"
#include "site/FormSiteCommission.h"
#include "ui_FormSiteCommission.h"

namespace gui {
namespace {

using Form = site::FormSiteCommission;

// The column of Rows that holds each row's bar.
constexpr int kProgressColumn = 6;

const ButtonRow<Form> kButtons[] = {
    {"CmdSearch", &Form::CmdSearch, &Form::CmdSearch_Click},
    {"CmdRemove", &Form::CmdRemove, &Form::CmdRemove_Click},
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
    b.list("Rows", model.Rows, [&model](int row) { model.Rows_ItemClick(row); });
    b.progressColumn("Rows", kProgressColumn, model.RowProgress);
    b.list("Models", model.Models, [&model](int row) { model.Models_ItemClick(row); });
    b.list("Revisions", model.Revisions, [&model](int row) { model.Revisions_ItemClick(row); });
    b.checkBox("CheckEveryRow", model.CheckEveryRow, [&model] { model.CheckEveryRow_Click(); });
    b.control("LabelPartition", model.LabelPartition);
    b.textBox("TextPartition", model.TextPartition,
              [&model](const std::string& text) { model.TextPartition_Change(text); });
    b.list("Problems", model.Problems);
    b.control("LabelJobs", model.LabelJobs);
    b.textBox("TextJobs", model.TextJobs);
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
