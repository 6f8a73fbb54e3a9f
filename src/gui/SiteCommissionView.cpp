#include "gui/SiteCommissionView.h"

#include <QFileDialog>
#include <QProgressBar>
#include <QTreeWidget>

#include "gui/ViewSetUp.h"
#include "site/FormSiteCommission.h"
#include "ui_FormSiteCommission.h"

namespace gui {
namespace {

using Form = site::FormSiteCommission;

const ButtonRow<Form> kButtons[] = {
    {"CmdSearch", &Form::CmdSearch, &Form::CmdSearch_Click},
    {"CmdRemove", &Form::CmdRemove, &Form::CmdRemove_Click},
    {"CmdStart", &Form::CmdStart, &Form::CmdStart_Click},
    {"CmdStop", &Form::CmdStop, &Form::CmdStop_Click},
    {"CmdRedo", &Form::CmdRedo, &Form::CmdRedo_Click},
    {"CmdClose", &Form::CmdClose, &Form::CmdClose_Click},
};

// Each row's texts and bar in the colour of how it stands.
void showRowStates(QTreeWidget& rows, const std::vector<site::RowState>& states) {
    for (int i = 0; i < rows.topLevelItemCount() && static_cast<size_t>(i) < states.size(); ++i) {
        const QColor colour = rowStateColour(states[static_cast<size_t>(i)]);
        QTreeWidgetItem* item = rows.topLevelItem(i);
        showRowColour(*item, colour);
        if (auto* bar = qobject_cast<QProgressBar*>(rows.itemWidget(item, Form::ColProgress)))
            showBarColour(*bar, colour);
    }
}

}  // namespace

QColor rowStateColour(site::RowState state) {
    switch (state) {
        case site::RowState::Succeeded:
            return QColor(0x1b, 0x7f, 0x3a);  // green
        case site::RowState::Failed:
            return QColor(0xc0, 0x1c, 0x28);  // red
        case site::RowState::Cancelled:
            return QColor(0xb3, 0x6b, 0x00);  // amber
        case site::RowState::NotStarted:
            return QColor(0x80, 0x80, 0x80);  // grey
        case site::RowState::Idle:
        case site::RowState::Running:
            break;
    }
    return {};
}

void siteCommissionView(FormDialog& dialog, ui::Form& form) {
    auto& model = dynamic_cast<Form&>(form);
    setUp<Ui::FormSiteCommission>(dialog);
    Binder& b = dialog.binder();
    b.title(model.Caption);
    b.shown(model.Visible);
    b.control("LabelPlan", model.LabelPlan);
    b.control("LabelStatus", model.LabelStatus);
    b.list("Rows", model.Rows, [&model](int row) { model.Rows_ItemClick(row); });
    b.fitToContent("Rows");
    b.selection("Rows", model.SelectedRows,
                [&model](const std::vector<int>& rows) { model.Rows_SelectRows(rows); });
    b.progressColumn("Rows", Form::ColProgress, model.RowProgress);
    auto* rows = dialog.findChild<QTreeWidget*>("Rows");
    b.after([&model, rows] { showRowStates(*rows, model.RowStates); });
    b.list("Models", model.Models, [&model](int row) { model.Models_ItemClick(row); });
    b.list("Revisions", model.Revisions, [&model](int row) { model.Revisions_ItemClick(row); });
    b.checkBox("CheckEveryRow", model.CheckEveryRow, [&model] { model.CheckEveryRow_Click(); });
    b.control("LabelPartition", model.LabelPartition);
    b.textBox("TextPartition", model.TextPartition,
              [&model](const std::string& text) { model.TextPartition_Change(text); });
    b.list("Problems", model.Problems);
    b.fitToContent("Problems");
    b.control("LabelJobs", model.LabelJobs);
    b.textBox("TextJobs", model.TextJobs);
    b.control("CmdOpen", model.CmdOpen, [&model, &dialog] {
        const QString path = QFileDialog::getOpenFileName(&dialog, "Open a plan",
                                                          QString::fromStdString(model.OpenFolder),
                                                          "Plans (*.csv);;All files (*)");
        if (!path.isEmpty()) model.OpenPlan(path.toStdString());
    });
    bindButtons(b, model, kButtons);
    b.timer(model.PollTimer, [&model] { model.PollTimer_Timer(); });
    dialog.onReject([&model] { model.CmdClose_Click(); });
}

}  // namespace gui
