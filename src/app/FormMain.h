#pragma once
// The main window as a presentation model: its controls as data and its event handlers.
#include <string>

#include "program/MainWindow.h"

namespace program {
struct Program;
}

namespace app {

class FormMain : public program::MainWindow {
  public:
    explicit FormMain(program::Program& program);

    // ---- event handlers ----
    void Form_Load();
    void CtrlModels_ItemClick(int row);
    void CtrlPrograms_ItemClick(int row);
    void CtrlPartitions_ItemClick(int row);
    void ButtonLoadProg_Click();
    void ButtonLoadWeb_Click();
    void COMPort_Click();
    void BtnChangeAddress_Click();
    void BtnReset_Click();
    void BtnAddPartition_Click();
    void BtnRemovePartition_Click();
    void BtnActivatePartition_Click();
    void Info_Click();
    void Timer1_Timer();
    void MenuHelp1_Click();
    void MenuDocumentation_Click();
    void MenuRevision_Click();
    void SaveLoadSettings_Click();
    void MenuAdvanced_Click();

    // ---- operations offered to the rest of the program ----
    std::string GetToolPath();
    void ShowCurrentController() override;
    void ResetMainWindowState() override;
    void RefreshPartitionList() override;
    void ShowControllerLine(int16_t pla, int16_t ela) override;

  private:
    void StartUp();

    program::Program& program_;
};

}  // namespace app
