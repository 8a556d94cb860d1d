// LaunchRequest: what the desktop program is asked to do by its command line, and whether
// this session can show a window at all. Both are decided before the toolkit starts, so that
// --version, --help and a missing display never need one.
//
//   lathwell [FILE]        the window, with FILE in the input box
//   lathwell --version     prints the version
//   lathwell --help, -h    prints the usage
#pragma once

#include <QString>
#include <QStringList>

namespace lathwell::app {

enum class LaunchAction { ShowWindow, PrintVersion, PrintHelp, Refuse };

struct LaunchRequest {
    LaunchAction action = LaunchAction::ShowWindow;
    QString inputFile;  // ShowWindow: the file for the input box, or empty
    QString error;      // Refuse: why, as one line
};

// The usage text printed by --help, ending in a line end.
extern const char* const kLaunchUsage;

// Reads the arguments after the program name. --version and --help anywhere win; an unknown
// option or a second file refuses; "--" ends the options.
LaunchRequest ReadLaunchArguments(const QStringList& arguments);

// True when the windowing platform the toolkit would pick can show a window: the platform
// named by QT_QPA_PLATFORM (a ";" list of names, each perhaps with ":options"), or without
// one the X11 or Wayland display. The arguments are the values of QT_QPA_PLATFORM, DISPLAY and
// WAYLAND_DISPLAY, null when unset.
bool CanShowWindows(const char* platform, const char* display, const char* waylandDisplay);

}  // namespace lathwell::app
