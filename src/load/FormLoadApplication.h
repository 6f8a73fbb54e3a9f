#pragma once
// The progress dialog of the KVXreal C loads and the operating-system upgrade, as a
// presentation model. It receives the loader's callbacks and holds the running loader so
// that Cancel can stop it.
#include <string>

#include "platform/components/AppLoader.h"
#include "platform/components/Callbacks.h"
#include "platform/components/OsUpgrader.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FormHost.h"

namespace program {
struct Program;
}

namespace load {

class FormLoadApplication final : public ui::Form,
                                  public components::IQAVSErrorCallback,
                                  public components::IQAVSProgressCallback {
  public:
    explicit FormLoadApplication(program::Program& program);
    ~FormLoadApplication() override;
    std::string formName() const override { return "FormLoadApplication"; }

    // ---- controls ----
    std::string Caption = "Loading application program";
    ui::Control GenLabel;
    ui::ProgressBar ProgressBar1;
    ui::TextBox NumValue;
    ui::Control Label1;
    // The image's bytes the controller has staged, of all of them.
    ui::Control BytesLabel;
    ui::Control OKButton;
    ui::Control CancelButton;

    // ---- members ----
    components::AppLoader* Loader = nullptr;
    components::OsUpgrader* Upgrade = nullptr;
    std::string LoadFunc;
    bool Result = false;

    // Shows the dialog modeless for "LoadProg", "LoadWebSite" or "UpgradeKVXrealC".
    void OpenLoadApp(const std::string& loadFunc);
    void CloseLoadApp();
    bool ShowDlg();

    // ---- loader callbacks ----
    void QAVSErrorMessage(const std::string& Message) override;
    void QAVSProgress(double ZeroToOne) override;
    void QAVSProgressBytes(uint64_t Acknowledged, uint64_t Total) override;

    // ---- event handlers ----
    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();
    void Form_KeyPress(int keyAscii);
    // The user closed the dialog's window.
    void Form_QueryUnload();

  private:
    program::Program& program_;
    bool shown_ = false;
    // The bytes heard just before a QAVSProgress, shown with its percentage.
    std::string bytes_;
};

}  // namespace load
