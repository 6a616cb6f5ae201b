#pragma once

#include "core/contacts/CardLayout.h"

#include <QFont>

#include <functional>

class QPainter;
class QPaintDevice;
class QPrinter;

// Business cards on paper or in a PDF, drawn by one routine for every paint device.
namespace CardPrinter {
enum class Outcome
{
    Printed,
    NoPrinter,
    PaperTooSmall,
    Failed
};

// The face, size and style of each text of the card.
QFont font(CardLayout::Font which);
// Draws the page of cards at the device's own resolution, from its top-left corner.
void drawPage(QPaintDevice *device, const CardLayout::Content &content, const CardLayout::Options &options);

// Whether the system has a printer at all. Tests replace it.
extern std::function<bool()> printersInstalled;
// The printer of this run: printer and paper chosen in the setup dialog apply until the end.
QPrinter &sessionPrinter();

// Portrait, the paper checked, then one page under the job name.
Outcome print(QPrinter &printer, const CardLayout::Content &content, const CardLayout::Options &options);
// The same page as an A4 PDF at 600 dpi, replacing the file whole or not at all.
[[nodiscard]] bool
savePdf(const QString &path, const CardLayout::Content &content, const CardLayout::Options &options, QString *error);
} // namespace CardPrinter
