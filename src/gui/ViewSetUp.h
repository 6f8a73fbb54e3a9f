#pragma once
// What every dialog view does first: load its generated form into the dialog; and the
// binding of its buttons.
#include <QLabel>
#include <QObject>
#include <QStyle>

#include "gui/QtFormHost.h"

namespace gui {

// The generated form classes live as long as their dialog.
template <class Generated>
Generated& setUp(FormDialog& dialog) {
    auto* generated = new Generated;
    generated->setupUi(&dialog);
    QObject::connect(&dialog, &QObject::destroyed, [generated] { delete generated; });
    return *generated;
}

// Button and click handler of a form, by name.
template <class Form>
struct ButtonRow {
    const char* name;
    ui::Control Form::*model;
    void (Form::*click)();
};

template <class Form, size_t N>
void bindButtons(Binder& b, Form& model, const ButtonRow<Form> (&rows)[N]) {
    for (const auto& row : rows) {
        b.control(row.name, model.*row.model, [&model, click = row.click] { (model.*click)(); });
    }
}

// The dialogs' pictures only mark what a group is about; a clear standard icon will do.
inline void setPicture(QLabel& label, QStyle::StandardPixmap pixmap) {
    label.setPixmap(label.style()->standardIcon(pixmap).pixmap(32, 32));
}

}  // namespace gui
