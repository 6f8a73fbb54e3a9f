// An engineer's day through the real window, on the demo network played by kvxsim: every step
// goes through the window's own widgets and dialogs, and is checked both in the window and in
// the simulator's state. Pictures of each step land in the build's screenshots folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "FindWidget.h"
#include "LookChecks.h"
#include "QtApp.h"
#include "WindowRobot.h"
#include "gui/SiteCommissionView.h"
#include "gui/WindowProgram.h"
#include "operations/ImageBackup.h"
#include "platform/wire/Crc32.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "sim/SiteState.h"
#include "support/FakeUi.h"
#include "support/TempFolder.h"

namespace {

using guitest::shownDialog;
using Strings = std::vector<std::string>;

std::string screenshotFolder() {
    const std::string folder = std::filesystem::current_path().string() + "/screenshots";
    std::filesystem::create_directories(folder);
    return folder;
}

class WholeDayTest : public ::testing::Test {
  protected:
    // A load changes the process's current folder into the temporary machine folder, which goes
    // with the test: the next test of this program starts where this one started.
    ~WholeDayTest() override {
        std::error_code error;
        std::filesystem::current_path(startFolder, error);
    }
    WholeDayTest() {
        temp.write("state/.keep", "");
        sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--network", testsupport::sourceDir() + "/demo/network.ini", "--state",
            temp / "state", "--control", temp / "ctl"});
        if (!sim->waitReady()) throw std::runtime_error("kvxsim: " + sim->stderrText());
        const auto udp = simtest::splitHostPort(sim->udp());
        kvxglib::RealLibrary setup(boxesForSetUp, machineDir);
        for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
                 {"Port", sim->serial()},
                 {"DiscoveryPort", std::to_string(udp.port)},
                 {"DiscoveryTarget", "127.255.255.255"},
                 {"DiscoveryWaitMs", "400"}}) {
            setup.WriteSettingText("Kvxmatic.Ini", "Link", key, value, 0);
        }
        app = std::make_unique<gui::WindowProgram>(machineDir);
        app->load();
        app->window.show();
    }

    template <class W>
    W& widget(QWidget& parent, const char* name) {
        return guitest::findWidget<W>(parent, name);
    }
    template <class W>
    W& main(const char* name) {
        return widget<W>(app->window, name);
    }
    QTreeWidget& list(const char* name) { return main<QTreeWidget>(name); }
    bool enabled(const char* button) { return main<QPushButton>(button).isEnabled(); }

    // Clicks the row of `tree` whose column `column` reads `text`.
    static void clickRow(QTreeWidget& tree, int column, const QString& text) {
        const auto found = tree.findItems(text, Qt::MatchExactly, column);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        tree.scrollToItem(found[0]);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(found[0]).center());
    }
    // A step that clicks a button of the main window (which may open dialogs).
    void click(const char* button) {
        robot.then(std::string("click ") + button,
                   [this, button] { QTest::mouseClick(&main<QPushButton>(button), Qt::LeftButton); });
    }
    // A step that waits for dialog `name` (and for `ready` in it) and lets `act` work in it.
    void inDialog(const char* name, std::function<void(QDialog&)> act,
                  std::function<bool(QDialog&)> ready = [](QDialog&) { return true; }) {
        robot.then(
            std::string("dialog ") + name,
            [name, ready] { return shownDialog(name) != nullptr && ready(*shownDialog(name)); },
            [name, act, this] {
                QDialog& dialog = *shownDialog(name);
                EXPECT_EQ(guitest::cutCaptions(dialog), Strings{}) << name;
                EXPECT_EQ(guitest::emptyListsWithScrollBars(dialog), Strings{}) << name;
                robot.screenshot(name);
                act(dialog);
            });
    }
    // A step that types into the input box and presses Enter.
    void typeIntoInputBox(const std::string& text) {
        robot.then(
            "input box", [] { return shownDialog("InputBox") != nullptr; },
            [text] {
                QDialog& box = *shownDialog("InputBox");
                QLineEdit* edit = box.findChild<QLineEdit*>();
                EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
                QTest::keyClicks(edit, QString::fromStdString(text));
                QTest::keyClick(edit, Qt::Key_Return);
            });
    }
    static bool hasRow(QDialog& dialog, const char* list, const char* text) {
        QTreeWidget* tree = dialog.findChild<QTreeWidget*>(list);
        return tree != nullptr && !tree->findItems(text, Qt::MatchExactly, 0).isEmpty();
    }
    // Clicks an option button on its round mark, where a user aims.
    static void choose(QDialog& dialog, const char* option) {
        QRadioButton* button = dialog.findChild<QRadioButton*>(option);
        ASSERT_NE(button, nullptr) << option;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    static void press(QDialog& dialog, const char* button) {
        QPushButton* found = dialog.findChild<QPushButton*>(button);
        ASSERT_NE(found, nullptr) << button;
        ASSERT_TRUE(found->isEnabled()) << button;
        QTest::mouseClick(found, Qt::LeftButton);
    }
    void runSteps(const std::string& stage,
                  std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        ASSERT_TRUE(robot.run(limit)) << stage;
        robot.screenshot(stage);
        EXPECT_EQ(guitest::cutCaptions(app->window), Strings{}) << stage;
        EXPECT_EQ(guitest::emptyListsWithScrollBars(app->window), Strings{}) << stage;
    }
    // Adds a partition named `name` with the advanced settings' controls; its number, or "".
    std::string addPartition(const char* name) {
        robot.then(std::string("name the partition ") + name, [this, name] {
            QLineEdit& edit = main<QLineEdit>("CtrlPartitionName");
            edit.selectAll();
            QTest::keyClicks(&edit, name);
        });
        click("BtnAddPartition");
        runSteps(std::string("partition-added-") + name);
        const auto added = list("CtrlPartitions").findItems(name, Qt::MatchExactly, 1);
        return added.size() == 1 ? added[0]->text(0).toStdString() : std::string();
    }
    // The simulator's saved state of one controller.
    std::string simState(const std::string& id) {
        std::ifstream in(temp / ("state/" + id + ".state"));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // A number the simulator keeps: "number <partition> <attribute> <value>" or
    // "var <kind> <type> <file> <index> <length> <read-only> <value>"; "" when not there.
    std::string simNumber(const std::string& id, const std::string& prefix) {
        std::istringstream lines(simState(id));
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(prefix + " ", 0) == 0) return line.substr(line.rfind(' ') + 1);
        }
        return {};
    }
    // What the simulator keeps of a controller's web server, BACnet and e-mail settings (file
    // 242) but the web server's port: the state file has that only once something changed,
    // until then the server runs on the port the system chose (asked over HTTP instead).
    std::string simServices(const std::string& id) {
        std::istringstream lines(simState(id));
        std::string kept;
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::string word, kind, type, file, index;
            fields >> word >> kind >> type >> file >> index;
            if (word == "var" && file == "242" && index != "165") kept += line + "\n";
        }
        return kept;
    }
    // Column `column` of the row of list `name` whose first column reads `key`; "" when none.
    std::string cell(const char* name, const std::string& key, int column) {
        const auto rows = list(name).findItems(QString::fromStdString(key), Qt::MatchExactly, 0);
        return rows.size() == 1 ? rows[0]->text(column).toStdString() : std::string();
    }
    std::string currentControllerColumn(int column) {
        QTreeWidget& current = list("CurrentController");
        return current.topLevelItemCount() == 1 ? current.topLevelItem(0)->text(column).toStdString()
                                                : std::string();
    }

    const std::filesystem::path startFolder = std::filesystem::current_path();
    QApplication& application = guitest::qtApp();
    testsupport::TempFolder temp;
    std::string machineDir = temp.copyDemo();
    std::unique_ptr<simtest::SimProcess> sim;
    testsupport::ScriptedMessageBoxes boxesForSetUp;
    std::unique_ptr<gui::WindowProgram> app;
    guitest::WindowRobot robot{screenshotFolder()};
};

