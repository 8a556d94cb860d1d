// The desktop program: the main window and its message loop. Everything else lives in the
// lathwell_app library so the windows can be tested without this entry point.
#include <QApplication>

#include <exception>

#include "MpException.h"
#include "Prompter.h"
#include "main_form.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    lathwell::app::QtPrompter prompter;
    try {
        lathwell::app::TForm1 form(prompter);
        form.show();
        application.exec();
    } catch (const MpException& e) {
        prompter.ShowMessage(nullptr, QString::fromLocal8Bit(e.GetErrorMessage()), "Error");
    } catch (const std::exception& e) {
        prompter.ShowMessage(nullptr, QString::fromLocal8Bit(e.what()), "Error");
    }
    return 0;
}
