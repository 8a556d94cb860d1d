// Design layout: the windows place every control at the pixel position and size they were
// designed with, in the design font "MS Sans Serif". Where this machine lacks that font the
// platform's dialog font stands in at the same point size. Stand-in fonts are usually wider,
// so a control whose caption would not fit its designed width is widened (left-aligned
// controls to the right, right-aligned labels to the left) and a window whose controls then
// reach past its designed client width is widened to hold them. With the design font present
// every control keeps its designed size. Nothing here owns a widget.
#pragma once

#include <QFont>
#include <QList>

class QLabel;
class QWidget;

namespace lathwell::app {

// The design font at the given point size.
QFont DesignFont(int points);

// Sets the widget's designed geometry, widened when its caption needs more room.
void PlaceControl(QWidget* widget, int left, int top, int width, int height);

// A label sized to its caption, as an auto-sizing label is.
void PlaceAutoSizeLabel(QLabel* label, int left, int top);

// Moves a placed label that stands left of the control it names, and whose caption would run
// into that control, to the left (not past the window's edge).
void KeepLabelClearOf(QLabel* label, const QWidget* control);

// Sets a label's text and fits its width again: at least the designed width, widened to the
// text; a right-aligned label keeps its designed right edge, any other its left edge.
// REQUIRES: the label was placed with PlaceControl.
void SetFittedText(QLabel* label, const QString& text);

// Places right-aligned labels, each beside its caption, as one column: every label keeps its
// designed width unless its text needs more, and all share the designed right edge unless a
// text would then run into its caption, in which case the whole column moves right.
// REQUIRES: the labels were placed with PlaceControl.
void AlignCountColumn(const QList<QLabel*>& counts, const QList<const QLabel*>& captions);

// Moves the window to the middle of its screen.
void CentreOnScreen(QWidget* window);

// Gives the window the designed client size, widened to hold every child control.
void SetClientSize(QWidget* window, int width, int height);

}  // namespace lathwell::app
