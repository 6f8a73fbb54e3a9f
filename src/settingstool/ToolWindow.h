#pragma once
// The settings tool's window: what it works on, a button to save and one to load, a progress
// bar and the outcome of the last run.
#include <memory>

class QWidget;

namespace settingstool {

class SettingsJob;
struct ToolArguments;

// Builds the window; the caller shows it and runs the event loop.
std::unique_ptr<QWidget> makeToolWindow(SettingsJob& job, const ToolArguments& arguments);

}  // namespace settingstool
