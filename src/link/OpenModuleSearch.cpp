#include "link/OpenModuleSearch.h"

#include "app/Program.h"
#include "link/FormSearchModules.h"

namespace clink {

void OpenModuleSearch(app::Program& program) {
    ui::FormHost& host = program.load.forms != nullptr ? *program.load.forms : program.load.noForms;
    FormSearchModules form(program, host);
    form.Form_Load();
    form.ShowDlg();
    form.Form_Unload();
}

}  // namespace clink
