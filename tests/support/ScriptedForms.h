#pragma once
// A form host for tests: records each form shown and plays the user's part from a script.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ui/FormHost.h"

namespace testsupport {

class ScriptedForms final : public ui::FormHost {
  public:
    // What the user does when a form of that name is shown: the script gets the form (cast it
    // to its model) and presses its buttons. Without a script a modal form is left as it is.
    std::map<std::string, std::function<void(ui::Form&)>> onShow;
    std::function<void(ui::Form&)> onHide;
    std::vector<std::string> shown;   // "modal Name" or "modeless Name", in order
    std::vector<std::string> hidden;  // names, in order

    void showModal(ui::Form& form) override { play("modal ", form); }
    void showModeless(ui::Form& form) override { play("modeless ", form); }
    void hide(ui::Form& form) override {
        hidden.push_back(form.formName());
        if (onHide) onHide(form);
    }

  private:
    void play(const std::string& how, ui::Form& form) {
        shown.push_back(how + form.formName());
        const auto script = onShow.find(form.formName());
        if (script != onShow.end()) script->second(form);
    }
};

}  // namespace testsupport
