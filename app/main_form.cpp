#include "main_form.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QUrl>

#include <algorithm>

#include "ConversionRun.h"
#include "CsvReadiness.h"
#include "DDFile.h"
#include "DesignLayout.h"
#include "FieldMatcher.h"
#include "MpException.h"
#include "MpIOInterface.h"
#include "MpLibraryStartup.h"
#include "ProcessRequest.h"
#include "Prompter.h"
#include "ReportProgress.h"
#include "RunPreparation.h"
#include "fieldsel.h"
#include "report.h"
#include "ResultWarnings.h"

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
QByteArray Bytes(const QString& text) { return text.toLocal8Bit(); }
QString Text(const char* bytes) { return QString::fromLocal8Bit(bytes); }

bool EndsWithCsv(const QString& name) { return name.toUpper().endsWith(".CSV"); }

// A character a key types, as opposed to the control codes of editing keys and shortcuts.
bool IsTypedCharacter(QChar c) { return c.isPrint(); }

// A character the record length box accepts from a key or the clipboard.
bool IsLengthCharacter(QChar c) { return (c >= '0' && c <= '9') || c == '.'; }

// A focus change inside the window, as opposed to the whole window losing the focus.
bool IsExit(const QEvent* event) {
    if (event->type() != QEvent::FocusOut) return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
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

    auto makeEdit = [this](const char* name, int left, int top, int width, int height) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        PlaceControl(edit, left, top, width, height);
        return edit;
    };
    auto makeButton = [this](const char* name, const char* caption, int left, int top,
                             int width, int height) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        PlaceControl(button, left, top, width, height);
        return button;
    };
    auto makeLabel = [this](const char* name, const char* caption, int left, int top) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(name);
        PlaceAutoSizeLabel(label, left, top);
        return label;
    };

    // Tab order of the design.
    m_ui.EbInputFile = makeEdit("EbInputFile", 10, 82, 431, 21);
    m_ui.EbOutputFile = makeEdit("EbOutputFile", 10, 126, 431, 21);
    m_ui.PBOK = makeButton("PBOK", "Process", 445, 9, 75, 25);
    m_ui.PBOK->setDefault(true);
    m_ui.PBInputFileBrowse = makeButton("PBInputFileBrowse", "Browse...", 447, 80, 73, 25);
    m_ui.PBOutputFileBrowse = makeButton("PBOutputFileBrowse", "Browse...", 447, 124, 73, 25);
    m_ui.Button1 = makeButton("Button1", "Exit", 445, 40, 75, 25);
    m_ui.ebLength = makeEdit("ebLength", 87, 156, 45, 21);
    // A validator limits typing only, so a longer length taken from a DD file is shown whole.
    m_ui.ebLength->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QString("^.{0,%1}$").arg(kLengthDigits)), m_ui.ebLength));
    m_ui.chkAsciiOnly = new QCheckBox("Convert Unprintable Non-ASCII Characters to Blanks", this);
    m_ui.chkAsciiOnly->setObjectName("chkAsciiOnly");
    PlaceControl(m_ui.chkAsciiOnly, 173, 158, 275, 17);
    m_ui.radioFixedFile = new QRadioButton("Padding or Truncating Flat File with Fixed Fields", this);
    m_ui.radioFixedFile->setObjectName("radioFixedFile");
    m_ui.radioFixedFile->setChecked(true);
    PlaceControl(m_ui.radioFixedFile, 13, 9, 255, 17);
    m_ui.radioCSVFile = new QRadioButton(
        "Converting Comma Delimited (CSV) File to Flat File with Fixed Fields", this);
    m_ui.radioCSVFile->setObjectName("radioCSVFile");
    PlaceControl(m_ui.radioCSVFile, 13, 35, 350, 17);
    m_ui.EbDDFile = makeEdit("EbDDFile", 86, 188, 354, 21);
    m_ui.EbDDFile->setEnabled(false);
    m_ui.PBDDFileBrowse = makeButton("PBDDFileBrowse", "Browse...", 445, 187, 75, 25);
    m_ui.PBDDFileBrowse->setEnabled(false);
    m_ui.PBFieldPositions = makeButton("PBFieldPositions", "Set Field Positions...", 229, 214, 116, 24);
    m_ui.PBFieldPositions->setEnabled(false);
    m_ui.chkPopFields = new QCheckBox("Use Population Fields", this);
    m_ui.chkPopFields->setObjectName("chkPopFields");
    m_ui.chkPopFields->setEnabled(false);
    PlaceControl(m_ui.chkPopFields, 86, 218, 129, 17);

    const QList<QWidget*> tabOrder = {m_ui.EbInputFile, m_ui.EbOutputFile, m_ui.PBOK, m_ui.PBInputFileBrowse,
                                      m_ui.PBOutputFileBrowse, m_ui.Button1, m_ui.ebLength, m_ui.chkAsciiOnly,
                                      m_ui.radioFixedFile, m_ui.radioCSVFile, m_ui.EbDDFile, m_ui.PBDDFileBrowse,
                                      m_ui.PBFieldPositions, m_ui.chkPopFields};
    for (qsizetype i = 0; i + 1 < tabOrder.size(); ++i) setTabOrder(tabOrder[i], tabOrder[i + 1]);

    // Each edit box is named for assistive technology by the label that names it on the screen.
    auto nameBox = [](QLabel* label, QLineEdit* box) {
        label->setBuddy(box);
        box->setAccessibleName(label->text());
        return label;
    };
    nameBox(makeLabel("Label2", "Input File: (*.txd, *.txd.gz, *.txt, *.dat, *.csv)", 10, 67),
            m_ui.EbInputFile);
    nameBox(makeLabel("Label3", "Output File: (*.txd, *.txd.gz)", 10, 111), m_ui.EbOutputFile);
    KeepLabelClearOf(nameBox(makeLabel("Label4", "Record length:", 11, 159), m_ui.ebLength),
                     m_ui.ebLength);
    m_ui.lblDDFile = nameBox(makeLabel("lblDDFile", "Select DD File:", 10, 191), m_ui.EbDDFile);
    KeepLabelClearOf(m_ui.lblDDFile, m_ui.EbDDFile);
    m_ui.lblDDFile->setEnabled(false);
    m_ui.Label1 = new QLabel("??", this);
    m_ui.Label1->setObjectName("Label1");
    QFont helpFont = DesignFont(10);
    helpFont.setUnderline(true);
    m_ui.Label1->setFont(helpFont);
    m_ui.Label1->setStyleSheet("color: blue");
    m_ui.Label1->setCursor(Qt::WhatsThisCursor);
    PlaceAutoSizeLabel(m_ui.Label1, 136, 157);

    SetClientSize(this, kClientWidth, kClientHeight);

    connect(m_ui.PBOK, &QPushButton::clicked, this, &TForm1::PBOKClick);
    connect(m_ui.PBInputFileBrowse, &QPushButton::clicked, this, &TForm1::PBInputFileBrowseClick);
    connect(m_ui.PBOutputFileBrowse, &QPushButton::clicked, this, &TForm1::PBOutputFileBrowseClick);
    connect(m_ui.PBDDFileBrowse, &QPushButton::clicked, this, &TForm1::PBDDFileBrowseClick);
    connect(m_ui.Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(m_ui.radioFixedFile, &QRadioButton::clicked, this, &TForm1::radioFixedFileClick);
    connect(m_ui.radioCSVFile, &QRadioButton::clicked, this, &TForm1::radioCSVFileClick);
    connect(m_ui.EbInputFile, &QLineEdit::textChanged, this, &TForm1::EbInputFileChange);
    connect(m_ui.EbDDFile, &QLineEdit::textChanged, this, &TForm1::EbDDFileChange);
    connect(m_ui.chkPopFields, &QCheckBox::clicked, this, &TForm1::chkPopFieldsClick);
    connect(m_ui.PBFieldPositions, &QPushButton::clicked, this, &TForm1::PBFieldPositionsClick);
    m_ui.EbInputFile->installEventFilter(this);
    m_ui.EbDDFile->installEventFilter(this);
    m_ui.ebLength->installEventFilter(this);
    m_ui.Label1->installEventFilter(this);
    // Dropped text would pass the record length filter by.
    m_ui.ebLength->setAcceptDrops(false);
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
            &TForm1::Label1Click);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui.EbInputFile || watched == m_ui.EbDDFile) {
        auto* box = static_cast<QLineEdit*>(watched);
        if (HandleFileDrop(box, event)) return true;
        // The DD box counts as entered when the user (or the program) put the focus there, not
        // when the window system hands it back as the window becomes active again.
        if (box == m_ui.EbDDFile && event->type() == QEvent::FocusIn &&
            static_cast<const QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason)
            m_ddBoxEntered = true;
        // Disabling the window at the start of a run moves the focus out of the box.
        if (IsExit(event) && AcceptsUserInput()) {
            if (box == m_ui.EbInputFile) {
                EbInputFileExit();
            } else if (m_ddBoxEntered) {
                m_ddBoxEntered = false;
                EbDDFileExit();
            }
        }
    } else if (watched == m_ui.Label1 && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_ui.Label1->rect().contains(mouse->position().toPoint()))
            Label1Click();
    } else if (watched == m_ui.ebLength && event->type() == QEvent::KeyPress) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (keyEvent->matches(QKeySequence::Paste)) {
            PasteIntoLength();
            return true;
        }
        if (!LengthKeyPasses(*keyEvent)) return true;
    } else if (watched == m_ui.ebLength && event->type() == QEvent::ContextMenu) {
        ShowLengthMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TForm1::HandleFileDrop(QLineEdit* box, QEvent* event) {
    if (event->type() != QEvent::DragEnter && event->type() != QEvent::DragMove &&
        event->type() != QEvent::Drop)
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const QList<QUrl> urls = drop->mimeData()->urls();
    // One local file; any other drop (text, several files) is left to the box.
    if (urls.size() != 1 || !urls.first().isLocalFile()) return false;
    drop->acceptProposedAction();
    if (event->type() != QEvent::Drop) return true;
    const QString fileName = QDir::toNativeSeparators(urls.first().toLocalFile());
    if (box == m_ui.EbInputFile) {
        TakeInputFile(fileName);
    } else {
        m_ui.EbDDFile->setText(fileName);
        EbDDFileExit();
    }
    return true;
}

void TForm1::TakeInputFile(const QString& fileName) {
    m_ui.EbInputFile->setText(fileName);
    EbInputFileExit();
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

void TForm1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) CentreOnScreen(this);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // While a run is going on the window is disabled and must stay open: the run's report
    // window and files belong to it.
    if (!isEnabled() || m_running) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TForm1::reject() {
    if (m_ui.Button1->isEnabled()) m_ui.Button1->click();
}

void TForm1::Button1Click() { close(); }

void TForm1::ShowError(const QString& text) { m_prompter.ShowMessage(this, text, "Error"); }

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
    m_ui.ebLength->setEnabled(true);
    m_ui.lblDDFile->setEnabled(false);
    m_ui.EbDDFile->setEnabled(false);
    m_ui.PBDDFileBrowse->setEnabled(false);
    m_ui.PBFieldPositions->setEnabled(false);
    m_ui.chkPopFields->setEnabled(false);
    // A CSV file is no input for this mode.
    if (!m_ui.EbInputFile->text().isEmpty() && EndsWithCsv(m_ui.EbInputFile->text())) m_ui.EbInputFile->clear();
}