TEST_F(WholeDayTest, AnEngineersDay) {
    // Morning: the program for the KVXreal C model, current revision.
    clickRow(list("CtrlModels"), 1, "KVX300C KVXreal C controller");
    clickRow(list("CtrlPrograms"), 0, "3.1-0-02");
    ASSERT_TRUE(enabled("COMPort"));

    // Reach the password-protected controller over TCP/IP: choosing TCP/IP finds several
    // controllers, so the search opens; the controller's password is typed once it is chosen.
    click("COMPort");
    inDialog("FormComSettings", [](QDialog& settings) {
        choose(settings, "rbUseTCP");
    });
    inDialog(
        "FormSearchTCP",
        [](QDialog& search) {
            clickRow(*search.findChild<QTreeWidget*>("CtrlList"), 0, "Secure wing");
            press(search, "ButtonOk");
        },
        [](QDialog& search) { return hasRow(search, "CtrlList", "Secure wing"); });
    typeIntoInputBox("demo-password");
    // An OK in its TCP/IP settings right after the detection writes back only what the
    // controller told: its web server, active site, BACnet and e-mail stay as they are.
    std::string servicesBefore;
    inDialog("FormComSettings", [this, &servicesBefore](QDialog& settings) {
        servicesBefore = simServices("Secure");
        press(settings, "btnTCPSettings");
    }, [](QDialog& settings) {
        return !settings.findChild<QLineEdit*>("CtrlCurrentSerialNo")->text().isEmpty();
    });
    inDialog("FormTCPSettings", [](QDialog& tcp) { press(tcp, "CmdOk"); });
    inDialog("FormComSettings", [](QDialog& settings) {
        EXPECT_EQ(settings.findChild<QLineEdit*>("CtrlCurrentSerialNo")->text(), "KVX300-10777");
        press(settings, "CmdOk");
    }, [](QDialog& settings) {
        return !settings.findChild<QLineEdit*>("CtrlCurrentSerialNo")->text().isEmpty();
    });
    runSteps("connected");
    EXPECT_NE(servicesBefore.find(" 242 164 "), std::string::npos) << "the web server's switch";
    EXPECT_EQ(simServices("Secure"), servicesBefore);
    EXPECT_TRUE(simtest::httpGet(sim->http("Secure"), "/").has_value())
        << "the web server still answers on its port";
    EXPECT_EQ(currentControllerColumn(1), "Secure wing");
    EXPECT_EQ(currentControllerColumn(2), "KVX300-10777");
    EXPECT_TRUE(enabled("ButtonLoadProg"));
    EXPECT_GE(list("CtrlPartitions").topLevelItemCount(), 1);

    // A partition of its own for the program, from the advanced settings.
    robot.then("advanced settings", [this] { main<QAction>("MenuAdvanced").trigger(); });
    const std::string number = addPartition("Ventilation");
    ASSERT_FALSE(number.empty());
    EXPECT_NE(simState("Secure").find("partition " + number + "\n"), std::string::npos);

    // Secure runs KVXreal C 3.1; the revision ships 3.2-0-4.
    const std::pair<const char*, const char*> imageVersion[] = {
        {"92", "3"}, {"93", "2"}, {"94", "0"}, {"95", "4"}};
    EXPECT_EQ(simNumber("Secure", "var 1 3 241 93"), "1") << "minor version before";

    // Load the program into it.
    robot.then("pick the partition", [this] {
        clickRow(list("CtrlPartitions"), 1, "Ventilation");
    });
    click("ButtonLoadProg");
    // The revision needs a newer operating system first.
    inDialog("FormUpgradeKVXreal", [](QDialog& upgrade) { press(upgrade, "OKButton"); });
    robot.answerBox("Operating system upgraded from 3.1-0-12 to 3.2-0-4.");
    robot.answerBox("loaded into partition " + number);
    runSteps("program-loaded");
    // A good upgrade is news: an information box, never a red one.
    // After the message, the bytes the upgrade sent and their rate.
    const auto upgraded =
        std::find_if(robot.boxes().begin(), robot.boxes().end(), [](const std::string& box) {
            return box.rfind("Operating system upgraded from 3.1-0-12 to 3.2-0-4. Loaded ", 0) == 0;
        });
    ASSERT_NE(upgraded, robot.boxes().end());
    EXPECT_EQ(robot.boxIcons()[upgraded - robot.boxes().begin()], QMessageBox::Information);
    // With the box left checked, its settings were saved first, under its serial number.
    const auto backups = std::filesystem::path(machineDir) / "backups" / "KVX300-10777";
    ASSERT_TRUE(std::filesystem::is_directory(backups));
    const auto backup = *std::filesystem::directory_iterator(backups);
    EXPECT_EQ(backup.path().extension(), ".settings");
    {
        std::ifstream in(backup.path());
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_NE(text.str().find("QSystem.ControllerName=text:Secure wing\n"), std::string::npos)
            << text.str();
    }
    // The upgrade took: the controller reports the image's version.
    for (const auto& [index, value] : imageVersion)
        EXPECT_EQ(simNumber("Secure", std::string("var 1 3 241 ") + index), value) << index;
    EXPECT_NE(simNumber("Secure", "number " + number + " 1000"), "") << "the image's checksum";
    // The list shows the loaded image's size in kilobytes, rounded up.
    const std::string bytes = simNumber("Secure", "number " + number + " 8");
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(cell("CtrlPartitions", number, 4),
              std::to_string((std::stoi(bytes) + 1023) / 1024) + " KB");
    EXPECT_EQ(cell("CtrlPartitions", number, 1), "Heating and ventilation with web site (Active)");
    EXPECT_EQ(simNumber("Secure", "var 1 3 241 88"), number) << "the active partition";

    // Its web site, into a partition of its own, then read back over HTTP.
    const std::string webNumber = addPartition("Web");
    ASSERT_FALSE(webNumber.empty());
    robot.then("pick the web partition", [this] { clickRow(list("CtrlPartitions"), 1, "Web"); });
    ASSERT_TRUE(robot.run());
    ASSERT_TRUE(enabled("ButtonLoadWeb"));
    click("ButtonLoadWeb");
    inDialog("FormReloadTCPIP", [](QDialog& reload) { press(reload, "OKButton"); });
    robot.answerBox("The web site was loaded into partition " + webNumber + ".");
    runSteps("web-site-loaded");
    EXPECT_EQ(cell("CtrlPartitions", webNumber, 1), "WEBapplication (Active)");
    EXPECT_EQ(simNumber("Secure", "number " + webNumber + " 4"), "3") << "a web partition";
    const std::string source = testsupport::sourceDir() + "/demo/sites/heating-ventilation/";
    for (const char* page : {"index.html", "status.html"}) {
        const auto reply = simtest::httpGet(sim->http("Secure"), std::string("/") + page);
        ASSERT_TRUE(reply.has_value()) << page;
        EXPECT_EQ(reply->status, 200) << page;
        std::ifstream file(source + page);
        std::stringstream text;
        text << file.rdbuf();
        EXPECT_EQ(reply->body, text.str()) << page;
    }

    // Give it another address, then reset it.
    click("BtnChangeAddress");
    inDialog("FormChangeAddr", [](QDialog& change) {
        EXPECT_EQ(change.findChild<QLineEdit*>("CurPlaText")->text(), "3");
        EXPECT_EQ(change.findChild<QLineEdit*>("CurElaText")->text(), "1");
        for (const auto& [field, value] : {std::pair{"NewPlaText", "3"}, {"NewElaText", "7"}}) {
            QLineEdit* edit = change.findChild<QLineEdit*>(field);
            edit->selectAll();
            QTest::keyClicks(edit, value);
        }
        press(change, "OKButton");
    });
    robot.answerBox("The address was successfully changed");
    runSteps("address-changed");
    EXPECT_EQ(simNumber("Secure", "var 1 2 241 1"), "7") << simState("Secure");

    click("BtnReset");
    robot.answerBox("Do you wish to reset the controller ?", QMessageBox::Yes);
    runSteps("reset");

    // Afternoon: the serial bus, scanned for its modules, then taken as the link.
    click("COMPort");
    inDialog("FormComSettings", [](QDialog& settings) {
        choose(settings, "rbUseSerial");
        press(settings, "btnSearchSerial");
    });
    inDialog("FormSearchModules", [](QDialog& search) { press(search, "ActionButton"); });
    inDialog(
        "FormSearchModules",
        [this](QDialog& search) {
            QTreeWidget& found = *search.findChild<QTreeWidget*>("ParamList");
            ASSERT_GE(found.topLevelItemCount(), 1);
            QTreeWidgetItem* head = found.topLevelItem(0);
            EXPECT_EQ(head->text(0) + ":" + head->text(1), "10:1");
            EXPECT_EQ(head->text(2), "KVX300C");
            EXPECT_EQ(head->text(3), "-");
            robot.screenshot("modules-found");
            press(search, "CloseButton");
        },
        [](QDialog& search) {
            return search.findChild<QLabel*>("ParamListLabel")->text().startsWith(
                "The search has ended.");
        });
    inDialog("FormComSettings", [](QDialog& settings) { press(settings, "CmdOk"); });
    // The search probes every address of the bus; on a busy machine that outlasts a click's wait.
    runSteps("serial", std::chrono::minutes(2));
    EXPECT_TRUE(enabled("ButtonLoadProg"));
    EXPECT_FALSE(enabled("ButtonLoadWeb")) << "a web site needs a TCP/IP link";
    EXPECT_EQ(currentControllerColumn(3), "") << "no TCP/IP address on the serial link";
    EXPECT_EQ(cell("CtrlPartitions", "16", 1), "Pumps") << "the bus head's partitions";
}

