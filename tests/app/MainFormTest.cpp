// The main window: design, mode switching, DD record lengths, browse dialogs, field positions,
// the Process command and the conversion run behind the report window.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QClipboard>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QUrl>
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
#include "FindChild.h"
#include "LaunchRequest.h"
#include "MpIO.h"
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

QString Q(const std::string& text) { return QString::fromStdString(text); }

using Boxes = QList<FakePrompter::Box>;

}  // namespace

class TestMainForm : public QObject {
    Q_OBJECT

private:
    FakePrompter m_prompter;
    std::unique_ptr<TempDir> m_dir;
    std::unique_ptr<TForm1> m_form;

    TForm1& Form() { return *m_form; }
    QLineEdit* Edit(const char* name) { return Child<QLineEdit>(m_form.get(), name); }
    QPushButton* Button(const char* name) { return Child<QPushButton>(m_form.get(), name); }
    QCheckBox* Check(const char* name) { return Child<QCheckBox>(m_form.get(), name); }
    QRadioButton* Radio(const char* name) { return Child<QRadioButton>(m_form.get(), name); }
    QLabel* Label(const char* name) { return Child<QLabel>(m_form.get(), name); }
    QLabel* ReportLabel(const char* name) { return Child<QLabel>(Form().Report(), name); }

    void SetInput(const std::string& name) {
        Edit("EbInputFile")->setText(Q(name));
        Form().EbInputFileExit();
    }
    void SetDD(const std::string& name) {
        Edit("EbDDFile")->setText(Q(name));
        Form().EbDDFileExit();
    }
    // A pad/truncate job ready for Process.
    void PrepareFixed(const std::string& input, const std::string& output, const char* length) {
        SetInput(input);
        Edit("EbOutputFile")->setText(Q(output));
        Edit("ebLength")->setText(length);
    }
    // A CSV job ready for Process except for the field position map.
    void PrepareCsv(const std::string& header) {
        SetInput(m_dir->Write("in.csv", header + "\r\nBob,42\r\n"));
        SetDD(m_dir->Write("fields.dd", kDDFile));
        Edit("EbOutputFile")->setText(Q(m_dir->File("out.txd")));
    }
    void SetMap(std::initializer_list<int16_t> entries) {
        Form().FieldPositions().assign(entries.begin(), entries.end());
    }
    // Drops the file onto the box as a file manager does.
    void Drop(const char* box, const std::string& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(Q(file))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Edit(box), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Edit(box), &drop);
    }
    QWidget* Focus() { return Form().focusWidget(); }

