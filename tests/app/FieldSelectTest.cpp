// The field selection dialog: lists, automatic matching, Update/Ignore, sorting and OK's check.
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <filesystem>
#include <memory>

#include "FakePrompter.h"
#include "FindChild.h"
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

QStringList Column(const QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(column);
    return texts;
}

QList<int16_t> Entries(const MpVector<int16_t>& map) { return QList<int16_t>(map.begin(), map.end()); }

}  // namespace

class TestFieldSelect : public QObject {
    Q_OBJECT

private:
    FakePrompter m_prompter;
    std::unique_ptr<TempDir> m_dir;
    MpVector<int16_t> m_map;
    std::unique_ptr<TFormFieldSelect> m_dialog;

    // A dialog on the test DD file and a CSV file with this header line, activated.
    TFormFieldSelect& Open(const char* header, bool population = false,
                           const char* ddText = kDDFile) {
        const std::string csv = m_dir->Write("in.csv", std::string(header) + "\r\n1,2,3\r\n");
        // A null DD text names a DD file that does not exist.
        const std::string dd = ddText ? m_dir->Write("fields.dd", ddText) : m_dir->File("fields.dd");
        m_dialog = std::make_unique<TFormFieldSelect>(nullptr, m_prompter, population, m_map,
                                                       QString::fromStdString(dd),
                                                       QString::fromStdString(csv));
        m_dialog->show();
        m_dialog->FormActivate();
        return *m_dialog;
    }

    QTreeWidget* List(const char* name) const { return Child<QTreeWidget>(m_dialog.get(), name); }
    QPushButton* Button(const char* name) const { return Child<QPushButton>(m_dialog.get(), name); }
    QLabel* Label(const char* name) const { return Child<QLabel>(m_dialog.get(), name); }

