// BrowseFolders: the folder each browse dialog of the main window starts in, which is the
// folder of the file last chosen with that dialog, kept between runs of the program in the
// user's settings (QSettings, organisation and application "lathwell", in the platform's
// settings place). It is the only state the program keeps between runs.
#pragma once

#include <QString>

namespace lathwell::app {

class BrowseFolders {
public:
    // The dialogs whose folders are kept apart.
    enum class Dialog { Input, Output, DD };

    // The folder the dialog last chose a file in, or an empty text before the first choice.
    QString Folder(Dialog dialog) const;
    // Keeps the folder of the chosen file's full name for the dialog's next showing.
    void Remember(Dialog dialog, const QString& chosenFile);
};

}  // namespace lathwell::app
