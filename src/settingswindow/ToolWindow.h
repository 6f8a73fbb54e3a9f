#pragma once
// The settings tool's window: what it works on, a button to save and one to load, a progress
// bar and the outcome of the last run.
#include <memory>
#include <optional>
#include <string>

#include "platform/secure/Sodium.h"

class QWidget;

namespace settingstool {

class SettingsJob;
struct ToolArguments;

// Builds the window; the caller shows it and runs the event loop.
std::unique_ptr<QWidget> makeToolWindow(SettingsJob& job, const ToolArguments& arguments);
// Asks for the network password of the controller at `linkName` in a dialog whose input is
// masked; nothing when cancelled.
std::optional<secure::Secret> askPasswordInWindow(const std::string& linkName);

}  // namespace settingstool
