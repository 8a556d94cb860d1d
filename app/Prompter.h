// Prompter: every modal question the windows put to the user -- message boxes with OK, the
// Yes/No question, the file-open and file-save dialogs and the keyboard beep -- goes through
// this interface. It is abstract so it can be replaced in tests by a fake with queued answers,
// so that no test ever waits on a window. The windows keep a reference; the caller of a
// window's constructor keeps the prompter alive for the window's lifetime.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace lathwell::app {

// What a file dialog is asked for. The filter uses the "Description|patterns|..." form in
// which the windows state it; patterns within one entry are separated by ";".
struct FileDialogRequest {
    QString filter;
    QString defaultSuffix;   // without the dot; added when the user types a name without one
    QString folder;          // the folder the dialog starts in; empty for the dialog's own choice
    bool pathMustExist = false;  // the chosen folder must exist
    bool fileMustExist = false;  // the chosen file must exist
};

class Prompter {
public:
    virtual ~Prompter() = default;

    // A modal box with the text, the caption and an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text, const QString& caption) = 0;
    // A modal box with Yes and No buttons; true only when the answer is Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& text, const QString& caption) = 0;
    // The chosen file's full name, or an empty text when the dialog was cancelled.
    virtual QString ChooseOpenFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual QString ChooseSaveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // The system's default beep (a key that was refused).
    virtual void Beep() = 0;
};

// The real prompter: Qt message boxes and file dialogs.
class QtPrompter : public Prompter {
public:
    void ShowMessage(QWidget* parent, const QString& text, const QString& caption) override;
    bool AskYesNo(QWidget* parent, const QString& text, const QString& caption) override;
    QString ChooseOpenFile(QWidget* parent, const FileDialogRequest& request) override;
    QString ChooseSaveFile(QWidget* parent, const FileDialogRequest& request) override;
    void Beep() override;

    // Turns "Description|p1;p2|..." into Qt name filters "Description (p1 p2)", one per entry.
    static QStringList NameFilters(const QString& filter);

private:
    QString RunFileDialog(QWidget* parent, const FileDialogRequest& request, bool save);
};

}  // namespace lathwell::app
