// Two controllers commissioned through the real window's site dialog against kvxsim: the plan
// opened with Open…, the password box, Start, a bar per row, and the report beside the plan;
// what each controller holds afterwards is read from kvxsim's saved state.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <nlohmann/json.hpp>

#include "QtApp.h"
#include "WindowRobot.h"
#include "gui/WindowProgram.h"
#include "sim/DemoMachine.h"
#include "sim/SimProcess.h"
#include "sim/SiteState.h"
#include "support/TempFolder.h"

namespace {

using guitest::shownDialog;

constexpr int kControllers = 2;

std::string id(int n) { return "C" + std::to_string(n); }
std::string serial(int n) { return "WIN-" + std::to_string(100 + n); }

std::string network() {
    std::string text = "[Simulator]\nColdStartMs=0\nDiscovery=0.0.0.0:0\n\n";
    for (int n = 1; n <= kControllers; ++n)
        text += simtest::kvxrealCController(id(n), serial(n), n, "300");
    return text;
}

std::string plan() {
    std::string text = "serial,model,revision,partition\n";
    for (int n = 1; n <= kControllers; ++n)
        text += serial(n) + ",KVX300C KVXreal C controller,3.1-0-02,32\n";
    return text;
}

QFileDialog* shownFileDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        if (dialog != nullptr && dialog->isVisible()) return dialog;
    }
    return nullptr;
}

TEST(SiteCommissionWindow, TwoControllersFromAPlanLoadedAndReportedBesideIt) {
    QApplication& application = guitest::qtApp();
    (void)application;
    testsupport::TempFolder temp;
    const std::string machineDir = temp.copyDemo();
    temp.write("net.ini", network());
    temp.write("state/.keep", "");
    temp.write("site/plan.csv", plan());
    simtest::SimProcess sim(
        {"--network", temp / "net.ini", "--state", temp / "state", "--control", temp / "ctl"});
    ASSERT_TRUE(sim.waitReady()) << sim.stderrText();
    ASSERT_TRUE(simtest::pointDemoDiscoveryAt(temp, sim));
    gui::WindowProgram app(machineDir);
    app.load();
    app.window.show();

    guitest::WindowRobot robot;
    auto* menu = app.window.findChild<QAction*>("MenuCommissionSite");
    ASSERT_NE(menu, nullptr);
    robot.then("open the site dialog", [menu] { menu->trigger(); });
    robot.then(
        "Open…", [] { return shownDialog("FormSiteCommission") != nullptr; },
        [] {
            QTest::mouseClick(shownDialog("FormSiteCommission")->findChild<QPushButton*>("CmdOpen"),
                              Qt::LeftButton);
        });
    robot.then(
        "choose the plan", [] { return shownFileDialog() != nullptr; },
        [&temp] {
            auto* name = shownFileDialog()->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            QTest::keyClicks(name, QString::fromStdString(temp / "site/plan.csv"));
            QTest::keyClick(name, Qt::Key_Return);
        });
    robot.then(
        "Start",
        [] {
            QTreeWidget* rows = shownDialog("FormSiteCommission")->findChild<QTreeWidget*>("Rows");
            return rows->topLevelItemCount() == kControllers;
        },
        [] {
            QTest::mouseClick(
                shownDialog("FormSiteCommission")->findChild<QPushButton*>("CmdStart"),
                Qt::LeftButton);
        });
    // The site has no password: the masked box is left empty.
    robot.then(
        "password box", [] { return shownDialog("InputBox") != nullptr; },
        [] {
            QLineEdit* edit = shownDialog("InputBox")->findChild<QLineEdit*>();
            EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
            QTest::keyClick(edit, Qt::Key_Return);
        });
    std::vector<std::string> results;
    std::vector<int> bars;
    robot.then(
        "the run ends",
        [] {
            auto* status = shownDialog("FormSiteCommission")->findChild<QLabel*>("LabelStatus");
            return status->text().contains("Report:");
        },
        [&results, &bars] {
            QDialog& dialog = *shownDialog("FormSiteCommission");
            auto* rows = dialog.findChild<QTreeWidget*>("Rows");
            for (int i = 0; i < rows->topLevelItemCount(); ++i) {
                QTreeWidgetItem* item = rows->topLevelItem(i);
                results.push_back(item->text(5).toStdString());
                auto* bar = qobject_cast<QProgressBar*>(rows->itemWidget(item, 3));
                bars.push_back(bar != nullptr ? bar->value() * 100 / bar->maximum() : -1);
            }
            QTest::mouseClick(dialog.findChild<QPushButton*>("CmdClose"), Qt::LeftButton);
        });
    ASSERT_TRUE(robot.run(std::chrono::seconds(60)));

    EXPECT_EQ(results, (std::vector<std::string>{"succeeded", "succeeded"}));
    EXPECT_EQ(bars, (std::vector<int>{100, 100}));
    std::ifstream in(temp / "site/plan.report.json");
    const auto report = nlohmann::json::parse(in);
    ASSERT_EQ(report["controllers"].size(), static_cast<size_t>(kControllers));
    for (int n = 1; n <= kControllers; ++n) {
        const auto state = simtest::readSavedController(temp / ("state/" + id(n) + ".state"));
        EXPECT_EQ(state.activePartition, 32) << serial(n);
        ASSERT_EQ(state.checksums.count(32), 1u) << serial(n);
        const auto& row = report["controllers"][static_cast<size_t>(n - 1)];
        EXPECT_EQ(row["controller"], serial(n));
        EXPECT_EQ(row["imageChecksum"], simtest::checksumText(state.checksums.at(32))) << serial(n);
    }
}

}  // namespace
