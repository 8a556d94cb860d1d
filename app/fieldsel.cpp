#include "fieldsel.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "CsvReadiness.h"
#include "DesignLayout.h"
#include "FieldMatcher.h"
#include "Prompter.h"

namespace lathwell::app {

namespace {

constexpr int kClientWidth = 707;
constexpr int kClientHeight = 482;
constexpr int kListTop = 44;
constexpr int kListHeight = 396;
constexpr int kNameColumnWidth = 176;
constexpr int kDDNameColumnWidth = 194;
constexpr int kPositionColumnWidth = 50;
constexpr int kSectionColumnWidth = 1;

enum InputColumn { kInputField = 0, kOutputField = 1 };
enum DDColumn { kDDName = 0, kDDPosition = 1, kDDSection = 2 };

QString Text(const char* bytes) { return QString::fromLocal8Bit(bytes); }

QTreeWidget* MakeList(QWidget* parent, const char* name, const QStringList& columns) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setHeaderLabels(columns);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionsMovable(false);
    return list;
}

}  // namespace

TFormFieldSelect::TFormFieldSelect(QWidget* owner, Prompter& prompter, bool populationMode,
                                   MpVector<int16_t>& fieldPositions, const QString& ddFile,
                                   const QString& inputFile)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_prompter(prompter),
      m_ddFile(ddFile),
      m_inputFile(inputFile),
      m_populationMode(populationMode),
      m_fieldPositions(fieldPositions),
      m_selection(fieldPositions) {
    setObjectName("FormFieldSelect");
    setWindowTitle("Select Output Fields");
    setFont(DesignFont(8));

    m_ui.Label2 = new QLabel(
        "Match each Input Field with an Output  Field  from the DD File.  All unmatched fields "
        "will be ignored.",
        this);
    m_ui.Label2->setObjectName("Label2");
    m_ui.Label2->setWordWrap(true);
    PlaceControl(m_ui.Label2, 8, 8, 691, 30);

    m_ui.PBRecordOK = new QPushButton("OK", this);
    m_ui.PBRecordOK->setObjectName("PBRecordOK");
    m_ui.PBRecordOK->setDefault(true);
    PlaceControl(m_ui.PBRecordOK, 536, 449, 75, 25);
    m_ui.Button1 = new QPushButton("Cancel", this);
    m_ui.Button1->setObjectName("Button1");
    m_ui.Button1->setAutoDefault(false);
    PlaceControl(m_ui.Button1, 624, 449, 75, 25);

    m_ui.lvFields = MakeList(this, "lvFields", {"Input Field", "Output Field"});
    m_ui.lvFields->setColumnWidth(kInputField, kNameColumnWidth);
    m_ui.lvFields->setColumnWidth(kOutputField, kNameColumnWidth);
    m_ui.lvFields->header()->setSectionsClickable(false);
    PlaceControl(m_ui.lvFields, 8, kListTop, 356, kListHeight);

    m_ui.PBIgnore = new QPushButton("< Ignore", this);
    m_ui.PBIgnore->setObjectName("PBIgnore");
    m_ui.PBIgnore->setAutoDefault(false);
    PlaceControl(m_ui.PBIgnore, 370, 212, 58, 25);
    m_ui.PBUpdate = new QPushButton("< Update", this);
    m_ui.PBUpdate->setObjectName("PBUpdate");
    m_ui.PBUpdate->setAutoDefault(false);
    PlaceControl(m_ui.PBUpdate, 370, 180, 58, 25);

    m_ui.lvDDFields = MakeList(this, "lvDDFields", {"Available DD Fields", "Position", "Section"});
    m_ui.lvDDFields->setColumnWidth(kDDName, kDDNameColumnWidth);
    m_ui.lvDDFields->setColumnWidth(kDDPosition, kPositionColumnWidth);
    m_ui.lvDDFields->header()->setMinimumSectionSize(kSectionColumnWidth);
    m_ui.lvDDFields->setColumnWidth(kDDSection, kSectionColumnWidth);
    // Sorting is this dialog's own (by number for Position and Section), not the view's.
    m_ui.lvDDFields->setSortingEnabled(false);
    m_ui.lvDDFields->header()->setSectionsClickable(true);
    m_ui.lvDDFields->header()->setSortIndicatorShown(false);
    PlaceControl(m_ui.lvDDFields, 434, kListTop, 265, kListHeight);

    SetClientSize(this, kClientWidth, kClientHeight);

    connect(m_ui.PBRecordOK, &QPushButton::clicked, this, &TFormFieldSelect::PBRecordOKClick);
    connect(m_ui.Button1, &QPushButton::clicked, this, &TFormFieldSelect::Button1Click);
    connect(m_ui.PBIgnore, &QPushButton::clicked, this, &TFormFieldSelect::PBIgnoreClick);
    connect(m_ui.PBUpdate, &QPushButton::clicked, this, &TFormFieldSelect::PBUpdateClick);
    connect(m_ui.lvFields, &QTreeWidget::itemClicked, this, &TFormFieldSelect::lvFieldsClick);
    connect(m_ui.lvDDFields, &QTreeWidget::itemSelectionChanged, this,
            &TFormFieldSelect::lvDDFieldsSelectItem);
    connect(m_ui.lvDDFields->header(), &QHeaderView::sectionClicked, this,
            &TFormFieldSelect::lvDDFieldsColumnClick);
}

