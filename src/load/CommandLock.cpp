#include "load/CommandLock.h"

#include "catalogue/Messages.h"
#include "program/Program.h"

namespace load {

bool CommandRunning(program::Program& program) {
    if (!program.load.commandRunning) return false;
    catalogue::ShowErrorMessage(program.platform.glib,
                                "Another command is still running. Wait until it has ended.");
    return true;
}

CommandLock::CommandLock(program::Program& program, Unlock unlock)
    : program_(program), unlock_(unlock) {
    if (CommandRunning(program)) return;
    acquired_ = true;
    program.load.commandRunning = true;
    program::MainWindow& f = program.mainWindow;
    saved_ = {f.CtrlModels.enabled,      f.CtrlPrograms.enabled,
              f.ButtonLoadProg.enabled,  f.ButtonLoadWeb.enabled,
              f.COMPort.enabled,         f.BtnChangeAddress.enabled,
              f.BtnReset.enabled,        f.SaveLoadSettings.enabled,
              f.CtrlPartitions.enabled,  f.BtnActivatePartition.enabled,
              f.BtnAddPartition.enabled, f.BtnRemovePartition.enabled};
    for (ui::Control* c :
         {static_cast<ui::Control*>(&f.CtrlModels), static_cast<ui::Control*>(&f.CtrlPrograms),
          static_cast<ui::Control*>(&f.CtrlPartitions), &f.ButtonLoadProg, &f.ButtonLoadWeb,
          &f.COMPort, &f.BtnChangeAddress, &f.BtnReset, &f.BtnActivatePartition, &f.BtnAddPartition,
          &f.BtnRemovePartition, static_cast<ui::Control*>(&f.SaveLoadSettings)}) {
        c->enabled = false;
    }
}

CommandLock::~CommandLock() {
    if (!acquired_) return;
    program::MainWindow& f = program_.mainWindow;
    switch (unlock_) {
        case Unlock::FromProgramOptions: {
            const bool linked = program_.connection.CurrentLink != 0;
            f.CtrlStatusLine.caption.clear();
            f.CtrlModels.enabled = f.CtrlPrograms.enabled = f.COMPort.enabled = true;
            f.ButtonLoadProg.enabled = true;
            f.ButtonLoadWeb.enabled = program_.SelectedHasWebSite && linked;
            f.SaveLoadSettings.enabled = !program_.SelectedSettingsPackage.empty();
            f.BtnChangeAddress.enabled = f.BtnReset.enabled = true;
            break;
        }
        case Unlock::Everything:
            f.CtrlStatusLine.caption.clear();
            for (ui::Control* c : {static_cast<ui::Control*>(&f.CtrlModels),
                                   static_cast<ui::Control*>(&f.CtrlPrograms), &f.ButtonLoadProg,
                                   &f.ButtonLoadWeb, &f.COMPort, &f.BtnChangeAddress, &f.BtnReset,
                                   static_cast<ui::Control*>(&f.SaveLoadSettings)}) {
                c->enabled = true;
            }
            break;
        case Unlock::AsBefore:
            f.CtrlModels.enabled = saved_.models;
            f.CtrlPrograms.enabled = saved_.programs;
            f.ButtonLoadProg.enabled = saved_.loadProg;
            f.ButtonLoadWeb.enabled = saved_.loadWeb;
            f.COMPort.enabled = saved_.comPort;
            f.BtnChangeAddress.enabled = saved_.changeAddress;
            f.BtnReset.enabled = saved_.reset;
            f.SaveLoadSettings.enabled = saved_.saveLoad;
            break;
    }
    f.CtrlPartitions.enabled = saved_.partitions;
    f.BtnActivatePartition.enabled = saved_.activate;
    f.BtnAddPartition.enabled = saved_.add || program_.load.partitionsListed;
    f.BtnRemovePartition.enabled = saved_.remove || program_.load.partitionsListed;
    // Every command may have moved the controller (reset, address change) or found it gone.
    f.ShowControllerLine(program_.connection.CurrentPLA, program_.connection.CurrentELA);
    program_.load.commandRunning = false;
}

}  // namespace load
