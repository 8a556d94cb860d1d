// The progress and results window and the run's window-side observer.
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QPlainTextEdit>
#include <QtTest>

#include <filesystem>
#include <memory>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "FakePrompter.h"
#include "FindChild.h"
#include "RunStatisticsTesting.h"
#include "ConversionRun.h"
#include "ReportProgress.h"
#include "TempDir.h"
#include "report.h"

namespace lathwell::app {

class TestReport : public QObject {
    Q_OBJECT

private:
    FakePrompter m_prompter;
    std::unique_ptr<QWidget> m_mainWindow;
    std::unique_ptr<TFormReport> m_report;

    QLabel* Label(const char* name) { return Child<QLabel>(m_report.get(), name); }
    QPushButton* Button() { return Child<QPushButton>(m_report.get(), "PBReportOK"); }
    QProgressBar* Bar() { return Child<QProgressBar>(m_report.get(), "pbStatus"); }
    QFrame* Panel() { return Child<QFrame>(m_report.get(), "Panel1"); }

private slots:
    void init() {
        m_prompter.Reset();
        m_mainWindow = std::make_unique<QWidget>();
        m_report = std::make_unique<TFormReport>(m_mainWindow.get());
    }
    void cleanup() {
        m_report.reset();
        m_mainWindow.reset();
    }

    void DesignShowsResultsCaptionAndPlaceholders() {
        QCOMPARE(m_report->windowTitle(), QString("Processed Results"));
        QCOMPARE(Button()->text(), QString("Close"));
        QCOMPARE(Label("LBNumRecs")->text(), QString("00,000,000"));
        QCOMPARE(Label("LBMinLRECL")->text(), QString("000"));
        QCOMPARE(Label("LabelOutFile")->text(), QString("Output File:"));
        QCOMPARE(Label("Label1")->text(), QString("Input File:"));
        QCOMPARE(Bar()->minimum(), 0);
        QCOMPARE(Bar()->maximum(), 100);
        QCOMPARE(m_report->height(), 207);
        QVERIFY(m_report->width() >= 477);
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
        QLabel* label = Label(name.toLatin1().constData());
        QVERIFY(label != nullptr);
        QCOMPARE(label->text(), caption);
        QCOMPARE(label->pos(), topLeft);
        QCOMPARE(label->parentWidget(), Panel());
        QCOMPARE(label->font().pointSize(), 10);
        // Nothing is clipped.
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(caption));
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
        QLabel* label = Label(name.toLatin1().constData());
        QVERIFY(label != nullptr);
        QVERIFY(label->alignment() & Qt::AlignRight);
        QCOMPARE(label->geometry().right() + 1, right);
    }

    void ProgressLayoutShowsBarAndCancel() {
        m_report->SetProgressLayout(5000);
        QCOMPARE(m_report->windowTitle(), QString("Processing File"));
        QVERIFY(Panel()->isHidden());
        QVERIFY(!Bar()->isHidden());
        QCOMPARE(Bar()->minimum(), 0);
        QCOMPARE(Bar()->maximum(), 5000);
        QCOMPARE(Button()->text(), QString("Cancel"));
        QCOMPARE(Button()->pos(), QPoint(202, 57));
        QCOMPARE(m_report->height(), 120 - 37);
    }

    void ResultsLayoutShowsPanelAndClose() {
        m_report->SetProgressLayout(10);
        m_report->SetResultsLayout();
        QCOMPARE(m_report->windowTitle(), QString("Processed Results"));
        QVERIFY(!Panel()->isHidden());
        QVERIFY(Bar()->isHidden());
        QCOMPARE(Button()->text(), QString("Close"));
        QCOMPARE(Button()->pos(), QPoint(202, 178));
        QCOMPARE(m_report->height(), 244 - 37);
    }

    void ResultsAreGroupedWithThousandsSeparators() {
        m_report->SetResults(1000, Counts(10000, 999, 1000, 1234567, 0, 123, 2147483647, 45));
        QCOMPARE(Label("LabelOutFile")->text(), QString("Output File (Rec Len 1,000):"));
        QCOMPARE(Label("LBNumRecs")->text(), QString("10,000"));
        QCOMPARE(Label("LBMinLRECL")->text(), QString("999"));
        QCOMPARE(Label("LBMaxLRECL")->text(), QString("1,000"));
        QCOMPARE(Label("LBNumRecsEdited")->text(), QString("1,234,567"));
        QCOMPARE(Label("LBNumTruncated")->text(), QString("0"));
        QCOMPARE(Label("LBNumPadded")->text(), QString("123"));
        QCOMPARE(Label("LBNumEmpty")->text(), QString("2,147,483,647"));
        QCOMPARE(Label("LBNumAsciiFixed")->text(), QString("45"));
        // A long number widens its label to the left, in line with the rest of its column.
        QCOMPARE(Label("LBNumEmpty")->geometry().right(), Label("LBNumRecs")->geometry().right());
        QVERIFY(Label("LBNumEmpty")->width() >=
                Label("LBNumEmpty")->fontMetrics().horizontalAdvance("2,147,483,647"));
        QVERIFY(Label("LabelOutFile")->width() >=
                Label("LabelOutFile")->fontMetrics().horizontalAdvance("Output File (Rec Len 1,000):"));
    }

