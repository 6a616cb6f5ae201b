#include "CardLayout.h"

#include "core/common/DateText.h"

#include <algorithm>

namespace CardLayout {

namespace {

constexpr int leftMargin = 10;
constexpr int verticalMargin = 5;

// Coordinates are fractional until they reach a drawing call, where they are cut toward zero.
int cut(double value)
{
    return static_cast<int>(value);
}

class CardBuilder
{
public:
    CardBuilder(double x0, double y0, QSizeF size, const Measure &measure, QList<Item> *items)
        : m_x0(x0)
        , m_y0(y0)
        , m_w(size.width())
        , m_h(size.height())
        , m_measure(measure)
        , m_items(items)
    {}

    void frame()
    {
        m_items->append(
            {Item::Frame, QPoint(cut(m_x0), cut(m_y0)), QPoint(cut(m_x0 + m_w), cut(m_y0 + m_h)), Font::Bottom, {}});
    }
    void rule(double x1, double y, double x2)
    {
        m_items->append({Item::Rule, QPoint(cut(x1), cut(y)), QPoint(cut(x2), cut(y)), Font::Bottom, {}});
    }
    void text(Font font, double x, double y, const QString &text)
    {
        m_items->append({Item::Text, QPoint(cut(x), cut(y)), {}, font, text});
    }
    QSize size(Font font, const QString &text) const { return m_measure(font, text); }

    // A column of lines stacked up from the bottom edge, each as high as its own text; a line
    // left out keeps its place, so the others stay where they are.
    struct Column
    {
        double x;
        double top;
    };
    Column column(double x) const { return {x, m_y0 + m_h - verticalMargin}; }
    void stack(Column *column, Font font, const QString &text, bool shown = true)
    {
        column->top -= size(font, text).height();
        if (shown) {
            this->text(font, column->x, column->top, text);
        }
    }

    double x0() const { return m_x0; }
    double y0() const { return m_y0; }
    double w() const { return m_w; }
    double h() const { return m_h; }

private:
    double m_x0, m_y0, m_w, m_h;
    const Measure &m_measure;
    QList<Item> *m_items;
};

QString withPrefix(const QString &prefix, const QString &text)
{
    return prefix.isEmpty() ? text : prefix + QLatin1Char(' ') + text;
}

} // namespace

int pixelsPerCm(int dpi)
{
    return static_cast<int>(dpi / 2.54);
}

QSizeF cardSize(int dpiX, int dpiY)
{
    return {9.6 * pixelsPerCm(dpiX), 5.0 * pixelsPerCm(dpiY)};
}

bool paperLargeEnough(QSizeF printableMillimetres)
{
    return printableMillimetres.width() >= 195 && printableMillimetres.height() >= 250;
}

QString jobName(const QString &nameBoxText)
{
    return QStringLiteral("Morwinek - ") + nameBoxText;
}

QList<Item>
card(double x0, double y0, QSizeF size, const Content &content, const Options &options, const Measure &measure)
{
    const auto t = [](const QString &text) {
        return FixedText::trimmed(text);
    };
    QList<Item> items;
    CardBuilder b(x0, y0, size, measure, &items);
    const double left = x0 + leftMargin;

    b.frame();
    // The company and its department at the top, under the frame.
    if (options.work) {
        const double top = y0 + verticalMargin;
        const int h = b.size(Font::Company, t(content.Firma)).height();
        b.text(Font::Company, left, top, t(content.Firma));
        b.rule(left, top + h, x0 + b.w() - leftMargin);
        b.text(Font::Department, left, top + h + 1, t(content.Dep));
    }

    // The columns at the bottom: home on the left, work on the right, drawn after the name.
    QList<Item> bottomItems;
    CardBuilder c(x0, y0, size, measure, &bottomItems);
    auto home = c.column(left);
    c.stack(&home,
            Font::Bottom,
            QStringLiteral("E-mail: ") + t(content.Email),
            options.email && !t(content.Email).isEmpty());
    c.stack(&home,
            Font::Bottom,
            QStringLiteral("Tel. komórkowy: ") + t(content.TelKom),
            options.mobile && !t(content.TelKom).isEmpty());
    if (options.personal) {
        c.stack(&home, Font::Bottom, QStringLiteral("Tel. ") + t(content.TelDom), !t(content.TelDom).isEmpty());
        c.stack(&home, Font::Bottom, withPrefix(t(content.DomKod), t(content.DomMiasto)));
        c.stack(&home, Font::Bottom, t(content.DomUlica));
        if (options.work) {
            c.stack(&home, Font::Heading, QStringLiteral("Dom:"));
        }
    }
    auto work = c.column(x0 + c.w() / 2 + 20 + 10);
    if (options.work) {
        c.stack(&work, Font::Bottom, t(content.PracaURL));
        c.stack(&work, Font::Bottom, QStringLiteral("Fax ") + t(content.Faks), !t(content.Faks).isEmpty());
        QString phone = QStringLiteral("Tel. ") + t(content.TelSlu);
        if (!t(content.TelWew).isEmpty()) {
            phone += QStringLiteral(" w. ") + t(content.TelWew);
        }
        c.stack(&work, Font::Bottom, phone, !t(content.TelSlu).isEmpty());
        c.stack(&work, Font::Bottom, withPrefix(t(content.PracaKod), t(content.PracaMiasto)));
        c.stack(&work, Font::Bottom, t(content.PracaUlica));
        if (options.personal) {
            c.stack(&work, Font::Heading, QStringLiteral("Praca:"));
        }
    }

    // The name a little above the card's middle and the job title a little below it; at a
    // resolution where the name's height would reach over the title, the title goes under it.
    const QString name = FixedText::swapNameOrder(content.name);
    const QSize nameSize = b.size(Font::Name, name);
    const double nameTop = y0 + (b.h() - nameSize.height()) / 2 - 5 - 20;
    b.text(Font::Name, x0 + (b.w() - nameSize.width()) / 2, nameTop, name);
    if (options.work) {
        const QString title = t(content.Tytul);
        const QSize titleSize = b.size(Font::JobTitle, title);
        const double titleTop = y0 + (b.h() - titleSize.height()) / 2 + titleSize.height() - 20 + 2;
        b.text(Font::JobTitle,
               x0 + (b.w() - titleSize.width()) / 2,
               std::max(titleTop, nameTop + nameSize.height()),
               title);
    }
    items += bottomItems;
    return items;
}

QList<Item> page(int dpiX, int dpiY, const Content &content, const Options &options, const Measure &measure)
{
    const QSizeF size = cardSize(dpiX, dpiY);
    const int columns = options.tenCopies ? 2 : 1;
    const int rows = options.tenCopies ? 5 : 1;
    QList<Item> items;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            items += card(c * size.width(), r * size.height(), size, content, options, measure);
        }
    }
    return items;
}

} // namespace CardLayout