void TForm1::radioCSVFileClick() {
    // The record length now comes from the DD file.
    m_ui.ebLength->setEnabled(false);
    m_ui.lblDDFile->setEnabled(true);
    m_ui.EbDDFile->setEnabled(true);
    m_ui.PBDDFileBrowse->setEnabled(true);
    if (!m_ui.EbInputFile->text().isEmpty() && !EndsWithCsv(m_ui.EbInputFile->text())) {
        m_ui.EbInputFile->clear();
        m_fieldPositions.clear();
    }
    // A DD file already named takes effect at once.
    EbDDFileExit();
}

void TForm1::EbInputFileExit() {
    if (m_ui.EbInputFile->text().isEmpty()) return;
    if (EndsWithCsv(m_ui.EbInputFile->text())) {
        m_ui.radioCSVFile->setChecked(true);
        radioCSVFileClick();
    } else {
        m_ui.radioFixedFile->setChecked(true);
        radioFixedFileClick();
    }
}

// Any change of the input or DD file invalidates the column matching.
void TForm1::EbInputFileChange() { m_fieldPositions.clear(); }
void TForm1::EbDDFileChange() { m_fieldPositions.clear(); }

// --- Record lengths from the DD file.

void TForm1::EbDDFileExit() {
    if (m_ui.EbDDFile->text().isEmpty()) return;
    const DDRecordLengths lengths = ReadDDRecordLengths(Bytes(m_ui.EbDDFile->text()).constData());
    if (lengths.recordLength <= 0) {
        ShowError(lengths.lockFailure.IsEmpty() ? QString("Invalid DD File") : Text(lengths.lockFailure.GetCString()));
        return;
    }
    m_ui.PBFieldPositions->setEnabled(true);
    if (lengths.popRecordLength != 0) {
        m_ui.chkPopFields->setEnabled(true);
    } else {
        m_ui.chkPopFields->setChecked(false);
        m_ui.chkPopFields->setEnabled(false);
    }
    m_ui.ebLength->setText(QString::number(lengths.ForMode(m_ui.chkPopFields->isChecked())));
}

