#include "report.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

#include "DesignLayout.h"
#include "ResultCaptions.h"
#include "ThousandsSeparators.h"

namespace lathwell::app {

namespace {

constexpr int kClientWidth = 477;
// The designed window heights are outer heights; the title bar and the borders took 37 pixels.
constexpr int kNonClientHeight = 37;
constexpr int kProgressHeight = 120 - kNonClientHeight;
constexpr int kResultsHeight = 244 - kNonClientHeight;
constexpr int kButtonTopProgress = 57;
constexpr int kButtonTopResults = 178;
// Room kept between the panel's widest label and the window's right edge.
constexpr int kPanelMargin = 8;
// The warning list below the results: its height, and the margin around it.
constexpr int kWarningListHeight = 120;

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, const QFont& font,
                  Qt::Alignment alignment, int left, int top, int width, int height) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setFont(font);
    label->setAlignment(alignment | Qt::AlignTop);
    PlaceControl(label, left, top, width, height);
    return label;
}

// Every number of the results: "%ld", then thousands separators.
QString FormatCount(int32_t value) {
    return QString::fromLatin1(FormatWithThousandsSeparators(value).GetCString());
}

}  // namespace

TFormReport::TFormReport(QWidget* mainWindow)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_mainWindow(mainWindow) {
    setObjectName("FormReport");
    setWindowTitle("Processed Results");
    setFont(DesignFont(8));

    const QFont panelFont = DesignFont(10);
    QFont underlined = panelFont;
    underlined.setUnderline(true);
    const Qt::Alignment right = Qt::AlignRight;
    const Qt::Alignment left = Qt::AlignLeft;

    // Declaration order of the design.
    m_ui.Panel1 = new QFrame(this);
    m_ui.Panel1->setObjectName("Panel1");
    m_ui.Panel1->setFrameShape(QFrame::NoFrame);
    m_ui.Panel1->setGeometry(0, 0, kClientWidth, 160);
    m_ui.LBNumRecs = MakeLabel(m_ui.Panel1, "LBNumRecs", "00,000,000", panelFont, right, 128, 44, 84, 16);
    m_ui.LBMinLRECL = MakeLabel(m_ui.Panel1, "LBMinLRECL", "000", panelFont, right, 162, 69, 50, 16);
    m_ui.LBMaxLRECL = MakeLabel(m_ui.Panel1, "LBMaxLRECL", "000", panelFont, right, 162, 94, 50, 16);
    m_ui.LBNumPadded = MakeLabel(m_ui.Panel1, "LBNumPadded", "000", panelFont, right, 404, 94, 62, 16);
    m_ui.LBNumTruncated = MakeLabel(m_ui.Panel1, "LBNumTruncated", "000", panelFont, right, 404, 69, 62, 16);
    m_ui.LBNumRecsEdited =
        MakeLabel(m_ui.Panel1, "LBNumRecsEdited", "00,000,000", panelFont, right, 382, 44, 84, 16);
    m_ui.Label1 = MakeLabel(m_ui.Panel1, "Label1", kInputFileHeading, underlined, left, 8, 12, 56, 16);
    m_ui.LabelOutFile = MakeLabel(m_ui.Panel1, "LabelOutFile", "Output File:", underlined, left, 278, 12, 66, 16);

    m_ui.PBReportOK = new QPushButton("Close", this);
    m_ui.PBReportOK->setObjectName("PBReportOK");
    PlaceControl(m_ui.PBReportOK, 202, 169, 75, 25);
    connect(m_ui.PBReportOK, &QPushButton::clicked, this, &TFormReport::PBReportOKClick);

    m_ui.pbStatus = new QProgressBar(this);
    m_ui.pbStatus->setObjectName("pbStatus");
    m_ui.pbStatus->setRange(0, 100);
    m_ui.pbStatus->setValue(0);
    m_ui.pbStatus->setTextVisible(false);
    PlaceControl(m_ui.pbStatus, 19, 16, 437, 27);

    m_ui.LBNumAsciiFixed = MakeLabel(m_ui.Panel1, "LBNumAsciiFixed", "000", panelFont, right, 404, 136, 62, 16);
    m_ui.LBNumEmpty = MakeLabel(m_ui.Panel1, "LBNumEmpty", "000", panelFont, right, 162, 136, 50, 16);
    const QLabel* staticText1 =
        MakeLabel(m_ui.Panel1, "StaticText1", CaptionOf(&RunStatistics::LinesProcessed).caption, panelFont, left, 7, 43, 108, 20);
    const QLabel* staticText2 =
        MakeLabel(m_ui.Panel1, "StaticText2", CaptionOf(&RunStatistics::MinRecordLength).caption, panelFont, left, 7, 68, 151, 20);
    const QLabel* staticText3 =
        MakeLabel(m_ui.Panel1, "StaticText3", CaptionOf(&RunStatistics::MaxRecordLength).caption, panelFont, left, 7, 94, 155, 20);
    MakeLabel(m_ui.Panel1, "StaticText4", CaptionOf(&RunStatistics::EmptyRecordsSkipped).firstLine, panelFont, left, 8, 122, 151, 20);
    const QLabel* staticText5 =
        MakeLabel(m_ui.Panel1, "StaticText5", CaptionOf(&RunStatistics::RecordsEdited).caption, panelFont, left, 278, 44, 101, 20);
    const QLabel* staticText6 =
        MakeLabel(m_ui.Panel1, "StaticText6", CaptionOf(&RunStatistics::LinesTruncated).caption, panelFont, left, 278, 69, 103, 20);
    const QLabel* staticText7 =
        MakeLabel(m_ui.Panel1, "StaticText7", CaptionOf(&RunStatistics::LinesPadded).caption, panelFont, left, 278, 94, 91, 20);
    MakeLabel(m_ui.Panel1, "StaticText8", CaptionOf(&RunStatistics::LinesAsciiFixed).firstLine, panelFont, left, 278, 120, 123, 20);
    const QLabel* staticText9 =
        MakeLabel(m_ui.Panel1, "StaticText9", CaptionOf(&RunStatistics::LinesAsciiFixed).caption, panelFont, left, 278, 137, 127, 20);
    const QLabel* staticText10 =
        MakeLabel(m_ui.Panel1, "StaticText10", CaptionOf(&RunStatistics::EmptyRecordsSkipped).caption, panelFont, left, 8, 137, 97, 20);
    m_leftCaptions = {staticText1, staticText2, staticText3, staticText10};
    m_rightCaptions = {staticText5, staticText6, staticText7, staticText9};

    SetClientHeight(kResultsHeight);
}

