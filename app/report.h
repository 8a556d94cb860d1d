// TFormReport: the progress and results window of a conversion run.
//
// Every run creates a new one, shows it modeless in its progress layout (a progress bar and a
// Cancel button) and disables the main window, so the window's one button is the only thing
// the user can press until the run is over. When the run ends without a cancel, the run fills
// in the statistics and switches the same window to its results layout (the statistics and a
// Close button). The button enables the main window again at once; as Cancel it only sets the
// cancel flag, which the run reads before every line; as Close it hides the window.
//
// The main window passed to the constructor is not owned and must outlive this window. The
// window is deliberately not a child of it: disabling the main window must leave this one
// usable.
#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

#include <cstdint>

#include "ConversionRun.h"

class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace lathwell::app {

class TFormReport : public QDialog {
    Q_OBJECT
public:
    explicit TFormReport(QWidget* mainWindow);

    // Progress layout: caption "Processing File", panel hidden, bar shown from 0 to maximum,
    // button "Cancel".
    void SetProgressLayout(int maximum);
    // Results layout: caption "Processed Results", bar hidden, panel shown, button "Close".
    void SetResultsLayout();
    // Fills the output heading with the record length and the count labels with the
    // statistics, every number grouped with thousands separators.
    void SetResults(int32_t recordLength, const RunStatistics& statistics);
    // Lines the results layout lists below its statistics and button, in a read-only list
    // (object name "WarningList") that is shown only when there are any.
    void SetWarnings(const QStringList& warnings);

    // True once the user has pressed Cancel since the window was last shown.
    bool Cancelled() const { return m_cancelled; }

    // The progress bar: its range is 0 to maximum, and a position beyond it shows it full.
    void SetProgressMaximum(int maximum);
    void SetProgressPosition(int position);

public slots:
    void PBReportOKClick();

protected:
    void showEvent(QShowEvent* event) override;
    // The window has no close box: only its button and the run close it.
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}

private:
    // The controls, by their design names.
    struct Controls {
        QFrame* Panel1 = nullptr;
        QLabel* LBNumRecs = nullptr;
        QLabel* LBMinLRECL = nullptr;
        QLabel* LBMaxLRECL = nullptr;
        QLabel* LBNumPadded = nullptr;
        QLabel* LBNumTruncated = nullptr;
        QLabel* LBNumRecsEdited = nullptr;
        QLabel* Label1 = nullptr;
        QLabel* LabelOutFile = nullptr;
        QPushButton* PBReportOK = nullptr;
        QProgressBar* pbStatus = nullptr;
        QLabel* LBNumAsciiFixed = nullptr;
        QLabel* LBNumEmpty = nullptr;
    };

    void FormShow();
    void SetClientHeight(int height);

    Controls m_ui;
    QWidget* m_mainWindow;
    // The captions beside the count labels, row by row, of the input and the output side.
    QList<const QLabel*> m_leftCaptions;
    QList<const QLabel*> m_rightCaptions;
    bool m_cancelled = false;
    // Added to the designed controls: the run's warnings, empty and hidden when there are none.
    QPlainTextEdit* m_warningList = nullptr;
};

}  // namespace lathwell::app