void TForm1::chkPopFieldsClick() {
    // The population offsets change where the fields go.
    m_fieldPositions.clear();
    const DDRecordLengths lengths = ReadDDRecordLengths(Bytes(m_ui.EbDDFile->text()).constData());
    m_ui.ebLength->setText(QString::number(lengths.ForMode(m_ui.chkPopFields->isChecked())));
}

// --- Browse dialogs.

QString TForm1::Browse(BrowseFolders::Dialog dialog, FileDialogRequest request) {
    request.folder = m_folders.Folder(dialog);
    const QString chosen = dialog == BrowseFolders::Dialog::Output
                               ? m_prompter.ChooseSaveFile(this, request)
                               : m_prompter.ChooseOpenFile(this, request);
    if (!chosen.isEmpty()) m_folders.Remember(dialog, chosen);
    return chosen;
}

void TForm1::PBInputFileBrowseClick() {
    FileDialogRequest request;
    request.filter = m_ui.radioCSVFile->isChecked() ? kCsvInputFilter : kFixedInputFilter;
    request.pathMustExist = true;
    request.fileMustExist = true;
    const QString chosen = Browse(BrowseFolders::Dialog::Input, request);
    if (chosen.isEmpty()) return;
    m_ui.EbInputFile->setText(chosen);
    EbInputFileExit();
    m_ui.EbInputFile->setFocus();
}

