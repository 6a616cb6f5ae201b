#include "CardPrinter.h"

#include "core/common/FileError.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace CardPrinter {

namespace {

constexpr int pdfResolution = 600;
constexpr double pdfMarginMm = 5; // an ordinary printer's unprintable edge

std::unique_ptr<QPrinter> &printerSlot()
{
    static std::unique_ptr<QPrinter> printer;
    return printer;
}

// A text's box on the device: from the font's ascent above the baseline to its descent below,
// widened where the text's own ink (an accent over a capital, a deep tail) reaches further.
struct TextBox
{
    int ascent; // from the box's top to the baseline
    QSize size;
};

TextBox textBox(CardLayout::Font which, const QString &text, QPaintDevice *device)
{
    const QFontMetrics metrics(font(which), device);
    const QRect ink = text.isEmpty() ? QRect() : metrics.tightBoundingRect(text);
    const int ascent = std::max(metrics.ascent(), -ink.top());
    const int descent = std::max(metrics.descent(), ink.bottom() + 1);
    return {ascent, QSize(metrics.horizontalAdvance(text), ascent + descent)};
}

void paint(QPainter &painter,
           QPaintDevice *device,
           const CardLayout::Content &content,
           const CardLayout::Options &options)
{
    const auto measure = [device](CardLayout::Font which, const QString &text) {
        return textBox(which, text, device).size;
    };
    const QList<CardLayout::Item> items =
        CardLayout::page(device->logicalDpiX(), device->logicalDpiY(), content, options, measure);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    for (const CardLayout::Item &item : items) {
        switch (item.kind) {
        case CardLayout::Item::Frame: {
            // The far corner is not part of the outline.
            const QRect outline(item.from, QSize(item.to.x() - item.from.x(), item.to.y() - item.from.y()));
            painter.fillRect(outline, Qt::white);
            painter.drawRect(outline.adjusted(0, 0, -1, -1));
            break;
        }
        case CardLayout::Item::Rule:
            painter.drawLine(item.from, item.to - QPoint(1, 0));
            break;
        case CardLayout::Item::Text: {
            painter.setFont(QFont(font(item.font), device));
            painter.drawText(item.from + QPoint(0, textBox(item.font, item.text, device).ascent), item.text);
            break;
        }
        }
    }
}

} // namespace

std::function<bool()> printersInstalled = [] {
    return !QPrinterInfo::availablePrinterNames().isEmpty();
};

QFont font(CardLayout::Font which)
{
    const auto make = [](const char *family, int points, bool bold = false, bool italic = false) {
        QFont f(QLatin1String(family), points);
        f.setBold(bold);
        f.setItalic(italic);
        return f;
    };
    switch (which) {
    case CardLayout::Font::Company:
        return make("Times New Roman CE", 10, true);
    case CardLayout::Font::Name:
        return make("Times New Roman CE", 18, true, true);
    case CardLayout::Font::JobTitle:
        return make("Arial CE", 8);
    case CardLayout::Font::Heading: {
        QFont f = make("Arial CE", 7);
        f.setUnderline(true);
        return f;
    }
    case CardLayout::Font::Department:
    case CardLayout::Font::Bottom:
        break;
    }
    return make("Arial CE", 7);
}

void drawPage(QPaintDevice *device, const CardLayout::Content &content, const CardLayout::Options &options)
{
    QPainter painter(device);
    paint(painter, device, content, options);
}

QPrinter &sessionPrinter()
{
    std::unique_ptr<QPrinter> &printer = printerSlot();
    if (!printer) {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // Printer objects must go before the application does.
        qAddPostRoutine([] {
            printerSlot().reset();
        });
    }
    return *printer;
}

Outcome print(QPrinter &printer, const CardLayout::Content &content, const CardLayout::Options &options)
{
    printer.setPageOrientation(QPageLayout::Portrait);
    if (!CardLayout::paperLargeEnough(printer.pageRect(QPrinter::Millimeter).size())) {
        return Outcome::PaperTooSmall;
    }
    printer.setDocName(CardLayout::jobName(content.name));
    QPainter painter;
    if (!painter.begin(&printer)) {
        return Outcome::Failed;
    }
    paint(painter, &printer, content, options);
    return painter.end() ? Outcome::Printed : Outcome::Failed;
}

bool savePdf(const QString &path,
             const CardLayout::Content &content,
             const CardLayout::Options &options,
             QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = FileError::describe(FileError::Write, path, file.errorString(), errno);
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setResolution(pdfResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                         QPageLayout::Portrait,
                                         QMarginsF(pdfMarginMm, pdfMarginMm, pdfMarginMm, pdfMarginMm),
                                         QPageLayout::Millimeter));
        writer.setTitle(CardLayout::jobName(content.name));
        writer.setCreator(QStringLiteral("Morwinek"));
        QPainter painter;
        if (!painter.begin(&writer)) {
            *error = QStringLiteral("Nie można utworzyć pliku PDF.");
            file.cancelWriting();
            return false;
        }
        paint(painter, &writer, content, options);
        painter.end();
    }
    if (!file.commit()) {
        *error = FileError::describe(FileError::Write, path, file.errorString(), errno);
        return false;
    }
    return true;
}

} // namespace CardPrinter
