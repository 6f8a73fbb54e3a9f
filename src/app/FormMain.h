#pragma once
// The main window as a presentation model: its controls as data and its event handlers.
#include <array>
#include <functional>
#include <string>

#include "platform/ui/Controls.h"

namespace app {

struct Program;

class FormMain {
public:
    explicit FormMain(Program& program);

    // ---- controls ----
    std::string Caption = "Krelvan";
    int HeightTwips = 6400;
    ui::ListView CtrlModels;
    ui::ListView CtrlPrograms;
    ui::ListView CurrentController;
    ui::ListView CtrlPartitions;
    ui::Control ButtonLoadProg;
    ui::Control ButtonLoadWeb;
    ui::Control COMPort;
    ui::Control BtnChangeAddress;
    ui::Control BtnReset;
    ui::Control BtnActivatePartition;
    ui::Control BtnAddPartition;
    ui::Control BtnRemovePartition;
    ui::Control LabelPartitionName;
    ui::TextBox CtrlPartitionName;
    ui::Control LabelPartitionSize;
    ui::TextBox CtrlPartitionSize;
    ui::Control Label1;
    ui::Control CtrlStatusLine;
    ui::ProgressBar ProgressBar1;
    ui::Timer Timer1;
    ui::Control Info;
    // Menus
    ui::MenuEntry MenuHelp;
    ui::MenuEntry MenuHelp1;
    ui::MenuEntry MenuDocumentation;
    ui::MenuEntry MenuRevision;
    ui::MenuEntry MenuSettings;
    ui::MenuEntry SaveLoadSettings;
    ui::MenuEntry MenuAdvanced;

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
    void ShowCurrentController();
    void ResetMainWindowState();

private:
    void StartUp();

    Program& program_;
};

}  // namespace app
