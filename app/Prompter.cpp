#include "Prompter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace lathwell::app {

void QtPrompter::ShowMessage(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtPrompter::AskYesNo(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    return box.exec() == QMessageBox::Yes;
}

QString QtPrompter::ChooseOpenFile(QWidget* parent, const FileDialogRequest& request) {
    return RunFileDialog(parent, request, false);
}

QString QtPrompter::ChooseSaveFile(QWidget* parent, const FileDialogRequest& request) {
    return RunFileDialog(parent, request, true);
}

void QtPrompter::Beep() { QApplication::beep(); }

QStringList QtPrompter::NameFilters(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        // "*.*" means every file where these filters come from; Qt would want a dot in the name.
        for (QString& pattern : patterns)
            if (pattern == "*.*") pattern = "*";
        filters << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return filters;
}

QString QtPrompter::RunFileDialog(QWidget* parent, const FileDialogRequest& request, bool save) {
    QFileDialog dialog(parent);
    dialog.setNameFilters(NameFilters(request.filter));
    // The descriptions already name their patterns; Qt's own copy of them would repeat them.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.folder.isEmpty()) dialog.setDirectory(request.folder);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // The Process command asks its own overwrite question.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
        const QFileInfo info(dialog.selectedFiles().first());
        if (!request.pathMustExist || info.absoluteDir().exists()) return info.absoluteFilePath();
        ShowMessage(&dialog,
                    info.absoluteFilePath() + "\nPath does not exist.\nCheck the path and try again.",
                    dialog.windowTitle());
    }
}

}  // namespace lathwell::app
