#include "report.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
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

QLabel* MakeLabel(QWidget* pParent, const char* pName, const char* pCaption, const QFont& font,
                  Qt::Alignment alignment, int iLeft, int iTop, int iWidth, int iHeight) {
    auto* pLabel = new QLabel(pCaption, pParent);
    pLabel->setObjectName(pName);
    pLabel->setFont(font);
    pLabel->setAlignment(alignment | Qt::AlignTop);
    PlaceControl(pLabel, iLeft, iTop, iWidth, iHeight);
    return pLabel;
}

// Every number of the results: "%ld", then thousands separators.
QString FormatCount(int32_t lValue) {
    return QString::fromLatin1(FormatWithThousandsSeparators(lValue).GetCString());
}

}  // namespace

TFormReport::TFormReport(QWidget* pMainWindow)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_pMainWindow(pMainWindow) {
    setObjectName("FormReport");
    setWindowTitle("Processed Results");
    setFont(DesignFont(8));

    const QFont panelFont = DesignFont(10);
    QFont underlined = panelFont;
    underlined.setUnderline(true);
    const Qt::Alignment right = Qt::AlignRight;
    const Qt::Alignment left = Qt::AlignLeft;

    // Declaration order of the design.
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setGeometry(0, 0, kClientWidth, 160);
    LBNumRecs = MakeLabel(Panel1, "LBNumRecs", "00,000,000", panelFont, right, 128, 44, 84, 16);
    LBMinLRECL = MakeLabel(Panel1, "LBMinLRECL", "000", panelFont, right, 162, 69, 50, 16);
    LBMaxLRECL = MakeLabel(Panel1, "LBMaxLRECL", "000", panelFont, right, 162, 94, 50, 16);
    LBNumPadded = MakeLabel(Panel1, "LBNumPadded", "000", panelFont, right, 404, 94, 62, 16);
    LBNumTruncated = MakeLabel(Panel1, "LBNumTruncated", "000", panelFont, right, 404, 69, 62, 16);
    LBNumRecsEdited =
        MakeLabel(Panel1, "LBNumRecsEdited", "00,000,000", panelFont, right, 382, 44, 84, 16);
    Label1 = MakeLabel(Panel1, "Label1", kInputFileHeading, underlined, left, 8, 12, 56, 16);
    LabelOutFile = MakeLabel(Panel1, "LabelOutFile", "Output File:", underlined, left, 278, 12, 66, 16);

    PBReportOK = new QPushButton("Close", this);
    PBReportOK->setObjectName("PBReportOK");
    PlaceControl(PBReportOK, 202, 169, 75, 25);
    connect(PBReportOK, &QPushButton::clicked, this, &TFormReport::PBReportOKClick);

    pbStatus = new QProgressBar(this);
    pbStatus->setObjectName("pbStatus");
    pbStatus->setRange(0, 100);
    pbStatus->setValue(0);
    pbStatus->setTextVisible(false);
    PlaceControl(pbStatus, 19, 16, 437, 27);

    LBNumAsciiFixed = MakeLabel(Panel1, "LBNumAsciiFixed", "000", panelFont, right, 404, 136, 62, 16);
    LBNumEmpty = MakeLabel(Panel1, "LBNumEmpty", "000", panelFont, right, 162, 136, 50, 16);
    const QLabel* pStaticText1 =
        MakeLabel(Panel1, "StaticText1", CaptionOf(&RunStatistics::LinesProcessed).caption, panelFont, left, 7, 43, 108, 20);
    const QLabel* pStaticText2 =
        MakeLabel(Panel1, "StaticText2", CaptionOf(&RunStatistics::MinRecordLength).caption, panelFont, left, 7, 68, 151, 20);
    const QLabel* pStaticText3 =
        MakeLabel(Panel1, "StaticText3", CaptionOf(&RunStatistics::MaxRecordLength).caption, panelFont, left, 7, 94, 155, 20);
    MakeLabel(Panel1, "StaticText4", CaptionOf(&RunStatistics::EmptyRecordsSkipped).firstLine, panelFont, left, 8, 122, 151, 20);
    const QLabel* pStaticText5 =
        MakeLabel(Panel1, "StaticText5", CaptionOf(&RunStatistics::RecordsEdited).caption, panelFont, left, 278, 44, 101, 20);
    const QLabel* pStaticText6 =
        MakeLabel(Panel1, "StaticText6", CaptionOf(&RunStatistics::LinesTruncated).caption, panelFont, left, 278, 69, 103, 20);
    const QLabel* pStaticText7 =
        MakeLabel(Panel1, "StaticText7", CaptionOf(&RunStatistics::LinesPadded).caption, panelFont, left, 278, 94, 91, 20);
    MakeLabel(Panel1, "StaticText8", CaptionOf(&RunStatistics::LinesAsciiFixed).firstLine, panelFont, left, 278, 120, 123, 20);
    const QLabel* pStaticText9 =
        MakeLabel(Panel1, "StaticText9", CaptionOf(&RunStatistics::LinesAsciiFixed).caption, panelFont, left, 278, 137, 127, 20);
    const QLabel* pStaticText10 =
        MakeLabel(Panel1, "StaticText10", CaptionOf(&RunStatistics::EmptyRecordsSkipped).caption, panelFont, left, 8, 137, 97, 20);
    m_leftCaptions = {pStaticText1, pStaticText2, pStaticText3, pStaticText10};
    m_rightCaptions = {pStaticText5, pStaticText6, pStaticText7, pStaticText9};

    SetClientHeight(kResultsHeight);
}

