#pragma once

class QWidget;

// What a screen reader needs from a window laid out in pixels.
namespace Accessibility {
// Every button that shows only a picture or a symbol is named by its hint (tool tip), and every
// label that stands right before or right above a field becomes that field's buddy, so the field
// is announced with its caption (a button that shows a caption names its field instead). Names and
// buddies set already are kept.
void nameControls(QWidget *window);
} // namespace Accessibility