    void LongNumbersNeverRunIntoTheirCaptions() {
        RunStatistics statistics;
        statistics.MaxRecordLength = 2147483647;
        statistics.LinesAsciiFixed = -2147483647 - 1;
        m_report->SetResults(2147483647, statistics);
        const QList<QPair<const char*, const char*>> rows = {
            {"LBNumRecs", "StaticText1"},       {"LBMinLRECL", "StaticText2"},
            {"LBMaxLRECL", "StaticText3"},      {"LBNumEmpty", "StaticText10"},
            {"LBNumRecsEdited", "StaticText5"}, {"LBNumTruncated", "StaticText6"},
            {"LBNumPadded", "StaticText7"},     {"LBNumAsciiFixed", "StaticText9"}};
        for (const auto& row : rows) {
            QLabel* count = Label(row.first);
            const QLabel* caption = Label(row.second);
            const int textLeft = count->geometry().right() + 1 -
                                  count->fontMetrics().horizontalAdvance(count->text());
            QVERIFY2(textLeft > caption->x() + caption->fontMetrics().horizontalAdvance(caption->text()),
                     row.first);
            QVERIFY2(count->geometry().right() < m_report->width(), row.first);
        }
        // Each side stays one column.
        QCOMPARE(Label("LBNumRecs")->geometry().right(), Label("LBMaxLRECL")->geometry().right());
        QCOMPARE(Label("LBNumRecsEdited")->geometry().right(),
                 Label("LBNumAsciiFixed")->geometry().right());
        QVERIFY(Label("LabelOutFile")->geometry().right() < m_report->width());
        QCOMPARE(Label("LBMaxLRECL")->text(), QString("2,147,483,647"));
        QCOMPARE(Label("LBNumAsciiFixed")->text(), QString("-2,147,483,648"));
    }

    void CancelEnablesMainWindowAtOnceAndSetsTheFlag() {
        m_mainWindow->setEnabled(false);
        m_report->SetProgressLayout(100);
        m_report->show();
        QVERIFY(!m_report->Cancelled());
        Button()->click();
        QVERIFY(m_mainWindow->isEnabled());
        QVERIFY(m_report->Cancelled());
        QVERIFY(m_report->isVisible());
        QCOMPARE(Button()->text(), QString("Cancel"));
    }

    void CloseEnablesMainWindowAndHides() {
        m_mainWindow->setEnabled(false);
        m_report->SetResultsLayout();
        m_report->show();
        Button()->click();
        QVERIFY(m_mainWindow->isEnabled());
        QVERIFY(!m_report->isVisible());
        QVERIFY(!m_report->Cancelled());
    }

    void ShowingClearsCancelled() {
        m_report->SetProgressLayout(100);
        m_report->show();
        Button()->click();
        QVERIFY(m_report->Cancelled());
        m_report->hide();
        m_report->show();
        QVERIFY(!m_report->Cancelled());
    }

    void EscapeAndCloseRequestsLeaveTheWindowOpen() {
        m_report->SetProgressLayout(100);
        m_report->show();
        QTest::keyClick(m_report.get(), Qt::Key_Escape);
        QVERIFY(m_report->isVisible());
        m_report->close();
        QVERIFY(m_report->isVisible());
        QVERIFY(!m_report->Cancelled());
    }

    void DisablingTheMainWindowLeavesTheReportUsable() {
        m_report->show();
        m_mainWindow->setEnabled(false);
        QVERIFY(m_report->isEnabled());
        QVERIFY(Button()->isEnabled());
    }

    // --- ReportProgress, the run's observer.

    void ProgressBarCountsBytesWhenTheyFit() {
        ReportProgress progress(*m_report, m_prompter, m_report.get());
        progress.RunStarting(1000);
        QCOMPARE(Bar()->maximum(), 1000);
        QCOMPARE(progress.Shift(), 0);
        QVERIFY(!progress.CancelRequested(400));
        QCOMPARE(Bar()->value(), 400);
    }

    void ProgressBarIsScaledForInputsOverTwoGigabytes() {
        ReportProgress progress(*m_report, m_prompter, m_report.get(), 0);
        const int64_t size = int64_t(5) << 30;  // 5 GiB
        progress.RunStarting(size);
        QCOMPARE(progress.Shift(), 2);
        QCOMPARE(Bar()->maximum(), static_cast<int>(size >> 2));
        progress.CancelRequested(size / 2);
        QCOMPARE(Bar()->value(), static_cast<int>((size / 2) >> 2));
        progress.CancelRequested(size);
        QCOMPARE(Bar()->value(), Bar()->maximum());
    }