void TForm1::PBOutputFileBrowseClick() {
    FileDialogRequest request;
    request.filter = kOutputFilter;
    request.defaultSuffix = "txd";
    request.pathMustExist = true;
    const QString chosen = Browse(BrowseFolders::Dialog::Output, request);
    if (!chosen.isEmpty()) m_ui.EbOutputFile->setText(chosen);
}

void TForm1::PBDDFileBrowseClick() {
    FileDialogRequest request;
    request.filter = kDDFilter;
    request.pathMustExist = true;
    request.fileMustExist = true;
    const QString chosen = Browse(BrowseFolders::Dialog::DD, request);
    if (chosen.isEmpty()) return;
    m_ui.EbDDFile->setText(chosen);
    m_fieldPositions.clear();
    EbDDFileExit();
}

// --- Record length typing and help.

bool TForm1::ebLengthKeyPress(QChar key) {
    if (IsLengthCharacter(key) || key == QChar(8)) return true;
    m_prompter.Beep();
    return false;
}

bool TForm1::LengthKeyPasses(const QKeyEvent& key) {
    // Only keys that type characters meet the filter: the dialog keys and the editing
    // shortcuts (select all, copy, cut, undo, redo) type none and keep their jobs.
    const QString typed = key.text();
    if (typed.isEmpty() || (key.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) ||
        !std::all_of(typed.begin(), typed.end(), IsTypedCharacter))
        return true;
    return std::all_of(typed.begin(), typed.end(), [this](QChar c) { return ebLengthKeyPress(c); });
}

void TForm1::PasteIntoLength() {
    const QString pasted = QGuiApplication::clipboard()->text();
    if (std::all_of(pasted.begin(), pasted.end(), IsLengthCharacter))
        m_ui.ebLength->paste();
    else
        m_prompter.Beep();
}

void TForm1::ShowLengthMenu(const QPoint& globalPos) {
    const std::unique_ptr<QMenu> menu(m_ui.ebLength->createStandardContextMenu());
    const QString before = m_ui.ebLength->text();
    menu->exec(globalPos);
    // The menu's paste knows no filter: a paste that brought in a refused character is taken
    // back. Nothing else in the menu can bring in one.
    const QString after = m_ui.ebLength->text();
    if (after != before && !std::all_of(after.begin(), after.end(), IsLengthCharacter)) {
        m_ui.ebLength->undo();
        m_prompter.Beep();
    }
}

void TForm1::Label1Click() { m_prompter.ShowMessage(this, kRecordLengthHelp, "Help"); }

// --- Field positions.

