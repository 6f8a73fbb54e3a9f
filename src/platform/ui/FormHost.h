#pragma once
// Showing the program's dialogs. A form is a presentation model; the host puts it on the
// screen (the GUI), plays a script (tests) or shows nothing at all.
#include <string>

namespace ui {

class Form {
  public:
    virtual ~Form() = default;
    // The form's name, which is also the name of its .ui file.
    virtual std::string formName() const = 0;
};

class FormHost {
  public:
    virtual ~FormHost() = default;
    // Shows the form modally; returns once the form has asked to be hidden.
    virtual void showModal(Form& form) = 0;
    // Shows the form and returns at once.
    virtual void showModeless(Form& form) = 0;
    // Hides a shown form; a modal show returns.
    virtual void hide(Form& form) = 0;
};

// Nobody at the screen: a modal form returns at once with what it holds, as if dismissed.
class NoFormHost final : public FormHost {
  public:
    void showModal(Form&) override {}
    void showModeless(Form&) override {}
    void hide(Form&) override {}
};

}  // namespace ui
