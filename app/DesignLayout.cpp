#include "DesignLayout.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace lathwell::app {

namespace {

// Room a push button's frame takes on either side of its caption.
constexpr int kButtonFrame = 4;
// Room left between a caption and what it names.
constexpr int kCaptionGap = 3;
// The property that remembers a control's designed rectangle.
constexpr char kDesignRect[] = "designRect";

int CaptionWidth(QWidget* pWidget) {
    if (auto* pButton = qobject_cast<QPushButton*>(pWidget))
        return pButton->fontMetrics().horizontalAdvance(pButton->text()) + 2 * kButtonFrame;
    if (qobject_cast<QCheckBox*>(pWidget) || qobject_cast<QRadioButton*>(pWidget))
        return pWidget->sizeHint().width();
    if (auto* pLabel = qobject_cast<QLabel*>(pWidget))
        return pLabel->wordWrap() ? 0 : pLabel->sizeHint().width();
    return 0;
}

}  // namespace

QFont DesignFont(int iPoints) {
    static const QString sFamily = QFontDatabase::families().contains("MS Sans Serif")
                                       ? QString("MS Sans Serif")
                                       : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QFont font(sFamily);
    font.setPointSize(iPoints);
    return font;
}

void PlaceControl(QWidget* pWidget, int iLeft, int iTop, int iWidth, int iHeight) {
    pWidget->setProperty(kDesignRect, QRect(iLeft, iTop, iWidth, iHeight));
    pWidget->setGeometry(iLeft, iTop, std::max(iWidth, CaptionWidth(pWidget)), iHeight);
}

void PlaceAutoSizeLabel(QLabel* pLabel, int iLeft, int iTop) {
    pLabel->move(iLeft, iTop);
    pLabel->resize(pLabel->sizeHint());
}

void KeepLabelClearOf(QLabel* pLabel, const QWidget* pControl) {
    const int iOverlap = pLabel->geometry().right() + 1 + kCaptionGap - pControl->x();
    if (iOverlap > 0) pLabel->move(std::max(0, pLabel->x() - iOverlap), pLabel->y());
}

void AlignCountColumn(const QList<QLabel*>& counts, const QList<const QLabel*>& captions) {
    int iRight = 0;
    for (qsizetype i = 0; i < counts.size(); ++i) {
        const QRect design = counts[i]->property(kDesignRect).toRect();
        const int iText = CaptionWidth(counts[i]);
        iRight = std::max({iRight, design.right() + 1,
                           captions[i]->geometry().right() + 1 + kCaptionGap + iText});
    }
    for (QLabel* pCount : counts) {
        const QRect design = pCount->property(kDesignRect).toRect();
        const int iWidth = std::max(design.width(), CaptionWidth(pCount));
        pCount->setGeometry(iRight - iWidth, design.top(), iWidth, design.height());
    }
}

void SetFittedText(QLabel* pLabel, const QString& sText) {
    pLabel->setText(sText);
    const QRect design = pLabel->property(kDesignRect).toRect();
    const int iWidth = std::max(design.width(), CaptionWidth(pLabel));
    const int iLeft =
        pLabel->alignment() & Qt::AlignRight ? design.right() + 1 - iWidth : design.left();
    pLabel->setGeometry(iLeft, design.top(), iWidth, design.height());
}

void CentreOnScreen(QWidget* pWindow) {
    if (const QScreen* pScreen = pWindow->screen())
        pWindow->move(pScreen->availableGeometry().center() - pWindow->rect().center());
}

void SetClientSize(QWidget* pWindow, int iWidth, int iHeight) {
    int iNeeded = iWidth;
    for (QWidget* pChild : pWindow->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!pChild->isWindow()) iNeeded = std::max(iNeeded, pChild->geometry().right() + 1);
    pWindow->setFixedSize(iNeeded, iHeight);
}

}  // namespace lathwell::app