void TForm1::PBFieldPositionsClick() {
    if (m_ui.EbDDFile->text().isEmpty()) {
        ShowError("You must first specify a DD File");
        return;
    }
    if (m_ui.EbInputFile->text().isEmpty()) {
        ShowError("You must first specify a CSV File for input");
        return;
    }
    try {
        TFormFieldSelect dialog(this, m_prompter, m_ui.chkPopFields->isChecked(), m_fieldPositions,
                                m_ui.EbDDFile->text(), m_ui.EbInputFile->text());
        dialog.ShowModal();
    } catch (const DDFileLockedException& e) {
        ShowError(Text(e.GetErrorMessage()));
        m_fieldPositions.clear();
    } catch (...) {
        ShowError("An Invalid DD File was specified");
        m_fieldPositions.clear();
    }
}

// --- The Process command.

void TForm1::PBOKClick() {
    // The Cancel button enables this window while its run is still winding down.
    if (m_running) return;
    ProcessBoxes boxes;
    boxes.inputName = m_ui.EbInputFile->text();
    boxes.outputName = m_ui.EbOutputFile->text();
    boxes.ddFileName = m_ui.EbDDFile->text();
    boxes.recordLength = m_ui.ebLength->text();
    boxes.csvMode = m_ui.radioCSVFile->isChecked();
    boxes.populationFields = m_ui.chkPopFields->isChecked();
    boxes.asciiOnly = m_ui.chkAsciiOnly->isChecked();
    boxes.fieldPositions = m_fieldPositions;
    const std::variant<ProcessRun, ProcessRefusal> request = MakeProcessRequest(boxes);
    if (const ProcessRefusal* refusal = std::get_if<ProcessRefusal>(&request)) return ShowRefusal(*refusal);
    const ProcessRun& run = std::get<ProcessRun>(request);
    if (m_ui.EbOutputFile->text() != run.outputBox) m_ui.EbOutputFile->setText(run.outputBox);
    if (!ConfirmOverwrite(run.settings.outputName.GetCString())) return;
    ProcessFile(run.settings);
}

bool TForm1::ConfirmOverwrite(const char* outputName) {
    if (!MpIOInterface::Exists(outputName)) return true;
    m_ui.EbOutputFile->setFocus();
    return m_prompter.AskYesNo(this,
                               "Output File already exists. If you proceed this file will be "
                               "overwritten.\n\nOverwrite?",
                               "WARNING");
}

void TForm1::ShowRefusal(const ProcessRefusal& refusal) {
    if (!refusal.outputBox.isEmpty()) m_ui.EbOutputFile->setText(refusal.outputBox);
    ShowError(refusal.message);
    switch (refusal.focus) {
        case ProcessFocus::InputFile:
            m_ui.EbInputFile->setFocus();
            break;
        case ProcessFocus::OutputFile:
            m_ui.EbOutputFile->setFocus();
            break;
        case ProcessFocus::DDFile:
            m_ui.EbDDFile->setFocus();
            break;
        case ProcessFocus::FieldPositions:
            m_ui.PBFieldPositions->setFocus();
            break;
    }
}

// --- The conversion run.

void TForm1::ProcessFile(const ConversionSettings& settings) {
    // The files are opened, and the output locked, before it is created or emptied: a file
    // another run holds is refused with every byte kept.
    std::unique_ptr<PreparedRun> run;
    std::unique_ptr<RunRefusal> refusal;
    try {
        run = std::make_unique<PreparedRun>(PrepareRun(settings, OpenedFiles()));
    } catch (const RunRefusal& refused) {
        if (const std::optional<ProcessRefusal> boxRefusal = WindowRefusal(refused)) return ShowRefusal(*boxRefusal);
        refusal = std::make_unique<RunRefusal>(refused);
    }

    // Set first: showing the report window and disabling this one move the focus out of
    // the box that had it, which must not count as the user leaving it.
    m_running = true;
    m_report = std::make_unique<TFormReport>(this);
    m_report->SetProgressLayout(0);
    m_report->show();
    setEnabled(false);

    // The report window is the parent of the run's messages: this window is disabled.
    ReportProgress progress(*m_report, m_prompter, m_report.get());
    if (refusal) progress.RunStarting(0);
    const ConversionResult result = run ? RunConversion(std::move(*run), progress) : RefusedRun(*refusal, progress);
    m_running = false;

    if (result.outcome == RunOutcome::Cancelled) {
        m_report->hide();
        return;
    }
    m_report->SetResults(settings.recordLength, result.statistics);
    m_report->SetWarnings(ResultWarnings(settings, result));
    m_report->SetResultsLayout();
}

}  // namespace lathwell::app
