// TForm1: the program's main window, the place from which everything is driven.
//
// The user picks one of two modes -- padding or truncating a flat file, or converting a CSV
// file through a DD file -- names the input and output files, types a record length or takes
// it from the DD file, matches CSV columns to DD fields in the field selection dialog, and
// presses Process. Process checks the entries, completes the output name, asks before
// overwriting and hands over to ProcessFile, which prepares the engine's run (the output locked
// before it is created or emptied) and runs it on the window thread behind a progress window.
//
// Beyond the designed window: a file dropped onto the input or DD box fills it as if typed,
// F1 shows the record-length help, and the browse dialogs start in the folders last chosen
// with them (BrowseFolders).
//
// The window owns its controls (private; tests find them by object name), the field position
// map (one entry per CSV column, filled only by the field selection dialog, emptied whenever
// the input or DD file changes) and the report window of the latest run. Every question to
// the user goes through the prompter, which the caller keeps alive for the window's lifetime.
#pragma once

#include <QDialog>

#include <cstdint>
#include <exception>
#include <memory>

#include "BrowseFolders.h"
#include "ConversionRun.h"
#include "MpVector.h"
#include "Prompter.h"

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lathwell::app {

class TFormReport;
struct ProcessRefusal;

class TForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TForm1(Prompter& prompter);
    ~TForm1() override;

    // The field position map: 0 or more is a DD section index, negative an ignored column.
    MpVector<int16_t>& FieldPositions() { return m_fieldPositions; }
    // The report window of the latest run, or null before the first run.
    TFormReport* Report() const { return m_report.get(); }

    // Puts a file name into the input box and runs the box's exit handler, as if the name had
    // been typed and the box left (a file named on the command line or dropped on the box).
    void TakeInputFile(const QString& fileName);

    // Prepares one conversion and runs it behind a new report window: pad/truncate when the DD
    // file name is empty, otherwise a CSV conversion. A refused output or a folder as input is
    // shown in a box with the focus on its file's box, and no report window opens.
    void ProcessFile(const ConversionSettings& settings);

public slots:
    void PBOKClick();
    void PBInputFileBrowseClick();
    void PBOutputFileBrowseClick();
    void PBDDFileBrowseClick();
    void Button1Click();
    void radioFixedFileClick();
    void radioCSVFileClick();
    void EbInputFileExit();
    void EbDDFileExit();
    void EbInputFileChange();
    void EbDDFileChange();
    void chkPopFieldsClick();
    void PBFieldPositionsClick();
    void Label1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Esc presses the cancel button.
    void reject() override;

private:
    // The controls, by their design names, in tab order.
    struct Controls {
        QLineEdit* EbInputFile = nullptr;
        QLineEdit* EbOutputFile = nullptr;
        QPushButton* PBOK = nullptr;
        QPushButton* PBInputFileBrowse = nullptr;
        QPushButton* PBOutputFileBrowse = nullptr;
        QPushButton* Button1 = nullptr;
        QLineEdit* ebLength = nullptr;
        QCheckBox* chkAsciiOnly = nullptr;
        QRadioButton* radioFixedFile = nullptr;
        QRadioButton* radioCSVFile = nullptr;
        QLineEdit* EbDDFile = nullptr;
        QPushButton* PBDDFileBrowse = nullptr;
        QPushButton* PBFieldPositions = nullptr;
        QCheckBox* chkPopFields = nullptr;
        QLabel* Label1 = nullptr;
        QLabel* lblDDFile = nullptr;
    };

    void CreateControls();
    void FormCreate();
    void FormClose();
    // Returns true when the key may reach the record length box.
    bool ebLengthKeyPress(QChar key);
    // The record length box's filter applied to a whole key press; true when it passes.
    bool LengthKeyPasses(const QKeyEvent& key);
    // Pastes the clipboard's text into the record length box when every character passes
    // the filter; otherwise beeps and inserts nothing.
    void PasteIntoLength();
    // The standard edit menu of the record length box, its paste held to the filter.
    void ShowLengthMenu(const QPoint& globalPos);
    // Runs a browse dialog from the dialog's remembered folder; the chosen file's full name,
    // remembered for the next time, or an empty text when the dialog was cancelled.
    QString Browse(BrowseFolders::Dialog dialog, FileDialogRequest request);
    // Drag and drop of a file onto the input or DD box; true when the event was handled.
    bool HandleFileDrop(QLineEdit* box, QEvent* event);
    // While a run is active the window is disabled; focus leaving a box then is no user's act.
    bool AcceptsUserInput() const { return isEnabled() && !m_running; }
    void ShowError(const QString& text);
    // An MpException's message, or "Unknown error!" for anything else, in an "Error" box.
    void ShowFailure(std::exception_ptr failure);
    // Asks before an existing output is overwritten; false when the user answers No.
    bool ConfirmOverwrite(const char* outputName);
    // Shows a refusal of the Process command and sends the user to its control.
    void ShowRefusal(const ProcessRefusal& refusal);

    Prompter& m_prompter;
    Controls m_ui;
    BrowseFolders m_folders;
    MpVector<int16_t> m_fieldPositions;
    std::unique_ptr<TFormReport> m_report;
    // True while ProcessFile runs the conversion.
    bool m_running = false;
    // The DD box had the focus since its exit handler last ran (see eventFilter).
    bool m_ddBoxEntered = false;
};

}  // namespace lathwell::app