    void ProgressBeyondTheSizeShowsAFullBar() {
        ReportProgress progress(*m_report, m_prompter, m_report.get(), 0);
        progress.RunStarting(100);
        progress.CancelRequested(250);
        QCOMPARE(Bar()->value(), 100);
    }

    void EventsArePumpedAtABoundedRate() {
        ReportProgress progress(*m_report, m_prompter, m_report.get(), 60 * 1000);
        progress.RunStarting(100);
        int served = 0;
        QTimer::singleShot(0, m_report.get(), [&served] { ++served; });
        progress.CancelRequested(1);  // the first call always pumps
        QCOMPARE(served, 1);
        QCOMPARE(Bar()->value(), 1);
        QTimer::singleShot(0, m_report.get(), [&served] { ++served; });
        progress.CancelRequested(2);  // within the interval: no pump, the bar waits too
        QCOMPARE(served, 1);
        QCOMPARE(Bar()->value(), 1);
    }

    void EventsArePumpedAgainOnceTheIntervalHasPassed() {
        ReportProgress progress(*m_report, m_prompter, m_report.get(), 20);
        progress.RunStarting(100);
        progress.CancelRequested(1);
        int served = 0;
        QTimer::singleShot(0, m_report.get(), [&served] { ++served; });
        QTest::qSleep(40);
        progress.CancelRequested(2);
        QCOMPARE(served, 1);
        QCOMPARE(Bar()->value(), 2);
    }

    void CancelClickedDuringAPumpIsReportedAtOnce() {
        m_report->SetProgressLayout(0);
        m_report->show();
        ReportProgress progress(*m_report, m_prompter, m_report.get());
        progress.RunStarting(100);
        QTimer::singleShot(0, Button(), &QPushButton::click);
        QVERIFY(progress.CancelRequested(10));
        QVERIFY(m_mainWindow->isEnabled());
    }

#ifndef _WIN32  // a FIFO is Linux's
    // A run whose input is held open and silent, plain or gzip, still serves the window, so
    // Cancel ends it.
    void CancelEndsARunWaitingForSilentInput() {
        m_report->SetProgressLayout(0);
        for (const char* input : {"in.txt", "in.gz"}) {
            m_report->hide();
            m_report->show();  // a new showing clears the last one's cancel
            QVERIFY(!m_report->Cancelled());
            TempDir dir;
            const std::string fifo = dir.File(input);
            QCOMPARE(mkfifo(fifo.c_str(), 0600), 0);
            const int writer = open(fifo.c_str(), O_RDWR | O_CLOEXEC);  // opened without waiting for a reader
            QVERIFY(writer >= 0);
            ConversionSettings settings;
            settings.inputName = fifo.c_str();
            settings.outputName = dir.File("out.txd").c_str();
            settings.recordLength = 5;
            ReportProgress progress(*m_report, m_prompter, m_report.get());
            QTimer::singleShot(100, Button(), &QPushButton::click);
            const ConversionResult result = RunConversion(settings, progress);
            close(writer);
            QCOMPARE(static_cast<int>(result.outcome), static_cast<int>(RunOutcome::Cancelled));
            QVERIFY(!std::filesystem::exists(dir.File("out.txd")));
        }
    }
#endif

    void WarningsAreListedBelowTheResultsOnlyWhenThereAreAny() {
        m_report->SetWarnings({});
        m_report->SetResultsLayout();
        QCOMPARE(m_report->height(), 207);
        QVERIFY(m_report->findChild<QPlainTextEdit*>("WarningList")->isHidden());
        m_report->SetWarnings({"in.csv:3: 1 value cut to the length of field 'Name' (the first on this line)"});
        m_report->SetResultsLayout();
        auto* list = m_report->findChild<QPlainTextEdit*>("WarningList");
        QVERIFY(!list->isHidden());
        QCOMPARE(list->toPlainText(),
                 QString("in.csv:3: 1 value cut to the length of field 'Name' (the first on this line)"));
        QVERIFY(list->geometry().top() >= Button()->geometry().bottom());
        QCOMPARE(m_report->height(), 207 + 128);
        QCOMPARE(Button()->text(), QString("Close"));
    }

    void FailuresAreShownInAnErrorBox() {
        ReportProgress progress(*m_report, m_prompter, m_report.get());
        progress.ReportFailure("Field length extends beyond record length.");
        QCOMPARE(m_prompter.boxes,
                 QList<FakePrompter::Box>({{"Field length extends beyond record length.", "Error"}}));
    }
};

}  // namespace lathwell::app

QTEST_MAIN(lathwell::app::TestReport)
#include "ReportTest.moc"