private slots:
    void init() {
        m_prompter.Reset();
        m_dir = std::make_unique<TempDir>();
        // The remembered browse folders of each test start empty and stay in its folder.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Q(m_dir->File("settings")));
        m_form = std::make_unique<TForm1>(m_prompter);
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }
    void cleanup() {
        m_form.reset();
        m_dir.reset();
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
        QWidget* widget = Form().findChild<QWidget*>(name);
        QVERIFY(widget != nullptr);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) QCOMPARE(button->text(), caption);
        QCOMPARE(widget->pos(), design.topLeft());
        QCOMPARE(widget->height(), design.height());
        // Designed width, or wider where this machine's font needs it; never clipped.
        QVERIFY(widget->width() >= design.width());
        if (widget->width() > design.width() && qobject_cast<QPushButton*>(widget) == nullptr)
            QCOMPARE(widget->width(), widget->sizeHint().width());
        QCOMPARE(widget->isEnabled(), enabled);
    }

    void LabelsHaveTheirCaptions() {
        QCOMPARE(Form().findChild<QLabel*>("Label2")->text(),
                 QString("Input File: (*.txd, *.txd.gz, *.txt, *.dat, *.csv)"));
        QCOMPARE(Form().findChild<QLabel*>("Label3")->text(), QString("Output File: (*.txd, *.txd.gz)"));
        QCOMPARE(Form().findChild<QLabel*>("Label4")->text(), QString("Record length:"));
        QCOMPARE(Label("lblDDFile")->text(), QString("Select DD File:"));
        QVERIFY(!Label("lblDDFile")->isEnabled());
        for (const auto& [label, box] : {std::pair{"Label2", "EbInputFile"}, {"Label3", "EbOutputFile"},
                                         {"Label4", "ebLength"}, {"lblDDFile", "EbDDFile"}})
            QCOMPARE(Edit(box)->accessibleName(), Label(label)->text());
        QCOMPARE(Label("Label1")->text(), QString("??"));
        QCOMPARE(Label("Label1")->pos(), QPoint(136, 157));
        QCOMPARE(Label("Label1")->font().pointSize(), 10);
        QVERIFY(Label("Label1")->font().underline());
        QCOMPARE(Label("Label1")->cursor().shape(), Qt::WhatsThisCursor);
    }

    void CaptionsDoNotRunIntoTheirBoxes() {
        const QLabel* lengthLabel = Form().findChild<QLabel*>("Label4");
        QVERIFY(lengthLabel->geometry().right() < Edit("ebLength")->x());
        QVERIFY(lengthLabel->width() >= lengthLabel->fontMetrics().horizontalAdvance(lengthLabel->text()));
        QCOMPARE(lengthLabel->y(), 159);
        QVERIFY(Label("lblDDFile")->geometry().right() < Edit("EbDDFile")->x());
        QCOMPARE(Label("lblDDFile")->y(), 191);
    }

    void InitialStateIsPadMode() {
        QVERIFY(Radio("radioFixedFile")->isChecked());
        QVERIFY(!Radio("radioCSVFile")->isChecked());
        QVERIFY(!Check("chkAsciiOnly")->isChecked());
        QVERIFY(!Check("chkPopFields")->isChecked());
        QVERIFY(Button("PBOK")->isDefault());
        QVERIFY(Form().FieldPositions().empty());
        QCOMPARE(Focus(), Edit("EbInputFile"));
    }

    void TabOrderFollowsTheDesign() {
        Radio("radioCSVFile")->click();
        Button("PBFieldPositions")->setEnabled(true);
        Check("chkPopFields")->setEnabled(true);
        // The two radio buttons form one group, which Tab visits once.
        const QList<QWidget*> expected = {Edit("EbOutputFile"), Button("PBOK"),
                                          Button("PBInputFileBrowse"), Button("PBOutputFileBrowse"),
                                          Button("Button1"), Check("chkAsciiOnly"), nullptr,
                                          Edit("EbDDFile"), Button("PBDDFileBrowse"),
                                          Button("PBFieldPositions"), Check("chkPopFields")};
        Edit("EbInputFile")->setFocus();
        m_prompter.Reset();
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (next == nullptr)
                QVERIFY(qobject_cast<QRadioButton*>(QApplication::focusWidget()) != nullptr);
            else
                QCOMPARE(QApplication::focusWidget(), next);
        }
        QVERIFY(Radio("radioFixedFile")->nextInFocusChain() == Radio("radioCSVFile"));
    }

    void EnterPressesProcessAndEscapeExits() {
        QTest::keyClick(Edit("EbInputFile"), Qt::Key_Return);
        QCOMPARE(m_prompter.boxes, Boxes({{"Input File Not Selected", "Error"}}));
        QTest::keyClick(Edit("EbInputFile"), Qt::Key_Escape);
        QVERIFY(!Form().isVisible());
    }

    void ExitClosesTheWindow() {
        Button("Button1")->click();
        QVERIFY(!Form().isVisible());
    }

    // --- Mode switching.

    void CsvInputSelectsCsvMode() {
        SetInput("/data/x.csv");
        QVERIFY(Radio("radioCSVFile")->isChecked());
        QVERIFY(!Edit("ebLength")->isEnabled());
        QVERIFY(Edit("EbDDFile")->isEnabled());
        QVERIFY(Button("PBDDFileBrowse")->isEnabled());
        QVERIFY(Label("lblDDFile")->isEnabled());
        QVERIFY(!Button("PBFieldPositions")->isEnabled());
        QVERIFY(!Check("chkPopFields")->isEnabled());
        QCOMPARE(Edit("EbInputFile")->text(), QString("/data/x.csv"));
    }

    void TextInputSelectsPadMode() {
        SetInput("/data/x.csv");
        SetInput("/data/x.txt");
        QVERIFY(Radio("radioFixedFile")->isChecked());
        QVERIFY(Edit("ebLength")->isEnabled());
        QVERIFY(!Edit("EbDDFile")->isEnabled());
        QVERIFY(!Label("lblDDFile")->isEnabled());
        QCOMPARE(Edit("EbInputFile")->text(), QString("/data/x.txt"));
    }

    void LeavingTheInputBoxSwitchesTheMode() {
        Edit("EbInputFile")->setFocus();
        QTest::keyClicks(Edit("EbInputFile"), "x.CSV");
        QTest::keyClick(Edit("EbInputFile"), Qt::Key_Tab);
        QVERIFY(Radio("radioCSVFile")->isChecked());
        QCOMPARE(m_prompter.boxes.size(), 0);
    }

    void CsvModeEmptiesATextInput() {
        Edit("EbInputFile")->setText("x.txt");
        SetMap({1, 2});
        Radio("radioCSVFile")->click();
        QCOMPARE(Edit("EbInputFile")->text(), QString());
        QVERIFY(Form().FieldPositions().empty());
    }

    void PadModeEmptiesACsvInput() {
        SetInput("x.CSV");
        Radio("radioFixedFile")->click();
        QCOMPARE(Edit("EbInputFile")->text(), QString());
        QVERIFY(!Edit("EbDDFile")->isEnabled());
    }

    void ChangingTheInputOrDDFileClearsTheMap() {
        SetMap({1, 2});
        Edit("EbInputFile")->setText("a.csv");
        QVERIFY(Form().FieldPositions().empty());
        SetMap({1, 2});
        Edit("EbDDFile")->setText("a.dd");
        QVERIFY(Form().FieldPositions().empty());
    }

    // --- Record lengths from the DD file.

    void DDRecordLengthFillsTheBox() {
        SetInput("/data/x.csv");
        SetDD(m_dir->Write("a.dd", "[FileInfo]\r\nRecordLength=80\r\n[Field1]\r\n"));
        QCOMPARE(Edit("ebLength")->text(), QString("80"));
        QVERIFY(Button("PBFieldPositions")->isEnabled());
        QVERIFY(!Check("chkPopFields")->isEnabled());
        QVERIFY(!Check("chkPopFields")->isChecked());
        QCOMPARE(m_prompter.boxes.size(), 0);
    }

    void PopulationFieldsSwitchTheRecordLength() {
        SetInput("/data/x.csv");
        SetDD(m_dir->Write("a.dd", "[FileInfo]\r\nRecordLength=80\r\nPopRecordLength=40\r\n"));
        QVERIFY(Check("chkPopFields")->isEnabled());
        QCOMPARE(Edit("ebLength")->text(), QString("80"));
        SetMap({1, 2});
        Check("chkPopFields")->click();
        QCOMPARE(Edit("ebLength")->text(), QString("40"));
        QVERIFY(Form().FieldPositions().empty());
        Check("chkPopFields")->click();
        QCOMPARE(Edit("ebLength")->text(), QString("80"));
        QCOMPARE(m_prompter.boxes.size(), 0);
    }

    void MissingDDFileIsCreatedEmptyAndInvalid() {
        SetInput("/data/x.csv");
        const std::string ddFile = m_dir->File("new.dd");
        SetDD(ddFile);
        QCOMPARE(m_prompter.boxes, Boxes({{"Invalid DD File", "Error"}}));
        QVERIFY(std::filesystem::exists(ddFile));
        QCOMPARE(std::filesystem::file_size(ddFile), std::uintmax_t(0));
        QVERIFY(!Button("PBFieldPositions")->isEnabled());
    }

    // The window waits a few seconds for a DD file another program keeps locked, then says so.
    void LockedDDFileIsNamedAfterABoundedWait() {
        SetInput("/data/x.csv");
        const std::string ddFile = m_dir->Write("locked.dd", "[FileInfo]\r\nRecordLength=80\r\n");
        MpIO otherProgram(ddFile.c_str(), IO_READ | IO_WRITE);
        QVERIFY(otherProgram.TryLock(IO_LOCK_WRITE, 0, 0));
        SetDD(ddFile);
        otherProgram.UnLock(IO_LOCK_WRITE, 0, 0);
        QCOMPARE(m_prompter.boxes,
                 Boxes({{Q("Gave up waiting for \"" + ddFile + "\", locked by another program"), "Error"}}));
        QVERIFY(!Button("PBFieldPositions")->isEnabled());
    }

    void DDFileWithoutRecordLengthChangesNothingElse() {
        SetInput("/data/x.csv");
        SetDD(m_dir->Write("good.dd", "[FileInfo]\r\nRecordLength=80\r\n"));
        SetDD(m_dir->Write("bad.dd", "[FileInfo]\r\nRecordLength=0\r\n"));
        QCOMPARE(m_prompter.boxes, Boxes({{"Invalid DD File", "Error"}}));
        QCOMPARE(Edit("ebLength")->text(), QString("80"));
        QVERIFY(Button("PBFieldPositions")->isEnabled());
    }

    void SwitchingToCsvModeReadsTheNamedDDFile() {
        Radio("radioCSVFile")->click();
        Edit("EbDDFile")->setText(Q(m_dir->Write("a.dd", "[FileInfo]\r\nRecordLength=70\r\n")));
        Radio("radioFixedFile")->click();
        Edit("ebLength")->setText("5");
        Radio("radioCSVFile")->click();
        QCOMPARE(Edit("ebLength")->text(), QString("70"));
    }

    // Leaving the DD box reads its file once. The focus the window system hands back to the box
    // when the window is active again (after the message), and takes away when a mode switch
    // disables it, is not the user's: the file is not read again.
    void TheDDBoxIsReadOnlyWhenTheUserLeavesIt() {
        Radio("radioCSVFile")->click();
        Edit("EbDDFile")->setText(Q(m_dir->File("bad.dd")));
        Edit("EbDDFile")->setFocus();
        Edit("EbOutputFile")->setFocus();
        QFocusEvent handedBack(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(Edit("EbDDFile"), &handedBack);
        QFocusEvent movedOn(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(Edit("EbDDFile"), &movedOn);
        QCOMPARE(m_prompter.boxes, Boxes({{"Invalid DD File", "Error"}}));
    }

    void RecordLengthLongerThanTheBoxIsShownWhole() {
        SetInput("/data/x.csv");
        SetDD(m_dir->Write("a.dd", "[FileInfo]\r\nRecordLength=123456\r\n"));
        QCOMPARE(Edit("ebLength")->text(), QString("123456"));
    }

    // --- Record length typing.

    void LettersInTheLengthBoxBeep() {
        Edit("ebLength")->setFocus();
        QTest::keyClicks(Edit("ebLength"), "1a2.");
        QCOMPARE(Edit("ebLength")->text(), QString("12."));
        QCOMPARE(m_prompter.beeps, 1);
        QTest::keyClick(Edit("ebLength"), Qt::Key_Backspace);
        QCOMPARE(Edit("ebLength")->text(), QString("12"));
        QCOMPARE(m_prompter.beeps, 1);
    }

    void EditingShortcutsWorkInTheLengthBox() {
        QLineEdit* length = Edit("ebLength");
        length->setFocus();
        QTest::keyClicks(length, "123");
        QTest::keyClick(length, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(length, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClicks(length, "7");
        QCOMPARE(length->text(), QString("7"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("123"));
        QTest::keyClick(length, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(length->text(), QString("123"));
        QCOMPARE(m_prompter.beeps, 0);
    }

    void PastedTextPassesTheLengthFilterWhole_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("beeps");
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("digits and dot") << "2.5" << "12.5" << 0 << false;
        QTest::newRow("a letter") << "2a" << "1" << 1 << false;
        QTest::newRow("digits from the menu") << "25" << "125" << 0 << true;
        QTest::newRow("a letter from the menu") << "a" << "1" << 1 << true;
    }
    void PastedTextPassesTheLengthFilterWhole() {
        QFETCH(QString, pasted);
        QFETCH(QString, shown);
        QFETCH(int, beeps);
        Edit("ebLength")->setFocus();
        QTest::keyClicks(Edit("ebLength"), "1");
        QFETCH(bool, fromMenu);
        QGuiApplication::clipboard()->setText(pasted);
        if (fromMenu) {
            QTimer::singleShot(0, this, [] {
                QWidget* menu = QApplication::activePopupWidget();
                QVERIFY(menu != nullptr);
                for (QAction* action : menu->actions())
                    if (action->text().startsWith("&Paste")) action->trigger();
                menu->close();
            });
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), Edit("ebLength")->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(Edit("ebLength"), &event);
        } else {
            QTest::keyClick(Edit("ebLength"), Qt::Key_V, Qt::ControlModifier);
        }
        QCOMPARE(Edit("ebLength")->text(), shown);
        QCOMPARE(m_prompter.beeps, beeps);
    }

    void LengthBoxTakesFiveCharacters() {
        Edit("ebLength")->setFocus();
        QTest::keyClicks(Edit("ebLength"), "1234567");
        QCOMPARE(Edit("ebLength")->text(), QString("12345"));
    }

    // --- Browse dialogs.

    void InputBrowseOffersTextFilesInPadMode() {
        const std::string input = m_dir->Write("in.txt", "x\n");
        m_prompter.fileAnswers = {Q(input)};
        Button("PBInputFileBrowse")->click();
        QCOMPARE(m_prompter.fileRequests.size(), 1);
        const FileDialogRequest& request = m_prompter.fileRequests.first();
        QCOMPARE(request.filter,
                 QString("Text Files (*.txt, *.txd, *.dat)|*.txt;*.txd;*.dat|Compressed Text Files "
                         "(*.txd.gz)|*.txd.gz|All Files (*.*)|*.*"));
        QVERIFY(request.pathMustExist);
        QVERIFY(request.fileMustExist);
        QCOMPARE(Edit("EbInputFile")->text(), Q(input));
        QCOMPARE(Focus(), Edit("EbInputFile"));
        QVERIFY(Radio("radioFixedFile")->isChecked());
    }

    void InputBrowseOffersCsvFilesInCsvModeAndSwitchesMode() {
        Radio("radioCSVFile")->click();
        m_prompter.fileAnswers = {Q(m_dir->Write("in.csv", "a,b\n"))};
        SetMap({1, 2});
        Button("PBInputFileBrowse")->click();
        QCOMPARE(m_prompter.fileRequests.first().filter,
                 QString("Comma Delimited Files (*.csv)|*.csv|All Files (*.*)|*.*"));
        QVERIFY(Radio("radioCSVFile")->isChecked());
        QVERIFY(Form().FieldPositions().empty());
    }

    void CancelledBrowseChangesNothing() {
        Edit("EbInputFile")->setText("keep.txt");
        Button("PBInputFileBrowse")->click();
        Button("PBOutputFileBrowse")->click();
        QCOMPARE(Edit("EbInputFile")->text(), QString("keep.txt"));
        QCOMPARE(Edit("EbOutputFile")->text(), QString());
        QCOMPARE(m_prompter.fileRequests.size(), 2);
    }

    void OutputBrowseOffersTextAndCompressedFiles() {
        m_prompter.fileAnswers = {"/data/out.txd"};
        Button("PBOutputFileBrowse")->click();
        const FileDialogRequest& request = m_prompter.fileRequests.first();
        QCOMPARE(request.filter,
                 QString("Text File (*.txd)|*.txd|Compressed Text File (*.txd.gz)|*.txd.gz"));
        QCOMPARE(request.defaultSuffix, QString("txd"));
        QVERIFY(request.pathMustExist);
        QVERIFY(!request.fileMustExist);
        QCOMPARE(Edit("EbOutputFile")->text(), QString("/data/out.txd"));
    }

    void DDBrowseReadsTheRecordLength() {
        Radio("radioCSVFile")->click();
        m_prompter.fileAnswers = {Q(m_dir->Write("a.dd", "[FileInfo]\r\nRecordLength=64\r\n"))};
        Button("PBDDFileBrowse")->click();
        const FileDialogRequest& request = m_prompter.fileRequests.first();
        QCOMPARE(request.filter, QString("Database Definition File (*.dd)|*.dd"));
        QVERIFY(request.pathMustExist);
        QVERIFY(request.fileMustExist);
        QCOMPARE(Edit("ebLength")->text(), QString("64"));
        QVERIFY(Button("PBFieldPositions")->isEnabled());
    }

    void DialogFiltersBecomeQtNameFilters() {
        QCOMPARE(QtPrompter::NameFilters("Text Files (*.txt, *.txd, *.dat)|*.txt;*.txd;*.dat|"
                                         "All Files (*.*)|*.*"),
                 QStringList({"Text Files (*.txt, *.txd, *.dat) (*.txt *.txd *.dat)",
                              "All Files (*.*) (*)"}));
    }

    // --- Help and field positions.

    void HelpShowsExampleRecordLengths() {
        const QRect rect = Label("Label1")->rect();
        QTest::mouseClick(Label("Label1"), Qt::LeftButton, {}, rect.center());
        QTest::keyClick(Edit("EbInputFile"), Qt::Key_F1);
        QCOMPARE(m_prompter.boxes.size(), 2);
        QCOMPARE(m_prompter.boxes.last(), m_prompter.boxes.first());
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
        Button("PBFieldPositions")->setEnabled(true);
        Button("PBFieldPositions")->click();
        QCOMPARE(m_prompter.boxes, Boxes({{"You must first specify a DD File", "Error"}}));
    }

    void FieldPositionsNeedAnInputFile() {
        Edit("EbDDFile")->setText("a.dd");
        Form().PBFieldPositionsClick();
        QCOMPARE(m_prompter.boxes, Boxes({{"You must first specify a CSV File for input", "Error"}}));
    }

    void FieldPositionsDialogFillsTheMap() {
        PrepareCsv("Name,Age");
        QTimer::singleShot(0, this, [] {
            QTimer::singleShot(0, [] {
                QWidget* dialog = QApplication::activeModalWidget();
                QVERIFY(dialog != nullptr);
                dialog->findChild<QPushButton*>("PBRecordOK")->click();
            });
        });
        Button("PBFieldPositions")->click();
        QCOMPARE(m_prompter.boxes.size(), 0);
        QCOMPARE(QList<int16_t>(Form().FieldPositions().begin(), Form().FieldPositions().end()),
                 QList<int16_t>({1, 2}));
    }

    void FailingFieldPositionsDialogClearsTheMap() {
        PrepareCsv("Name,Age");
        Edit("EbInputFile")->setText(Q(m_dir->File("missing.csv")));
        SetMap({1, 2});
        Button("PBFieldPositions")->click();
        QCOMPARE(m_prompter.boxes, Boxes({{"An Invalid DD File was specified", "Error"}}));
        QVERIFY(Form().FieldPositions().empty());
    }

    // --- The Process command: a refusal shows its message and sends the user to its control
    // (every refusal and its control: ProcessRequestTest.cpp).

    void NothingEnteredAsksForTheInputOnly() {
        Edit("EbOutputFile")->setFocus();
        Button("PBOK")->click();
        QCOMPARE(m_prompter.boxes, Boxes({{"Input File Not Selected", "Error"}}));
        QCOMPARE(Focus(), Edit("EbInputFile"));
    }

    void MissingDDFileIsReportedInCsvMode() {
        Radio("radioCSVFile")->click();
        Edit("EbInputFile")->setText("in.csv");
        Edit("EbOutputFile")->setText("out.txd");
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes, Boxes({{"DD File Not Selected", "Error"}}));
        QCOMPARE(Focus(), Edit("EbDDFile"));
    }

    // --- The Process command: the CSV checks.

    void CsvNeedsFieldPositions() {
        PrepareCsv("Name,Age");
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes,
                 Boxes({{"You must first set field positions based on the selected DD file", "Error"}}));
        QCOMPARE(Focus(), Button("PBFieldPositions"));
        QVERIFY(!std::filesystem::exists(m_dir->File("out.txd")));
    }

    void CsvNameTypedInPadModeGetsACsvOutput() {
        // Process pressed before leaving the input box: the mode has not followed the name.
        Radio("radioCSVFile")->click();
        Edit("EbDDFile")->setText("unused.dd");
        Edit("EbInputFile")->setText(Q(m_dir->Write("in.txt", "abc\n")));
        Edit("EbOutputFile")->setText("out");
        Edit("ebLength")->setText("4");
        // The completed name is made full against the current folder.
        const QString previous = QDir::currentPath();
        QDir::setCurrent(Q(m_dir->Path().string()));
        Form().PBOKClick();
        QDir::setCurrent(previous);
        QCOMPARE(Edit("EbOutputFile")->text(), Q(m_dir->File("out.csv")));
        QCOMPARE(TempDir::Read(m_dir->File("out.csv")), std::string("abc \r\n"));
    }

    // --- The Process command: output name, overwrite question, creation probe.

    void BareOutputNameGoesBesideTheInput() {
        PrepareFixed(m_dir->Write("in.txt", "abc\n"), "out", "5");
        Form().PBOKClick();
        QCOMPARE(Edit("EbOutputFile")->text(), Q(m_dir->File("out.txd")));
        QCOMPARE(TempDir::Read(m_dir->File("out.txd")), std::string("abc  \r\n"));
    }

    void BareCompressedNameKeepsItsExtension() {
        PrepareFixed(m_dir->Write("in.txt", "abc\n"), "x.txd.gz", "5");
        Form().PBOKClick();
        QCOMPARE(Edit("EbOutputFile")->text(), Q(m_dir->File("x.txd.gz")));
        QVERIFY(std::filesystem::exists(m_dir->File("x.txd.gz")));
    }

    void DotInAFolderNameCountsAsExtension() {
        std::filesystem::create_directory(m_dir->File("my.dir"));
        const std::string output = m_dir->File("my.dir") + "/out";
        PrepareFixed(m_dir->Write("in.txt", "abc\n"), output, "3");
        Form().PBOKClick();
        QCOMPARE(Edit("EbOutputFile")->text(), Q(output));
        QCOMPARE(TempDir::Read(output), std::string("abc\r\n"));
    }

    void ExistingOutputAnsweredNoIsLeftAlone() {
        const std::string output = m_dir->Write("out.txd", "keep me");
        PrepareFixed(m_dir->Write("in.txt", "abc\n"), output, "5");
        m_prompter.yesNoAnswers = {false};
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes, Boxes({{kOverwriteQuestion, "WARNING"}}));
        QCOMPARE(TempDir::Read(output), std::string("keep me"));
        QCOMPARE(Form().Report(), nullptr);
        QCOMPARE(Focus(), Edit("EbOutputFile"));
    }

    void ExistingOutputAnsweredYesIsReplaced() {
        const std::string output = m_dir->Write("out.txd", "old contents that are long");
        PrepareFixed(m_dir->Write("in.txt", "abc\n"), output, "5");
        m_prompter.yesNoAnswers = {true};
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes, Boxes({{kOverwriteQuestion, "WARNING"}}));
        QCOMPARE(TempDir::Read(output), std::string("abc  \r\n"));
    }

    // Yes never empties a file another run holds, and a folder as input is refused before the
    // output is touched: the refusal is shown on its box and the output keeps every byte.
    void RefusedRunKeepsEveryByteOfTheOutput() {
        const std::string output = m_dir->Write("out.txd", "another run's records");
        std::filesystem::create_directory(m_dir->File("folder"));
        MpIO anotherRun(output.c_str(), IO_READ | IO_WRITE);
        QVERIFY(anotherRun.TryLock(IO_LOCK_WRITE, 0, 0));
        const struct {
            std::string input;
            QString message;
            const char* focus;
        } cases[] = {
            {m_dir->Write("in.txt", "abc\n"), "Output File \"" + Q(output) + "\" is in use by another program",
             "EbOutputFile"},
            {m_dir->File("folder"), "Input File is a folder, not a file", "EbInputFile"},
        };
        for (const auto& c : cases) {
            m_prompter.boxes.clear();
            PrepareFixed(c.input, output, "5");
            m_prompter.yesNoAnswers = {true};
            Form().PBOKClick();
            QCOMPARE(m_prompter.boxes, Boxes({{kOverwriteQuestion, "WARNING"}, {c.message, "Error"}}));
            QCOMPARE(Focus(), Edit(c.focus));
            QCOMPARE(TempDir::Read(output), std::string("another run's records"));
            QCOMPARE(Form().Report(), nullptr);
        }
    }

    // --- The desktop around the window.

    void EnterInTheFocusedInputBoxRunsWithoutLeavingIt() {
        // A CSV name typed in pad mode and Enter pressed at once: a pad run, and disabling the
        // window for it is no leaving of the box that would switch the mode and read the DD file.
        Edit("EbDDFile")->setText(Q(m_dir->Write("bad.dd", "[FileInfo]\r\n")));
        PrepareFixed("", m_dir->File("out.txd"), "3");
        Edit("EbInputFile")->setFocus();
        QTest::keyClicks(Edit("EbInputFile"), Q(m_dir->Write("in.csv", "a,b\n")));
        QTest::keyClick(Edit("EbInputFile"), Qt::Key_Return);
        QCOMPARE(m_prompter.boxes, Boxes());
        QVERIFY(Radio("radioFixedFile")->isChecked());
        QCOMPARE(TempDir::Read(m_dir->File("out.txd")), std::string("a,b\r\n"));
    }

    void DroppedFilesFillTheBoxesAsIfTyped() {
        const std::string input = m_dir->Write("in.csv", "a,b\n");
        Drop("EbInputFile", input);
        QCOMPARE(Edit("EbInputFile")->text(), Q(input));
        QVERIFY(Radio("radioCSVFile")->isChecked());
        Drop("EbDDFile", m_dir->Write("a.dd", "[FileInfo]\r\nRecordLength=64\r\n"));
        QCOMPARE(Edit("ebLength")->text(), QString("64"));
        QVERIFY(Button("PBFieldPositions")->isEnabled());
    }

    void FileArgumentFillsTheInputBox_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");
        QTest::newRow("file") << QStringList{"in.csv"} << int(LaunchAction::ShowWindow) << "in.csv";
        QTest::newRow("from the desktop entry") << QStringList{"/home/a b/Deaths.CSV"}
                                                << int(LaunchAction::ShowWindow) << "/home/a b/Deaths.CSV";
        QTest::newRow("after --") << QStringList{"--", "-x.csv"} << int(LaunchAction::ShowWindow) << "-x.csv";
        QTest::newRow("two files") << QStringList{"a", "b"} << int(LaunchAction::Refuse) << "";
        QTest::newRow("version wins") << QStringList{"-x", "--version"} << int(LaunchAction::PrintVersion) << "";
    }
    void FileArgumentFillsTheInputBox() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, file);
        const LaunchRequest request = ReadLaunchArguments(arguments);
        QCOMPARE(int(request.action), action);
        QCOMPARE(request.inputFile, file);
        Form().TakeInputFile(request.inputFile);
        QCOMPARE(Radio("radioCSVFile")->isChecked(), file.endsWith(".csv", Qt::CaseInsensitive));
    }

    void ProgramAnswersWithoutAWindow_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        const QString noDisplay =
            "lathwell: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not "
            "set).\nUse lathwell-cli to convert files without a window (lathwell-cli --help).\n";
        QTest::newRow("--version") << QStringList{"--version"} << "" << 0 << "lathwell " LATHWELL_VERSION "\n";
        QTest::newRow("no display") << QStringList{"in.txt"} << "" << 1 << noDisplay;
        QTest::newRow("x11 without one") << QStringList() << "xcb" << 1 << noDisplay;
        QTest::newRow("unknown option") << QStringList{"-x"} << "offscreen" << 2
                                        << "lathwell: unknown option -x\n" + QString(kLaunchUsage);
    }
    void ProgramAnswersWithoutAWindow() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, platform);
        QFETCH(int, status);
        QFETCH(QString, output);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
        // The toolkit's own warning about a missing runtime folder is no part of the answer.
        std::filesystem::create_directory(m_dir->File("runtime"));
        std::filesystem::permissions(m_dir->File("runtime"), std::filesystem::perms::owner_all);
        environment.insert("XDG_RUNTIME_DIR", Q(m_dir->File("runtime")));
        if (!platform.isEmpty()) environment.insert("QT_QPA_PLATFORM", platform);
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(LATHWELL_APP_PATH, arguments);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        QCOMPARE(QString::fromLocal8Bit(program.readAll()), output);
    }

    void BrowseDialogsStartInTheirLastFolders() {
        for (const char* folder : {"in", "out", "dd"}) std::filesystem::create_directory(m_dir->File(folder));
        m_prompter.fileAnswers = {Q(m_dir->Write("in/a.csv", "a,b\n")), Q(m_dir->File("out/o.txd")),
                                  Q(m_dir->Write("dd/a.dd", "[FileInfo]\r\nRecordLength=9\r\n"))};
        for (int run = 0; run < 2; ++run) {
            // A new window, as in the next run of the program.
            m_form = std::make_unique<TForm1>(m_prompter);
            Radio("radioCSVFile")->click();
            for (const char* button : {"PBInputFileBrowse", "PBOutputFileBrowse", "PBDDFileBrowse"})
                Button(button)->click();
        }
        QStringList folders;
        for (const FileDialogRequest& request : m_prompter.fileRequests) folders << request.folder;
        const QString dir = Q(m_dir->Path().string());
        QCOMPARE(folders, QStringList({"", "", "", dir + "/in", dir + "/out", dir + "/dd"}));
    }

    // --- The conversion run.

    void PadRunShowsTheResults() {
        const std::string output = m_dir->File("out.txd");
        PrepareFixed(m_dir->Write("in.txt", "abcdefgh\nab\n\nabc\n"), output, "5");
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes.size(), 0);
        QCOMPARE(TempDir::Read(output), std::string("abcde\r\nab   \r\nabc  \r\n"));
        TFormReport* report = Form().Report();
        QVERIFY(report != nullptr);
        QVERIFY(report->isVisible());
        QCOMPARE(report->windowTitle(), QString("Processed Results"));
        QCOMPARE(Child<QPushButton>(report, "PBReportOK")->text(), QString("Close"));
        QCOMPARE(ReportLabel("LabelOutFile")->text(), QString("Output File (Rec Len 5):"));
        QCOMPARE(ReportLabel("LBNumRecs")->text(), QString("3"));
        QCOMPARE(ReportLabel("LBMinLRECL")->text(), QString("2"));
        QCOMPARE(ReportLabel("LBMaxLRECL")->text(), QString("8"));
        QCOMPARE(ReportLabel("LBNumRecsEdited")->text(), QString("3"));
        QCOMPARE(ReportLabel("LBNumTruncated")->text(), QString("1"));
        QCOMPARE(ReportLabel("LBNumPadded")->text(), QString("2"));
        QCOMPARE(ReportLabel("LBNumEmpty")->text(), QString("1"));
        QCOMPARE(ReportLabel("LBNumAsciiFixed")->text(), QString("0"));
        QCOMPARE(Child<QProgressBar>(report, "pbStatus")->maximum(), 17);
        // The main window waits for the report's Close.
        QVERIFY(!Form().isEnabled());
        Child<QPushButton>(report, "PBReportOK")->click();
        QVERIFY(Form().isEnabled());
        QVERIFY(!report->isVisible());
    }

    void UnprintableCharactersAreBlankedWhenAsked() {
        const std::string output = m_dir->File("out.txd");
        PrepareFixed(m_dir->Write("in.txt", "a\tc\n"), output, "3");
        Check("chkAsciiOnly")->setChecked(true);
        Form().PBOKClick();
        QCOMPARE(TempDir::Read(output), std::string("a c\r\n"));
        QCOMPARE(ReportLabel("LBNumAsciiFixed")->text(), QString("1"));
        QCOMPARE(ReportLabel("LBNumRecsEdited")->text(), QString("1"));
    }

    void LargeCountsAreGrouped() {
        const std::string output = m_dir->File("out.txd");
        PrepareFixed(m_dir->Write("in.txt", std::string(1234, 'x') + "\n"), output, "1000");
        Form().PBOKClick();
        QCOMPARE(ReportLabel("LabelOutFile")->text(), QString("Output File (Rec Len 1,000):"));
        QCOMPARE(ReportLabel("LBMaxLRECL")->text(), QString("1,234"));
    }

    void CsvRunPlacesTheMatchedColumns() {
        PrepareCsv("Name,Age");
        SetMap({1, 2});
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes.size(), 0);
        const std::string record = TempDir::Read(m_dir->File("out.txd"));
        QCOMPARE(QByteArray::fromStdString(record), QByteArray("Bob       042       \r\n"));
        QCOMPARE(ReportLabel("LBNumRecs")->text(), QString("1"));
        QCOMPARE(ReportLabel("LabelOutFile")->text(), QString("Output File (Rec Len 20):"));
    }

    void CancelDuringARunDeletesTheOutput() {
        const std::string output = m_dir->File("out.txd");
        PrepareFixed(m_dir->Write("in.txt", "one\ntwo\nthree\n"), output, "5");
        // Served by the run's first pump, while the first line is in hand.
        QTimer::singleShot(0, this, [this] {
            QVERIFY(!Form().isEnabled());
            QCOMPARE(Form().Report()->windowTitle(), QString("Processing File"));
            QCOMPARE(Child<QPushButton>(Form().Report(), "PBReportOK")->text(), QString("Cancel"));
            Child<QPushButton>(Form().Report(), "PBReportOK")->click();
        });
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes.size(), 0);
        QVERIFY(!std::filesystem::exists(output));
        QVERIFY(!Form().Report()->isVisible());
        QVERIFY(Form().isEnabled());
        QCOMPARE(ReportLabel("LBNumRecs")->text(), QString("00,000,000"));
    }

    void FailedDeleteAfterCancelIsReported() {
        const std::string output = m_dir->File("out.txd");
        PrepareFixed(m_dir->Write("in.txt", "one\ntwo\n"), output, "5");
        QTimer::singleShot(0, this, [this, output] {
            // A folder now stands where the output was: it cannot be deleted as a file.
            std::filesystem::rename(output, output + ".moved");
            std::filesystem::create_directory(output);
            m_dir->Write("out.txd/inside", "x");
            Child<QPushButton>(Form().Report(), "PBReportOK")->click();
        });
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes,
                 Boxes({{"Error in deleting file '" + Q(output) + "'.  Permission denied.",
                         "Error"}}));
        QVERIFY(!Form().Report()->isVisible());
        QVERIFY(Form().isEnabled());
    }

    void FailureDuringARunIsShownAndTheResultsFollow() {
        const std::string output = m_dir->File("out.txd");
        PrepareFixed(m_dir->Write("in.txt", "one\ntwo\rthree\n"), output, "5");
        bool resultsHidden = false;
        m_prompter.onMessage = [&] { resultsHidden = Child<QFrame>(Form().Report(), "Panel1")->isHidden(); };
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes,
                 Boxes({{"Return character not followed by newline; unknown end of line type",
                         "Error"}}));
        QVERIFY(resultsHidden);
        QCOMPARE(Form().Report()->windowTitle(), QString("Processed Results"));
        QCOMPARE(ReportLabel("LBNumRecs")->text(), QString("1"));
        QCOMPARE(TempDir::Read(output), std::string("one  \r\n"));
        QVERIFY(!Form().isEnabled());
    }

    void GzipInputProgressFollowsTheCompressedBytes() {
        const std::string input = m_dir->File("in.txd.gz");
        gzFile file = gzopen(input.c_str(), "wb");
        for (int i = 0; i < 1000; ++i) gzputs(file, "the same line again and again\n");
        gzclose(file);
        const int compressed = static_cast<int>(std::filesystem::file_size(input));
        PrepareFixed(input, m_dir->File("out.txd"), "10");
        Form().PBOKClick();
        QCOMPARE(m_prompter.boxes.size(), 0);
        QCOMPARE(Child<QProgressBar>(Form().Report(), "pbStatus")->maximum(), compressed);
        QCOMPARE(ReportLabel("LBNumRecs")->text(), QString("1,000"));
    }

    void ClosingIsRefusedWhileDisabled() {
        PrepareFixed(m_dir->Write("in.txt", "abc\n"), m_dir->File("out.txd"), "5");
        Form().PBOKClick();
        QVERIFY(!Form().isEnabled());
        Form().close();
        QVERIFY(Form().isVisible());
    }
};

}  // namespace lathwell::app

QTEST_MAIN(lathwell::app::TestMainForm)
#include "MainFormTest.moc"
