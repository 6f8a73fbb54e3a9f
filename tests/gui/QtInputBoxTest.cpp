// The Qt input box: what is typed comes back, nothing on Cancel, and a masked box hides it.
#include <gtest/gtest.h>

#include <QInputDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "QtApp.h"
#include "gui/QtInputBox.h"

namespace {

TEST(QtInputBoxTest, ReturnsWhatWasTypedOrNothingOnCancel) {
    QApplication& application = guitest::qtApp();
    (void)application;
    struct Case {
        bool masked;
        bool accept;
        std::optional<std::string> expected;
    };
    const Case cases[] = {{true, true, "demo-password"}, {false, true, "demo-password"},
                          {true, false, std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.masked ? "masked" : "plain") + (c.accept ? " OK" : " Cancel"));
        QLineEdit::EchoMode shownMode = QLineEdit::Normal;
        QString shownLabel;
        int ticks = 0;
        QTimer user;  // plays the user once the box is up; gives up after a bounded wait
        QObject::connect(&user, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                if (++ticks > 500) QApplication::exit(1);
                return;
            }
            user.stop();
            shownMode = box->textEchoMode();
            shownLabel = box->labelText();
            QTest::keyClicks(box->findChild<QLineEdit*>(), "demo-password");
            if (c.accept) {
                box->accept();
            } else {
                box->reject();
            }
        });
        user.start(10);
        gui::QtInputBox input;
        int refreshes = 0;
        input.setRefresh([&refreshes] { ++refreshes; });
        EXPECT_EQ(input.ask("Please enter a password.", "", "", c.masked), c.expected);
        EXPECT_EQ(shownMode, c.masked ? QLineEdit::Password : QLineEdit::Normal);
        EXPECT_EQ(shownLabel, "Please enter a password.");
        EXPECT_EQ(refreshes, 1) << "the window behind shows the program's state first";
    }
}

}  // namespace
