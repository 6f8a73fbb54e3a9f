// Two controllers commissioned through the real window's site dialog against kvxsim: first from
// a plan opened with Open… (the password box, Start, a bar per row, the report beside the plan),
// then found by Search with another revision chosen for every row (the report in the machine
// folder); what each controller holds after each run is read from kvxsim's saved state.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "QtApp.h"
#include "WindowRobot.h"
#include "gui/WindowProgram.h"
#include "sim/DemoMachine.h"
#include "sim/SimProcess.h"
#include "sim/SiteState.h"
#include "site/FormSiteCommission.h"
#include "support/TempFolder.h"

namespace {

using guitest::shownDialog;
using Form = site::FormSiteCommission;

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

QDialog& siteDialog() { return *shownDialog("FormSiteCommission"); }

QPushButton* siteButton(const char* name) { return siteDialog().findChild<QPushButton*>(name); }

QFileDialog* shownFileDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        if (dialog != nullptr && dialog->isVisible()) return dialog;
    }
    return nullptr;
}

// The site has no password: the masked box is left empty.
void emptyPassword(guitest::WindowRobot& robot) {
    robot.then(
        "password box", [] { return shownDialog("InputBox") != nullptr; },
        [] {
            QLineEdit* edit = shownDialog("InputBox")->findChild<QLineEdit*>();
            EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
            QTest::keyClick(edit, Qt::Key_Return);
        });
}

// Once the status names a report (in `folder`), each row's result and bar.
void runEnds(guitest::WindowRobot& robot, const char* folder, std::vector<std::string>& results,
             std::vector<int>& bars) {
    robot.then(
        "the run ends",
        [folder] {
            const QString status = siteDialog().findChild<QLabel*>("LabelStatus")->text();
            return status.contains("report:") && status.contains(folder);
        },
        [&results, &bars] {
            auto* rows = siteDialog().findChild<QTreeWidget*>("Rows");
            for (int i = 0; i < rows->topLevelItemCount(); ++i) {
                QTreeWidgetItem* item = rows->topLevelItem(i);
                results.push_back(item->text(Form::ColResult).toStdString());
                auto* bar = qobject_cast<QProgressBar*>(rows->itemWidget(item, Form::ColProgress));
                bars.push_back(bar != nullptr ? bar->value() * 100 / bar->maximum() : -1);
            }
        });
}

void clickItem(QTreeWidget& tree, const QString& text) {
    const auto items = tree.findItems(text, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << text.toStdString();
    tree.scrollToItem(items[0]);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(items[0]).center());
}

