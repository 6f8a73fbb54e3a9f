#pragma once
// What the loading and maintenance commands keep for the whole run.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "program/Controller.h"
#include "platform/components/JobLoader.h"
#include "platform/transfer/TransferEngine.h"
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
    // Saves the connected controller's settings before a load; set by the front end, since the
    // backups sit above the load. The file; "" with the reason in `why` when there is nothing
    // to back up; nothing with `why` when the backup failed.
    std::function<std::optional<std::string>(std::string& why)> backupSettings;
    // Keeps an older controller's application before a load stops it; set by the front end, as
    // the backups sit above the load. Unset: nothing is read back first.
    components::ImageKeeping keepImages;
    // The operating system was checked (and upgraded where needed) for the next load, just
    // before it: that load does not check it again. The load clears it.
    bool osChecked = false;
    // A load lists the partitions afresh for whoever looks at the list; a site row, where
    // nobody does and which reads back what it needs itself, spares the controller the reads.
    bool listAfterLoad = true;
    // Whether images may travel compressed (--no-compress: Off); every loader made for a
    // command is given it.
    transfer::Compression compression = transfer::Compression::Auto;
};

ui::FormHost& FormsOf(program::Program& program);

}  // namespace load
