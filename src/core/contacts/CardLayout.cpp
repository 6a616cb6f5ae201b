#include "CardLayout.h"

#include "core/common/DateText.h"

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

    // Line k of a column, counted from 1 at the bottom, its top set by the text's own height.
    void bottomLine(double x, int k, Font font, const QString &text)
    {
        const int h = size(font, text).height();
        this->text(font, x, m_y0 + m_h - k * h - verticalMargin, text);
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
    if (options.work) {
        const int h = b.size(Font::Company, t(content.Firma)).height();
        b.text(Font::Company, left, y0 + verticalMargin, t(content.Firma));
        b.rule(left, y0 + verticalMargin + h, x0 + b.w() - leftMargin);
        b.text(Font::Department, left, y0 + verticalMargin + h + 1, t(content.Dep));
    }

    const QString name = FixedText::swapNameOrder(content.name);
    const QSize nameSize = b.size(Font::Name, name);
    b.text(Font::Name, x0 + (b.w() - nameSize.width()) / 2, y0 + (b.h() - nameSize.height()) / 2 - 5 - 20, name);

    if (options.work) {
        const QString title = t(content.Tytul);
        const QSize s = b.size(Font::JobTitle, title);
        b.text(
            Font::JobTitle, x0 + (b.w() - s.width()) / 2, y0 + (b.h() - s.height()) / 2 + s.height() - 20 + 2, title);
    }

    if (options.email && !t(content.Email).isEmpty()) {
        b.bottomLine(left, 1, Font::Bottom, QStringLiteral("E-mail: ") + t(content.Email));
    }
    if (options.mobile && !t(content.TelKom).isEmpty()) {
        b.bottomLine(left, 2, Font::Bottom, QStringLiteral("Tel. komórkowy: ") + t(content.TelKom));
    }
    if (options.personal) {
        if (!t(content.TelDom).isEmpty()) {
            b.bottomLine(left, 3, Font::Bottom, QStringLiteral("Tel. ") + t(content.TelDom));
        }
        b.bottomLine(left, 4, Font::Bottom, withPrefix(t(content.DomKod), t(content.DomMiasto)));
        b.bottomLine(left, 5, Font::Bottom, t(content.DomUlica));
        if (options.work) {
            b.bottomLine(left, 6, Font::Heading, QStringLiteral("Dom:"));
        }
    }
    if (options.work) {
        const double right = x0 + b.w() / 2 + 20 + 10;
        b.bottomLine(right, 1, Font::Bottom, t(content.PracaURL));
        if (!t(content.Faks).isEmpty()) {
            b.bottomLine(right, 2, Font::Bottom, QStringLiteral("Fax ") + t(content.Faks));
        }
        if (!t(content.TelSlu).isEmpty()) {
            QString phone = QStringLiteral("Tel. ") + t(content.TelSlu);
            if (!t(content.TelWew).isEmpty()) {
                phone += QStringLiteral(" w. ") + t(content.TelWew);
            }
            b.bottomLine(right, 3, Font::Bottom, phone);
        }
        b.bottomLine(right, 4, Font::Bottom, withPrefix(t(content.PracaKod), t(content.PracaMiasto)));
        b.bottomLine(right, 5, Font::Bottom, t(content.PracaUlica));
        if (options.personal) {
            b.bottomLine(right, 6, Font::Heading, QStringLiteral("Praca:"));
        }
    }
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
