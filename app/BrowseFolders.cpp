#include "BrowseFolders.h"

#include <QFileInfo>
#include <QSettings>

namespace lathwell::app {

namespace {

QString Key(BrowseFolders::Dialog dialog) {
    switch (dialog) {
        case BrowseFolders::Dialog::Input: return "folders/input";
        case BrowseFolders::Dialog::Output: return "folders/output";
        case BrowseFolders::Dialog::DD: break;
    }
    return "folders/dd";
}

QSettings UserSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "lathwell", "lathwell");
}

}  // namespace

QString BrowseFolders::Folder(Dialog dialog) const {
    return UserSettings().value(Key(dialog)).toString();
}

void BrowseFolders::Remember(Dialog dialog, const QString& chosenFile) {
    UserSettings().setValue(Key(dialog), QFileInfo(chosenFile).absolutePath());
}

}  // namespace lathwell::app
