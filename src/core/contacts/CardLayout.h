#pragma once

#include <QList>
#include <QPoint>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <functional>

// The business card: what goes where on a printed page, in device pixels. The layout is pure
// arithmetic over the texts' measured sizes, so it runs without any paint device.
namespace CardLayout {

enum class Font
{
    Company,    // Times New Roman CE 10 pt bold
    Department, // Arial CE 7 pt
    Name,       // Times New Roman CE 18 pt bold italic
    JobTitle,   // Arial CE 8 pt
    Bottom,     // Arial CE 7 pt: the column lines
    Heading     // Arial CE 7 pt underlined: "Dom:" and "Praca:"
};

// The texts of the shown contact as its editors hold them.
struct Content
{
    QString name; // the name box, surname first
    QString Firma, Dep, Tytul, Email, TelKom, TelDom, DomMiasto, DomKod, DomUlica;
    QString PracaURL, Faks, TelSlu, TelWew, PracaMiasto, PracaKod, PracaUlica;
};

// The print menu's check marks.
struct Options
{
    bool personal = true;
    bool work = false;
    bool mobile = true;
    bool email = true;
    bool tenCopies = false;
};

// One drawing call. Frame and Rule run from `from` to `to` with the far corner or end point
// excluded, as the classic rectangle and line calls draw them; Text has its top-left at `from`.
struct Item
{
    enum Kind
    {
        Frame,
        Rule,
        Text
    };
    Kind kind;
    QPoint from;
    QPoint to;
    Font font = Font::Bottom;
    QString text;
};

// Width and height in device pixels of a text in a font.
using Measure = std::function<QSize(Font, const QString &)>;

// Whole pixels per centimetre on an axis of the given dots per inch (300 gives 118).
int pixelsPerCm(int dpi);
// A card is 9.6 × 5 cm; the size stays fractional and is cut at each drawing call.
QSizeF cardSize(int dpiX, int dpiY);
// A printer whose printable area is smaller than this refuses to print, one card or ten.
bool paperLargeEnough(QSizeF printableMillimetres);
// "Morwinek - " and the name box's text as it is.
QString jobName(const QString &nameBoxText);

// The items of one card with its top-left corner at (x0, y0).
QList<Item>
card(double x0, double y0, QSizeF size, const Content &content, const Options &options, const Measure &measure);
// The items of a page: one card, or ten in two columns and five rows, from the top-left corner.
QList<Item> page(int dpiX, int dpiY, const Content &content, const Options &options, const Measure &measure);

} // namespace CardLayout
