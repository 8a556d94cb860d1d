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

#include <cstdint>

#include "ConversionRun.h"

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

namespace lathwell::app {

class TFormReport : public QDialog {
    Q_OBJECT
public:
    explicit TFormReport(QWidget* pMainWindow);

    // Progress layout: caption "Processing File", panel hidden, bar shown from 0 to iMaximum,
    // button "Cancel".
    void SetProgressLayout(int iMaximum);
    // Results layout: caption "Processed Results", bar hidden, panel shown, button "Close".
    void SetResultsLayout();
    // Fills the output heading with the record length and the count labels with the
    // statistics, every number grouped with thousands separators.
    void SetResults(int32_t lRecordLength, const RunStatistics& statistics);

    // True once the user has pressed Cancel since the window was last shown.
    bool Cancelled() const { return m_bCancelled; }

    // The controls, by their design names (owned by this window).
    QFrame* Panel1;
    QLabel* LBNumRecs;
    QLabel* LBMinLRECL;
    QLabel* LBMaxLRECL;
    QLabel* LBNumPadded;
    QLabel* LBNumTruncated;
    QLabel* LBNumRecsEdited;
    QLabel* Label1;
    QLabel* LabelOutFile;
    QPushButton* PBReportOK;
    QProgressBar* pbStatus;
    QLabel* LBNumAsciiFixed;
    QLabel* LBNumEmpty;

public slots:
    void PBReportOKClick();

protected:
    void showEvent(QShowEvent* pEvent) override;
    // The window has no close box: only its button and the run close it.
    void closeEvent(QCloseEvent* pEvent) override;
    void reject() override {}

private:
    void FormShow();
    void SetClientHeight(int iHeight);

    QWidget* m_pMainWindow;
    // The captions beside the count labels, row by row, of the input and the output side.
    QList<const QLabel*> m_leftCaptions;
    QList<const QLabel*> m_rightCaptions;
    bool m_bCancelled = false;
};

}  // namespace lathwell::app
