#pragma once
// The main window as the rooms below it see it: its controls as data, and the few things a
// command or dialog asks of the window itself. The window's own handlers live in `app`.
#include <cstdint>
#include <string>

#include "platform/ui/Controls.h"

namespace program {

class MainWindow {
  public:
    virtual ~MainWindow() = default;

    // ---- controls ----
    std::string Caption = "Krelvan";
    int HeightTwips = 6400;
    ui::ListView CtrlModels;
    ui::ListView CtrlPrograms;
    ui::ListView CurrentController;
    ui::ListView CtrlPartitions;
    ui::Control ButtonLoadProg;
    // The load saves the controller's settings first while this is checked.
    ui::CheckBox CheckBackupSettings;
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
    // The current controller as the window knows it: its address, its module type when known,
    // and the link. A reset or an address change shows here.
    ui::Control ControllerLine;
    std::string ControllerType;  // module type name shown in ControllerLine; empty: not known
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
    // Opens the site dialog, which the window binds itself: it runs on the site engine.
    ui::MenuEntry MenuCommissionSite;
    // Puts the newest application kept for the connected older controller back; the window
    // binds it to the operation itself.
    ui::MenuEntry MenuRestoreImage;

    // ---- what the commands and dialogs ask of the window ----
    virtual void ShowCurrentController() = 0;
    virtual void ResetMainWindowState() = 0;
    // Reads the connected controller's partitions into CtrlPartitions.
    virtual void RefreshPartitionList() = 0;
    // ControllerLine for the controller at pla:ela on the current link (0:0: none answered).
    virtual void ShowControllerLine(int16_t pla, int16_t ela) = 0;
};

}  // namespace program