int TFormFieldSelect::ShowModal() {
    // Activation comes once the dialog is shown, from inside its event loop; a failure must
    // not travel through the loop, so it is kept and raised after it.
    QMetaObject::invokeMethod(this, &TFormFieldSelect::Activate, Qt::QueuedConnection);
    const int result = exec();
    if (m_activationFailure) std::rethrow_exception(m_activationFailure);
    return result;
}

void TFormFieldSelect::Activate() {
    try {
        FormActivate();
    } catch (...) {
        m_activationFailure = std::current_exception();
        reject();
    }
}

void TFormFieldSelect::ShowError(const QString& text, const char* caption) {
    m_prompter.ShowMessage(this, text, caption);
}

void TFormFieldSelect::FormActivate() {
    DDFile ddFile(m_ddFile.toLocal8Bit().constData());
    const bool ddFileValid = IsUsableDDFile(ddFile);
    if (ddFileValid) {
        m_selection.SetOfferedFields(ddFile.GetAvailableFields(m_populationMode));
        // The fields appear in ascending order of position.
        m_sortColumn = kDDPosition;
        SortDDFields();
    } else {
        ShowError(kInvalidDDFileMessage);
    }

    const std::vector<ColumnHeader> headers =
        ReadCsvHeader(m_inputFile.toLocal8Bit().constData()).columns;
    if (!IsUsableCsvHeader(headers)) {
        ShowError(kNotValidCsvFileMessage);
        return;
    }
    if (!ddFileValid) return;

    for (const ColumnHeader& header : headers) {
        if (header.blank)
            ShowError(kBlankColumnHeaderMessage);
    }
    // Columns the map already covers keep their entries; the others are matched by name
    // against the fields in the order they are listed.
    m_selection.SetColumns(headers, ddFile);
    ShowColumns();
}

void TFormFieldSelect::ShowOfferedFields() {
    m_ui.lvDDFields->clear();
    for (const AvailableField& field : m_selection.OfferedFields()) {
        auto* item = new QTreeWidgetItem(m_ui.lvDDFields);
        item->setText(kDDName, Text(field.shownName.c_str()));
        item->setText(kDDPosition, Text(field.position.c_str()));
        item->setText(kDDSection, QString::number(field.sectionIndex));
    }
}

void TFormFieldSelect::ShowColumns() {
    m_ui.lvFields->clear();
    for (const ColumnHeader& header : m_selection.Columns())
        new QTreeWidgetItem(m_ui.lvFields, {Text(header.text.GetCString()), QString()});
    for (int i = 0; i < m_ui.lvFields->topLevelItemCount(); ++i) ShowOutputField(i);
}

void TFormFieldSelect::ShowOutputField(int column) {
    m_ui.lvFields->topLevelItem(column)->setText(
        kOutputField, Text(m_selection.OutputField(column).GetCString()));
}

void TFormFieldSelect::SortDDFields() {
    const int selected = SelectedRow(m_ui.lvDDFields);
    const int32_t selectedSection =
        selected < 0 ? -1 : m_selection.OfferedFields()[selected].sectionIndex;
    m_selection.SortOfferedFields(static_cast<FieldListColumn>(m_sortColumn));

    // Reordering is not a change of selection: the handlers must not hear of it.
    const QSignalBlocker blocker(m_ui.lvDDFields);
    ShowOfferedFields();
    const std::vector<AvailableField>& fields = m_selection.OfferedFields();
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].sectionIndex == selectedSection)
            m_ui.lvDDFields->topLevelItem(static_cast<int>(i))->setSelected(true);
}

int TFormFieldSelect::SelectedRow(const QTreeWidget* list) {
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.size() == 1 ? list->indexOfTopLevelItem(selected.first()) : -1;
}

void TFormFieldSelect::lvFieldsClick() {
    const int column = SelectedRow(m_ui.lvFields);
    if (column < 0) return;
    const int32_t listed = m_selection.ListedFieldOf(column);
    if (listed >= 0)
        m_ui.lvDDFields->setCurrentItem(m_ui.lvDDFields->topLevelItem(listed));
    else
        m_ui.lvDDFields->clearSelection();
}

void TFormFieldSelect::PBIgnoreClick() {
    const int column = SelectedRow(m_ui.lvFields);
    if (column < 0) return;
    m_ui.lvDDFields->clearSelection();
    m_selection.Ignore(column);
    ShowOutputField(column);
}

void TFormFieldSelect::PBUpdateClick() {
    const int column = SelectedRow(m_ui.lvFields);
    const int field = SelectedRow(m_ui.lvDDFields);
    if (column < 0 || field < 0) return;
    if (m_selection.Update(column, field)) ShowOutputField(column);
}

void TFormFieldSelect::lvDDFieldsSelectItem() {
    const int column = SelectedRow(m_ui.lvFields);
    if (column < 0 || SelectedRow(m_ui.lvDDFields) < 0) return;
    // A column that already has a field changes only through "< Update" or "< Ignore".
    if (m_selection.OutputField(column).IsEmpty()) PBUpdateClick();
}

void TFormFieldSelect::lvDDFieldsColumnClick(int column) {
    const QString caption = m_ui.lvDDFields->headerItem()->text(column);
    for (int i = 0; i < m_ui.lvDDFields->columnCount(); ++i) {
        if (m_ui.lvDDFields->headerItem()->text(i) == caption) {
            m_sortColumn = i;
            break;
        }
    }
    SortDDFields();
}

void TFormFieldSelect::PBRecordOKClick() {
    if (HasEnoughMatchedColumns(m_fieldPositions))
        accept();
    else
        ShowError(kTooFewMatchedColumnsMessage, "Verify");
}

void TFormFieldSelect::Button1Click() { reject(); }

}  // namespace lathwell::app
