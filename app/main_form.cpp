#include "main_form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include <cstdlib>

#include "ConversionRun.h"
#include "CsvReadiness.h"
#include "DDFile.h"
#include "DesignLayout.h"
#include "FieldMatcher.h"
#include "MpException.h"
#include "MpFileName.h"
#include "MpIOInterface.h"
#include "MpLibraryStartup.h"
#include "Prompter.h"
#include "ReportProgress.h"
#include "SameFile.h"
#include "fieldsel.h"
#include "report.h"

namespace lathwell::app {

namespace {

constexpr int kClientWidth = 530;
constexpr int kClientHeight = 253;
// The record length box takes at most this many typed characters.
constexpr int kLengthDigits = 5;

const char kFixedInputFilter[] =
    "Text Files (*.txt, *.txd, *.dat)|*.txt;*.txd;*.dat|"
    "Compressed Text Files (*.txd.gz)|*.txd.gz|All Files (*.*)|*.*";
const char kCsvInputFilter[] = "Comma Delimited Files (*.csv)|*.csv|All Files (*.*)|*.*";
const char kOutputFilter[] = "Text File (*.txd)|*.txd|Compressed Text File (*.txd.gz)|*.txd.gz";
const char kDDFilter[] = "Database Definition File (*.dd)|*.dd";

const char kRecordLengthHelp[] =
    "Examples of Record Lengths:\n"
    "\n"
    "     80 - Punched card image\n"
    "   132 - Line printer page line\n"
    "   400 - Hospital discharge abstract\n"
    "\n"
    "1,024 - Birth certificate extract\n"
    "2,000 - Death certificate extract\n"
    "4,096 - Cancer registry abstract\n"
    "8,192 - Household survey record";

// Names go to the library as the platform's 8-bit text.
QByteArray Bytes(const QString& sText) { return sText.toLocal8Bit(); }
QString Text(const char* pBytes) { return QString::fromLocal8Bit(pBytes); }

bool EndsWithCsv(const QString& sName) { return sName.toUpper().endsWith(".CSV"); }

// The standard decimal conversion: leading white space, an optional sign, digits up to the
// first other character ("12.5" gives 12, an empty text 0).
int32_t DecimalValue(const QString& sText) {
    const long long llValue = std::strtoll(Bytes(sText).constData(), nullptr, 10);
    return static_cast<int32_t>(
        std::min<long long>(std::max<long long>(llValue, INT32_MIN), INT32_MAX));
}

// The full name of a file name, made absolute against the current folder.
QString FullName(const QString& sName) { return Text(MpFileName(Bytes(sName).constData()).GetFullPath()); }

bool HasFolderSeparator(const QString& sName) {
    return sName.contains('/') || sName.contains('\\');
}

// A focus change inside the window, as opposed to the whole window losing the focus.
bool IsExit(const QEvent* pEvent) {
    if (pEvent->type() != QEvent::FocusOut) return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(pEvent)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
           reason != Qt::MenuBarFocusReason;
}

}  // namespace

TForm1::TForm1(Prompter& prompter) : QDialog(nullptr), m_prompter(prompter) {
    CreateControls();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
    setObjectName("Form1");
    setWindowTitle("Lathwell Version 1.8");
    setFont(DesignFont(8));

    auto makeEdit = [this](const char* pName, int iLeft, int iTop, int iWidth, int iHeight) {
        auto* pEdit = new QLineEdit(this);
        pEdit->setObjectName(pName);
        PlaceControl(pEdit, iLeft, iTop, iWidth, iHeight);
        return pEdit;
    };
    auto makeButton = [this](const char* pName, const char* pCaption, int iLeft, int iTop,
                             int iWidth, int iHeight) {
        auto* pButton = new QPushButton(pCaption, this);
        pButton->setObjectName(pName);
        pButton->setAutoDefault(false);
        PlaceControl(pButton, iLeft, iTop, iWidth, iHeight);
        return pButton;
    };
    auto makeLabel = [this](const char* pName, const char* pCaption, int iLeft, int iTop) {
        auto* pLabel = new QLabel(pCaption, this);
        pLabel->setObjectName(pName);
        PlaceAutoSizeLabel(pLabel, iLeft, iTop);
        return pLabel;
    };

    // Tab order of the design.
    EbInputFile = makeEdit("EbInputFile", 10, 82, 431, 21);
    EbOutputFile = makeEdit("EbOutputFile", 10, 126, 431, 21);
    PBOK = makeButton("PBOK", "Process", 445, 9, 75, 25);
    PBOK->setDefault(true);
    PBInputFileBrowse = makeButton("PBInputFileBrowse", "Browse...", 447, 80, 73, 25);
    PBOutputFileBrowse = makeButton("PBOutputFileBrowse", "Browse...", 447, 124, 73, 25);
    Button1 = makeButton("Button1", "Exit", 445, 40, 75, 25);
    ebLength = makeEdit("ebLength", 87, 156, 45, 21);
    // A validator limits typing only, so a longer length taken from a DD file is shown whole.
    ebLength->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QString("^.{0,%1}$").arg(kLengthDigits)), ebLength));
    chkAsciiOnly = new QCheckBox("Convert Unprintable Non-ASCII Characters to Blanks", this);
    chkAsciiOnly->setObjectName("chkAsciiOnly");
    PlaceControl(chkAsciiOnly, 173, 158, 275, 17);
    radioFixedFile = new QRadioButton("Padding or Truncating Flat File with Fixed Fields", this);
    radioFixedFile->setObjectName("radioFixedFile");
    radioFixedFile->setChecked(true);
    PlaceControl(radioFixedFile, 13, 9, 255, 17);
    radioCSVFile = new QRadioButton(
        "Converting Comma Delimited (CSV) File to Flat File with Fixed Fields", this);
    radioCSVFile->setObjectName("radioCSVFile");
    PlaceControl(radioCSVFile, 13, 35, 350, 17);
    EbDDFile = makeEdit("EbDDFile", 86, 188, 354, 21);
    EbDDFile->setEnabled(false);
    PBDDFileBrowse = makeButton("PBDDFileBrowse", "Browse...", 445, 187, 75, 25);
    PBDDFileBrowse->setEnabled(false);
    PBFieldPositions = makeButton("PBFieldPositions", "Set Field Positions...", 229, 214, 116, 24);
    PBFieldPositions->setEnabled(false);
    chkPopFields = new QCheckBox("Use Population Fields", this);
    chkPopFields->setObjectName("chkPopFields");
    chkPopFields->setEnabled(false);
    PlaceControl(chkPopFields, 86, 218, 129, 17);

    const QList<QWidget*> tabOrder = {EbInputFile, EbOutputFile, PBOK, PBInputFileBrowse,
                                      PBOutputFileBrowse, Button1, ebLength, chkAsciiOnly,
                                      radioFixedFile, radioCSVFile, EbDDFile, PBDDFileBrowse,
                                      PBFieldPositions, chkPopFields};
    for (qsizetype i = 0; i + 1 < tabOrder.size(); ++i) setTabOrder(tabOrder[i], tabOrder[i + 1]);

    makeLabel("Label2", "Input File: (*.txd, *.txd.gz, *.txt, *.dat, *.csv)", 10, 67);
    makeLabel("Label3", "Output File: (*.txd, *.txd.gz)", 10, 111);
    KeepLabelClearOf(makeLabel("Label4", "Record length:", 11, 159), ebLength);
    lblDDFile = makeLabel("lblDDFile", "Select DD File:", 10, 191);
    KeepLabelClearOf(lblDDFile, EbDDFile);
    lblDDFile->setEnabled(false);
    Label1 = new QLabel("??", this);
    Label1->setObjectName("Label1");
    QFont helpFont = DesignFont(10);
    helpFont.setUnderline(true);
    Label1->setFont(helpFont);
    Label1->setStyleSheet("color: blue");
    Label1->setCursor(Qt::WhatsThisCursor);
    PlaceAutoSizeLabel(Label1, 136, 157);

    SetClientSize(this, kClientWidth, kClientHeight);

    connect(PBOK, &QPushButton::clicked, this, &TForm1::PBOKClick);
    connect(PBInputFileBrowse, &QPushButton::clicked, this, &TForm1::PBInputFileBrowseClick);
    connect(PBOutputFileBrowse, &QPushButton::clicked, this, &TForm1::PBOutputFileBrowseClick);
    connect(PBDDFileBrowse, &QPushButton::clicked, this, &TForm1::PBDDFileBrowseClick);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(radioFixedFile, &QRadioButton::clicked, this, &TForm1::radioFixedFileClick);
    connect(radioCSVFile, &QRadioButton::clicked, this, &TForm1::radioCSVFileClick);
    connect(EbInputFile, &QLineEdit::textChanged, this, &TForm1::EbInputFileChange);
    connect(EbDDFile, &QLineEdit::textChanged, this, &TForm1::EbDDFileChange);
    connect(chkPopFields, &QCheckBox::clicked, this, &TForm1::chkPopFieldsClick);
    connect(PBFieldPositions, &QPushButton::clicked, this, &TForm1::PBFieldPositionsClick);
    EbInputFile->installEventFilter(this);
    EbDDFile->installEventFilter(this);
    ebLength->installEventFilter(this);
    Label1->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == EbInputFile && IsExit(pEvent)) {
        EbInputFileExit();
    } else if (pWatched == EbDDFile && IsExit(pEvent)) {
        EbDDFileExit();
    } else if (pWatched == Label1 && pEvent->type() == QEvent::MouseButtonRelease) {
        auto* pMouse = static_cast<QMouseEvent*>(pEvent);
        if (pMouse->button() == Qt::LeftButton && Label1->rect().contains(pMouse->position().toPoint()))
            Label1Click();
    } else if (pWatched == ebLength && pEvent->type() == QEvent::KeyPress) {
        auto* pKey = static_cast<QKeyEvent*>(pEvent);
        // Only keys that type a character reach the filter; the dialog keys keep their jobs.
        switch (pKey->key()) {
            case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Escape:
            case Qt::Key_Tab: case Qt::Key_Backtab: case Qt::Key_Delete:
                return false;
            default:
                if (!pKey->text().isEmpty() && !ebLengthKeyPress(pKey->text().at(0))) return true;
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

// --- Start-up and shutdown.

void TForm1::FormCreate() {
    try {
        MpLibraryStartup();
    } catch (const MpException& e) {
        ShowError(Text(e.GetErrorMessage()));
    }
}

void TForm1::FormClose() { MpLibraryShutdown(); }

void TForm1::showEvent(QShowEvent* pEvent) {
    QDialog::showEvent(pEvent);
    if (!pEvent->spontaneous()) CentreOnScreen(this);
}

void TForm1::closeEvent(QCloseEvent* pEvent) {
    // While a run is going on the window is disabled and must stay open: the run's report
    // window and files belong to it.
    if (!isEnabled() || m_bRunning) {
        pEvent->ignore();
        return;
    }
    FormClose();
    pEvent->accept();
}

void TForm1::reject() {
    if (Button1->isEnabled()) Button1->click();
}

void TForm1::Button1Click() { close(); }

void TForm1::ShowError(const QString& sText) { m_prompter.ShowMessage(this, sText, "Error"); }

void TForm1::ShowFailure(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const MpException& e) {
        ShowError(Text(e.GetErrorMessage()));
    } catch (...) {
        ShowError("Unknown error!");
    }
}

// --- Mode switching.

void TForm1::radioFixedFileClick() {
    ebLength->setEnabled(true);
    lblDDFile->setEnabled(false);
    EbDDFile->setEnabled(false);
    PBDDFileBrowse->setEnabled(false);
    PBFieldPositions->setEnabled(false);
    chkPopFields->setEnabled(false);
    // A CSV file is no input for this mode.
    if (!EbInputFile->text().isEmpty() && EndsWithCsv(EbInputFile->text())) EbInputFile->clear();
}

void TForm1::radioCSVFileClick() {
    // The record length now comes from the DD file.
    ebLength->setEnabled(false);
    lblDDFile->setEnabled(true);
    EbDDFile->setEnabled(true);
    PBDDFileBrowse->setEnabled(true);
    if (!EbInputFile->text().isEmpty() && !EndsWithCsv(EbInputFile->text())) {
        EbInputFile->clear();
        m_fieldPositions.clear();
    }
    // A DD file already named takes effect at once.
    EbDDFileExit();
}

void TForm1::EbInputFileExit() {
    if (EbInputFile->text().isEmpty()) return;
    if (EndsWithCsv(EbInputFile->text())) {
        radioCSVFile->setChecked(true);
        radioCSVFileClick();
    } else {
        radioFixedFile->setChecked(true);
        radioFixedFileClick();
    }
}

// Any change of the input or DD file invalidates the column matching.
void TForm1::EbInputFileChange() { m_fieldPositions.clear(); }
void TForm1::EbDDFileChange() { m_fieldPositions.clear(); }

// --- Record lengths from the DD file.

void TForm1::EbDDFileExit() {
    if (EbDDFile->text().isEmpty()) return;
    const DDRecordLengths lengths = ReadDDRecordLengths(Bytes(EbDDFile->text()).constData());
    if (lengths.recordLength <= 0) {
        ShowError("Invalid DD File");
        return;
    }
    PBFieldPositions->setEnabled(true);
    if (lengths.popRecordLength != 0) {
        chkPopFields->setEnabled(true);
    } else {
        chkPopFields->setChecked(false);
        chkPopFields->setEnabled(false);
    }
    ebLength->setText(QString::number(lengths.ForMode(chkPopFields->isChecked())));
}

void TForm1::chkPopFieldsClick() {
    // The population offsets change where the fields go.
    m_fieldPositions.clear();
    const DDRecordLengths lengths = ReadDDRecordLengths(Bytes(EbDDFile->text()).constData());
    ebLength->setText(QString::number(lengths.ForMode(chkPopFields->isChecked())));
}

// --- Browse dialogs.

void TForm1::PBInputFileBrowseClick() {
    FileDialogRequest request;
    request.filter = radioCSVFile->isChecked() ? kCsvInputFilter : kFixedInputFilter;
    request.pathMustExist = true;
    request.fileMustExist = true;
    const QString sChosen = m_prompter.ChooseOpenFile(this, request);
    if (sChosen.isEmpty()) return;
    EbInputFile->setText(sChosen);
    EbInputFileExit();
    EbInputFile->setFocus();
}

void TForm1::PBOutputFileBrowseClick() {
    FileDialogRequest request;
    request.filter = kOutputFilter;
    request.defaultSuffix = "txd";
    request.pathMustExist = true;
    const QString sChosen = m_prompter.ChooseSaveFile(this, request);
    if (!sChosen.isEmpty()) EbOutputFile->setText(sChosen);
}

void TForm1::PBDDFileBrowseClick() {
    FileDialogRequest request;
    request.filter = kDDFilter;
    request.pathMustExist = true;
    request.fileMustExist = true;
    const QString sChosen = m_prompter.ChooseOpenFile(this, request);
    if (sChosen.isEmpty()) return;
    EbDDFile->setText(sChosen);
    m_fieldPositions.clear();
    EbDDFileExit();
}

// --- Record length typing and help.

bool TForm1::ebLengthKeyPress(QChar key) {
    if ((key >= '0' && key <= '9') || key == '.' || key == QChar(8)) return true;
    m_prompter.Beep();
    return false;
}

void TForm1::Label1Click() { m_prompter.ShowMessage(this, kRecordLengthHelp, "Help"); }

// --- Field positions.

void TForm1::PBFieldPositionsClick() {
    if (EbDDFile->text().isEmpty()) {
        ShowError("You must first specify a DD File");
        return;
    }
    if (EbInputFile->text().isEmpty()) {
        ShowError("You must first specify a CSV File for input");
        return;
    }
    try {
        TFormFieldSelect dialog(this, m_prompter, chkPopFields->isChecked(), m_fieldPositions,
                                EbDDFile->text(), EbInputFile->text());
        dialog.ShowModal();
    } catch (...) {
        ShowError("An Invalid DD File was specified");
        m_fieldPositions.clear();
    }
}

// --- The Process command.

void TForm1::PBOKClick() {
    // The Cancel button enables this window while its run is still winding down.
    if (m_bRunning) return;
    const int32_t lRecordLength = DecimalValue(ebLength->text());
    const QString sInputName = EbInputFile->text();
    auto fail = [this](const char* pMessage, QWidget* pFocus) {
        ShowError(pMessage);
        pFocus->setFocus();
    };

    if (sInputName.isEmpty()) return fail("Input File Not Selected", EbInputFile);
    if (EbOutputFile->text().isEmpty()) return fail("Output File Not Selected", EbOutputFile);
    if (radioCSVFile->isChecked() && EbDDFile->text().isEmpty())
        return fail("DD File Not Selected", EbDDFile);
    if (!MpIOInterface::Exists(Bytes(sInputName).constData()))
        return fail("Input File Does Not Exist", EbInputFile);
    if (sInputName.compare(EbOutputFile->text(), Qt::CaseInsensitive) == 0)
        return fail("Output File and Input File are the same", EbOutputFile);
    if (lRecordLength <= 0) return fail("Please specify a record length", EbOutputFile);

    QString sDDFileName;
    if (radioCSVFile->isChecked()) {
        if (EndsWithCsv(sInputName)) {
            sDDFileName = EbDDFile->text();
            if (!CheckCsvFieldPositions(sInputName)) return;
        } else if (!EbOutputFile->text().contains('.')) {
            // A CSV name was typed and Process pressed with Enter before the mode could
            // follow it; the run that follows is a pad/truncate run.
            EbOutputFile->setText(FullName(EbOutputFile->text() + ".csv"));
        }
    }

    QString sOutputName;
    try {
        sOutputName = CompleteOutputName(sInputName);
    } catch (...) {
        // A name the file name rules refuse, such as one longer than a path may be.
        ShowFailure(std::current_exception());
        EbOutputFile->setFocus();
        return;
    }
    // However the names are spelt, the output must not be the input or the DD file: the
    // output is emptied below, before the run ever reads them.
    if (IsSameFile(Bytes(sOutputName).constData(), Bytes(sInputName).constData()) ||
        (!sDDFileName.isEmpty() &&
         IsSameFile(Bytes(sOutputName).constData(), Bytes(sDDFileName).constData())))
        return fail("Output File and Input File are the same", EbOutputFile);
    if (!ConfirmAndCreateOutput(sOutputName)) return;

    ProcessFile(Bytes(sInputName).constData(), Bytes(sOutputName).constData(),
                Bytes(sDDFileName).constData(), lRecordLength, chkPopFields->isChecked());
}

bool TForm1::CheckCsvFieldPositions(const QString& sInputName) {
    if (m_fieldPositions.empty()) {
        ShowError("You must first set field positions based on the selected DD file");
        PBFieldPositions->setFocus();
        return false;
    }
    size_t ulColumns = 0;
    try {
        ulColumns = ReadCsvHeader(Bytes(sInputName).constData()).columns.size();
    } catch (...) {
        ShowFailure(std::current_exception());
        EbInputFile->setFocus();
        return false;
    }
    if (ulColumns != m_fieldPositions.size()) {
        ShowError("Field positions not set.  You must set field positions based on the selected "
                  "DD file.");
        PBFieldPositions->setFocus();
        return false;
    }
    if (!HasEnoughMatchedColumns(m_fieldPositions)) {
        ShowError(kTooFewMatchedColumnsForRunMessage);
        PBFieldPositions->setFocus();
        return false;
    }
    return true;
}

QString TForm1::CompleteOutputName(const QString& sInputName) {
    QString sOutputName = EbOutputFile->text();
    // A dot anywhere counts, also one in a folder name.
    if (!sOutputName.contains('.')) {
        sOutputName += ".txd";
        EbOutputFile->setText(FullName(sOutputName));
    }
    // A bare file name goes into the input file's folder.
    if (!HasFolderSeparator(sOutputName)) {
        const MpFileName input(Bytes(sInputName).constData());
        const MpFileName output(Bytes(sOutputName).constData());
        sOutputName = Text(input.GetLocation()) + Text(output.GetCompleteFileName());
        EbOutputFile->setText(sOutputName);
    }
    return sOutputName;
}

bool TForm1::ConfirmAndCreateOutput(const QString& sOutputName) {
    if (MpIOInterface::Exists(Bytes(sOutputName).constData())) {
        EbOutputFile->setFocus();
        if (!m_prompter.AskYesNo(this,
                                 "Output File already exists. If you proceed this file will be "
                                 "overwritten.\n\nOverwrite?",
                                 "WARNING"))
            return false;
    }
    try {
        MpIOInterface::Create(Bytes(sOutputName).constData());
    } catch (...) {
        ShowError("Invalid File Name for Output File");
        EbOutputFile->setFocus();
        return false;
    }
    return true;
}

// --- The conversion run.

void TForm1::ProcessFile(const char* inputFile, const char* outputFile, const char* ddFile,
                         int32_t lRecordLength, bool bUsePopulationFields) {
    ConversionSettings settings;
    settings.inputName = inputFile;
    settings.outputName = outputFile;
    settings.ddFileName = ddFile;
    settings.recordLength = lRecordLength;
    settings.usePopulationFields = bUsePopulationFields;
    settings.blankUnprintable = chkAsciiOnly->isChecked();
    settings.fieldPositions = m_fieldPositions;

    m_pReport = std::make_unique<TFormReport>(this);
    m_pReport->SetProgressLayout(0);
    m_pReport->show();
    setEnabled(false);

    // The report window is the parent of the run's messages: this window is disabled.
    ReportProgress progress(*m_pReport, m_prompter, m_pReport.get());
    m_bRunning = true;
    const ConversionResult result = RunConversion(settings, progress);
    m_bRunning = false;

    if (result.outcome == RunOutcome::Cancelled) {
        m_pReport->hide();
        return;
    }
    m_pReport->SetResults(lRecordLength, result.statistics);
    m_pReport->SetResultsLayout();
}

}  // namespace lathwell::app
