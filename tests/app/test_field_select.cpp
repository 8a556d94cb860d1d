// The field selection dialog: lists, automatic matching, Update/Ignore, sorting and OK's check.
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

#include "FakePrompter.h"
#include "MpException.h"
#include "MpLibraryStartup.h"
#include "TempDir.h"
#include "fieldsel.h"

namespace lathwell::app {

namespace {

// Sections: 0 [FileInfo], 1 Name, 2 Age, 3 Deaths (count field), 4 Date Of Birth, 5 Note
// (no ByteOffset), 6 [Format=Age].
const char kDDFile[] =
    "[FileInfo]\r\n"
    "RecordLength=40\r\n"
    "PopRecordLength=20\r\n"
    "[Field1]\r\n"
    "FieldName=Name\r\n"
    "Length=10\r\n"
    "ByteOffset=1\r\n"
    "[Field2]\r\n"
    "FieldName=Age\r\n"
    "Length=3\r\n"
    "ByteOffset=11\r\n"
    "PopByteOffset=1\r\n"
    "[CountField3]\r\n"
    "FieldName=Deaths\r\n"
    "Length=5\r\n"
    "ByteOffset=14\r\n"
    "[Field4]\r\n"
    "FieldName=Date Of Birth\r\n"
    "Length=8\r\n"
    "ByteOffset=19\r\n"
    "[Field5]\r\n"
    "FieldName=Note\r\n"
    "Length=3\r\n"
    "[Format=Age]\r\n";

const QString kBlankMessage =
    "Blank Column Header found in input file. '<Blank>' used as field name.";

QStringList Column(const QTreeWidget* pList, int iColumn) {
    QStringList texts;
    for (int i = 0; i < pList->topLevelItemCount(); ++i) texts << pList->topLevelItem(i)->text(iColumn);
    return texts;
}

QList<int16_t> Entries(const MpVector<int16_t>& map) { return QList<int16_t>(map.begin(), map.end()); }

}  // namespace

class TestFieldSelect : public QObject {
    Q_OBJECT

private:
    FakePrompter m_prompter;
    std::unique_ptr<TempDir> m_pDir;
    MpVector<int16_t> m_map;
    std::unique_ptr<TFormFieldSelect> m_pDialog;

    // A dialog on the test DD file and a CSV file with this header line, activated.
    TFormFieldSelect& Open(const char* pHeader, bool bPopulation = false,
                           const char* pDD = kDDFile) {
        const std::string csv = m_pDir->Write("in.csv", std::string(pHeader) + "\r\n1,2,3\r\n");
        const std::string dd = m_pDir->Write("fields.dd", pDD);
        m_pDialog = std::make_unique<TFormFieldSelect>(nullptr, m_prompter, bPopulation, m_map,
                                                       QString::fromStdString(dd),
                                                       QString::fromStdString(csv));
        m_pDialog->show();
        m_pDialog->FormActivate();
        return *m_pDialog;
    }

    void ClickInputRow(int iRow) {
        QTreeWidget* pList = m_pDialog->lvFields;
        const QRect rect = pList->visualItemRect(pList->topLevelItem(iRow));
        QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, rect.center());
    }

    void SelectDDField(const QString& sName) {
        QTreeWidget* pList = m_pDialog->lvDDFields;
        const QList<QTreeWidgetItem*> found = pList->findItems(sName, Qt::MatchExactly, 0);
        QCOMPARE(found.size(), 1);
        pList->setCurrentItem(found.first());
    }

    QString SelectedDDField() const {
        const QList<QTreeWidgetItem*> selected = m_pDialog->lvDDFields->selectedItems();
        return selected.isEmpty() ? QString() : selected.first()->text(0);
    }

    void ClickHeader(int iColumn) {
        QHeaderView* pHeader = m_pDialog->lvDDFields->header();
        const int iX = pHeader->sectionViewportPosition(iColumn) + pHeader->sectionSize(iColumn) / 2;
        QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, QPoint(iX, pHeader->height() / 2));
    }

