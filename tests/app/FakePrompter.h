// A prompter for window tests: it records every box and file dialog the windows ask for and
// answers from queues the test fills beforehand, so no test ever waits on a window. A question
// without a queued answer is answered No (or Cancel for a file dialog) and recorded like any
// other, so the test sees it. Reset() in every test's init.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <deque>
#include <functional>

#include "Prompter.h"

namespace lathwell::app {

class FakePrompter : public Prompter {
public:
    struct Box {
        QString text;
        QString caption;
        bool operator==(const Box& other) const {
            return text == other.text && caption == other.caption;
        }
    };

    void ShowMessage(QWidget*, const QString& text, const QString& caption) override {
        boxes.push_back({text, caption});
        if (onMessage) onMessage();
    }
    bool AskYesNo(QWidget*, const QString& text, const QString& caption) override {
        boxes.push_back({text, caption});
        if (yesNoAnswers.empty()) return false;
        const bool yes = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return yes;
    }
    QString ChooseOpenFile(QWidget*, const FileDialogRequest& request) override {
        return Choose(request);
    }
    QString ChooseSaveFile(QWidget*, const FileDialogRequest& request) override {
        return Choose(request);
    }
    void Beep() override { ++beeps; }

    void Reset() {
        boxes.clear();
        yesNoAnswers.clear();
        fileAnswers.clear();
        fileRequests.clear();
        beeps = 0;
        onMessage = nullptr;
    }

    // Everything asked so far, in order.
    QList<Box> boxes;
    QList<FileDialogRequest> fileRequests;
    int beeps = 0;
    // Queued answers: true is Yes; an empty name is a cancelled dialog.
    std::deque<bool> yesNoAnswers;
    std::deque<QString> fileAnswers;
    // Called after every message box with OK, while it would be on the screen.
    std::function<void()> onMessage;

private:
    QString Choose(const FileDialogRequest& request) {
        fileRequests.push_back(request);
        if (fileAnswers.empty()) return QString();
        const QString name = fileAnswers.front();
        fileAnswers.pop_front();
        return name;
    }
};

// Lets QCOMPARE print a box.
inline char* toString(const FakePrompter::Box& box) {
    return qstrdup(("[" + box.caption + "] " + box.text).toUtf8().constData());
}

}  // namespace lathwell::app
