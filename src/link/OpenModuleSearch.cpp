#include "link/OpenModuleSearch.h"

#include "program/Program.h"
#include "link/FormSearchModules.h"

namespace clink {

void OpenModuleSearch(program::Program& program) {
    ui::FormHost& host = program.load.forms != nullptr ? *program.load.forms : program.load.noForms;
    FormSearchModules form(program, host);
    form.Form_Load();
    form.ShowDlg();
    form.Form_Unload();
}

}  // namespace clink
