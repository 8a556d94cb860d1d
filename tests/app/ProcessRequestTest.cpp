// The Process command's checks without the window: every refusal, its words and its control.
#include <QtTest>
#include <filesystem>
#include <string>
#include <variant>

#include "CsvReadiness.h"
#include "ProcessRequest.h"
#include "TempDir.h"

namespace lathwell::app {

class TestProcessRequest : public QObject {
    Q_OBJECT

private slots:
    void RefusalsNameTheirMessageAndControl() {
        TempDir dir;
        const QString in = Q(dir.Write("in.txt", "abcdef\n"));
        const QString csv = Q(dir.Write("in.csv", "a,b,c,d\r\nBob,42,x,y\r\n"));
        const QString badCsv = Q(dir.Write("bad.csv", "Name\rAge\r\n"));
        const QString dd = Q(dir.Write("fields.dd", "[FileInfo]\r\nRecordLength=20\r\n"));
        std::filesystem::create_symlink(dir.File("in.txt"), dir.File("link.txt"));
        const QString same = "Output File and Input File are the same";
        const QString unusedDD = "unused.dd";
        const std::string overlong(5000, 'o');
        const QString folder = Q(dir.Path().string());
        const struct {
            ProcessBoxes boxes;
            QString message;
            ProcessFocus focus;
        } cases[] = {
            {{"", "", "", "", false, false, false, {}}, "Input File Not Selected", ProcessFocus::InputFile},
            {{"in.txt", "", "", "", false, false, false, {}},
             "Output File Not Selected",
             ProcessFocus::OutputFile},
            {{"in.csv", "out.txd", "", "", true, false, false, {}},
             "DD File Not Selected",
             ProcessFocus::DDFile},
            {{folder + "/none.txt", "out.txd", "", "5", false, false, false, {}},
             "Input File Does Not Exist",
             ProcessFocus::InputFile},
            {{in, QString(in).replace("in.txt", "IN.TXT"), "", "5", false, false, false, {}},
             same,
             ProcessFocus::OutputFile},
            {{in, "out.txd", "", "", false, false, false, {}},
             "Please specify a record length",
             ProcessFocus::OutputFile},
            {{in, "out.txd", "", "0", false, false, false, {}},
             "Please specify a record length",
             ProcessFocus::OutputFile},
            {{in, "out.txd", "", ".5", false, false, false, {}},
             "Please specify a record length",
             ProcessFocus::OutputFile},
            {{csv, "out.txd", dd, "20", true, false, false, {}},
             "You must first set field positions based on the selected DD file",
             ProcessFocus::FieldPositions},
            {{csv, "out.txd", dd, "20", true, false, false, {1, 2, -1, -1, -1}},
             "Field positions not set.  You must set field positions based on the selected DD file.",
             ProcessFocus::FieldPositions},
            {{csv, "out.txd", dd, "20", true, false, false, {-1, 2, -1, -1}},
             kTooFewMatchedColumnsForRunMessage,
             ProcessFocus::FieldPositions},
            {{badCsv, "out.txd", dd, "20", true, false, false, {1, 2}},
             "Return character not followed by newline; unknown end of line type",
             ProcessFocus::InputFile},
            {{in, Q(overlong + ".txd"), "", "5", false, false, false, {}},
             Q("Could not get full path name of \"" + overlong + ".txd\" -- File name too long"),
             ProcessFocus::OutputFile},
            // A text input in CSV mode: ".csv" is added first.
            {{in, Q(overlong), unusedDD, "5", true, false, false, {}},
             Q("Could not get full path name of \"" + overlong + ".csv\" -- File name too long"),
             ProcessFocus::OutputFile},
            {{in, "in.txt", "", "3", false, false, false, {}}, same, ProcessFocus::OutputFile},
            {{in, folder + "/./in.txt", "", "3", false, false, false, {}}, same, ProcessFocus::OutputFile},
            {{in, "link.txt", "", "3", false, false, false, {}}, same, ProcessFocus::OutputFile},
            {{csv, "fields.dd", dd, "20", true, false, false, {1, 2, -1, -1}},
             same,
             ProcessFocus::OutputFile},
        };
        for (const auto& c : cases) {
            const auto request = MakeProcessRequest(c.boxes);
            const ProcessRefusal* refusal = std::get_if<ProcessRefusal>(&request);
            QVERIFY2(refusal != nullptr, qPrintable("not refused: " + c.message));
            QCOMPARE(refusal->message, c.message);
            QCOMPARE(refusal->focus, c.focus);
        }
        QCOMPARE(TempDir::Read(dir.File("in.txt")), std::string("abcdef\n"));
    }

    void PreparationRefusalsInTheWindowsWords() {
        const struct {
            RunCheck check;
            const char* message;
            std::optional<ProcessRefusal> shown;
        } cases[] = {
            {RunCheck::InputIsFolder, "Input File is a folder, not a file",
             ProcessRefusal{"Input File is a folder, not a file", ProcessFocus::InputFile}},
            {RunCheck::OutputIsInput, "Output File and Input File are the same",
             ProcessRefusal{"Output File and Input File are the same", ProcessFocus::OutputFile}},
            {RunCheck::OutputIsDDFile, "Output File and DD File are the same",
             ProcessRefusal{"Output File and Input File are the same", ProcessFocus::OutputFile}},
            {RunCheck::OutputInUse, "Output File \"o\" is in use by another program",
             ProcessRefusal{"Output File \"o\" is in use by another program", ProcessFocus::OutputFile}},
            {RunCheck::OutputExists, "Output File \"o\" already exists",
             ProcessRefusal{"Output File \"o\" already exists", ProcessFocus::OutputFile}},
            {RunCheck::OutputNotOpened, "Error in opening file 'o'.  No such file or directory.",
             ProcessRefusal{"Invalid File Name for Output File", ProcessFocus::OutputFile}},
            // The run's own failures are shown by its report window.
            {RunCheck::DDFile, "Invalid DD File", std::nullopt},
            {RunCheck::HeaderNotRead, "Reading \"in.csv\" failed -- Input/output error", std::nullopt},
        };
        for (const auto& c : cases) {
            const std::optional<ProcessRefusal> shown =
                WindowRefusal(RunRefusal(c.check, RunFile::None, c.message));
            QCOMPARE(shown.has_value(), c.shown.has_value());
            if (!shown) continue;
            QCOMPARE(shown->message, c.shown->message);
            QCOMPARE(shown->focus, c.shown->focus);
        }
    }

private:
    static QString Q(const std::string& text) { return QString::fromStdString(text); }
};

}  // namespace lathwell::app

QTEST_GUILESS_MAIN(lathwell::app::TestProcessRequest)
#include "ProcessRequestTest.moc"
