#include "load/FormLoadApplication.h"

#include "program/Program.h"
#include "catalogue/Texts.h"
#include "load/ProgressText.h"
#include "platform/components/LoadFigures.h"

namespace load {
namespace {

constexpr int Escape = 27;
constexpr int32_t kOk = 256;
constexpr int32_t kCancel = 257;

struct Captions {
    int32_t caption;
    int32_t general;
};

Captions captionsFor(const std::string& loadFunc) {
    if (loadFunc == "UpgradeKVXrealC") return {952, 953};
    if (loadFunc == "LoadWebSite") return {954, 955};
    return {950, 951};
}

}  // namespace

FormLoadApplication::FormLoadApplication(program::Program& program) : program_(program) {
    GenLabel.caption =
        "The application program is loading into the controller, press Cancel to interupt.";
    NumValue.text = "0";
    Label1.caption = "%";
    OKButton.caption = "OK";
    CancelButton.caption = "Cancel";
}

// Unloading a dialog that is still shown cancels what it holds, as closing its window does.
FormLoadApplication::~FormLoadApplication() {
    if (shown_) CloseLoadApp();
}

void FormLoadApplication::OpenLoadApp(const std::string& loadFunc) {
    LoadFunc = loadFunc;
    BytesLabel.caption.clear();
    bytes_.clear();
    Form_Load();
    shown_ = true;
    FormsOf(program_).showModeless(*this);
}

void FormLoadApplication::CloseLoadApp() {
    Result = false;
    program_.mainWindow.ProgressBar1.value = 0;
    if (!shown_) return;
    shown_ = false;
    FormsOf(program_).hide(*this);
}

bool FormLoadApplication::ShowDlg() {
    Form_Load();
    shown_ = true;
    FormsOf(program_).showModal(*this);
    return Result;
}

void FormLoadApplication::Form_Load() {
    kvxglib::Library& glib = program_.platform.glib;
    const Captions texts = captionsFor(LoadFunc);
    Caption = catalogue::GetText(glib, texts.caption);
    GenLabel.caption = catalogue::GetText(glib, texts.general);
    OKButton.caption = catalogue::GetText(glib, kOk);
    CancelButton.caption = catalogue::GetText(glib, kCancel);
}

void FormLoadApplication::QAVSErrorMessage(const std::string& Message) {
    program_.platform.glib.AskQuestion(Message, 0, "Krelvan", 0);
}

void FormLoadApplication::QAVSProgress(double ZeroToOne) {
    // Events first, so that Cancel and Escape act between two reports.
    program_.platform.screen.processEvents();
    ProgressBar1.value = static_cast<float>(ClampedProgress(ZeroToOne));
    NumValue.text = PercentText(ZeroToOne, UserDecimalPoint());
    BytesLabel.caption = bytes_;
    // The main window shows the load too, so that it stays in sight once OK hid the dialog.
    program::MainWindow& window = program_.mainWindow;
    window.ProgressBar1.value = ProgressBar1.value;
    if (!shown_)
        window.CtrlStatusLine.caption =
            Caption + ": " + NumValue.text + " %" +
            (BytesLabel.caption.empty() ? "" : " (" + BytesLabel.caption + ")");
}

void FormLoadApplication::QAVSProgressBytes(uint64_t Acknowledged, uint64_t Total) {
    bytes_ = components::bytesText(Acknowledged, Total);
}

void FormLoadApplication::OKButton_Click() {
    Result = true;
    shown_ = false;
    FormsOf(program_).hide(*this);
}

void FormLoadApplication::CancelButton_Click() {
    if (Loader != nullptr) {
        Loader->Cancel();
        program_.load.LoadCancelled = true;
    }
    if (Upgrade != nullptr) {
        Upgrade->Cancel();
        program_.load.LoadCancelled = true;
    }
    Result = false;
    shown_ = false;
    FormsOf(program_).hide(*this);
}

void FormLoadApplication::Form_KeyPress(int keyAscii) {
    if (keyAscii == Escape) CancelButton_Click();
}

void FormLoadApplication::Form_QueryUnload() { CancelButton_Click(); }

}  // namespace load
