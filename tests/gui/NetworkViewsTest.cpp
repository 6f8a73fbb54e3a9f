// The "Search and Select" and "TCP/IP Settings" dialogs on real (offscreen) widgets over a
// scripted network: every widget of their .ui files is bound, and clicks, typing, tabs and
// option buttons reach the forms and come back.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "FindWidget.h"
#include "QtApp.h"
#include "catalogue/Texts.h"
#include "gui/QtFormHost.h"
#include "network/FakeFinder.h"
#include "network/FormSearchTCP.h"
#include "network/FormTCPSettings.h"
#include "support/ProgramFixture.h"

namespace {

using network::FormSearchTCP;
using network::FormTCPSettings;

struct NetworkViewsTest : ::testing::Test {
    NetworkViewsTest() {
        fixture.platform->finders = &finders;
        fixture.platform->input = &input;
    }
    app::Program& program() { return *fixture.program; }

    // Shows the form without a modal loop of its own, and lets its Activate run.
    gui::FormDialog& open(ui::Form& form) {
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
    networktest::FakeNetwork net;
    networktest::FakeFinderFactory finders{net};
    networktest::ScriptedInput input;
    QWidget owner;
    gui::QtFormHost host{owner, program()};
};

// A widget that shows a control but is bound to nothing would never show the form's state.
TEST_F(NetworkViewsTest, EveryControlWidgetOfBothDialogsIsBound) {
    FormSearchTCP search(program());
    search.Form_Load();
    FormTCPSettings settings(program());
    settings.Form_Load();
    for (ui::Form* form : {static_cast<ui::Form*>(&search), static_cast<ui::Form*>(&settings)}) {
        SCOPED_TRACE(form->formName());
        gui::FormDialog& dialog = open(*form);
        int controls = 0;
        for (QWidget* w : dialog.findChildren<QWidget*>()) {
            const QString name = w->objectName();
            const bool control = qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w) ||
                                 qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w) ||
                                 qobject_cast<QTabWidget*>(w) || qobject_cast<QTreeWidget*>(w);
            // Qt's own parts (a tab bar's scroll buttons) have names of their own.
            const bool qtPart = name.startsWith("qt_") || qobject_cast<QTabBar*>(w->parentWidget());
            if (!control || name.isEmpty() || qtPart) continue;
            ++controls;
            EXPECT_TRUE(dialog.binder().bound(name)) << name.toStdString();
        }
        EXPECT_GT(controls, 5);
        host.hide(*form);
    }
}

