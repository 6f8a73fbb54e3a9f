#pragma once
// The views of the TCP/IP dialogs: "Search and Select" and "TCP/IP Settings".
#include "gui/QtFormHost.h"

namespace gui {

void searchTcpView(FormDialog& dialog, ui::Form& form);
void tcpSettingsView(FormDialog& dialog, ui::Form& form);

}  // namespace gui