TEST(SiteCommissionWindow, TwoControllersFromAPlanThenFromTheSearchLoadedAndReported) {
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
            QTreeWidget* rows = siteDialog().findChild<QTreeWidget*>("Rows");
            return rows->topLevelItemCount() == kControllers;
        },
        [] { QTest::mouseClick(siteButton("CmdStart"), Qt::LeftButton); });
    emptyPassword(robot);
    robot.answerBox("Commission 2 controllers as the rows show? Nothing has been sent yet.",
                    QMessageBox::Yes);
    std::vector<std::string> results;
    std::vector<int> bars;
    runEnds(robot, "plan.report.20", results, bars);

    // The same controllers found by the search, with another revision for every row.
    std::vector<simtest::SavedController> afterPlan;
    robot.then("Search", [&afterPlan, &temp] {
        for (int n = 1; n <= kControllers; ++n)
            afterPlan.push_back(simtest::readSavedController(temp / ("state/" + id(n) + ".state")));
        QTest::mouseClick(siteButton("CmdSearch"), Qt::LeftButton);
    });
    std::vector<std::string> found;
    robot.then(
        "choose the revision for every row",
        [] {
            QTreeWidget* rows = siteDialog().findChild<QTreeWidget*>("Rows");
            return rows->topLevelItemCount() == kControllers &&
                   !rows->topLevelItem(0)->text(Form::ColName).isEmpty();
        },
        [&found] {
            QTreeWidget* rows = siteDialog().findChild<QTreeWidget*>("Rows");
            for (int i = 0; i < rows->topLevelItemCount(); ++i)
                found.push_back(rows->topLevelItem(i)->text(Form::ColController).toStdString() +
                                " " + rows->topLevelItem(i)->text(Form::ColModel).toStdString());
            QTest::mouseClick(siteDialog().findChild<QCheckBox*>("CheckEveryRow"), Qt::LeftButton);
            clickItem(*siteDialog().findChild<QTreeWidget*>("Revisions"), "3.0-1-05");
            // Not the partition that runs the plan's program.
            QTest::keyClicks(siteDialog().findChild<QLineEdit*>("TextPartition"), "16");
        });
    robot.then(
        "Start the found rows",
        [] {
            QTreeWidget* rows = siteDialog().findChild<QTreeWidget*>("Rows");
            return rows->topLevelItem(1)->text(Form::ColRevision) == "3.0-1-05" &&
                   rows->topLevelItem(1)->text(Form::ColPartition) == "16";
        },
        [] { QTest::mouseClick(siteButton("CmdStart"), Qt::LeftButton); });
    emptyPassword(robot);
    robot.answerBox("Commission 2 controllers as the rows show? Nothing has been sent yet.",
                    QMessageBox::Yes);
    std::vector<std::string> foundResults;
    std::vector<int> foundBars;
    runEnds(robot, "site-reports", foundResults, foundBars);
    robot.then("Close", [] { QTest::mouseClick(siteButton("CmdClose"), Qt::LeftButton); });
    ASSERT_TRUE(robot.run(std::chrono::seconds(120)));

    EXPECT_EQ(results, (std::vector<std::string>{"succeeded", "succeeded"}));
    EXPECT_EQ(bars, (std::vector<int>{100, 100}));
    // The run's own report beside the plan.
    std::vector<std::filesystem::path> planReports;
    for (const auto& entry : std::filesystem::directory_iterator(temp / "site"))
        if (entry.path().extension() == ".json") planReports.push_back(entry.path());
    ASSERT_EQ(planReports.size(), 1u);
    EXPECT_EQ(planReports[0].filename().string().rfind("plan.report.20", 0), 0u) << planReports[0];
    std::ifstream in(planReports[0]);
    const auto report = nlohmann::json::parse(in);
    ASSERT_EQ(report["controllers"].size(), static_cast<size_t>(kControllers));
    ASSERT_EQ(afterPlan.size(), static_cast<size_t>(kControllers));
    for (int n = 1; n <= kControllers; ++n) {
        const auto& state = afterPlan[static_cast<size_t>(n - 1)];
        EXPECT_EQ(state.activePartition, 32) << serial(n);
        ASSERT_EQ(state.checksums.count(32), 1u) << serial(n);
        const auto& row = report["controllers"][static_cast<size_t>(n - 1)];
        EXPECT_EQ(row["controller"], serial(n));
        EXPECT_EQ(row["imageChecksum"], simtest::checksumText(state.checksums.at(32))) << serial(n);
    }

    // The search found both, with the model they report; the revision chosen is what they
    // hold now, by kvxsim's saved state and by the report in the machine folder.
    EXPECT_EQ(found, (std::vector<std::string>{serial(1) + " KVX300C KVXreal C controller",
                                               serial(2) + " KVX300C KVXreal C controller"}));
    EXPECT_EQ(foundResults, (std::vector<std::string>{"succeeded", "succeeded"}));
    EXPECT_EQ(foundBars, (std::vector<int>{100, 100}));
    std::vector<std::filesystem::path> reports;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(machineDir) / "site-reports"))
        if (entry.path().extension() == ".json") reports.push_back(entry.path());
    ASSERT_EQ(reports.size(), 1u);
    std::ifstream foundIn(reports[0]);
    const auto foundReport = nlohmann::json::parse(foundIn);
    ASSERT_EQ(foundReport["controllers"].size(), static_cast<size_t>(kControllers));
    for (int n = 1; n <= kControllers; ++n) {
        const auto state = simtest::readSavedController(temp / ("state/" + id(n) + ".state"));
        const auto& row = foundReport["controllers"][static_cast<size_t>(n - 1)];
        EXPECT_EQ(row["controller"], serial(n));
        EXPECT_EQ(row["revision"], "3.0-1-05");
        EXPECT_EQ(row["result"], "succeeded") << row["messages"].dump();
        const int partition = row["partition"];
        EXPECT_EQ(partition, 16);
        EXPECT_EQ(state.activePartition, partition) << serial(n);
        ASSERT_EQ(state.checksums.count(partition), 1u) << serial(n);
        EXPECT_EQ(row["imageChecksum"], simtest::checksumText(state.checksums.at(partition)));
        EXPECT_NE(row["imageChecksum"],
                  simtest::checksumText(afterPlan[static_cast<size_t>(n - 1)].checksums.at(32)))
            << "the revision chosen is not the plan's";
    }
}

}  // namespace
