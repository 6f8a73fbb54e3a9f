#pragma once
// The program's dialogs on the command line: the upgrade question takes the --yes answer, the
// progress dialog prints its percentage and the image's bytes staged (a bar on a terminal, a line
// per change otherwise).
#include <iosfwd>
#include <string>

#include "platform/ui/FormHost.h"

namespace load {
class FormLoadApplication;
}

namespace cli {

class ConsoleForms final : public ui::FormHost {
  public:
    ConsoleForms(std::ostream& out, bool terminal, bool yes)
        : out_(out), terminal_(terminal), yes_(yes) {}

    void showModal(ui::Form& form) override;
    void showModeless(ui::Form& form) override;
    void hide(ui::Form& form) override;

    // Prints the progress of the shown dialog when it changed; called at each event round.
    void showProgress();
    // Presses Cancel of the shown progress dialog, as the window's Escape would.
    void cancelProgress();
    // The job loader of an older controller has no dialog: its progress is printed the same way.
    void showJobProgress(double zeroToOne);

  private:
    // `bytes`: the image's bytes staged so far, when the loader says.
    void print(double zeroToOne, const std::string& percent, const std::string& bytes = "");

    std::ostream& out_;
    bool terminal_;
    bool yes_;
    load::FormLoadApplication* progress_ = nullptr;
    std::string printed_;
};

}  // namespace cli
