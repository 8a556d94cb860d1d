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

int CaptionWidth(QWidget* widget) {
    if (auto* button = qobject_cast<QPushButton*>(widget))
        return button->fontMetrics().horizontalAdvance(button->text()) + 2 * kButtonFrame;
    if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget))
        return widget->sizeHint().width();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->wordWrap() ? 0 : label->sizeHint().width();
    return 0;
}

}  // namespace

QFont DesignFont(int points) {
    static const QString family = QFontDatabase::families().contains("MS Sans Serif")
                                       ? QString("MS Sans Serif")
                                       : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QFont font(family);
    font.setPointSize(points);
    return font;
}

void PlaceControl(QWidget* widget, int left, int top, int width, int height) {
    widget->setProperty(kDesignRect, QRect(left, top, width, height));
    widget->setGeometry(left, top, std::max(width, CaptionWidth(widget)), height);
}

void PlaceAutoSizeLabel(QLabel* label, int left, int top) {
    label->move(left, top);
    label->resize(label->sizeHint());
}

void KeepLabelClearOf(QLabel* label, const QWidget* control) {
    const int overlap = label->geometry().right() + 1 + kCaptionGap - control->x();
    if (overlap > 0) label->move(std::max(0, label->x() - overlap), label->y());
}

void AlignCountColumn(const QList<QLabel*>& counts, const QList<const QLabel*>& captions) {
    int right = 0;
    for (qsizetype i = 0; i < counts.size(); ++i) {
        const QRect design = counts[i]->property(kDesignRect).toRect();
        const int textWidth = CaptionWidth(counts[i]);
        right = std::max({right, design.right() + 1,
                           captions[i]->geometry().right() + 1 + kCaptionGap + textWidth});
    }
    for (QLabel* count : counts) {
        const QRect design = count->property(kDesignRect).toRect();
        const int width = std::max(design.width(), CaptionWidth(count));
        count->setGeometry(right - width, design.top(), width, design.height());
    }
}

void SetFittedText(QLabel* label, const QString& text) {
    label->setText(text);
    const QRect design = label->property(kDesignRect).toRect();
    const int width = std::max(design.width(), CaptionWidth(label));
    const int left =
        label->alignment() & Qt::AlignRight ? design.right() + 1 - width : design.left();
    label->setGeometry(left, design.top(), width, design.height());
}

void CentreOnScreen(QWidget* window) {
    if (const QScreen* screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

void SetClientSize(QWidget* window, int width, int height) {
    int needed = width;
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow()) needed = std::max(needed, child->geometry().right() + 1);
    window->setFixedSize(needed, height);
}

}  // namespace lathwell::app
