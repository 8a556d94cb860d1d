// Times one pad/truncate run driven by the main window, for comparison with the same run
// through lathwell-cli: window_run INPUT OUTPUT LENGTH. Message boxes are printed instead of
// shown, so the run needs no user. Prints the wall-clock seconds of ProcessFile on stdout.
#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "Prompter.h"
#include "main_form.h"

namespace {

using lathwell::app::FileDialogRequest;
using lathwell::app::Prompter;

class PrintingPrompter : public Prompter {
public:
    void ShowMessage(QWidget*, const QString& sText, const QString& sCaption) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(sCaption), qPrintable(sText));
    }
    bool AskYesNo(QWidget*, const QString&, const QString&) override { return true; }
    QString ChooseOpenFile(QWidget*, const FileDialogRequest&) override { return {}; }
    QString ChooseSaveFile(QWidget*, const FileDialogRequest&) override { return {}; }
    void Beep() override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: window_run INPUT OUTPUT LENGTH\n");
        return 2;
    }
    QApplication application(argc, argv);
    PrintingPrompter prompter;
    lathwell::app::TForm1 form(prompter);
    form.show();
    lathwell::ConversionSettings settings;
    settings.inputName = argv[1];
    settings.outputName = argv[2];
    settings.recordLength = std::atoi(argv[3]);
    const auto start = std::chrono::steady_clock::now();
    form.ProcessFile(settings);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%.3f\n", elapsed.count());
    return 0;
}
