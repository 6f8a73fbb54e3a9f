#include "gui/ModuleSearchView.h"

#include "gui/ViewSetUp.h"
#include "link/FormSearchModules.h"
#include "ui_FormSearchModules.h"

namespace gui {

void searchModulesView(FormDialog& dialog, ui::Form& form) {
    auto& model = dynamic_cast<clink::FormSearchModules&>(form);
    setUp<Ui::FormSearchModules>(dialog);
    // The dialog grows with its list but never becomes smaller than it opens.
    dialog.setMinimumSize(dialog.size());
    Binder& b = dialog.binder();
    b.title(model.Caption);
    b.shown(model.Visible);
    b.list("ParamList", model.ParamList);
    b.control("ParamListLabel", model.ParamListLabel);
    b.control("BackgroundBox", model.BackgroundBox);
    b.control("ActionButton", model.ActionButton, [&model] { model.ActionButton_Click(); });
    b.control("CloseButton", model.CloseButton, [&model] { model.CloseButton_Click(); });
    b.checkBox("CheckSearchAll", model.CheckSearchAll, [&model] { model.CheckSearchAll_Click(); });
    dialog.onReject([&model] { model.Form_KeyPress(27); });
    dialog.onClose([&model] { model.Form_QueryUnload(); });
}

}  // namespace gui
