#pragma once
// What the loading and maintenance commands keep for the whole run.
#include <memory>

#include "program/Controller.h"
#include "platform/components/JobLoader.h"
#include "platform/ui/FormHost.h"

namespace program {
struct Program;
}

namespace load {

struct LoadState {
    bool LoadCancelled = false;  // set by the progress dialog's Cancel
    bool commandRunning = false;  // held by CommandLock
    // Add and remove stay enabled once a partition list has been read.
    bool partitionsListed = false;
    // The job loader while it runs, for the main window's Timer1 and Info.
    components::JobLoader* jobLoader = nullptr;
    // The controller the commands talk to; made on first use for the current link.
    std::unique_ptr<Controller> controller;
    // Where dialogs are shown; none means nobody is at the screen.
    ui::FormHost* forms = nullptr;
    ui::NoFormHost noForms;
};

ui::FormHost& FormsOf(program::Program& program);

}  // namespace load