    void ClickInputRow(int row) {
        QTreeWidget* list = List("lvFields");
        const QRect rect = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    void SelectDDField(const QString& name) {
        QTreeWidget* list = List("lvDDFields");
        const QList<QTreeWidgetItem*> found = list->findItems(name, Qt::MatchExactly, 0);
        QCOMPARE(found.size(), 1);
        list->setCurrentItem(found.first());
    }

    QString SelectedDDField() const {
        const QList<QTreeWidgetItem*> selected = List("lvDDFields")->selectedItems();
        return selected.isEmpty() ? QString() : selected.first()->text(0);
    }

    void ClickHeader(int column) {
        QHeaderView* header = List("lvDDFields")->header();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }

private slots:
    // The main window runs the library start-up before any dialog opens a DD file.
    void initTestCase() { MpLibraryStartup(); }
    void cleanupTestCase() { MpLibraryShutdown(); }

    void init() {
        m_prompter.Reset();
        m_dir = std::make_unique<TempDir>();
        m_map.clear();
    }
    void cleanup() {
        m_dialog.reset();
        m_dir.reset();
    }

    void DesignHasCaptionsAndColumns() {
        TFormFieldSelect& dialog = Open("Name,Age");
        QCOMPARE(dialog.windowTitle(), QString("Select Output Fields"));
        QCOMPARE(dialog.size(), QSize(707, 482));
        QCOMPARE(Label("Label2")->text(),
                 QString("Match each Input Field with an Output  Field  from the DD File.  All "
                         "unmatched fields will be ignored."));
        QCOMPARE(Button("PBRecordOK")->text(), QString("OK"));
        QVERIFY(Button("PBRecordOK")->isDefault());
        QCOMPARE(Button("Button1")->text(), QString("Cancel"));
        QCOMPARE(Button("PBIgnore")->text(), QString("< Ignore"));
        QCOMPARE(Button("PBUpdate")->text(), QString("< Update"));
        QCOMPARE(List("lvFields")->headerItem()->text(0), QString("Input Field"));
        QCOMPARE(List("lvFields")->headerItem()->text(1), QString("Output Field"));
        QCOMPARE(List("lvFields")->columnWidth(0), 176);
        QCOMPARE(List("lvFields")->columnWidth(1), 176);
        QCOMPARE(List("lvDDFields")->headerItem()->text(0), QString("Available DD Fields"));
        QCOMPARE(List("lvDDFields")->headerItem()->text(1), QString("Position"));
        QCOMPARE(List("lvDDFields")->headerItem()->text(2), QString("Section"));
        QCOMPARE(List("lvDDFields")->columnWidth(0), 194);
        QCOMPARE(List("lvDDFields")->columnWidth(2), 1);
        QCOMPARE(List("lvFields")->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(List("lvDDFields")->selectionMode(), QAbstractItemView::SingleSelection);
    }

    void FirstOpeningMatchesColumnsByName() {
        Open("Name,AGE");
        QCOMPARE(m_prompter.boxes.size(), 0);
        QCOMPARE(Column(List("lvFields"), 0), QStringList({"Name", "AGE"}));
        QCOMPARE(Column(List("lvFields"), 1), QStringList({"Name", "Age"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({1, 2}));
    }

    void MatchingIgnoresCaseAndTakesBlanksForUnderscores() {
        Open("date of birth,DATE_OF_BIRTH,Deaths (Cases),Deaths,\"Name\"");
        QCOMPARE(Column(List("lvFields"), 1),
                 QStringList({"Date Of Birth", "Date Of Birth", "Deaths (Cases)", "", ""}));
        QCOMPARE(Entries(m_map), QList<int16_t>({4, 4, 3, -1, -1}));
    }

    void OfferedFieldsAreSortedByPositionWithNAFirst() {
        TFormFieldSelect& dialog = Open("Name,Age");
        QCOMPARE(dialog.SortColumn(), 1);
        QCOMPARE(Column(List("lvDDFields"), 0),
                 QStringList({"Note", "Name", "Age", "Deaths (Cases)", "Date Of Birth"}));
        QCOMPARE(Column(List("lvDDFields"), 1), QStringList({"N/A", "1", "11", "14", "19"}));
        QCOMPARE(Column(List("lvDDFields"), 2), QStringList({"5", "1", "2", "3", "4"}));
    }

    void ClickingAColumnHeaderSortsByIt() {
        TFormFieldSelect& dialog = Open("Name,Age");
        SelectDDField("Age");
        ClickHeader(0);
        QCOMPARE(dialog.SortColumn(), 0);
        QCOMPARE(Column(List("lvDDFields"), 0),
                 QStringList({"Age", "Date Of Birth", "Deaths (Cases)", "Name", "Note"}));
        QCOMPARE(SelectedDDField(), QString("Age"));
        // The Section column is one pixel wide: too narrow to hit with the mouse.
        emit List("lvDDFields")->header()->sectionClicked(2);
        QCOMPARE(dialog.SortColumn(), 2);
        QCOMPARE(Column(List("lvDDFields"), 2), QStringList({"1", "2", "3", "4", "5"}));
        ClickHeader(1);
        QCOMPARE(Column(List("lvDDFields"), 1), QStringList({"N/A", "1", "11", "14", "19"}));
        // Sorting again by the same column keeps the ascending order.
        ClickHeader(1);
        QCOMPARE(Column(List("lvDDFields"), 1), QStringList({"N/A", "1", "11", "14", "19"}));
        QCOMPARE(SelectedDDField(), QString("Age"));
    }

    void PopulationModeOffersPopulationFields() {
        Open("Name,Age", true);
        QCOMPARE(Column(List("lvDDFields"), 0), QStringList({"Age"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({-1, 2}));
    }

    void BlankHeaderIsReportedOnceAndNeverMatched() {
        Open("Name, ,Age");
        QCOMPARE(m_prompter.boxes, QList<FakePrompter::Box>({{kBlankMessage, "Error"}}));
        QCOMPARE(Column(List("lvFields"), 0), QStringList({"Name", "<Blank>", "Age"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({1, -1, 2}));
        ClickInputRow(1);
        SelectDDField("Note");
        Button("PBUpdate")->click();
        QCOMPARE(Column(List("lvFields"), 1), QStringList({"Name", "", "Age"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({1, -1, 2}));
    }

    void EachBlankHeaderGetsItsOwnMessage() {
        Open(",Name,");
        QCOMPARE(m_prompter.boxes,
                 QList<FakePrompter::Box>({{kBlankMessage, "Error"}, {kBlankMessage, "Error"}}));
    }

    void OneColumnIsNoCsvFile() {
        Open("Name");
        QCOMPARE(m_prompter.boxes,
                 QList<FakePrompter::Box>({{"The Input File is not a valid CSV file.", "Error"}}));
        QCOMPARE(List("lvFields")->topLevelItemCount(), 0);
        QCOMPARE(List("lvDDFields")->topLevelItemCount(), 5);
        QVERIFY(m_map.empty());
    }

    void DDFileWithOneSectionIsRefusedAndTheHeaderStillRead() {
        Open("Name", false, "[FileInfo]\r\nRecordLength=40\r\n");
        QCOMPARE(m_prompter.boxes,
                 QList<FakePrompter::Box>({{"Invalid DD file.", "Error"},
                                           {"The Input File is not a valid CSV file.", "Error"}}));
        QCOMPARE(List("lvDDFields")->topLevelItemCount(), 0);
        QCOMPARE(List("lvFields")->topLevelItemCount(), 0);
        QVERIFY(m_map.empty());
    }

    void MissingDDFileIsCreatedEmptyAndRefused() {
        Open("Name,Age", false, nullptr);
        QCOMPARE(m_prompter.boxes, QList<FakePrompter::Box>({{"Invalid DD file.", "Error"}}));
        QVERIFY(std::filesystem::exists(m_dir->File("fields.dd")));
        QCOMPARE(std::filesystem::file_size(m_dir->File("fields.dd")), std::uintmax_t(0));
    }

    void DDFileWithOneSectionLeavesTheMapAlone() {
        Open("Name,Age", false, "[FileInfo]\r\nRecordLength=40\r\n");
        QCOMPARE(m_prompter.boxes, QList<FakePrompter::Box>({{"Invalid DD file.", "Error"}}));
        QCOMPARE(List("lvFields")->topLevelItemCount(), 0);
        QVERIFY(m_map.empty());
    }

    void SelectingAFieldMatchesAnUnmatchedColumnAtOnce() {
        Open("Name,Weight");
        ClickInputRow(1);
        QCOMPARE(SelectedDDField(), QString());
        SelectDDField("Note");
        QCOMPARE(Column(List("lvFields"), 1), QStringList({"Name", "Note"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({1, 5}));
        // A matched column changes only through "< Update".
        SelectDDField("Age");
        QCOMPARE(Entries(m_map), QList<int16_t>({1, 5}));
        Button("PBUpdate")->click();
        QCOMPARE(Column(List("lvFields"), 1), QStringList({"Name", "Age"}));
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
        Open("Name,Age");
        ClickInputRow(1);
        SelectDDField("Name");
        Button("PBUpdate")->click();
        QCOMPARE(Entries(m_map), QList<int16_t>({1, 1}));
    }

    void IgnoreEmptiesTheOutputFieldAndTheEntry() {
        Open("Name,Age");
        ClickInputRow(0);
        QCOMPARE(SelectedDDField(), QString("Name"));
        Button("PBIgnore")->click();
        QCOMPARE(SelectedDDField(), QString());
        QCOMPARE(Column(List("lvFields"), 1), QStringList({"", "Age"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({-1, 2}));
    }

    void HandlersWithoutASelectionDoNothing() {
        Open("Name,Age");
        Button("PBIgnore")->click();
        Button("PBUpdate")->click();
        QCOMPARE(Entries(m_map), QList<int16_t>({1, 2}));
    }

    void OkWithFewerThanTwoMatchesAsksToVerifyAndStaysOpen() {
        TFormFieldSelect& dialog = Open("Name,Weight");
        Button("PBRecordOK")->click();
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
        Button("PBRecordOK")->click();
        QCOMPARE(m_prompter.boxes.size(), 0);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void CancelKeepsTheChanges() {
        TFormFieldSelect& dialog = Open("Name,Age");
        ClickInputRow(0);
        Button("PBIgnore")->click();
        Button("Button1")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(Entries(m_map), QList<int16_t>({-1, 2}));
    }

    void ReopeningShowsTheSameMatchesWithoutSuffixes() {
        Open("Deaths (Cases),Age,Weight");
        QCOMPARE(Entries(m_map), QList<int16_t>({3, 2, -1}));
        m_map[1] = 4;  // as if "< Update" had chosen Date Of Birth
        m_dialog.reset();
        Open("Deaths (Cases),Age,Weight,Name");
        QCOMPARE(Column(List("lvFields"), 1), QStringList({"Deaths", "Date Of Birth", "", "Name"}));
        QCOMPARE(Entries(m_map), QList<int16_t>({3, 4, -1, 1}));
    }

    void ShowModalFillsTheListsOnceShown() {
        const std::string csv = m_dir->Write("in.csv", "Name,Age\r\n");
        const std::string dd = m_dir->Write("fields.dd", kDDFile);
        TFormFieldSelect dialog(nullptr, m_prompter, false, m_map, QString::fromStdString(dd),
                                QString::fromStdString(csv));
        int rows = -1;
        // Posted before the dialog's activation, this posts the check after it.
        QTimer::singleShot(0, &dialog, [&] {
            QTimer::singleShot(0, &dialog, [&] {
                rows = Child<QTreeWidget>(&dialog, "lvFields")->topLevelItemCount();
                Child<QPushButton>(&dialog, "Button1")->click();
            });
        });
        QCOMPARE(dialog.ShowModal(), int(QDialog::Rejected));
        QCOMPARE(rows, 2);
        QCOMPARE(Entries(m_map), QList<int16_t>({1, 2}));
    }

    void ShowModalRaisesAFailureOfTheActivation() {
        const std::string dd = m_dir->Write("fields.dd", kDDFile);
        TFormFieldSelect dialog(nullptr, m_prompter, false, m_map, QString::fromStdString(dd),
                                QString::fromStdString(m_dir->File("missing.csv")));
        bool raised = false;
        try {
            dialog.ShowModal();
        } catch (const MpException&) {
            raised = true;
        }
        QVERIFY(raised);
        QVERIFY(!dialog.isVisible());
    }
};

}  // namespace lathwell::app

QTEST_MAIN(lathwell::app::TestFieldSelect)
#include "FieldSelectTest.moc"