// The demo site commissioned from its plan through "Commission several controllers": the
// preview before anything is sent; a first run with the site's password, which only the
// password-protected controller has (a given password means a sealed link, so the open ones
// refuse it); Redo failed rows without it, stopped after its first row; and Redo once more.
// The rows in the colours of their outcome and the counts at each end; every controller read
// back from kvxsim.
TEST_F(WholeDayTest, TheDemoSiteFromItsPlan) {
    using Form = site::FormSiteCommission;
    using site::RowState;
    const std::string plan = temp / "demo/site/plan.csv";
    // Each run's report of its own, beside the plan.
    const std::string reports = temp / "demo/site/plan.report.20";
    const auto rows = [] {
        return shownDialog("FormSiteCommission")->findChild<QTreeWidget*>("Rows");
    };
    const auto status = [] {
        return shownDialog("FormSiteCommission")
            ->findChild<QLabel*>("LabelStatus")
            ->text()
            .toStdString();
    };
    const auto saved = [this](const char* id) {
        return simtest::readSavedController(temp / ("state/" + std::string(id) + ".state"));
    };
    // What a controller holds that a run would change.
    const auto held = [](const simtest::SavedController& c) {
        std::string text = c.version + " " + c.address + " " + std::to_string(c.activePartition);
        for (const auto& [partition, checksum] : c.checksums)
            text += " " + std::to_string(partition) + "=" + std::to_string(checksum);
        return text + " " + std::to_string(c.applicationChecksum);
    };
    // Each row's result, the colour of its texts and bar, and its bar's position (0..100).
    struct Shown {
        std::string result;
        QColor text, bar;
        int position = -1;
    };
    struct End {
        std::vector<Shown> rows;
        std::string status;
    };
    const auto shownRows = [rows] {
        std::vector<Shown> shown;
        QTreeWidget* list = rows();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = list->topLevelItem(i);
            auto* bar = qobject_cast<QProgressBar*>(list->itemWidget(item, Form::ColProgress));
            shown.push_back({item->text(Form::ColResult).toStdString(),
                             item->foreground(Form::ColResult).color(),
                             bar->palette().color(QPalette::Highlight),
                             bar->value() * 100 / bar->maximum()});
        }
        return shown;
    };
    const auto start = [this](const char* button, const std::string& password, int count) {
        robot.then(std::string("press ") + button,
                   [button] { press(*shownDialog("FormSiteCommission"), button); });
        robot.then(
            "password box", [] { return shownDialog("InputBox") != nullptr; },
            [password] {
                QLineEdit* edit = shownDialog("InputBox")->findChild<QLineEdit*>();
                QTest::keyClicks(edit, QString::fromStdString(password));
                QTest::keyClick(edit, Qt::Key_Return);
            });
        robot.answerBox("Commission " + std::to_string(count) +
                            (count == 1 ? " controller" : " controllers") +
                            " as the rows show? Nothing has been sent yet.",
                        QMessageBox::Yes);
    };
    // Once the status names the report after `counts`, the rows as shown, and a picture.
    const auto ends = [this, status, shownRows](const std::string& counts, const char* shot,
                                                End& end) {
        robot.then(
            std::string("the end: ") + shot,
            [status, counts] {
                return status().rfind(counts, 0) == 0 &&
                       status().find("report:") != std::string::npos;
            },
            [this, status, shownRows, shot, &end] {
                end = {shownRows(), status()};
                robot.screenshot(shot);
            });
    };
    std::map<std::string, std::string> before;
    for (const char* id : {"Secure", "Heating"}) before[id] = held(saved(id));
    const simtest::SavedController heatingBefore = saved("Heating");

    robot.then("open the site dialog", [this] { main<QAction>("MenuCommissionSite").trigger(); });
    std::string openedIn;
    inDialog("FormSiteCommission", [](QDialog& dialog) { press(dialog, "CmdOpen"); });
    robot.then(
        "choose the demo plan",
        [] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (qobject_cast<QFileDialog*>(widget) && widget->isVisible()) return true;
            return false;
        },
        [&openedIn, plan] {
            QFileDialog* files = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QFileDialog*>(widget);
                    dialog && dialog->isVisible())
                    files = dialog;
            openedIn = files->directory().absolutePath().toStdString();
            auto* name = files->findChild<QLineEdit*>("fileNameEdit");
            QTest::keyClicks(name, QString::fromStdString(plan));
            QTest::keyClick(name, Qt::Key_Return);
        });
    // One controller at a time, so that Stop finds the later rows not yet started.
    inDialog(
        "FormSiteCommission",
        [](QDialog& dialog) {
            QLineEdit* jobs = dialog.findChild<QLineEdit*>("TextJobs");
            jobs->selectAll();
            QTest::keyClicks(jobs, "1");
        },
        [rows](QDialog&) { return rows()->topLevelItemCount() == 4; });
    // The question comes with the preview on the rows.
    std::vector<std::string> previews;
    robot.then("press CmdStart", [] { press(*shownDialog("FormSiteCommission"), "CmdStart"); });
    robot.then(
        "password box", [] { return shownDialog("InputBox") != nullptr; },
        [] {
            QLineEdit* edit = shownDialog("InputBox")->findChild<QLineEdit*>();
            QTest::keyClicks(edit, "demo-password");
            QTest::keyClick(edit, Qt::Key_Return);
        });
    robot.then(
        "the preview", [] { return guitest::shownMessageBox() != nullptr; },
        [this, rows, &previews] {
            for (int i = 0; i < rows()->topLevelItemCount(); ++i)
                previews.push_back(rows()->topLevelItem(i)->text(Form::ColPreview).toStdString());
            robot.screenshot("site-preview");
        });
    robot.answerBox("Commission 4 controllers as the rows show? Nothing has been sent yet.",
                    QMessageBox::Yes);
    // Stopped once the second row runs: the later rows never start.
    robot.then(
        "Stop once the second row runs",
        [rows] { return !rows()->topLevelItem(1)->text(Form::ColStep).isEmpty(); },
        [] { press(*shownDialog("FormSiteCommission"), "CmdStop"); });
    End stopped, failed, last;
    ends("", "site-stopped", stopped);
    std::string heatingAfterStop;
    robot.then("note the stopped run, and make Heating refuse its commit", [&] {
        heatingAfterStop = held(saved("Heating"));
        ASSERT_EQ(simtest::control(temp / "ctl", "fault Heating refuse_commit 1"), "ok");
    });

    // The rest with the site's one password, which only Secure has: the open ones are
    // reached as they are. Close while it runs asks first, and No keeps it running.
    robot.then("press CmdRedo", [] { press(*shownDialog("FormSiteCommission"), "CmdRedo"); });
    robot.then(
        "password box", [] { return shownDialog("InputBox") != nullptr; },
        [] {
            QLineEdit* edit = shownDialog("InputBox")->findChild<QLineEdit*>();
            QTest::keyClicks(edit, "demo-password");
            QTest::keyClick(edit, Qt::Key_Return);
        });
    robot.answerBox(" as the rows show? Nothing has been sent yet.", QMessageBox::Yes);
    robot.then("Close during the run",
               [] { press(*shownDialog("FormSiteCommission"), "CmdClose"); });
    robot.answerBox("A run is under way.", QMessageBox::No);
    ends("3 succeeded, 1 failed", "site-one-failed", failed);
    simtest::SavedController heatingAfterFailure;
    bool heatingRuns = false;
    robot.then("note the failed row, and mend Heating", [&] {
        heatingAfterFailure = saved("Heating");
        heatingRuns = simState("Heating").find("application 1 1\n") != std::string::npos;
        ASSERT_EQ(simtest::control(temp / "ctl", "clear Heating"), "ok");
    });
    start("CmdRedo", "demo-password", 1);
    ends("4 succeeded", "site-redone", last);
    robot.then("Close", [] { press(*shownDialog("FormSiteCommission"), "CmdClose"); });
    runSteps("site-commissioned", std::chrono::minutes(3));

    EXPECT_EQ(openedIn, std::filesystem::canonical(machineDir).string()) << "Open… starts there";
    ASSERT_EQ(previews.size(), 4u);
    EXPECT_NE(previews[0].find("partition 32"), std::string::npos) << previews[0];
    EXPECT_NE(previews[0].find("boiler.settings"), std::string::npos) << previews[0];
    EXPECT_NE(previews[3].find("-> 4:2"), std::string::npos) << previews[3];

    const auto colour = gui::rowStateColour;
    const auto named = [](const End& end) {
        const std::string report = end.status.substr(end.status.find(", report: ") + 10);
        return report.substr(0, report.find(" and "));
    };
    // Stopped: Boiler done, Ventilation stopped (amber) or done, Secure and Heating never
    // started (grey, their bars empty, nothing sent to them).
    ASSERT_EQ(stopped.rows.size(), 4u);
    EXPECT_EQ(stopped.rows[0].result, "succeeded");
    EXPECT_EQ(stopped.rows[0].bar, colour(RowState::Succeeded));
    const bool cancelled = stopped.rows[1].result == "cancelled";
    if (cancelled) {
        EXPECT_EQ(stopped.rows[1].bar, colour(RowState::Cancelled));
        EXPECT_EQ(stopped.rows[1].text, colour(RowState::Cancelled));
    } else {
        EXPECT_EQ(stopped.rows[1].result, "succeeded");
    }
    for (size_t i : {2, 3}) {
        EXPECT_EQ(stopped.rows[i].result, "not started") << i;
        EXPECT_EQ(stopped.rows[i].position, 0) << i;
        EXPECT_EQ(stopped.rows[i].text, colour(RowState::NotStarted)) << i;
    }
    EXPECT_EQ(stopped.status.substr(0, stopped.status.find(", report: ")),
              std::string(cancelled ? "1 succeeded, 1 cancelled" : "2 succeeded") +
                  ", 2 not started");
    EXPECT_THAT(named(stopped), ::testing::StartsWith(reports));
    EXPECT_EQ(heatingAfterStop, before["Heating"]);

    // The redo: Heating refused its commit (red) and runs the application it had, at its old
    // address; the others done; a report of its own, the stopped run's kept.
    ASSERT_EQ(failed.rows.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const RowState state = i == 3 ? RowState::Failed : RowState::Succeeded;
        EXPECT_EQ(failed.rows[i].result, i == 3 ? "failed" : "succeeded") << i;
        EXPECT_EQ(failed.rows[i].text, colour(state)) << i;
        EXPECT_EQ(failed.rows[i].bar, colour(state)) << i;
    }
    EXPECT_THAT(named(failed), ::testing::StartsWith(reports));
    EXPECT_NE(named(failed), named(stopped));
    EXPECT_TRUE(std::filesystem::exists(named(stopped))) << "an earlier report is kept";
    EXPECT_EQ(heatingAfterFailure.address, heatingBefore.address);
    EXPECT_EQ(heatingAfterFailure.applicationChecksum, heatingBefore.applicationChecksum);
    EXPECT_TRUE(heatingRuns) << "the application it had runs again";

    // The last redo: every row done, the counts and the report of the whole site.
    ASSERT_EQ(last.rows.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(last.rows[i].result, "succeeded") << i;
        EXPECT_EQ(last.rows[i].bar, colour(RowState::Succeeded)) << i;
        EXPECT_EQ(last.rows[i].position, 100) << i;
    }
    EXPECT_EQ(last.status.substr(0, last.status.find(", report: ")), "4 succeeded");
    std::ifstream in(named(last));
    const auto written = nlohmann::json::parse(in);
    ASSERT_EQ(written["controllers"].size(), 4u);
    for (const auto& row : written["controllers"])
        EXPECT_EQ(row["result"], "succeeded") << row.dump();
    const struct {
        const char* id;
        size_t row;
        int partition;
    } loaded[] = {{"Boiler", 0, 32}, {"Secure", 2, 32}};
    for (const auto& l : loaded) {
        const auto state = saved(l.id);
        EXPECT_EQ(state.activePartition, l.partition) << l.id;
        ASSERT_EQ(state.checksums.count(l.partition), 1u) << l.id;
        EXPECT_EQ(written["controllers"][l.row]["imageChecksum"],
                  simtest::checksumText(state.checksums.at(l.partition)))
            << l.id;
    }
    EXPECT_EQ(saved("Heating").address, "4:2");
    EXPECT_EQ(written["controllers"][3]["addressAfter"], "4:2");
}

