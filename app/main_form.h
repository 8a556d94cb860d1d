// TForm1: the program's main window, the place from which everything is driven.
//
// The user picks one of two modes -- padding or truncating a flat file, or converting a CSV
// file through a DD file -- names the input and output files, types a record length or takes
// it from the DD file, matches CSV columns to DD fields in the field selection dialog, and
// presses Process. Process checks the entries, completes the output name, asks before
// overwriting, creates the output and hands over to ProcessFile, which runs the engine's
// conversion on the window thread behind a progress window.
//
// The window owns the field position map (one entry per CSV column, filled only by the field
// selection dialog, emptied whenever the input or DD file changes) and the report window of
// the latest run. Every question to the user goes through the prompter, which the caller keeps
// alive for the window's lifetime.
#pragma once

#include <QDialog>

#include <cstdint>
#include <exception>
#include <memory>

#include "MpVector.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lathwell::app {

class Prompter;
class TFormReport;

class TForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TForm1(Prompter& prompter);
    ~TForm1() override;

    // The field position map: 0 or more is a DD section index, negative an ignored column.
    MpVector<int16_t>& FieldPositions() { return m_fieldPositions; }
    // The report window of the latest run, or null before the first run.
    TFormReport* Report() const { return m_pReport.get(); }

    // Runs one conversion behind a new report window: pad/truncate when ddFile is empty,
    // otherwise a CSV conversion through the field position map.
    void ProcessFile(const char* inputFile, const char* outputFile, const char* ddFile,
                     int32_t lRecordLength, bool bUsePopulationFields);

    // The controls, by their design names, in tab order (owned by this window).
    QLineEdit* EbInputFile;
    QLineEdit* EbOutputFile;
    QPushButton* PBOK;
    QPushButton* PBInputFileBrowse;
    QPushButton* PBOutputFileBrowse;
    QPushButton* Button1;
    QLineEdit* ebLength;
    QCheckBox* chkAsciiOnly;
    QRadioButton* radioFixedFile;
    QRadioButton* radioCSVFile;
    QLineEdit* EbDDFile;
    QPushButton* PBDDFileBrowse;
    QPushButton* PBFieldPositions;
    QCheckBox* chkPopFields;
    QLabel* Label1;
    QLabel* lblDDFile;

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
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    // Esc presses the cancel button.
    void reject() override;

private:
    void CreateControls();
    void FormCreate();
    void FormClose();
    // Returns true when the key may reach the record length box.
    bool ebLengthKeyPress(QChar key);
    void ShowError(const QString& sText);
    // An MpException's message, or "Unknown error!" for anything else, in an "Error" box.
    void ShowFailure(std::exception_ptr failure);
    // Parts of PBOKClick after the six checks; the two checks return false when the command
    // must stop, with the message and the focus already given.
    bool CheckCsvFieldPositions(const QString& sInputName);
    bool ConfirmAndCreateOutput(const QString& sOutputName);
    // Completes the output name (extension, input file's folder), shows the result in the
    // output box and returns it.
    QString CompleteOutputName(const QString& sInputName);

    Prompter& m_prompter;
    MpVector<int16_t> m_fieldPositions;
    std::unique_ptr<TFormReport> m_pReport;
    // True while ProcessFile runs the conversion.
    bool m_bRunning = false;
};

}  // namespace lathwell::app
