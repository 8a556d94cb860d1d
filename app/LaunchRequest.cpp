#include "LaunchRequest.h"

namespace lathwell::app {

const char* const kLaunchUsage =
    "Usage: lathwell [FILE]\n"
    "       lathwell --help | --version\n"
    "\n"
    "Opens the Lathwell window, with FILE in the input box when one is given.\n"
    "To convert files without a window, use lathwell-cli (lathwell-cli --help).\n";

LaunchRequest ReadLaunchArguments(const QStringList& arguments) {
    LaunchRequest request;
    const qsizetype optionsEnd = arguments.indexOf("--");
    for (qsizetype i = 0; i < arguments.size() && (optionsEnd < 0 || i < optionsEnd); ++i) {
        if (arguments[i] == "--version") return {LaunchAction::PrintVersion, {}, {}};
        if (arguments[i] == "--help" || arguments[i] == "-h") return {LaunchAction::PrintHelp, {}, {}};
    }
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (i == optionsEnd) continue;
        const QString& argument = arguments[i];
        const bool isOption = (optionsEnd < 0 || i < optionsEnd) && argument.startsWith('-');
        if (isOption) return {LaunchAction::Refuse, {}, "unknown option " + argument};
        if (!request.inputFile.isEmpty())
            return {LaunchAction::Refuse, {}, "only one FILE can be given"};
        request.inputFile = argument;
    }
    return request;
}

bool CanShowWindows(const char* platform, const char* display, const char* waylandDisplay) {
    const auto isSet = [](const char* value) { return value != nullptr && *value != '\0'; };
    if (!isSet(platform)) return isSet(display) || isSet(waylandDisplay);
    for (const QString& entry : QString::fromLocal8Bit(platform).split(';', Qt::SkipEmptyParts)) {
        const QString name = entry.section(':', 0, 0);
        if (name == "xcb") {
            if (isSet(display)) return true;
        } else if (name.startsWith("wayland")) {
            if (isSet(waylandDisplay)) return true;
        } else {
            // offscreen, minimal, vnc, eglfs, linuxfb and the like need no display server.
            return true;
        }
    }
    return false;
}

}  // namespace lathwell::app
