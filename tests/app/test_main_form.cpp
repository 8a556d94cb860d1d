// The main window: design, mode switching, DD record lengths, browse dialogs, field positions,
// the Process command and the conversion run behind the report window.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <memory>

#include <zlib.h>

#include "FakePrompter.h"
#include "TempDir.h"
#include "main_form.h"
#include "report.h"

namespace lathwell::app {

namespace {

const char kDDFile[] =
    "[FileInfo]\r\n"
    "RecordLength=20\r\n"
    "[Field1]\r\n"
    "FieldName=Name\r\n"
    "Length=10\r\n"
    "ByteOffset=1\r\n"
    "[Field2]\r\n"
    "FieldName=Age\r\n"
    "Length=3\r\n"
    "ByteOffset=11\r\n"
    "[Format=Name]\r\n"
    "X=Any text\r\n";

const char kOverwriteQuestion[] =
    "Output File already exists. If you proceed this file will be overwritten.\n\nOverwrite?";

QString Q(const std::string& sText) { return QString::fromStdString(sText); }

using Boxes = QList<FakePrompter::Box>;

}  // namespace

class TestMainForm : public QObject {
    Q_OBJECT

private:
    FakePrompter m_prompter;
    std::unique_ptr<TempDir> m_pDir;
    std::unique_ptr<TForm1> m_pForm;

    TForm1& Form() { return *m_pForm; }

