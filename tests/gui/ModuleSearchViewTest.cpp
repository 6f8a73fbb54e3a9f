// The module search dialog on real (offscreen) widgets: every widget of its .ui is bound, the
// list shows the model's columns and rows and grows with the dialog, and during a search
// Escape stops it while the close box is refused.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "FindWidget.h"
#include "QtApp.h"
#include "catalogue/Texts.h"
#include "gui/QtFormHost.h"
#include "link/FormSearchModules.h"
#include "support/ProgramFixture.h"

namespace {

struct ModuleSearchViewTest : ::testing::Test {
    ModuleSearchViewTest() { form.Form_Load(); }

    gui::FormDialog& open() {
        form.ShowDlg();  // the scripted host shows nothing; the Qt host below does
        host.showModeless(form);
        QCoreApplication::processEvents();
        return *host.dialogOf(form);
    }
    template <class W>
    W& widget(gui::FormDialog& dialog, const char* name) {
        return guitest::findWidget<W>(dialog, name);
    }

    QApplication& application = guitest::qtApp();
    testsupport::ProgramFixture fixture{true};
    QWidget owner;
    gui::QtFormHost host{owner, *fixture.program};
    ui::NoFormHost nobody;
    clink::FormSearchModules form{*fixture.program, nobody};
};

TEST_F(ModuleSearchViewTest, EveryWidgetIsBoundAndTheListFollowsTheModel) {
    form.ParamList.items = {{"10", {"1", "KVX300C", "-"}}, {"10", {"2", "KVX200", "-"}}};
    gui::FormDialog& dialog = open();
    int controls = 0;
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        const QString name = w->objectName();
        const bool control = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                             qobject_cast<QTreeWidget*>(w) || qobject_cast<QFrame*>(w);
        if (!control || name.isEmpty() || name.startsWith("qt_")) continue;
        ++controls;
        EXPECT_TRUE(dialog.binder().bound(name)) << name.toStdString();
    }
    EXPECT_EQ(controls, 6);
    EXPECT_EQ(dialog.windowTitle().toStdString(), form.Caption);
    auto& list = widget<QTreeWidget>(dialog, "ParamList");
    ASSERT_EQ(list.columnCount(), 4);
    EXPECT_EQ(list.headerItem()->text(2).toStdString(), form.ParamList.columns[2].header);
    ASSERT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.topLevelItem(1)->text(2), "KVX200");
    EXPECT_EQ(list.topLevelItem(1)->text(3), "-");

    // The list takes what the dialog grows by; the dialog does not shrink below its first size.
    const QSize first = dialog.size();
    const int listWidth = list.width();
    dialog.resize(first + QSize(200, 100));
    QCoreApplication::processEvents();
    EXPECT_EQ(list.width(), listWidth + 200);
    dialog.resize(first - QSize(100, 100));
    EXPECT_GE(dialog.width(), first.width());
    EXPECT_GE(dialog.height(), first.height());
    host.hide(form);
}

TEST_F(ModuleSearchViewTest, EscapeStopsASearchAndTheCloseBoxWaitsForItsEnd) {
    gui::FormDialog& dialog = open();
    auto& action = widget<QPushButton>(dialog, "ActionButton");
    auto& close = widget<QPushButton>(dialog, "CloseButton");
    auto& label = widget<QLabel>(dialog, "ParamListLabel");
    int rounds = 0;
    QString during;
    bool closeEnabled = true;
    fixture.screen.onEvents = [&] {
        host.refresh();
        QCoreApplication::processEvents();
        if (++rounds != 20) return;
        during = action.text();
        closeEnabled = close.isEnabled();
        dialog.close();  // refused while the search runs
        EXPECT_TRUE(dialog.isVisible());
        QTest::keyClick(&dialog, Qt::Key_Escape);
    };
    QTest::mouseClick(&action, Qt::LeftButton);
    fixture.screen.onEvents = nullptr;
    EXPECT_EQ(rounds, 20) << "the search stopped after the probe during which Escape came";
    EXPECT_EQ(during.toStdString(), catalogue::GetText(*fixture.glib, 642));
    EXPECT_FALSE(closeEnabled);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(label.text().toStdString(),
              catalogue::GetText(*fixture.glib, 645) + " No module found.");
    EXPECT_EQ(action.text().toStdString(), catalogue::GetText(*fixture.glib, 641));
    EXPECT_TRUE(close.isEnabled());

    // Idle, the close box closes.
    dialog.close();
    EXPECT_FALSE(form.Visible);
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
