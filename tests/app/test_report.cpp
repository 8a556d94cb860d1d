// The progress and results window and the run's window-side observer.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

#include "FakePrompter.h"
#include "ReportProgress.h"
#include "report.h"

namespace lathwell::app {

class TestReport : public QObject {
    Q_OBJECT

private:
    FakePrompter m_prompter;
    std::unique_ptr<QWidget> m_pMainWindow;
    std::unique_ptr<TFormReport> m_pReport;

    QLabel* Label(const char* pName) { return m_pReport->findChild<QLabel*>(pName); }

private slots:
    void init() {
        m_prompter.Reset();
        m_pMainWindow = std::make_unique<QWidget>();
        m_pReport = std::make_unique<TFormReport>(m_pMainWindow.get());
    }
    void cleanup() {
        m_pReport.reset();
        m_pMainWindow.reset();
    }

    void DesignShowsResultsCaptionAndPlaceholders() {
        QCOMPARE(m_pReport->windowTitle(), QString("Processed Results"));
        QCOMPARE(m_pReport->PBReportOK->text(), QString("Close"));
        QCOMPARE(m_pReport->LBNumRecs->text(), QString("00,000,000"));
        QCOMPARE(m_pReport->LBMinLRECL->text(), QString("000"));
        QCOMPARE(m_pReport->LabelOutFile->text(), QString("Output File:"));
        QCOMPARE(m_pReport->Label1->text(), QString("Input File:"));
        QCOMPARE(m_pReport->pbStatus->minimum(), 0);
        QCOMPARE(m_pReport->pbStatus->maximum(), 100);
        QCOMPARE(m_pReport->height(), 207);
        QVERIFY(m_pReport->width() >= 477);
    }