    void SetInput(const std::string& sName) {
        Form().EbInputFile->setText(Q(sName));
        Form().EbInputFileExit();
    }
    void SetDD(const std::string& sName) {
        Form().EbDDFile->setText(Q(sName));
        Form().EbDDFileExit();
    }
    // A pad/truncate job ready for Process.
    void PrepareFixed(const std::string& sInput, const std::string& sOutput, const char* pLength) {
        SetInput(sInput);
        Form().EbOutputFile->setText(Q(sOutput));
        Form().ebLength->setText(pLength);
    }
    // A CSV job ready for Process except for the field position map.
    void PrepareCsv(const std::string& sHeader) {
        SetInput(m_pDir->Write("in.csv", sHeader + "\r\nBob,42\r\n"));
        SetDD(m_pDir->Write("fields.dd", kDDFile));
        Form().EbOutputFile->setText(Q(m_pDir->File("out.txd")));
    }
    void SetMap(std::initializer_list<int16_t> entries) {
        Form().FieldPositions().assign(entries.begin(), entries.end());
    }
    QWidget* Focus() { return Form().focusWidget(); }

private slots:
    void init() {
        m_prompter.Reset();
        m_pDir = std::make_unique<TempDir>();
        m_pForm = std::make_unique<TForm1>(m_prompter);
        m_pForm->show();
        m_pForm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_pForm.get()));
    }
    void cleanup() {
        m_pForm.reset();
        m_pDir.reset();
    }

    // --- Design.

    void DesignHasCaptionAndClientSize() {
        QCOMPARE(Form().windowTitle(), QString("Lathwell Version 1.8"));
        QCOMPARE(Form().height(), 253);
        QVERIFY(Form().width() >= 530);
        QCOMPARE(Form().font().pointSize(), 8);
    }

    void ControlsHaveTheirCaptionsPlacesAndStates_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("design");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("EbInputFile") << "EbInputFile" << "" << QRect(10, 82, 431, 21) << true;
        QTest::newRow("EbOutputFile") << "EbOutputFile" << "" << QRect(10, 126, 431, 21) << true;
        QTest::newRow("PBOK") << "PBOK" << "Process" << QRect(445, 9, 75, 25) << true;
        QTest::newRow("PBInputFileBrowse") << "PBInputFileBrowse" << "Browse..." << QRect(447, 80, 73, 25) << true;
        QTest::newRow("PBOutputFileBrowse") << "PBOutputFileBrowse" << "Browse..." << QRect(447, 124, 73, 25) << true;
        QTest::newRow("Button1") << "Button1" << "Exit" << QRect(445, 40, 75, 25) << true;
        QTest::newRow("ebLength") << "ebLength" << "" << QRect(87, 156, 45, 21) << true;
        QTest::newRow("chkAsciiOnly") << "chkAsciiOnly" << "Convert Unprintable Non-ASCII Characters to Blanks" << QRect(173, 158, 275, 17) << true;
        QTest::newRow("radioFixedFile") << "radioFixedFile" << "Padding or Truncating Flat File with Fixed Fields" << QRect(13, 9, 255, 17) << true;
        QTest::newRow("radioCSVFile") << "radioCSVFile" << "Converting Comma Delimited (CSV) File to Flat File with Fixed Fields" << QRect(13, 35, 350, 17) << true;
        QTest::newRow("EbDDFile") << "EbDDFile" << "" << QRect(86, 188, 354, 21) << false;
        QTest::newRow("PBDDFileBrowse") << "PBDDFileBrowse" << "Browse..." << QRect(445, 187, 75, 25) << false;
        QTest::newRow("PBFieldPositions") << "PBFieldPositions" << "Set Field Positions..." << QRect(229, 214, 116, 24) << false;
        QTest::newRow("chkPopFields") << "chkPopFields" << "Use Population Fields" << QRect(86, 218, 129, 17) << false;
    }
    void ControlsHaveTheirCaptionsPlacesAndStates() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, design);
        QFETCH(bool, enabled);
        QWidget* pWidget = Form().findChild<QWidget*>(name);
        QVERIFY(pWidget != nullptr);
        if (auto* pButton = qobject_cast<QAbstractButton*>(pWidget)) QCOMPARE(pButton->text(), caption);
        QCOMPARE(pWidget->pos(), design.topLeft());
        QCOMPARE(pWidget->height(), design.height());
        // Designed width, or wider where this machine's font needs it; never clipped.
        QVERIFY(pWidget->width() >= design.width());
        if (pWidget->width() > design.width() && qobject_cast<QPushButton*>(pWidget) == nullptr)
            QCOMPARE(pWidget->width(), pWidget->sizeHint().width());
        QCOMPARE(pWidget->isEnabled(), enabled);
    }

    void LabelsHaveTheirCaptions() {
        QCOMPARE(Form().findChild<QLabel*>("Label2")->text(),
                 QString("Input File: (*.txd, *.txd.gz, *.txt, *.dat, *.csv)"));
        QCOMPARE(Form().findChild<QLabel*>("Label3")->text(), QString("Output File: (*.txd, *.txd.gz)"));
        QCOMPARE(Form().findChild<QLabel*>("Label4")->text(), QString("Record length:"));
        QCOMPARE(Form().lblDDFile->text(), QString("Select DD File:"));
        QVERIFY(!Form().lblDDFile->isEnabled());
        QCOMPARE(Form().Label1->text(), QString("??"));
        QCOMPARE(Form().Label1->pos(), QPoint(136, 157));
        QCOMPARE(Form().Label1->font().pointSize(), 10);
        QVERIFY(Form().Label1->font().underline());
        QCOMPARE(Form().Label1->cursor().shape(), Qt::WhatsThisCursor);
    }

    void CaptionsDoNotRunIntoTheirBoxes() {
        const QLabel* pLength = Form().findChild<QLabel*>("Label4");
        QVERIFY(pLength->geometry().right() < Form().ebLength->x());
        QVERIFY(pLength->width() >= pLength->fontMetrics().horizontalAdvance(pLength->text()));
        QCOMPARE(pLength->y(), 159);
        QVERIFY(Form().lblDDFile->geometry().right() < Form().EbDDFile->x());
        QCOMPARE(Form().lblDDFile->y(), 191);
    }

    void InitialStateIsPadMode() {
        QVERIFY(Form().radioFixedFile->isChecked());
        QVERIFY(!Form().radioCSVFile->isChecked());
        QVERIFY(!Form().chkAsciiOnly->isChecked());
        QVERIFY(!Form().chkPopFields->isChecked());
        QVERIFY(Form().PBOK->isDefault());
        QVERIFY(Form().FieldPositions().empty());
        QCOMPARE(Focus(), Form().EbInputFile);
    }

    void TabOrderFollowsTheDesign() {
        Form().radioCSVFile->click();
        Form().PBFieldPositions->setEnabled(true);
        Form().chkPopFields->setEnabled(true);
        // The two radio buttons form one group, which Tab visits once.
        const QList<QWidget*> expected = {Form().EbOutputFile, Form().PBOK,
                                          Form().PBInputFileBrowse, Form().PBOutputFileBrowse,
                                          Form().Button1, Form().chkAsciiOnly, nullptr,
                                          Form().EbDDFile, Form().PBDDFileBrowse,
                                          Form().PBFieldPositions, Form().chkPopFields};
        Form().EbInputFile->setFocus();
        m_prompter.Reset();
        for (QWidget* pNext : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (pNext == nullptr)
                QVERIFY(qobject_cast<QRadioButton*>(QApplication::focusWidget()) != nullptr);
            else
                QCOMPARE(QApplication::focusWidget(), pNext);
        }
        QVERIFY(Form().radioFixedFile->nextInFocusChain() == Form().radioCSVFile);
    }

    void EnterPressesProcessAndEscapeExits() {
        QTest::keyClick(Form().EbInputFile, Qt::Key_Return);
        QCOMPARE(m_prompter.boxes, Boxes({{"Input File Not Selected", "Error"}}));
        QTest::keyClick(Form().EbInputFile, Qt::Key_Escape);
        QVERIFY(!Form().isVisible());
    }

    void ExitClosesTheWindow() {
        Form().Button1->click();
        QVERIFY(!Form().isVisible());
    }

    // --- Mode switching.

    void CsvInputSelectsCsvMode() {
        SetInput("/data/x.csv");
        QVERIFY(Form().radioCSVFile->isChecked());
        QVERIFY(!Form().ebLength->isEnabled());
        QVERIFY(Form().EbDDFile->isEnabled());
        QVERIFY(Form().PBDDFileBrowse->isEnabled());
        QVERIFY(Form().lblDDFile->isEnabled());
        QVERIFY(!Form().PBFieldPositions->isEnabled());
        QVERIFY(!Form().chkPopFields->isEnabled());
        QCOMPARE(Form().EbInputFile->text(), QString("/data/x.csv"));
    }

    void TextInputSelectsPadMode() {
        SetInput("/data/x.csv");
        SetInput("/data/x.txt");
        QVERIFY(Form().radioFixedFile->isChecked());
        QVERIFY(Form().ebLength->isEnabled());
        QVERIFY(!Form().EbDDFile->isEnabled());
        QVERIFY(!Form().lblDDFile->isEnabled());
        QCOMPARE(Form().EbInputFile->text(), QString("/data/x.txt"));
    }

    void LeavingTheInputBoxSwitchesTheMode() {
        Form().EbInputFile->setFocus();
        QTest::keyClicks(Form().EbInputFile, "x.CSV");
        QTest::keyClick(Form().EbInputFile, Qt::Key_Tab);
        QVERIFY(Form().radioCSVFile->isChecked());
        QCOMPARE(m_prompter.boxes.size(), 0);
    }

    void CsvModeEmptiesATextInput() {
        Form().EbInputFile->setText("x.txt");
        SetMap({1, 2});
        Form().radioCSVFile->click();
        QCOMPARE(Form().EbInputFile->text(), QString());
        QVERIFY(Form().FieldPositions().empty());
    }

    void PadModeEmptiesACsvInput() {
        SetInput("x.CSV");
        Form().radioFixedFile->click();
        QCOMPARE(Form().EbInputFile->text(), QString());
        QVERIFY(!Form().EbDDFile->isEnabled());
    }

    void ChangingTheInputOrDDFileClearsTheMap() {
        SetMap({1, 2});
        Form().EbInputFile->setText("a.csv");
        QVERIFY(Form().FieldPositions().empty());
        SetMap({1, 2});
        Form().EbDDFile->setText("a.dd");
        QVERIFY(Form().FieldPositions().empty());
    }

    // --- Record lengths from the DD file.

    void DDRecordLengthFillsTheBox() {
        SetInput("/data/x.csv");
        SetDD(m_pDir->Write("a.dd", "[FileInfo]\r\nRecordLength=80\r\n[Field1]\r\n"));
        QCOMPARE(Form().ebLength->text(), QString("80"));
        QVERIFY(Form().PBFieldPositions->isEnabled());
        QVERIFY(!Form().chkPopFields->isEnabled());
        QVERIFY(!Form().chkPopFields->isChecked());
        QCOMPARE(m_prompter.boxes.size(), 0);
    }

    void PopulationFieldsSwitchTheRecordLength() {
        SetInput("/data/x.csv");
        SetDD(m_pDir->Write("a.dd", "[FileInfo]\r\nRecordLength=80\r\nPopRecordLength=40\r\n"));
        QVERIFY(Form().chkPopFields->isEnabled());
        QCOMPARE(Form().ebLength->text(), QString("80"));
        SetMap({1, 2});
        Form().chkPopFields->click();
        QCOMPARE(Form().ebLength->text(), QString("40"));
        QVERIFY(Form().FieldPositions().empty());
        Form().chkPopFields->click();
        QCOMPARE(Form().ebLength->text(), QString("80"));
        QCOMPARE(m_prompter.boxes.size(), 0);
    }

    void MissingDDFileIsInvalidAndNotCreated() {
        SetInput("/data/x.csv");
        const std::string sDD = m_pDir->File("new.dd");
        SetDD(sDD);
        QCOMPARE(m_prompter.boxes, Boxes({{"Invalid DD File", "Error"}}));
        // Reading a DD file never leaves a stray empty file behind.
        QVERIFY(!std::filesystem::exists(sDD));
        QVERIFY(!Form().PBFieldPositions->isEnabled());
    }

    void DDFileWithoutRecordLengthChangesNothingElse() {
        SetInput("/data/x.csv");
        SetDD(m_pDir->Write("good.dd", "[FileInfo]\r\nRecordLength=80\r\n"));
        SetDD(m_pDir->Write("bad.dd", "[FileInfo]\r\nRecordLength=0\r\n"));
        QCOMPARE(m_prompter.boxes, Boxes({{"Invalid DD File", "Error"}}));
        QCOMPARE(Form().ebLength->text(), QString("80"));
        QVERIFY(Form().PBFieldPositions->isEnabled());
    }

    void SwitchingToCsvModeReadsTheNamedDDFile() {
        Form().radioCSVFile->click();
        Form().EbDDFile->setText(Q(m_pDir->Write("a.dd", "[FileInfo]\r\nRecordLength=70\r\n")));
        Form().radioFixedFile->click();
        Form().ebLength->setText("5");
        Form().radioCSVFile->click();
        QCOMPARE(Form().ebLength->text(), QString("70"));
    }

    void RecordLengthLongerThanTheBoxIsShownWhole() {
        SetInput("/data/x.csv");
        SetDD(m_pDir->Write("a.dd", "[FileInfo]\r\nRecordLength=123456\r\n"));
        QCOMPARE(Form().ebLength->text(), QString("123456"));
    }

    // --- Record length typing.

    void LettersInTheLengthBoxBeep() {
        Form().ebLength->setFocus();
        QTest::keyClicks(Form().ebLength, "1a2.");
        QCOMPARE(Form().ebLength->text(), QString("12."));
        QCOMPARE(m_prompter.beeps, 1);
        QTest::keyClick(Form().ebLength, Qt::Key_Backspace);
        QCOMPARE(Form().ebLength->text(), QString("12"));
        QCOMPARE(m_prompter.beeps, 1);
    }

    void LengthBoxTakesFiveCharacters() {
        Form().ebLength->setFocus();
        QTest::keyClicks(Form().ebLength, "1234567");
        QCOMPARE(Form().ebLength->text(), QString("12345"));
    }

    // --- Browse dialogs.

    void InputBrowseOffersTextFilesInPadMode() {
        const std::string sInput = m_pDir->Write("in.txt", "x\n");
        m_prompter.fileAnswers = {Q(sInput)};
        Form().PBInputFileBrowse->click();
        QCOMPARE(m_prompter.fileRequests.size(), 1);
        const FileDialogRequest& request = m_prompter.fileRequests.first();
        QCOMPARE(request.filter,
                 QString("Text Files (*.txt, *.txd, *.dat)|*.txt;*.txd;*.dat|Compressed Text Files "
                         "(*.txd.gz)|*.txd.gz|All Files (*.*)|*.*"));
        QVERIFY(request.pathMustExist);
        QVERIFY(request.fileMustExist);
        QCOMPARE(Form().EbInputFile->text(), Q(sInput));
        QCOMPARE(Focus(), Form().EbInputFile);
        QVERIFY(Form().radioFixedFile->isChecked());
    }

    void InputBrowseOffersCsvFilesInCsvModeAndSwitchesMode() {
        Form().radioCSVFile->click();
        m_prompter.fileAnswers = {Q(m_pDir->Write("in.csv", "a,b\n"))};
        SetMap({1, 2});
        Form().PBInputFileBrowse->click();
        QCOMPARE(m_prompter.fileRequests.first().filter,
                 QString("Comma Delimited Files (*.csv)|*.csv|All Files (*.*)|*.*"));
        QVERIFY(Form().radioCSVFile->isChecked());
        QVERIFY(Form().FieldPositions().empty());
    }

    void CancelledBrowseChangesNothing() {
        Form().EbInputFile->setText("keep.txt");
        Form().PBInputFileBrowse->click();
        Form().PBOutputFileBrowse->click();
        QCOMPARE(Form().EbInputFile->text(), QString("keep.txt"));
        QCOMPARE(Form().EbOutputFile->text(), QString());
        QCOMPARE(m_prompter.fileRequests.size(), 2);
    }

    void OutputBrowseOffersTextAndCompressedFiles() {
        m_prompter.fileAnswers = {"/data/out.txd"};
        Form().PBOutputFileBrowse->click();
        const FileDialogRequest& request = m_prompter.fileRequests.first();
        QCOMPARE(request.filter,
                 QString("Text File (*.txd)|*.txd|Compressed Text File (*.txd.gz)|*.txd.gz"));
        QCOMPARE(request.defaultSuffix, QString("txd"));
        QVERIFY(request.pathMustExist);
        QVERIFY(!request.fileMustExist);
        QCOMPARE(Form().EbOutputFile->text(), QString("/data/out.txd"));
    }

    void DDBrowseReadsTheRecordLength() {
        Form().radioCSVFile->click();
        m_prompter.fileAnswers = {Q(m_pDir->Write("a.dd", "[FileInfo]\r\nRecordLength=64\r\n"))};
        Form().PBDDFileBrowse->click();
        const FileDialogRequest& request = m_prompter.fileRequests.first();
        QCOMPARE(request.filter, QString("Database Definition File (*.dd)|*.dd"));
        QVERIFY(request.pathMustExist);
        QVERIFY(request.fileMustExist);
        QCOMPARE(Form().ebLength->text(), QString("64"));
        QVERIFY(Form().PBFieldPositions->isEnabled());
    }

    void DialogFiltersBecomeQtNameFilters() {
        QCOMPARE(QtPrompter::NameFilters("Text Files (*.txt, *.txd, *.dat)|*.txt;*.txd;*.dat|"
                                         "All Files (*.*)|*.*"),
                 QStringList({"Text Files (*.txt, *.txd, *.dat) (*.txt *.txd *.dat)",
                              "All Files (*.*) (*)"}));
    }

    // --- Help and field positions.

    void HelpShowsExampleRecordLengths() {
        const QRect rect = Form().Label1->rect();
        QTest::mouseClick(Form().Label1, Qt::LeftButton, {}, rect.center());
        QCOMPARE(m_prompter.boxes.size(), 1);
        QCOMPARE(m_prompter.boxes.first().caption, QString("Help"));
        const QStringList lines = m_prompter.boxes.first().text.split('\n');
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines[0], QString("Examples of Record Lengths:"));
        QCOMPARE(lines[1], QString());
        QCOMPARE(lines[5], QString());
        for (int i : {2, 3, 4, 6, 7, 8, 9}) QVERIFY2(lines[i].contains(" - "), qPrintable(lines[i]));
        QVERIFY(lines[2].startsWith(' '));
        QVERIFY(lines[6].contains(','));
    }

    void FieldPositionsNeedADDFileFirst() {
        Form().PBFieldPositions->setEnabled(true);
        Form().PBFieldPositions->click();
        QCOMPARE(m_prompter.boxes, Boxes({{"You must first specify a DD File", "Error"}}));
    }

    void FieldPositionsNeedAnInputFile() {
        Form().EbDDFile->setText("a.dd");
        Form().PBFieldPositionsClick();
        QCOMPARE(m_prompter.boxes, Boxes({{"You must first specify a CSV File for input", "Error"}}));
    }

    void FieldPositionsDialogFillsTheMap() {
        PrepareCsv("Name,Age");
        QTimer::singleShot(0, this, [] {
            QTimer::singleShot(0, [] {
                QWidget* pDialog = QApplication::activeModalWidget();
                QVERIFY(pDialog != nullptr);
                pDialog->findChild<QPushButton*>("PBRecordOK")->click();
            });
        });
        Form().PBFieldPositions->click();
        QCOMPARE(m_prompter.boxes.size(), 0);
        QCOMPARE(QList<int16_t>(Form().FieldPositions().begin(), Form().FieldPositions().end()),
                 QList<int16_t>({1, 2}));
    }

    void FailingFieldPositionsDialogClearsTheMap() {
        PrepareCsv("Name,Age");
        Form().EbInputFile->setText(Q(m_pDir->File("missing.csv")));
        SetMap({1, 2});
        Form().PBFieldPositions->click();
        QCOMPARE(m_prompter.boxes, Boxes({{"An Invalid DD File was specified", "Error"}}));
        QVERIFY(Form().FieldPositions().empty());
    }

    // --- The Process command: the six checks.

    void NothingEnteredAsksForTheInputOnly() {
        Form().EbOutputFile->setFocus();
        Form().PBOK->click();
        QCOMPARE(m_prompter.boxes, Boxes({{"Input File Not Selected", "Error"}}));
        QCOMPARE(Focus(), Form().EbInputFile);
    }

    void MissingOutputIsReported() {
        Form().EbInputFile->setText("in.txt");
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes, Boxes({{"Output File Not Selected", "Error"}}));
        QCOMPARE(Focus(), Form().EbOutputFile);
    }

    void MissingDDFileIsReportedInCsvMode() {
        Form().radioCSVFile->click();
        Form().EbInputFile->setText("in.csv");
        Form().EbOutputFile->setText("out.txd");
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes, Boxes({{"DD File Not Selected", "Error"}}));
        QCOMPARE(Focus(), Form().EbDDFile);
    }

    void MissingInputFileIsReported() {
        PrepareFixed(m_pDir->File("none.txt"), m_pDir->File("out.txd"), "5");
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes, Boxes({{"Input File Does Not Exist", "Error"}}));
        QCOMPARE(Focus(), Form().EbInputFile);
    }

    void SameNamesIgnoringCaseAreRefused() {
        const std::string sInput = m_pDir->Write("in.txt", "abc\n");
        PrepareFixed(sInput, QString(Q(sInput)).replace("in.txt", "IN.TXT").toStdString(), "5");
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes, Boxes({{"Output File and Input File are the same", "Error"}}));
        QCOMPARE(Focus(), Form().EbOutputFile);
    }

    void MissingRecordLengthIsReported_data() {
        QTest::addColumn<QString>("length");
        QTest::newRow("empty") << "";
        QTest::newRow("zero") << "0";
        QTest::newRow("dot") << ".5";
    }
    void MissingRecordLengthIsReported() {
        QFETCH(QString, length);
        PrepareFixed(m_pDir->Write("in.txt", "abc\n"), m_pDir->File("out.txd"), "");
        Form().ebLength->setText(length);
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes, Boxes({{"Please specify a record length", "Error"}}));
        QCOMPARE(Focus(), Form().EbOutputFile);
        QVERIFY(!std::filesystem::exists(m_pDir->File("out.txd")));
    }

    // --- The Process command: the CSV checks.

    void CsvNeedsFieldPositions() {
        PrepareCsv("Name,Age");
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes,
                 Boxes({{"You must first set field positions based on the selected DD file", "Error"}}));
        QCOMPARE(Focus(), Form().PBFieldPositions);
        QVERIFY(!std::filesystem::exists(m_pDir->File("out.txd")));
    }

    void CsvMapMustCoverEveryColumn() {
        PrepareCsv("a,b,c,d");
        SetMap({1, 2, -1, -1, -1});
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes,
                 Boxes({{"Field positions not set.  You must set field positions based on the "
                         "selected DD file.",
                         "Error"}}));
        QCOMPARE(Focus(), Form().PBFieldPositions);
    }

    void CsvNeedsTwoMatchedColumns() {
        PrepareCsv("a,b,c,d,e");
        SetMap({-1, 2, -1, -1, -1});
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes,
                 Boxes({{"At least two fields in the Input File must be matched with corresponding "
                         "fields from the DD File.  Please set field positions.",
                         "Error"}}));
        QCOMPARE(Focus(), Form().PBFieldPositions);
    }

    void UnreadableCsvHeaderIsReported() {
        PrepareCsv("Name,Age");
        m_pDir->Write("in.csv", "Name\rAge\r\n");
        SetMap({1, 2});
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes,
                 Boxes({{"Return character not followed by newline; unknown end of line type",
                         "Error"}}));
        QCOMPARE(Focus(), Form().EbInputFile);
        QVERIFY(!std::filesystem::exists(m_pDir->File("out.txd")));
    }

    void CsvNameTypedInPadModeGetsACsvOutput() {
        // Process pressed before leaving the input box: the mode has not followed the name.
        Form().radioCSVFile->click();
        Form().EbDDFile->setText("unused.dd");
        Form().EbInputFile->setText(Q(m_pDir->Write("in.txt", "abc\n")));
        Form().EbOutputFile->setText("out");
        Form().ebLength->setText("4");
        // The completed name is made full against the current folder.
        const QString sPrevious = QDir::currentPath();
        QDir::setCurrent(Q(m_pDir->Path().string()));
        Form().PBOKClick();
        QDir::setCurrent(sPrevious);
        QCOMPARE(Form().EbOutputFile->text(), Q(m_pDir->File("out.csv")));
        QCOMPARE(TempDir::Read(m_pDir->File("out.csv")), std::string("abc \r\n"));
    }

    // --- The Process command: output name, overwrite question, creation probe.

    void BareOutputNameGoesBesideTheInput() {
        PrepareFixed(m_pDir->Write("in.txt", "abc\n"), "out", "5");
        Form().PBOKClick();
        QCOMPARE(Form().EbOutputFile->text(), Q(m_pDir->File("out.txd")));
        QCOMPARE(TempDir::Read(m_pDir->File("out.txd")), std::string("abc  \r\n"));
    }

    void BareCompressedNameKeepsItsExtension() {
        PrepareFixed(m_pDir->Write("in.txt", "abc\n"), "x.txd.gz", "5");
        Form().PBOKClick();
        QCOMPARE(Form().EbOutputFile->text(), Q(m_pDir->File("x.txd.gz")));
        QVERIFY(std::filesystem::exists(m_pDir->File("x.txd.gz")));
    }

    void DotInAFolderNameCountsAsExtension() {
        std::filesystem::create_directory(m_pDir->File("my.dir"));
        const std::string sOutput = m_pDir->File("my.dir") + "/out";
        PrepareFixed(m_pDir->Write("in.txt", "abc\n"), sOutput, "3");
        Form().PBOKClick();
        QCOMPARE(Form().EbOutputFile->text(), Q(sOutput));
        QCOMPARE(TempDir::Read(sOutput), std::string("abc\r\n"));
    }

    void OverlongOutputNameIsReported() {
        PrepareFixed(m_pDir->Write("in.txt", "abc\n"), std::string(300, 'o') + ".txd", "5");
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes,
                 Boxes({{"Could not get full path name -- File name too long", "Error"}}));
        QCOMPARE(Focus(), Form().EbOutputFile);
        QCOMPARE(Form().Report(), nullptr);
    }

    void ExistingOutputAnsweredNoIsLeftAlone() {
        const std::string sOutput = m_pDir->Write("out.txd", "keep me");
        PrepareFixed(m_pDir->Write("in.txt", "abc\n"), sOutput, "5");
        m_prompter.yesNoAnswers = {false};
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes, Boxes({{kOverwriteQuestion, "WARNING"}}));
        QCOMPARE(TempDir::Read(sOutput), std::string("keep me"));
        QCOMPARE(Form().Report(), nullptr);
        QCOMPARE(Focus(), Form().EbOutputFile);
    }

    void ExistingOutputAnsweredYesIsReplaced() {
        const std::string sOutput = m_pDir->Write("out.txd", "old contents that are long");
        PrepareFixed(m_pDir->Write("in.txt", "abc\n"), sOutput, "5");
        m_prompter.yesNoAnswers = {true};
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes, Boxes({{kOverwriteQuestion, "WARNING"}}));
        QCOMPARE(TempDir::Read(sOutput), std::string("abc  \r\n"));
    }

    void OutputInAMissingFolderIsInvalid() {
        PrepareFixed(m_pDir->Write("in.txt", "abc\n"), m_pDir->File("nowhere") + "/out.txd", "5");
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes, Boxes({{"Invalid File Name for Output File", "Error"}}));
        QCOMPARE(Focus(), Form().EbOutputFile);
        QCOMPARE(Form().Report(), nullptr);
    }

    void OutputThatIsTheInputUnderAnotherSpellingIsRefused_data() {
        QTest::addColumn<QString>("output");
        QTest::newRow("bare name") << "in.txt";
        QTest::newRow("dot folder") << "/./in.txt";
        QTest::newRow("symbolic link") << "link.txt";
    }
    void OutputThatIsTheInputUnderAnotherSpellingIsRefused() {
        QFETCH(QString, output);
        const std::string sInput = m_pDir->Write("in.txt", "abcdef\n");
        std::filesystem::create_symlink(sInput, m_pDir->File("link.txt"));
        const QString sOutput = output.startsWith('/') ? Q(m_pDir->Path().string()) + output : output;
        PrepareFixed(sInput, sOutput.toStdString(), "3");
        m_prompter.yesNoAnswers = {true};
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes, Boxes({{"Output File and Input File are the same", "Error"}}));
        QCOMPARE(Focus(), Form().EbOutputFile);
        QCOMPARE(TempDir::Read(sInput), std::string("abcdef\n"));
        QCOMPARE(Form().Report(), nullptr);
    }

    void OutputThatIsTheDDFileIsRefused() {
        PrepareCsv("Name,Age");
        SetMap({1, 2});
        Form().EbOutputFile->setText("fields.dd");
        m_prompter.yesNoAnswers = {true};
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes, Boxes({{"Output File and Input File are the same", "Error"}}));
        QCOMPARE(TempDir::Read(m_pDir->File("fields.dd")), std::string(kDDFile));
    }

    // --- The conversion run.

    void PadRunShowsTheResults() {
        const std::string sOutput = m_pDir->File("out.txd");
        PrepareFixed(m_pDir->Write("in.txt", "abcdefgh\nab\n\nabc\n"), sOutput, "5");
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes.size(), 0);
        QCOMPARE(TempDir::Read(sOutput), std::string("abcde\r\nab   \r\nabc  \r\n"));
        TFormReport* pReport = Form().Report();
        QVERIFY(pReport != nullptr);
        QVERIFY(pReport->isVisible());
        QCOMPARE(pReport->windowTitle(), QString("Processed Results"));
        QCOMPARE(pReport->PBReportOK->text(), QString("Close"));
        QCOMPARE(pReport->LabelOutFile->text(), QString("Output File (Rec Len 5):"));
        QCOMPARE(pReport->LBNumRecs->text(), QString("3"));
        QCOMPARE(pReport->LBMinLRECL->text(), QString("2"));
        QCOMPARE(pReport->LBMaxLRECL->text(), QString("8"));
        QCOMPARE(pReport->LBNumRecsEdited->text(), QString("3"));
        QCOMPARE(pReport->LBNumTruncated->text(), QString("1"));
        QCOMPARE(pReport->LBNumPadded->text(), QString("2"));
        QCOMPARE(pReport->LBNumEmpty->text(), QString("1"));
        QCOMPARE(pReport->LBNumAsciiFixed->text(), QString("0"));
        QCOMPARE(pReport->pbStatus->maximum(), 17);
        // The main window waits for the report's Close.
        QVERIFY(!Form().isEnabled());
        pReport->PBReportOK->click();
        QVERIFY(Form().isEnabled());
        QVERIFY(!pReport->isVisible());
    }

    void UnprintableCharactersAreBlankedWhenAsked() {
        const std::string sOutput = m_pDir->File("out.txd");
        PrepareFixed(m_pDir->Write("in.txt", "a\tc\n"), sOutput, "3");
        Form().chkAsciiOnly->setChecked(true);
        Form().PBOKClick();
        QCOMPARE(TempDir::Read(sOutput), std::string("a c\r\n"));
        QCOMPARE(Form().Report()->LBNumAsciiFixed->text(), QString("1"));
        QCOMPARE(Form().Report()->LBNumRecsEdited->text(), QString("1"));
    }

    void LargeCountsAreGrouped() {
        const std::string sOutput = m_pDir->File("out.txd");
        PrepareFixed(m_pDir->Write("in.txt", std::string(1234, 'x') + "\n"), sOutput, "1000");
        Form().PBOKClick();
        QCOMPARE(Form().Report()->LabelOutFile->text(), QString("Output File (Rec Len 1,000):"));
        QCOMPARE(Form().Report()->LBMaxLRECL->text(), QString("1,234"));
    }

    void CsvRunPlacesTheMatchedColumns() {
        PrepareCsv("Name,Age");
        SetMap({1, 2});
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes.size(), 0);
        const std::string sRecord = TempDir::Read(m_pDir->File("out.txd"));
        QCOMPARE(QByteArray::fromStdString(sRecord), QByteArray("Bob       042       \r\n"));
        QCOMPARE(Form().Report()->LBNumRecs->text(), QString("1"));
        QCOMPARE(Form().Report()->LabelOutFile->text(), QString("Output File (Rec Len 20):"));
    }

    void CancelDuringARunDeletesTheOutput() {
        const std::string sOutput = m_pDir->File("out.txd");
        PrepareFixed(m_pDir->Write("in.txt", "one\ntwo\nthree\n"), sOutput, "5");
        // Served by the run's first pump, while the first line is in hand.
        QTimer::singleShot(0, this, [this] {
            QVERIFY(!Form().isEnabled());
            QCOMPARE(Form().Report()->windowTitle(), QString("Processing File"));
            QCOMPARE(Form().Report()->PBReportOK->text(), QString("Cancel"));
            Form().Report()->PBReportOK->click();
        });
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes.size(), 0);
        QVERIFY(!std::filesystem::exists(sOutput));
        QVERIFY(!Form().Report()->isVisible());
        QVERIFY(Form().isEnabled());
        QCOMPARE(Form().Report()->LBNumRecs->text(), QString("00,000,000"));
    }

    void FailedDeleteAfterCancelIsReported() {
        const std::string sOutput = m_pDir->File("out.txd");
        PrepareFixed(m_pDir->Write("in.txt", "one\ntwo\n"), sOutput, "5");
        QTimer::singleShot(0, this, [this, sOutput] {
            // A folder now stands where the output was: it cannot be deleted as a file.
            std::filesystem::rename(sOutput, sOutput + ".moved");
            std::filesystem::create_directory(sOutput);
            m_pDir->Write("out.txd/inside", "x");
            Form().Report()->PBReportOK->click();
        });
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes,
                 Boxes({{"Error in deleting file '" + Q(sOutput) + "'.  Permission denied.",
                         "Error"}}));
        QVERIFY(!Form().Report()->isVisible());
        QVERIFY(Form().isEnabled());
    }

    void FailureDuringARunIsShownAndTheResultsFollow() {
        const std::string sOutput = m_pDir->File("out.txd");
        PrepareFixed(m_pDir->Write("in.txt", "one\ntwo\rthree\n"), sOutput, "5");
        bool bResultsHidden = false;
        m_prompter.onMessage = [&] { bResultsHidden = Form().Report()->Panel1->isHidden(); };
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes,
                 Boxes({{"Return character not followed by newline; unknown end of line type",
                         "Error"}}));
        QVERIFY(bResultsHidden);
        QCOMPARE(Form().Report()->windowTitle(), QString("Processed Results"));
        QCOMPARE(Form().Report()->LBNumRecs->text(), QString("1"));
        QCOMPARE(TempDir::Read(sOutput), std::string("one  \r\n"));
        QVERIFY(!Form().isEnabled());
    }

    void GzipInputProgressFollowsTheCompressedBytes() {
        const std::string sInput = m_pDir->File("in.txd.gz");
        gzFile file = gzopen(sInput.c_str(), "wb");
        for (int i = 0; i < 1000; ++i) gzputs(file, "the same line again and again\n");
        gzclose(file);
        const int iCompressed = static_cast<int>(std::filesystem::file_size(sInput));
        PrepareFixed(sInput, m_pDir->File("out.txd"), "10");
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes.size(), 0);
        QCOMPARE(Form().Report()->pbStatus->maximum(), iCompressed);
        QCOMPARE(Form().Report()->LBNumRecs->text(), QString("1,000"));
    }

    void ClosingIsRefusedWhileDisabled() {
        PrepareFixed(m_pDir->Write("in.txt", "abc\n"), m_pDir->File("out.txd"), "5");
        Form().PBOKClick();
        QVERIFY(!Form().isEnabled());
        Form().close();
        QVERIFY(Form().isVisible());
    }
};

}  // namespace lathwell::app

QTEST_MAIN(lathwell::app::TestMainForm)
#include "test_main_form.moc"
