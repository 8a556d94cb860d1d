// TFormFieldSelect: the modal dialog in which each column of a CSV input is matched with a
// field of the DD file, or left ignored.
//
// The left list has one row per column of the input's header line with the field it feeds;
// the right list the fields that the DD file offers (see DDFile::GetAvailableFields), sortable
// by name, position or section. On activation columns that the map does not cover yet are
// matched automatically by name (FieldMatcher); "< Update" and "< Ignore" change single
// columns. The results go straight into the caller's field position map, so OK and Cancel
// leave the same map; OK only insists on two matched columns first. The data lives in a
// FieldSelection; the lists only show it. The controls are private; tests find them by
// object name.
//
// The map and the prompter are not owned and must outlive the dialog.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <exception>

#include "DDFile.h"
#include "FieldSelection.h"
#include "MpVector.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace lathwell::app {

class Prompter;

class TFormFieldSelect : public QDialog {
    Q_OBJECT
public:
    TFormFieldSelect(QWidget* owner, Prompter& prompter, bool populationMode,
                     MpVector<int16_t>& fieldPositions, const QString& ddFile,
                     const QString& inputFile);

    // Shows the dialog modally and returns its result. Activation fills the lists once the
    // dialog is on the screen; a failure while it does so (a DD or input file that cannot be
    // read, a map entry that names no section) closes the dialog and is raised from here.
    int ShowModal();

    // Fills the model and the map from the DD file and the input's header line, and shows them.
    void FormActivate();

    // The sort column of the DD field list: 0 name, 1 position, 2 section.
    int32_t SortColumn() const { return m_sortColumn; }

public slots:
    void lvFieldsClick();
    void PBIgnoreClick();
    void PBUpdateClick();
    void lvDDFieldsSelectItem();
    void lvDDFieldsColumnClick(int column);
    void PBRecordOKClick();
    void Button1Click();

private:
    // The controls, by their design names.
    struct Controls {
        QLabel* Label2 = nullptr;
        QPushButton* PBRecordOK = nullptr;
        QPushButton* Button1 = nullptr;
        QTreeWidget* lvFields = nullptr;
        QPushButton* PBIgnore = nullptr;
        QPushButton* PBUpdate = nullptr;
        QTreeWidget* lvDDFields = nullptr;
    };

    // Runs FormActivate and keeps a failure for ShowModal.
    void Activate();
    void ShowError(const QString& text, const char* caption = "Error");
    // Sorts the offered fields by the sort column and shows them again; the selected field
    // stays selected.
    void SortDDFields();
    // Fills the DD list from the model's offered fields, in their order.
    void ShowOfferedFields();
    // Fills the input list from the model's columns.
    void ShowColumns();
    // Shows the model's output field of one column in its row.
    void ShowOutputField(int column);
    // The row of the list that is the only one selected, or -1.
    static int SelectedRow(const QTreeWidget* list);

    Prompter& m_prompter;
    Controls m_ui;
    const QString m_ddFile;
    const QString m_inputFile;
    const bool m_populationMode;
    MpVector<int16_t>& m_fieldPositions;
    FieldSelection m_selection;
    int32_t m_sortColumn = 0;
    std::exception_ptr m_activationFailure;
};

}  // namespace lathwell::app
