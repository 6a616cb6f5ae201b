#pragma once

#include <QFont>

// The windows are laid out in pixels for the classic Windows faces. Metric-compatible faces with
// Central European letters stand in for them, mapped here and nowhere else.
namespace Fonts {
// Registers the substitutions and sets MS Sans Serif 8 pt (11 pixels) as the application's font.
void install();
// A face by its classic name at a size in pixels.
QFont pixelFont(const QString &family, int pixelSize, bool bold = false);
} // namespace Fonts
