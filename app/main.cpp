// The desktop program: the command line, the main window and its message loop. Everything
// else lives in the lathwell_app library so the windows can be tested without this entry point.
#include <QApplication>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "LaunchRequest.h"
#include "MpException.h"
#include "Prompter.h"
#include "main_form.h"

namespace {

QStringList ArgumentsAfterProgramName(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lathwell::app;
    // Without the toolkit: what needs no window, and a clear word instead of the toolkit's
    // abort where no window can be shown.
    const LaunchRequest early = ReadLaunchArguments(ArgumentsAfterProgramName(argc, argv));
    if (early.action == LaunchAction::PrintVersion) {
        std::fputs("lathwell " LATHWELL_VERSION "\n", stdout);
        return 0;
    }
    if (early.action == LaunchAction::PrintHelp) {
        std::fputs(kLaunchUsage, stdout);
        return 0;
    }
    if (!CanShowWindows(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                        std::getenv("WAYLAND_DISPLAY"))) {
        std::fputs("lathwell: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are "
                   "not set).\nUse lathwell-cli to convert files without a window "
                   "(lathwell-cli --help).\n",
                   stderr);
        return 1;
    }

    QApplication application(argc, argv);
    // The toolkit has taken its own options (-platform, -style, ...) out of the arguments.
    const LaunchRequest request = ReadLaunchArguments(QApplication::arguments().mid(1));
    if (request.action == LaunchAction::Refuse) {
        std::fprintf(stderr, "lathwell: %s\n%s", request.error.toLocal8Bit().constData(),
                     kLaunchUsage);
        return 2;
    }
    QGuiApplication::setDesktopFileName("lathwell");
    QApplication::setWindowIcon(QIcon(":/lathwell.svg"));

    QtPrompter prompter;
    try {
        TForm1 form(prompter);
        if (!request.inputFile.isEmpty())
            form.TakeInputFile(QFileInfo(request.inputFile).absoluteFilePath());
        form.show();
        application.exec();
    } catch (const MpException& e) {
        prompter.ShowMessage(nullptr, QString::fromLocal8Bit(e.GetErrorMessage()), "Error");
    } catch (const std::exception& e) {
        prompter.ShowMessage(nullptr, QString::fromLocal8Bit(e.what()), "Error");
    }
    return 0;
}
