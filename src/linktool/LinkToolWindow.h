#pragma once
// The link tool's window: a page about the machine's settings file and the link page, where
// the serial port and its rate are chosen and saved.
#include <QDialog>
#include <string>

class QComboBox;
class QLabel;
class QTabWidget;

namespace linktool {

class LinkToolWindow final : public QDialog {
  public:
    // `linkPage`: open on the link page ("/L").
    LinkToolWindow(std::string settingsFile, std::string machineDir, bool linkPage);

  private:
    void showCurrent();
    void save();

    std::string settingsFile_;
    QTabWidget* tabs_;
    QComboBox* port_;
    QComboBox* baud_;
    QLabel* current_;
};

}  // namespace linktool
