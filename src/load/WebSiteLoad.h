#pragma once
// "Load Web-site": the confirmation dialog, then on KVXreal C controllers the selected
// program's web-site image ("Image.Ecp") into a web partition.
namespace program {
struct Program;
}

namespace load {

enum class WebLoadOutcome { Loaded, Cancelled, Failed, NotRun };

// The main window's button: holds the command lock for the dialog and the load. On a
// controller without KVXreal C the outcome is the option reload's.
WebLoadOutcome LoadWebSiteCommand(program::Program& program);

// The load into a KVXreal C controller; the outcome is what the user was told.
WebLoadOutcome LoadWebSite(program::Program& program);

}  // namespace load