void TFormReport::SetProgressLayout(int iMaximum) {
    setWindowTitle("Processing File");
    Panel1->hide();
    pbStatus->setRange(0, iMaximum);
    pbStatus->setValue(0);
    pbStatus->show();
    PBReportOK->setText("Cancel");
    PBReportOK->move(PBReportOK->x(), kButtonTopProgress);
    SetClientHeight(kProgressHeight);
}

void TFormReport::SetResultsLayout() {
    setWindowTitle("Processed Results");
    pbStatus->hide();
    Panel1->show();
    PBReportOK->setText("Close");
    PBReportOK->move(PBReportOK->x(), kButtonTopResults);
    SetClientHeight(kResultsHeight);
}

void TFormReport::SetResults(int32_t lRecordLength, const RunStatistics& statistics) {
    SetFittedText(LabelOutFile, QString::fromLatin1(OutputFileHeading(lRecordLength).GetCString()));
    LBNumRecs->setText(FormatCount(statistics.LinesProcessed));
    LBNumRecsEdited->setText(FormatCount(statistics.RecordsEdited));
    LBMinLRECL->setText(FormatCount(statistics.MinRecordLength));
    LBMaxLRECL->setText(FormatCount(statistics.MaxRecordLength));
    LBNumTruncated->setText(FormatCount(statistics.LinesTruncated));
    LBNumPadded->setText(FormatCount(statistics.LinesPadded));
    LBNumEmpty->setText(FormatCount(statistics.EmptyRecordsSkipped));
    LBNumAsciiFixed->setText(FormatCount(statistics.LinesAsciiFixed));
    // Long numbers must neither be cut nor run into their captions.
    AlignCountColumn({LBNumRecs, LBMinLRECL, LBMaxLRECL, LBNumEmpty}, m_leftCaptions);
    AlignCountColumn({LBNumRecsEdited, LBNumTruncated, LBNumPadded, LBNumAsciiFixed},
                     m_rightCaptions);
    int iPanelWidth = kClientWidth;
    for (const QWidget* pChild : Panel1->findChildren<QWidget*>())
        iPanelWidth = std::max(iPanelWidth, pChild->geometry().right() + 1 + kPanelMargin);
    Panel1->resize(iPanelWidth, Panel1->height());
    SetClientHeight(height());
}

void TFormReport::PBReportOKClick() {
    m_pMainWindow->setEnabled(true);
    if (PBReportOK->text() == "Close")
        hide();
    else
        m_bCancelled = true;
}

void TFormReport::showEvent(QShowEvent* pEvent) {
    QDialog::showEvent(pEvent);
    if (!pEvent->spontaneous()) {
        CentreOnScreen(this);
        FormShow();
    }
}

void TFormReport::closeEvent(QCloseEvent* pEvent) { pEvent->ignore(); }

void TFormReport::FormShow() { m_bCancelled = false; }

void TFormReport::SetClientHeight(int iHeight) { SetClientSize(this, kClientWidth, iHeight); }

}  // namespace lathwell::app