// An older controller's kept application goes back through the window's menu: nothing is kept
// at first, a Cancel changes nothing, an OK puts the newest kept one back and it runs.
TEST_F(WholeDayTest, PutsTheKeptApplicationBackFromTheMenu) {
    const std::string serial = "KVX200-20054";
    clickRow(list("CtrlModels"), 1, "KVX200 heating controller");
    QTreeWidget& revisions = list("CtrlPrograms");
    ASSERT_GE(revisions.topLevelItemCount(), 1);
    clickRow(revisions, 0, revisions.topLevelItem(0)->text(0));
    ASSERT_TRUE(enabled("COMPort"));
    click("COMPort");
    inDialog("FormComSettings", [](QDialog& settings) { choose(settings, "rbUseTCP"); });
    inDialog(
        "FormSearchTCP",
        [](QDialog& search) {
            clickRow(*search.findChild<QTreeWidget*>("CtrlList"), 0, "Heating east");
            press(search, "ButtonOk");
        },
        // Once the search is done: the list takes no choice while it is filled.
        [](QDialog& search) {
            return hasRow(search, "CtrlList", "Heating east") &&
                   search.findChild<QTreeWidget*>("CtrlList")->isEnabled();
        });
    inDialog("FormComSettings", [](QDialog& settings) { press(settings, "CmdOk"); },
             [](QDialog& settings) {
                 return !settings.findChild<QLineEdit*>("CtrlCurrentSerialNo")->text().isEmpty();
             });
    runSteps("heating-connected");
    ASSERT_EQ(currentControllerColumn(2), serial);

    const auto putBack = [this] {
        robot.then("put back", [this] { main<QAction>("MenuRestoreImage").trigger(); });
    };
    const std::string folder = machineDir + "/backups/" + serial;
    putBack();
    robot.answerBox("No application of " + serial + " is kept in " + folder + ".");
    runSteps("nothing-kept");

    // What the controller runs is not what is kept, older or newer.
    const auto keep = [&](uint8_t seed, std::chrono::system_clock::time_point when) {
        components::HeldApplication application;
        for (int i = 0; i < 6000; ++i) application.image.push_back(uint8_t(i * 37 + seed));
        std::string why;
        const auto path = operations::keepImage(machineDir, serial, when, application, why);
        EXPECT_TRUE(path.has_value()) << why;
        return std::pair{path.value_or(""), wire::crc32(application.image)};
    };
    const auto now = std::chrono::system_clock::now();
    keep(1, now - std::chrono::hours(2));
    const auto [newest, crc] = keep(2, now);
    const std::string question = "Put the application kept in " + newest +
                                 " back into the controller at 4:1? The application it holds "
                                 "now is replaced.";
    const std::string before = simState("Heating");
    ASSERT_NE(static_cast<uint32_t>(
                  simtest::readSavedController(temp / "state/Heating.state").applicationChecksum),
              crc);

    putBack();
    robot.answerBox(question, QMessageBox::Cancel);
    robot.answerBox("The kept application was not put back: the question was answered Cancel; "
                    "nothing was changed");
    runSteps("put-back-cancelled");
    EXPECT_EQ(simState("Heating"), before);

    putBack();
    robot.answerBox(question, QMessageBox::Ok);
    robot.answerBox("The application kept in " + newest + " was put back and runs.");
    runSteps("put-back");
    const auto after = simtest::readSavedController(temp / "state/Heating.state");
    // Kept as the controller's signed long.
    EXPECT_EQ(static_cast<uint32_t>(after.applicationChecksum), crc);
    EXPECT_EQ(after.address, "4:1");
    EXPECT_NE(simState("Heating").find("application 1 1\n"), std::string::npos);
    EXPECT_EQ(robot.boxIcons().back(), QMessageBox::Information);
}

}  // namespace
