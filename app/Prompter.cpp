#include "Prompter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace lathwell::app {

void QtPrompter::ShowMessage(QWidget* pParent, const QString& sText, const QString& sCaption) {
    QMessageBox box(QMessageBox::NoIcon, sCaption, sText, QMessageBox::Ok, pParent);
    box.exec();
}

bool QtPrompter::AskYesNo(QWidget* pParent, const QString& sText, const QString& sCaption) {
    QMessageBox box(QMessageBox::NoIcon, sCaption, sText, QMessageBox::Yes | QMessageBox::No,
                    pParent);
    return box.exec() == QMessageBox::Yes;
}

QString QtPrompter::ChooseOpenFile(QWidget* pParent, const FileDialogRequest& request) {
    return RunFileDialog(pParent, request, false);
}

QString QtPrompter::ChooseSaveFile(QWidget* pParent, const FileDialogRequest& request) {
    return RunFileDialog(pParent, request, true);
}

void QtPrompter::Beep() { QApplication::beep(); }

QStringList QtPrompter::NameFilters(const QString& sFilter) {
    const QStringList parts = sFilter.split('|');
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

QString QtPrompter::RunFileDialog(QWidget* pParent, const FileDialogRequest& request, bool bSave) {
    QFileDialog dialog(pParent);
    dialog.setNameFilters(NameFilters(request.filter));
    // The descriptions already name their patterns; Qt's own copy of them would repeat them.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (bSave) {
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