private slots:
    // The main window runs the library start-up before any dialog opens a DD file.
    void initTestCase() { MpLibraryStartup(); }
    void cleanupTestCase() { MpLibraryShutdown(); }

    void init() {
        m_prompter.Reset();
        m_pDir = std::make_unique<TempDir>();
        m_map.clear();
    }
    void cleanup() {
        m_pDialog.reset();
        m_pDir.reset();
    }

    void DesignHasCaptionsAndColumns() {
        TFormFieldSelect& dialog = Open("Name,Age");
        QCOMPARE(dialog.windowTitle(), QString("Select Output Fields"));
        QCOMPARE(dialog.size(), QSize(707, 482));
        QCOMPARE(dialog.Label2->text(),
                 QString("Match each Input Field with an Output  Field  from the DD File.  All "
                         "unmatched fields will be ignored."));
        QCOMPARE(dialog.PBRecordOK->text(), QString("OK"));
        QVERIFY(dialog.PBRecordOK->isDefault());
        QCOMPARE(dialog.Button1->text(), QString("Cancel"));
        QCOMPARE(dialog.PBIgnore->text(), QString("< Ignore"));
        QCOMPARE(dialog.PBUpdate->text(), QString("< Update"));
        QCOMPARE(dialog.lvFields->headerItem()->text(0), QString("Input Field"));
        QCOMPARE(dialog.lvFields->headerItem()->text(1), QString("Output Field"));
        QCOMPARE(dialog.lvFields->columnWidth(0), 176);
        QCOMPARE(dialog.lvFields->columnWidth(1), 176);
        QCOMPARE(dialog.lvDDFields->headerItem()->text(0), QString("Available DD Fields"));
        QCOMPARE(dialog.lvDDFields->headerItem()->text(1), QString("Position"));
        QCOMPARE(dialog.lvDDFields->headerItem()->text(2), QString("Section"));
        QCOMPARE(dialog.lvDDFields->columnWidth(0), 194);
        QCOMPARE(dialog.lvDDFields->columnWidth(2), 1);
        QCOMPARE(dialog.lvFields->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(dialog.lvDDFields->selectionMode(), QAbstractItemView::SingleSelection);
    }

    void FirstOpeningMatchesColumnsByName() {
        TFormFieldSelect& dialog = Open("Name,AGE");
        QCOMPARE(m_prompter.boxes.size(), 0);
        QCOMPARE(Column(dialog.lvFields, 0), QStringList({"Name", "AGE"}));
        QCOMPARE(Column(dialog.lvFields, 1), QStringList({"Name", "Age"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({1, 2}));
    }

    void MatchingIgnoresCaseAndTakesBlanksForUnderscores() {
        Open("date of birth,DATE_OF_BIRTH,Deaths (Cases),Deaths,\"Name\"");
        QCOMPARE(Column(m_pDialog->lvFields, 1),
                 QStringList({"Date Of Birth", "Date Of Birth", "Deaths (Cases)", "", ""}));
        QCOMPARE(Entries(m_map), QList<int16_t>({4, 4, 3, -1, -1}));
    }

    void OfferedFieldsAreSortedByPositionWithNAFirst() {
        TFormFieldSelect& dialog = Open("Name,Age");
        QCOMPARE(dialog.SortColumn(), 1);
        QCOMPARE(Column(dialog.lvDDFields, 0),
                 QStringList({"Note", "Name", "Age", "Deaths (Cases)", "Date Of Birth"}));
        QCOMPARE(Column(dialog.lvDDFields, 1), QStringList({"N/A", "1", "11", "14", "19"}));
        QCOMPARE(Column(dialog.lvDDFields, 2), QStringList({"5", "1", "2", "3", "4"}));
    }

    void ClickingAColumnHeaderSortsByIt() {
        TFormFieldSelect& dialog = Open("Name,Age");
        SelectDDField("Age");
        ClickHeader(0);
        QCOMPARE(dialog.SortColumn(), 0);
        QCOMPARE(Column(dialog.lvDDFields, 0),
                 QStringList({"Age", "Date Of Birth", "Deaths (Cases)", "Name", "Note"}));
        QCOMPARE(SelectedDDField(), QString("Age"));
        // The Section column is one pixel wide: too narrow to hit with the mouse.
        emit dialog.lvDDFields->header()->sectionClicked(2);
        QCOMPARE(dialog.SortColumn(), 2);
        QCOMPARE(Column(dialog.lvDDFields, 2), QStringList({"1", "2", "3", "4", "5"}));
        ClickHeader(1);
        QCOMPARE(Column(dialog.lvDDFields, 1), QStringList({"N/A", "1", "11", "14", "19"}));
        // Sorting again by the same column keeps the ascending order.
        ClickHeader(1);
        QCOMPARE(Column(dialog.lvDDFields, 1), QStringList({"N/A", "1", "11", "14", "19"}));
        QCOMPARE(SelectedDDField(), QString("Age"));
    }

    void PopulationModeOffersPopulationFields() {
        TFormFieldSelect& dialog = Open("Name,Age", true);
        QCOMPARE(Column(dialog.lvDDFields, 0), QStringList({"Age"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({-1, 2}));
    }

    void BlankHeaderIsReportedOnceAndNeverMatched() {
        TFormFieldSelect& dialog = Open("Name, ,Age");
        QCOMPARE(m_prompter.boxes, QList<FakePrompter::Box>({{kBlankMessage, "Error"}}));
        QCOMPARE(Column(dialog.lvFields, 0), QStringList({"Name", "<Blank>", "Age"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({1, -1, 2}));
        ClickInputRow(1);
        SelectDDField("Note");
        dialog.PBUpdate->click();
        QCOMPARE(Column(dialog.lvFields, 1), QStringList({"Name", "", "Age"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({1, -1, 2}));
    }

    void EachBlankHeaderGetsItsOwnMessage() {
        Open(",Name,");
        QCOMPARE(m_prompter.boxes,
                 QList<FakePrompter::Box>({{kBlankMessage, "Error"}, {kBlankMessage, "Error"}}));
    }

    void OneColumnIsNoCsvFile() {
        TFormFieldSelect& dialog = Open("Name");
        QCOMPARE(m_prompter.boxes,
                 QList<FakePrompter::Box>({{"The Input File is not a valid CSV file.", "Error"}}));
        QCOMPARE(dialog.lvFields->topLevelItemCount(), 0);
        QCOMPARE(dialog.lvDDFields->topLevelItemCount(), 5);
        QVERIFY(m_map.empty());
    }

    void DDFileWithOneSectionIsRefusedAndTheHeaderStillRead() {
        TFormFieldSelect& dialog = Open("Name", false, "[FileInfo]\r\nRecordLength=40\r\n");
        QCOMPARE(m_prompter.boxes,
                 QList<FakePrompter::Box>({{"Invalid DD file.", "Error"},
                                           {"The Input File is not a valid CSV file.", "Error"}}));
        QCOMPARE(dialog.lvDDFields->topLevelItemCount(), 0);
        QCOMPARE(dialog.lvFields->topLevelItemCount(), 0);
        QVERIFY(m_map.empty());
    }

    void DDFileWithOneSectionLeavesTheMapAlone() {
        Open("Name,Age", false, "[FileInfo]\r\nRecordLength=40\r\n");
        QCOMPARE(m_prompter.boxes, QList<FakePrompter::Box>({{"Invalid DD file.", "Error"}}));
        QCOMPARE(m_pDialog->lvFields->topLevelItemCount(), 0);
        QVERIFY(m_map.empty());
    }

    void SelectingAFieldMatchesAnUnmatchedColumnAtOnce() {
        TFormFieldSelect& dialog = Open("Name,Weight");
        ClickInputRow(1);
        QCOMPARE(SelectedDDField(), QString());
        SelectDDField("Note");
        QCOMPARE(Column(dialog.lvFields, 1), QStringList({"Name", "Note"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({1, 5}));
        // A matched column changes only through "< Update".
        SelectDDField("Age");
        QCOMPARE(Entries(m_map), QList<int16_t>({1, 5}));
        dialog.PBUpdate->click();
        QCOMPARE(Column(dialog.lvFields, 1), QStringList({"Name", "Age"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({1, 2}));
    }

    void ClickingAMatchedColumnSelectsItsField() {
        Open("Name,Age,Weight");
        ClickInputRow(1);
        QCOMPARE(SelectedDDField(), QString("Age"));
        ClickInputRow(0);
        QCOMPARE(SelectedDDField(), QString("Name"));
        ClickInputRow(2);
        QCOMPARE(SelectedDDField(), QString());
    }

    void OneFieldMayFeedSeveralColumns() {
        TFormFieldSelect& dialog = Open("Name,Age");
        ClickInputRow(1);
        SelectDDField("Name");
        dialog.PBUpdate->click();
        QCOMPARE(Entries(m_map), QList<int16_t>({1, 1}));
    }

    void IgnoreEmptiesTheOutputFieldAndTheEntry() {
        TFormFieldSelect& dialog = Open("Name,Age");
        ClickInputRow(0);
        QCOMPARE(SelectedDDField(), QString("Name"));
        dialog.PBIgnore->click();
        QCOMPARE(SelectedDDField(), QString());
        QCOMPARE(Column(dialog.lvFields, 1), QStringList({"", "Age"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({-1, 2}));
    }

    void HandlersWithoutASelectionDoNothing() {
        TFormFieldSelect& dialog = Open("Name,Age");
        dialog.PBIgnore->click();
        dialog.PBUpdate->click();
        QCOMPARE(Entries(m_map), QList<int16_t>({1, 2}));
    }

    void OkWithFewerThanTwoMatchesAsksToVerifyAndStaysOpen() {
        TFormFieldSelect& dialog = Open("Name,Weight");
        dialog.PBRecordOK->click();
        QCOMPARE(m_prompter.boxes,
                 QList<FakePrompter::Box>(
                     {{"At least two fields in the Input File must be matched with corresponding "
                       "fields from the DD File.",
                       "Verify"}}));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void OkWithTwoMatchesCloses() {
        TFormFieldSelect& dialog = Open("Name,Age");
        dialog.PBRecordOK->click();
        QCOMPARE(m_prompter.boxes.size(), 0);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void CancelKeepsTheChanges() {
        TFormFieldSelect& dialog = Open("Name,Age");
        ClickInputRow(0);
        dialog.PBIgnore->click();
        dialog.Button1->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(Entries(m_map), QList<int16_t>({-1, 2}));
    }

    void ReopeningShowsTheSameMatchesWithoutSuffixes() {
        Open("Deaths (Cases),Age,Weight");
        QCOMPARE(Entries(m_map), QList<int16_t>({3, 2, -1}));
        m_map[1] = 4;  // as if "< Update" had chosen Date Of Birth
        m_pDialog.reset();
        TFormFieldSelect& dialog = Open("Deaths (Cases),Age,Weight,Name");
        QCOMPARE(Column(dialog.lvFields, 1), QStringList({"Deaths", "Date Of Birth", "", "Name"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({3, 4, -1, 1}));
    }

    void ShowModalFillsTheListsOnceShown() {
        const std::string csv = m_pDir->Write("in.csv", "Name,Age\r\n");
        const std::string dd = m_pDir->Write("fields.dd", kDDFile);
        TFormFieldSelect dialog(nullptr, m_prompter, false, m_map, QString::fromStdString(dd),
                                QString::fromStdString(csv));
        int iRows = -1;
        // Posted before the dialog's activation, this posts the check after it.
        QTimer::singleShot(0, &dialog, [&] {
            QTimer::singleShot(0, &dialog, [&] {
                iRows = dialog.lvFields->topLevelItemCount();
                dialog.Button1->click();
            });
        });
        QCOMPARE(dialog.ShowModal(), int(QDialog::Rejected));
        QCOMPARE(iRows, 2);
        QCOMPARE(Entries(m_map), QList<int16_t>({1, 2}));
    }

    void ShowModalRaisesAFailureOfTheActivation() {
        const std::string dd = m_pDir->Write("fields.dd", kDDFile);
        TFormFieldSelect dialog(nullptr, m_prompter, false, m_map, QString::fromStdString(dd),
                                QString::fromStdString(m_pDir->File("missing.csv")));
        bool bRaised = false;
        try {
            dialog.ShowModal();
        } catch (const MpException&) {
            bRaised = true;
        }
        QVERIFY(bRaised);
        QVERIFY(!dialog.isVisible());
    }
};

}  // namespace lathwell::app

QTEST_MAIN(lathwell::app::TestFieldSelect)
#include "test_field_select.moc"