void TFormReport::SetProgressLayout(int maximum) {
    setWindowTitle("Processing File");
    m_ui.Panel1->hide();
    m_ui.pbStatus->setRange(0, maximum);
    m_ui.pbStatus->setValue(0);
    m_ui.pbStatus->show();
    m_ui.PBReportOK->setText("Cancel");
    m_ui.PBReportOK->move(m_ui.PBReportOK->x(), kButtonTopProgress);
    SetClientHeight(kProgressHeight);
}

void TFormReport::SetResultsLayout() {
    setWindowTitle("Processed Results");
    m_ui.pbStatus->hide();
    m_ui.Panel1->show();
    m_ui.PBReportOK->setText("Close");
    m_ui.PBReportOK->move(m_ui.PBReportOK->x(), kButtonTopResults);
    const bool warned = m_warningList != nullptr && !m_warningList->toPlainText().isEmpty();
    if (m_warningList != nullptr) m_warningList->setVisible(warned);
    SetClientHeight(warned ? kResultsHeight + kWarningListHeight + kPanelMargin : kResultsHeight);
}

void TFormReport::SetWarnings(const QStringList& warnings) {
    if (m_warningList == nullptr) {
        m_warningList = new QPlainTextEdit(this);
        m_warningList->setObjectName("WarningList");
        m_warningList->setReadOnly(true);
        m_warningList->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_warningList->setGeometry(kPanelMargin, kResultsHeight, kClientWidth - 2 * kPanelMargin, kWarningListHeight);
        m_warningList->hide();
    }
    m_warningList->setPlainText(warnings.join('\n'));
}

void TFormReport::SetResults(int32_t recordLength, const RunStatistics& statistics) {
    SetFittedText(m_ui.LabelOutFile, QString::fromLatin1(OutputFileHeading(recordLength).GetCString()));
    m_ui.LBNumRecs->setText(FormatCount(statistics.LinesProcessed));
    m_ui.LBNumRecsEdited->setText(FormatCount(statistics.RecordsEdited));
    m_ui.LBMinLRECL->setText(FormatCount(statistics.MinRecordLength));
    m_ui.LBMaxLRECL->setText(FormatCount(statistics.MaxRecordLength));
    m_ui.LBNumTruncated->setText(FormatCount(statistics.LinesTruncated));
    m_ui.LBNumPadded->setText(FormatCount(statistics.LinesPadded));
    m_ui.LBNumEmpty->setText(FormatCount(statistics.EmptyRecordsSkipped));
    m_ui.LBNumAsciiFixed->setText(FormatCount(statistics.LinesAsciiFixed));
    // Long numbers must neither be cut nor run into their captions.
    AlignCountColumn({m_ui.LBNumRecs, m_ui.LBMinLRECL, m_ui.LBMaxLRECL, m_ui.LBNumEmpty}, m_leftCaptions);
    AlignCountColumn({m_ui.LBNumRecsEdited, m_ui.LBNumTruncated, m_ui.LBNumPadded, m_ui.LBNumAsciiFixed},
                     m_rightCaptions);
    int panelWidth = kClientWidth;
    for (const QWidget* child : m_ui.Panel1->findChildren<QWidget*>())
        panelWidth = std::max(panelWidth, child->geometry().right() + 1 + kPanelMargin);
    m_ui.Panel1->resize(panelWidth, m_ui.Panel1->height());
    SetClientHeight(height());
}

void TFormReport::SetProgressMaximum(int maximum) {
    m_ui.pbStatus->setRange(0, maximum);
    m_ui.pbStatus->setValue(0);
}

void TFormReport::SetProgressPosition(int position) {
    m_ui.pbStatus->setValue(std::min(position, m_ui.pbStatus->maximum()));
}

void TFormReport::PBReportOKClick() {
    m_mainWindow->setEnabled(true);
    if (m_ui.PBReportOK->text() == "Close")
        hide();
    else
        m_cancelled = true;
}

void TFormReport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        CentreOnScreen(this);
        FormShow();
    }
}

void TFormReport::closeEvent(QCloseEvent* event) { event->ignore(); }

void TFormReport::FormShow() { m_cancelled = false; }

void TFormReport::SetClientHeight(int height) { SetClientSize(this, kClientWidth, height); }

}  // namespace lathwell::app
