#include "network/NetworkDialogs.h"

#include "network/FormSearchTCP.h"
#include "network/FormTCPSettings.h"

namespace network {

bool ShowSearchTCP(program::Program& program, ui::FormHost& host) {
    FormSearchTCP form(program);
    form.Form_Load();
    host.showModal(form);  // the view runs Form_Activate, the first search, once shown
    form.Form_Unload();
    return form.SearchOkFlg;
}

bool ShowTCPSettings(program::Program& program, ui::FormHost& host) {
    FormTCPSettings form(program);
    form.Form_Load();
    host.showModal(form);
    return form.Result;
}

}  // namespace network