TEST_F(NetworkViewsTest, SearchListsTheControllersAndOkOrEnterChoosesOne) {
    struct Case {
        const char* what;
        bool encrypted;
        bool pressEnter;
        std::vector<std::optional<std::string>> answers;
        size_t prompts;
    };
    const Case cases[] = {
        {"OK", false, false, {}, 0},
        {"Enter in the list asks for the password as OK does", true, true, {"secret"}, 1},
        {"OK asks for the password, masked", true, false, {"secret"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        net.stations.clear();
        net.add("SN-1");
        auto& second = net.add("SN-2", true);
        second.identity.encryptionRequired = c.encrypted;
        second.password = "secret";
        program().comm.NetworkPassword = {};  // each case starts without one
        input.prompts.clear();
        input.maskedFlags.clear();
        input.answers.assign(c.answers.begin(), c.answers.end());
        FormSearchTCP form(program());
        form.Form_Load();
        gui::FormDialog& dialog = open(form);
        auto& list = widget<QTreeWidget>(dialog, "CtrlList");
        ASSERT_EQ(list.topLevelItemCount(), 2) << "the first search runs when the dialog shows";
        EXPECT_EQ(list.columnCount(), 7);
        EXPECT_GT(list.columnWidth(6), 0);
        EXPECT_EQ(list.headerItem()->text(1).toStdString(),
                  catalogue::GetText(*fixture.glib, 4545));
        EXPECT_EQ(list.topLevelItem(1)->text(1), "SN-2");
        EXPECT_FALSE(list.topLevelItem(1)->icon(0).isNull());
        auto& ok = widget<QPushButton>(dialog, "ButtonOk");
        EXPECT_FALSE(ok.isEnabled());

        const int searches = net.searches;
        QTest::mouseClick(&widget<QPushButton>(dialog, "ButtonRefresh"), Qt::LeftButton);
        EXPECT_EQ(net.searches, searches + 1);

        list.setFocus();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(list.topLevelItem(1)).center());
        EXPECT_TRUE(ok.isEnabled());
        if (c.pressEnter) {
            QTest::keyClick(&list, Qt::Key_Return);
        } else {
            QTest::mouseClick(&ok, Qt::LeftButton);
        }
        EXPECT_TRUE(form.SearchOkFlg);
        EXPECT_FALSE(dialog.isVisible()) << "choosing closes the dialog";
        EXPECT_EQ(program().current.CurrentSN, "SN-2");
        EXPECT_EQ(input.prompts.size(), c.prompts);
        for (bool masked : input.maskedFlags) EXPECT_TRUE(masked);
        host.hide(form);
    }
}

TEST_F(NetworkViewsTest, EscapeCancelsTheSearch) {
    net.add("SN-1");
    FormSearchTCP form(program());
    form.Form_Load();
    gui::FormDialog& dialog = open(form);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(form.SearchOkFlg);
    EXPECT_FALSE(dialog.isVisible());
    host.hide(form);
}

struct SettingsViewTest : NetworkViewsTest {
    SettingsViewTest() {
        program().SelectedHasWebSite = true;
        program().SelectedHasEMail = true;
        form.Form_Load();
    }
    FormTCPSettings form{program()};
    gui::FormDialog& dialog = open(form);
};

TEST_F(SettingsViewTest, TabsOptionButtonsAndCheckBoxesRoundTrip) {
    auto& tabs = widget<QTabWidget>(dialog, "CtrlTab");
    ASSERT_EQ(tabs.count(), 5);
    EXPECT_EQ(tabs.tabText(4), "Bacnet");
    tabs.setCurrentIndex(3);
    EXPECT_EQ(form.CtrlTab.current, 3);
    dialog.binder().run([this] { form.CtrlTab.current = 1; });
    EXPECT_EQ(tabs.currentIndex(), 1);

    tabs.setCurrentIndex(0);
    auto& dhcp = widget<QRadioButton>(dialog, "rbDHCP");
    auto& manual = widget<QRadioButton>(dialog, "rbIP");
    auto& ip = widget<QLineEdit>(dialog, "tbIP");
    manual.click();
    EXPECT_TRUE(form.rbIP.value);
    EXPECT_FALSE(form.rbDHCP.value);
    EXPECT_TRUE(ip.isEnabled()) << "choosing manual settings enables the address fields";
    dialog.binder().run([this] { form.rbDHCP_Click(); });
    EXPECT_TRUE(dhcp.isChecked());
    EXPECT_FALSE(manual.isChecked());
    EXPECT_FALSE(ip.isEnabled());

    for (const char* name : {"CtrlEncryptedCom", "CtrlBACnetIPEnable"}) {
        SCOPED_TRACE(name);
        auto& box = widget<QCheckBox>(dialog, name);
        ui::CheckBox& model = std::string(name) == "CtrlEncryptedCom" ? form.CtrlEncryptedCom
                                                                      : form.CtrlBACnetIPEnable;
        const bool before = model.value;
        box.click();
        EXPECT_EQ(model.value, !before);
        dialog.binder().run([&model] { model.value = false; });
        EXPECT_FALSE(box.isChecked());
    }
}

TEST_F(SettingsViewTest, TypingReachesTheFormAndPasswordsAreMasked) {
    dialog.binder().run([this] { form.rbIP_Click(); });
    struct Field {
        const char* name;
        const ui::TextBox& model;
        bool masked;
    };
    const Field fields[] = {
        {"tbIP", form.tbIP, false},
        {"tbDNS", form.tbDNS, false},
        {"tbMainCompIP", form.tbMainCompIP, false},
        {"tbDNSServer1", form.tbDNSServer1, false},
        {"CtrlEmailLoginPass", form.CtrlEmailLoginPass, true},
        {"CtrlBACnetDeviceID", form.CtrlBACnetDeviceID, false},
        {"CtrlEncryptedPass", form.CtrlEncryptedPass, true},
        {"CtrlWebUserPass_1", form.CtrlWebUserPass.at(1), true},
        {"CtrlWebUserPass_2", form.CtrlWebUserPass.at(2), true},
        {"CtrlWebUserPass_3", form.CtrlWebUserPass.at(3), true},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.name);
        auto& edit = widget<QLineEdit>(dialog, f.name);
        EXPECT_EQ(edit.echoMode() == QLineEdit::Password, f.masked);
        edit.clear();
        QTest::keyClicks(&edit, "17");
        EXPECT_EQ(f.model.text, "17");
    }
    dialog.binder().run([this] { form.rbDHCP_Click(); });
    QTest::keyClicks(&widget<QLineEdit>(dialog, "tbHostName"), "boiler");
    QTest::keyClicks(&widget<QLineEdit>(dialog, "tbDomain"), "plant");
    EXPECT_EQ(widget<QLineEdit>(dialog, "tbDNSName").text(), "boiler.plant")
        << "the full name follows host and domain as they are typed";
    EXPECT_TRUE(fixture.messages().empty());
}

TEST_F(SettingsViewTest, AForbiddenPasswordCharacterIsRefusedWhenTheFocusLeaves) {
    auto& pass = widget<QLineEdit>(dialog, "CtrlEncryptedPass");
    dialog.binder().run([this] { form.CtrlTab.current = 2; });
    QTest::keyClicks(&pass, "ab\"");
    const std::string forbidden = catalogue::GetText(*fixture.glib, 353);
    EXPECT_EQ(fixture.messages(), std::vector<std::string>{forbidden});
    dialog.binder().run([this] { form.CtrlTab.current = 0; });

    QFocusEvent byWindow(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(&pass, &byWindow);
    EXPECT_EQ(fixture.messages().size(), 1u) << "a message box taking the focus is no move";
    QFocusEvent byTab(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&pass, &byTab);
    ASSERT_EQ(fixture.messages().size(), 2u);
    EXPECT_EQ(fixture.messages()[1], catalogue::GetText(*fixture.glib, 354));
    EXPECT_EQ(widget<QTabWidget>(dialog, "CtrlTab").currentIndex(), 2)
        << "the field's page comes back with the focus";
    EXPECT_TRUE(form.FocusTo.empty());

    QTest::mouseClick(&widget<QPushButton>(dialog, "CmdOk"), Qt::LeftButton);
    EXPECT_FALSE(form.Result) << "OK refuses while the field holds the character";
    EXPECT_TRUE(dialog.isVisible());
    dialog.binder().run([this] { form.CtrlEncryptedPass_Change("fine"); });
    QTest::mouseClick(&widget<QPushButton>(dialog, "CmdOk"), Qt::LeftButton);
    EXPECT_TRUE(form.Result);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(program().TcpCfg.EncryptedPass, "fine");
}

}  // namespace
