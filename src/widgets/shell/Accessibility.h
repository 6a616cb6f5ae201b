#pragma once

class QAbstractButton;
class QLabel;
class QWidget;

// What a screen reader needs from a window laid out in pixels.
namespace Accessibility {
// Every button that shows only a picture or a symbol is named by its hint (tool tip). Names set
// already are kept.
void nameControls(QWidget *window);
// The caption of a field, as each window names its pairs: a label becomes the field's buddy (so
// the field is announced with it and its mnemonic focuses the field); a button that shows a caption
// over a field ("Telefon domowy") gives the field its text as its name.
void caption(QLabel *label, QWidget *field);
void caption(QAbstractButton *button, QWidget *field);
} // namespace Accessibility
