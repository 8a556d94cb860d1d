// TFormFieldSelect: the modal dialog in which each column of a CSV input is matched with a
// field of the DD file, or left ignored.
//
// The left list has one row per column of the input's header line with the field it feeds;
// the right list the fields that the DD file offers (see DDFile::GetAvailableFields), sortable
// by name, position or section. On activation columns that the map does not cover yet are
// matched automatically by name (FieldMatcher); "< Update" and "< Ignore" change single
// columns. The results go straight into the caller's field position map, so OK and Cancel
// leave the same map; OK only insists on two matched columns first.
//
// The map and the prompter are not owned and must outlive the dialog.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <exception>
#include <vector>

#include "DDFile.h"
#include "MpVector.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace lathwell::app {

class Prompter;

class TFormFieldSelect : public QDialog {
    Q_OBJECT
public:
    TFormFieldSelect(QWidget* pOwner, Prompter& prompter, bool bPopulationMode,
                     MpVector<int16_t>& fieldPositions, const QString& sDDFile,
                     const QString& sInputFile);

    // Shows the dialog modally and returns its result. Activation fills the lists once the
    // dialog is on the screen; a failure while it does so (a DD or input file that cannot be
    // read, a map entry that names no section) closes the dialog and is raised from here.
    int ShowModal();

    // Fills both lists and the map from the DD file and the input's header line.
    void FormActivate();

    // The sort column of the DD field list: 0 name, 1 position, 2 section.
    int32_t SortColumn() const { return m_lSortColumn; }

    // The controls, by their design names (owned by this dialog).
    QLabel* Label2;
    QPushButton* PBRecordOK;
    QPushButton* Button1;
    QTreeWidget* lvFields;
    QPushButton* PBIgnore;
    QPushButton* PBUpdate;
    QTreeWidget* lvDDFields;

public slots:
    void lvFieldsClick();
    void PBIgnoreClick();
    void PBUpdateClick();
    void lvDDFieldsSelectItem();
    void lvDDFieldsColumnClick(int iColumn);
    void PBRecordOKClick();
    void Button1Click();

private:
    // Runs FormActivate and keeps a failure for ShowModal.
    void Activate();
    void ShowError(const QString& sText, const char* pCaption = "Error");
    // The offered fields in the order the DD list shows them.
    std::vector<AvailableField> ListedFields() const;
    // Sorts the DD list by the sort column; the selected row stays selected.
    void SortDDFields();
    // The row of the input list that is the only one selected, or -1.
    int SelectedColumn() const;

    Prompter& m_prompter;
    const QString m_sDDFile;
    const QString m_sInputFile;
    const bool m_bPopulationMode;
    MpVector<int16_t>& m_fieldPositions;
    int32_t m_lSortColumn = 0;
    std::exception_ptr m_activationFailure;
};

}  // namespace lathwell::app
