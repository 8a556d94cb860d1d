#include "fieldsel.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <cstdlib>

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

QString Text(const char* pBytes) { return QString::fromLocal8Bit(pBytes); }

QTreeWidget* MakeList(QWidget* pParent, const char* pName, const QStringList& columns) {
    auto* pList = new QTreeWidget(pParent);
    pList->setObjectName(pName);
    pList->setRootIsDecorated(false);
    pList->setSelectionMode(QAbstractItemView::SingleSelection);
    pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pList->setHeaderLabels(columns);
    pList->header()->setStretchLastSection(false);
    pList->header()->setSectionsMovable(false);
    return pList;
}

}  // namespace

TFormFieldSelect::TFormFieldSelect(QWidget* pOwner, Prompter& prompter, bool bPopulationMode,
                                   MpVector<int16_t>& fieldPositions, const QString& sDDFile,
                                   const QString& sInputFile)
    : QDialog(pOwner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_prompter(prompter),
      m_sDDFile(sDDFile),
      m_sInputFile(sInputFile),
      m_bPopulationMode(bPopulationMode),
      m_fieldPositions(fieldPositions) {
    setObjectName("FormFieldSelect");
    setWindowTitle("Select Output Fields");
    setFont(DesignFont(8));

    Label2 = new QLabel(
        "Match each Input Field with an Output  Field  from the DD File.  All unmatched fields "
        "will be ignored.",
        this);
    Label2->setObjectName("Label2");
    Label2->setWordWrap(true);
    PlaceControl(Label2, 8, 8, 691, 30);

    PBRecordOK = new QPushButton("OK", this);
    PBRecordOK->setObjectName("PBRecordOK");
    PBRecordOK->setDefault(true);
    PlaceControl(PBRecordOK, 536, 449, 75, 25);
    Button1 = new QPushButton("Cancel", this);
    Button1->setObjectName("Button1");
    Button1->setAutoDefault(false);
    PlaceControl(Button1, 624, 449, 75, 25);

    lvFields = MakeList(this, "lvFields", {"Input Field", "Output Field"});
    lvFields->setColumnWidth(kInputField, kNameColumnWidth);
    lvFields->setColumnWidth(kOutputField, kNameColumnWidth);
    lvFields->header()->setSectionsClickable(false);
    PlaceControl(lvFields, 8, kListTop, 356, kListHeight);

    PBIgnore = new QPushButton("< Ignore", this);
    PBIgnore->setObjectName("PBIgnore");
    PBIgnore->setAutoDefault(false);
    PlaceControl(PBIgnore, 370, 212, 58, 25);
    PBUpdate = new QPushButton("< Update", this);
    PBUpdate->setObjectName("PBUpdate");
    PBUpdate->setAutoDefault(false);
    PlaceControl(PBUpdate, 370, 180, 58, 25);

    lvDDFields = MakeList(this, "lvDDFields", {"Available DD Fields", "Position", "Section"});
    lvDDFields->setColumnWidth(kDDName, kDDNameColumnWidth);
    lvDDFields->setColumnWidth(kDDPosition, kPositionColumnWidth);
    lvDDFields->header()->setMinimumSectionSize(kSectionColumnWidth);
    lvDDFields->setColumnWidth(kDDSection, kSectionColumnWidth);
    // Sorting is this dialog's own (by number for Position and Section), not the view's.
    lvDDFields->setSortingEnabled(false);
    lvDDFields->header()->setSectionsClickable(true);
    lvDDFields->header()->setSortIndicatorShown(false);
    PlaceControl(lvDDFields, 434, kListTop, 265, kListHeight);

    SetClientSize(this, kClientWidth, kClientHeight);

    connect(PBRecordOK, &QPushButton::clicked, this, &TFormFieldSelect::PBRecordOKClick);
    connect(Button1, &QPushButton::clicked, this, &TFormFieldSelect::Button1Click);
    connect(PBIgnore, &QPushButton::clicked, this, &TFormFieldSelect::PBIgnoreClick);
    connect(PBUpdate, &QPushButton::clicked, this, &TFormFieldSelect::PBUpdateClick);
    connect(lvFields, &QTreeWidget::itemClicked, this, &TFormFieldSelect::lvFieldsClick);
    connect(lvDDFields, &QTreeWidget::itemSelectionChanged, this,
            &TFormFieldSelect::lvDDFieldsSelectItem);
    connect(lvDDFields->header(), &QHeaderView::sectionClicked, this,
            &TFormFieldSelect::lvDDFieldsColumnClick);
}

int TFormFieldSelect::ShowModal() {
    // Activation comes once the dialog is shown, from inside its event loop; a failure must
    // not travel through the loop, so it is kept and raised after it.
    QMetaObject::invokeMethod(this, &TFormFieldSelect::Activate, Qt::QueuedConnection);
    const int iResult = exec();
    if (m_activationFailure) std::rethrow_exception(m_activationFailure);
    return iResult;
}

void TFormFieldSelect::Activate() {
    try {
        FormActivate();
    } catch (...) {
        m_activationFailure = std::current_exception();
        reject();
    }
}

void TFormFieldSelect::ShowError(const QString& sText, const char* pCaption) {
    m_prompter.ShowMessage(this, sText, pCaption);
}

void TFormFieldSelect::FormActivate() {
    DDFile ddFile(m_sDDFile.toLocal8Bit().constData());
    const bool bDDFileValid = IsUsableDDFile(ddFile);
    if (bDDFileValid) {
        for (const AvailableField& field : ddFile.GetAvailableFields(m_bPopulationMode)) {
            auto* pItem = new QTreeWidgetItem(lvDDFields);
            pItem->setText(kDDName, Text(field.shownName.GetCString()));
            pItem->setText(kDDPosition, Text(field.position.GetCString()));
            pItem->setText(kDDSection, QString::number(field.sectionIndex));
        }
        // The fields appear in ascending order of position.
        m_lSortColumn = kDDPosition;
        SortDDFields();
    } else {
        ShowError(kInvalidDDFileMessage);
    }

    const std::vector<ColumnHeader> headers =
        ReadCsvHeader(m_sInputFile.toLocal8Bit().constData()).columns;
    if (!IsUsableCsvHeader(headers)) {
        ShowError(kNotValidCsvFileMessage);
        return;
    }
    if (!bDDFileValid) return;

    for (const ColumnHeader& header : headers) {
        if (header.blank)
            ShowError(kBlankColumnHeaderMessage);
        new QTreeWidgetItem(lvFields, {Text(header.text.GetCString()), QString()});
    }
    // Columns the map already covers keep their entries; the others are matched by name
    // against the fields in the order they are listed.
    const size_t ulKnown = m_fieldPositions.size();
    const std::vector<AvailableField> fields = ListedFields();
    MatchNewColumns(headers, fields, m_fieldPositions);
    for (size_t i = 0; i < headers.size(); ++i) {
        const int16_t sEntry = m_fieldPositions[i];
        if (sEntry < 0) continue;
        QString sOutputField;
        if (i < ulKnown) {
            sOutputField = Text(ddFile.GetFieldName(sEntry).GetCString());
        } else {
            const auto match = std::find_if(fields.begin(), fields.end(),
                                            [sEntry](const AvailableField& field) {
                                                return field.sectionIndex == sEntry;
                                            });
            if (match != fields.end()) sOutputField = Text(match->shownName.GetCString());
        }
        lvFields->topLevelItem(static_cast<int>(i))->setText(kOutputField, sOutputField);
    }
}

std::vector<AvailableField> TFormFieldSelect::ListedFields() const {
    std::vector<AvailableField> fields;
    for (int i = 0; i < lvDDFields->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* pItem = lvDDFields->topLevelItem(i);
        AvailableField field;
        field.shownName = pItem->text(kDDName).toLocal8Bit().constData();
        field.position = pItem->text(kDDPosition).toLocal8Bit().constData();
        field.sectionIndex = pItem->text(kDDSection).toInt();
        fields.push_back(field);
    }
    return fields;
}

void TFormFieldSelect::SortDDFields() {
    std::vector<AvailableField> fields = ListedFields();
    SortAvailableFields(fields, static_cast<FieldListColumn>(m_lSortColumn));

    // Reordering is not a change of selection: the handlers must not hear of it.
    const QSignalBlocker blocker(lvDDFields);
    QTreeWidgetItem* pSelected = lvDDFields->selectedItems().value(0);
    QList<QTreeWidgetItem*> items;
    while (lvDDFields->topLevelItemCount() > 0) items << lvDDFields->takeTopLevelItem(0);
    for (const AvailableField& field : fields) {
        const QString sSection = QString::number(field.sectionIndex);
        const auto item = std::find_if(items.begin(), items.end(), [&](QTreeWidgetItem* pItem) {
            return pItem->text(kDDSection) == sSection;
        });
        lvDDFields->addTopLevelItem(*item);
        items.erase(item);
    }
    if (pSelected) pSelected->setSelected(true);
}

int TFormFieldSelect::SelectedColumn() const {
    const QList<QTreeWidgetItem*> selected = lvFields->selectedItems();
    return selected.size() == 1 ? lvFields->indexOfTopLevelItem(selected.first()) : -1;
}

void TFormFieldSelect::lvFieldsClick() {
    const int iColumn = SelectedColumn();
    if (iColumn < 0) return;
    const int16_t sEntry = m_fieldPositions[iColumn];
    if (sEntry >= 0) {
        const QString sSection = QString::number(sEntry);
        for (int i = 0; i < lvDDFields->topLevelItemCount(); ++i) {
            QTreeWidgetItem* pItem = lvDDFields->topLevelItem(i);
            if (pItem->text(kDDSection) == sSection) {
                lvDDFields->setCurrentItem(pItem);
                return;
            }
        }
    }
    lvDDFields->clearSelection();
}

void TFormFieldSelect::PBIgnoreClick() {
    const int iColumn = SelectedColumn();
    if (iColumn < 0) return;
    lvDDFields->clearSelection();
    lvFields->topLevelItem(iColumn)->setText(kOutputField, QString());
    m_fieldPositions[iColumn] = -1;
}

void TFormFieldSelect::PBUpdateClick() {
    const int iColumn = SelectedColumn();
    const QList<QTreeWidgetItem*> selectedFields = lvDDFields->selectedItems();
    if (iColumn < 0 || selectedFields.size() != 1) return;
    // A blank-header column can never be matched.
    QTreeWidgetItem* pColumn = lvFields->topLevelItem(iColumn);
    if (pColumn->text(kInputField) == kBlankColumnHeader) return;
    const QTreeWidgetItem* pField = selectedFields.first();
    m_fieldPositions[iColumn] = static_cast<int16_t>(
        std::atoi(pField->text(kDDSection).toLocal8Bit().constData()));
    pColumn->setText(kOutputField, pField->text(kDDName));
}

void TFormFieldSelect::lvDDFieldsSelectItem() {
    const int iColumn = SelectedColumn();
    if (iColumn < 0 || lvDDFields->selectedItems().size() != 1) return;
    // A column that already has a field changes only through "< Update" or "< Ignore".
    if (lvFields->topLevelItem(iColumn)->text(kOutputField).isEmpty()) PBUpdateClick();
}

void TFormFieldSelect::lvDDFieldsColumnClick(int iColumn) {
    const QString sCaption = lvDDFields->headerItem()->text(iColumn);
    for (int i = 0; i < lvDDFields->columnCount(); ++i) {
        if (lvDDFields->headerItem()->text(i) == sCaption) {
            m_lSortColumn = i;
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
