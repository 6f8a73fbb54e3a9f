#pragma once
// The view of the "Commission several controllers" dialog.
#include <QColor>

#include "gui/QtFormHost.h"
#include "site/FormSiteCommission.h"

namespace gui {

// The colour of a row's texts and bar: green done, red failed, amber cancelled, grey not
// started; invalid (the style's own) while idle or running.
QColor rowStateColour(site::RowState state);

void siteCommissionView(FormDialog& dialog, ui::Form& form);

}  // namespace gui