    void StaticTextsHaveTheirCaptionsAndPlaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("1") << "StaticText1" << "Lines Precessed:" << QPoint(7, 43);
        QTest::newRow("2") << "StaticText2" << "Minimum Record Length:" << QPoint(7, 68);
        QTest::newRow("3") << "StaticText3" << "Maximum Record Length:" << QPoint(7, 94);
        QTest::newRow("4") << "StaticText4" << "Empty Records Skipped" << QPoint(8, 122);
        QTest::newRow("5") << "StaticText5" << "Records Edited:" << QPoint(278, 44);
        QTest::newRow("6") << "StaticText6" << "Lines Truncated:" << QPoint(278, 69);
        QTest::newRow("7") << "StaticText7" << "Lines Padded:" << QPoint(278, 94);
        QTest::newRow("8") << "StaticText8" << "Lines with non-ASCII" << QPoint(278, 120);
        QTest::newRow("9") << "StaticText9" << "Converted to Blanks:" << QPoint(278, 137);
        QTest::newRow("10") << "StaticText10" << "Not Processed:" << QPoint(8, 137);
    }
    void StaticTextsHaveTheirCaptionsAndPlaces() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QPoint, topLeft);
        QLabel* pLabel = Label(name.toLatin1().constData());
        QVERIFY(pLabel != nullptr);
        QCOMPARE(pLabel->text(), caption);
        QCOMPARE(pLabel->pos(), topLeft);
        QCOMPARE(pLabel->parentWidget(), m_pReport->Panel1);
        QCOMPARE(pLabel->font().pointSize(), 10);
        // Nothing is clipped.
        QVERIFY(pLabel->width() >= pLabel->fontMetrics().horizontalAdvance(caption));
    }

    void CountLabelsAreRightAlignedAtTheirRightEdges_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("right");
        QTest::newRow("LBNumRecs") << "LBNumRecs" << 128 + 84;
        QTest::newRow("LBMinLRECL") << "LBMinLRECL" << 162 + 50;
        QTest::newRow("LBMaxLRECL") << "LBMaxLRECL" << 162 + 50;
        QTest::newRow("LBNumEmpty") << "LBNumEmpty" << 162 + 50;
        QTest::newRow("LBNumRecsEdited") << "LBNumRecsEdited" << 382 + 84;
        QTest::newRow("LBNumTruncated") << "LBNumTruncated" << 404 + 62;
        QTest::newRow("LBNumPadded") << "LBNumPadded" << 404 + 62;
        QTest::newRow("LBNumAsciiFixed") << "LBNumAsciiFixed" << 404 + 62;
    }
    void CountLabelsAreRightAlignedAtTheirRightEdges() {
        QFETCH(QString, name);
        QFETCH(int, right);
        QLabel* pLabel = Label(name.toLatin1().constData());
        QVERIFY(pLabel != nullptr);
        QVERIFY(pLabel->alignment() & Qt::AlignRight);
        QCOMPARE(pLabel->geometry().right() + 1, right);
    }

    void ProgressLayoutShowsBarAndCancel() {
        m_pReport->SetProgressLayout(5000);
        QCOMPARE(m_pReport->windowTitle(), QString("Processing File"));
        QVERIFY(m_pReport->Panel1->isHidden());
        QVERIFY(!m_pReport->pbStatus->isHidden());
        QCOMPARE(m_pReport->pbStatus->minimum(), 0);
        QCOMPARE(m_pReport->pbStatus->maximum(), 5000);
        QCOMPARE(m_pReport->PBReportOK->text(), QString("Cancel"));
        QCOMPARE(m_pReport->PBReportOK->pos(), QPoint(202, 57));
        QCOMPARE(m_pReport->height(), 120 - 37);
    }

    void ResultsLayoutShowsPanelAndClose() {
        m_pReport->SetProgressLayout(10);
        m_pReport->SetResultsLayout();
        QCOMPARE(m_pReport->windowTitle(), QString("Processed Results"));
        QVERIFY(!m_pReport->Panel1->isHidden());
        QVERIFY(m_pReport->pbStatus->isHidden());
        QCOMPARE(m_pReport->PBReportOK->text(), QString("Close"));
        QCOMPARE(m_pReport->PBReportOK->pos(), QPoint(202, 178));
        QCOMPARE(m_pReport->height(), 244 - 37);
    }

    void ResultsAreGroupedWithThousandsSeparators() {
        RunStatistics statistics;
        statistics.LinesProcessed = 10000;
        statistics.MinRecordLength = 999;
        statistics.MaxRecordLength = 1000;
        statistics.RecordsEdited = 1234567;
        statistics.LinesTruncated = 0;
        statistics.LinesPadded = 123;
        statistics.EmptyRecordsSkipped = 2147483647;
        statistics.LinesAsciiFixed = 45;
        m_pReport->SetResults(1000, statistics);
        QCOMPARE(m_pReport->LabelOutFile->text(), QString("Output File (Rec Len 1,000):"));
        QCOMPARE(m_pReport->LBNumRecs->text(), QString("10,000"));
        QCOMPARE(m_pReport->LBMinLRECL->text(), QString("999"));
        QCOMPARE(m_pReport->LBMaxLRECL->text(), QString("1,000"));
        QCOMPARE(m_pReport->LBNumRecsEdited->text(), QString("1,234,567"));
        QCOMPARE(m_pReport->LBNumTruncated->text(), QString("0"));
        QCOMPARE(m_pReport->LBNumPadded->text(), QString("123"));
        QCOMPARE(m_pReport->LBNumEmpty->text(), QString("2,147,483,647"));
        QCOMPARE(m_pReport->LBNumAsciiFixed->text(), QString("45"));
        // A long number widens its label to the left, in line with the rest of its column.
        QCOMPARE(m_pReport->LBNumEmpty->geometry().right(), m_pReport->LBNumRecs->geometry().right());
        QVERIFY(m_pReport->LBNumEmpty->width() >=
                m_pReport->LBNumEmpty->fontMetrics().horizontalAdvance("2,147,483,647"));
        QVERIFY(m_pReport->LabelOutFile->width() >=
                m_pReport->LabelOutFile->fontMetrics().horizontalAdvance("Output File (Rec Len 1,000):"));
    }

    void LongNumbersNeverRunIntoTheirCaptions() {
        RunStatistics statistics;
        statistics.MaxRecordLength = 2147483647;
        statistics.LinesAsciiFixed = -2147483647 - 1;
        m_pReport->SetResults(2147483647, statistics);
        const QList<QPair<const char*, const char*>> rows = {
            {"LBNumRecs", "StaticText1"},       {"LBMinLRECL", "StaticText2"},
            {"LBMaxLRECL", "StaticText3"},      {"LBNumEmpty", "StaticText10"},
            {"LBNumRecsEdited", "StaticText5"}, {"LBNumTruncated", "StaticText6"},
            {"LBNumPadded", "StaticText7"},     {"LBNumAsciiFixed", "StaticText9"}};
        for (const auto& row : rows) {
            QLabel* pCount = Label(row.first);
            const QLabel* pCaption = Label(row.second);
            const int iTextLeft = pCount->geometry().right() + 1 -
                                  pCount->fontMetrics().horizontalAdvance(pCount->text());
            QVERIFY2(iTextLeft > pCaption->x() + pCaption->fontMetrics().horizontalAdvance(pCaption->text()),
                     row.first);
            QVERIFY2(pCount->geometry().right() < m_pReport->width(), row.first);
        }
        // Each side stays one column.
        QCOMPARE(m_pReport->LBNumRecs->geometry().right(), m_pReport->LBMaxLRECL->geometry().right());
        QCOMPARE(m_pReport->LBNumRecsEdited->geometry().right(),
                 m_pReport->LBNumAsciiFixed->geometry().right());
        QVERIFY(m_pReport->LabelOutFile->geometry().right() < m_pReport->width());
        QCOMPARE(m_pReport->LBMaxLRECL->text(), QString("2,147,483,647"));
        QCOMPARE(m_pReport->LBNumAsciiFixed->text(), QString("-2,147,483,648"));
    }

    void CancelEnablesMainWindowAtOnceAndSetsTheFlag() {
        m_pMainWindow->setEnabled(false);
        m_pReport->SetProgressLayout(100);
        m_pReport->show();
        QVERIFY(!m_pReport->Cancelled());
        m_pReport->PBReportOK->click();
        QVERIFY(m_pMainWindow->isEnabled());
        QVERIFY(m_pReport->Cancelled());
        QVERIFY(m_pReport->isVisible());
        QCOMPARE(m_pReport->PBReportOK->text(), QString("Cancel"));
    }

    void CloseEnablesMainWindowAndHides() {
        m_pMainWindow->setEnabled(false);
        m_pReport->SetResultsLayout();
        m_pReport->show();
        m_pReport->PBReportOK->click();
        QVERIFY(m_pMainWindow->isEnabled());
        QVERIFY(!m_pReport->isVisible());
        QVERIFY(!m_pReport->Cancelled());
    }

    void ShowingClearsCancelled() {
        m_pReport->SetProgressLayout(100);
        m_pReport->show();
        m_pReport->PBReportOK->click();
        QVERIFY(m_pReport->Cancelled());
        m_pReport->hide();
        m_pReport->show();
        QVERIFY(!m_pReport->Cancelled());
    }

    void EscapeAndCloseRequestsLeaveTheWindowOpen() {
        m_pReport->SetProgressLayout(100);
        m_pReport->show();
        QTest::keyClick(m_pReport.get(), Qt::Key_Escape);
        QVERIFY(m_pReport->isVisible());
        m_pReport->close();
        QVERIFY(m_pReport->isVisible());
        QVERIFY(!m_pReport->Cancelled());
    }

    void DisablingTheMainWindowLeavesTheReportUsable() {
        m_pReport->show();
        m_pMainWindow->setEnabled(false);
        QVERIFY(m_pReport->isEnabled());
        QVERIFY(m_pReport->PBReportOK->isEnabled());
    }

    // --- ReportProgress, the run's observer.

    void ProgressBarCountsBytesWhenTheyFit() {
        ReportProgress progress(*m_pReport, m_prompter, m_pReport.get());
        progress.RunStarting(1000);
        QCOMPARE(m_pReport->pbStatus->maximum(), 1000);
        QCOMPARE(progress.Shift(), 0);
        QVERIFY(!progress.CancelRequested(400));
        QCOMPARE(m_pReport->pbStatus->value(), 400);
    }

    void ProgressBarIsScaledForInputsOverTwoGigabytes() {
        ReportProgress progress(*m_pReport, m_prompter, m_pReport.get(), 0);
        const int64_t llSize = int64_t(5) << 30;  // 5 GiB
        progress.RunStarting(llSize);
        QCOMPARE(progress.Shift(), 2);
        QCOMPARE(m_pReport->pbStatus->maximum(), static_cast<int>(llSize >> 2));
        progress.CancelRequested(llSize / 2);
        QCOMPARE(m_pReport->pbStatus->value(), static_cast<int>((llSize / 2) >> 2));
        progress.CancelRequested(llSize);
        QCOMPARE(m_pReport->pbStatus->value(), m_pReport->pbStatus->maximum());
    }

    void ProgressBeyondTheSizeShowsAFullBar() {
        ReportProgress progress(*m_pReport, m_prompter, m_pReport.get(), 0);
        progress.RunStarting(100);
        progress.CancelRequested(250);
        QCOMPARE(m_pReport->pbStatus->value(), 100);
    }

    void EventsArePumpedAtABoundedRate() {
        ReportProgress progress(*m_pReport, m_prompter, m_pReport.get(), 60 * 1000);
        progress.RunStarting(100);
        int iServed = 0;
        QTimer::singleShot(0, [&iServed] { ++iServed; });
        progress.CancelRequested(1);  // the first line always pumps
        QCOMPARE(iServed, 1);
        QCOMPARE(m_pReport->pbStatus->value(), 1);
        QTimer::singleShot(0, [&iServed] { ++iServed; });
        progress.CancelRequested(2);  // within the interval: no pump, the bar waits too
        QCOMPARE(iServed, 1);
        QCOMPARE(m_pReport->pbStatus->value(), 1);
    }

    void EventsArePumpedAgainOnceTheIntervalHasPassed() {
        ReportProgress progress(*m_pReport, m_prompter, m_pReport.get(), 20);
        progress.RunStarting(100);
        progress.CancelRequested(1);
        int iServed = 0;
        QTimer::singleShot(0, [&iServed] { ++iServed; });
        QTest::qSleep(40);
        progress.CancelRequested(2);
        QCOMPARE(iServed, 1);
        QCOMPARE(m_pReport->pbStatus->value(), 2);
    }

    void CancelClickedDuringAPumpIsReportedAtOnce() {
        m_pReport->SetProgressLayout(0);
        m_pReport->show();
        ReportProgress progress(*m_pReport, m_prompter, m_pReport.get());
        progress.RunStarting(100);
        QTimer::singleShot(0, m_pReport->PBReportOK, &QPushButton::click);
        QVERIFY(progress.CancelRequested(10));
        QVERIFY(m_pMainWindow->isEnabled());
    }

    void FailuresAreShownInAnErrorBox() {
        ReportProgress progress(*m_pReport, m_prompter, m_pReport.get());
        progress.ReportFailure("Field length extends beyond record length.");
        QCOMPARE(m_prompter.boxes,
                 QList<FakePrompter::Box>({{"Field length extends beyond record length.", "Error"}}));
    }
};

}  // namespace lathwell::app

QTEST_MAIN(lathwell::app::TestReport)
#include "test_report.moc"
