#include "gui/QtFormHost.h"

#include <QCloseEvent>
#include <stdexcept>

#include "gui/FormViews.h"

namespace gui {

void FormDialog::reject() {
    if (onReject_) {
        binder_.run(onReject_);
    } else {
        QDialog::reject();
    }
}

void FormDialog::closeEvent(QCloseEvent* event) {
    if (!onClose_) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    binder_.run(onClose_);
}

void FormDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!onShown_) return;
    // After the show has finished, so that the dialog is painted while the handler works.
    QMetaObject::invokeMethod(
        this, [this, handler = std::move(onShown_)] { binder_.run(handler); },
        Qt::QueuedConnection);
    onShown_ = nullptr;
}

QtFormHost::QtFormHost(QWidget& owner, app::Program& program)
    : owner_(owner), program_(program), makers_(FormViewMakers()) {}

QtFormHost::~QtFormHost() = default;

FormDialog& QtFormHost::open(ui::Form& form) {
    const auto maker = makers_.find(form.formName());
    if (maker == makers_.end()) throw std::logic_error("no view for the form " + form.formName());
    auto dialog = std::make_unique<FormDialog>(&owner_, program_);
    maker->second(*dialog, form);
    dialog->binder().refresh();
    FormDialog& shown = *dialog;
    shown_[&form] = std::move(dialog);
    return shown;
}

void QtFormHost::showModal(ui::Form& form) {
    FormDialog& dialog = open(form);
    dialog.exec();
    shown_.erase(&form);
}

void QtFormHost::showModeless(ui::Form& form) {
    FormDialog& dialog = open(form);
    dialog.setModal(false);
    dialog.show();
}

void QtFormHost::hide(ui::Form& form) {
    const auto found = shown_.find(&form);
    if (found == shown_.end()) return;
    FormDialog* dialog = found->second.get();
    if (dialog->isModal() && dialog->isVisible()) {
        dialog->done(QDialog::Accepted);  // ends exec(); showModal drops the dialog
        return;
    }
    // A modeless dialog may be hidden from inside one of its own handlers: delete it later.
    found->second.release()->deleteLater();
    dialog->hide();
    shown_.erase(found);
}

void QtFormHost::refresh() {
    for (auto& [form, dialog] : shown_) dialog->binder().refresh();
}

FormDialog* QtFormHost::dialogOf(const ui::Form& form) const {
    const auto found = shown_.find(&form);
    return found == shown_.end() ? nullptr : found->second.get();
}

}  // namespace gui
