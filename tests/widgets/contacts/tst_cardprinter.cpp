#include "widgets/contacts/CardPrinter.h"

#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QScreen>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct DrawnText
{
    QPointF baseline;
    QFont font;
    QString text;
};

// A page of the given resolution that keeps the texts drawn on it, where and in which font.
class TextRecordingPage : public QPaintDevice, public QPaintEngine
{
public:
    explicit TextRecordingPage(int dpi)
        : m_dpi(dpi)
    {}
    QPaintEngine *paintEngine() const override { return const_cast<TextRecordingPage *>(this); }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawPath(const QPainterPath &) override {}
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF &p, const QTextItem &item) override { texts.append({p, item.font(), item.text()}); }
    Type type() const override { return QPaintEngine::User; }

    QList<DrawnText> texts;

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return 11 * m_dpi;
        case PdmWidthMM:
        case PdmHeightMM:
            return 279;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        case PdmDepth:
            return 32;
        default:
            return m_dpi; // the resolutions; the colour count is never asked for
        }
    }

private:
    int m_dpi;
};

// The rectangle of a text's ink on the page: the text rendered alone at the page's resolution,
// its inked pixels found row by row and column by column.
QRect inkOnPage(const DrawnText &drawn, int dpi)
{
    const int em = int(drawn.font.pointSizeF() * dpi / 72) + 1;
    QImage image(em * (int(drawn.text.size()) + 4), 4 * em, QImage::Format_Grayscale8);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(255);
    const QPoint origin(2 * em, 2 * em);
    {
        QPainter painter(&image);
        painter.setFont(QFont(drawn.font, &image));
        painter.drawText(origin, drawn.text);
    }
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (row[x] < 160) {
                ink |= QRect(x, y, 1, 1);
            }
        }
    }
    return ink.isNull() ? ink : ink.translated(drawn.baseline.toPoint() - origin);
}

CardLayout::Content fullContact(const QString &name)
{
    return {name,
            u"Przędzalnia „Gąsienica” Sp. z o.o."_s,
            u"Dział sprzedaży hurtowej"_s,
            u"Kierowniczka działu sprzedaży"_s,
            u"zofia.cwik@przedzalnia.pl"_s,
            u"601 234 567"_s,
            u"22 612 34 56"_s,
            u"Łódź"_s,
            u"00-950"_s,
            u"ul. Żytnia 12 m. 4"_s,
            u"www.przedzalnia.pl"_s,
            u"22 612 00 01"_s,
            u"22 612 00 00"_s,
            u"12"_s,
            u"Pabianice"_s,
            u"90-001"_s,
            u"ul. Łąkowa 3/5"_s};
}

} // namespace

class TestCardPrinter : public QObject
{
    Q_OBJECT
private slots:
    void linesNeverOverlap_data();
    void linesNeverOverlap();
};

void TestCardPrinter::linesNeverOverlap_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QString>("name"); // as the name box holds it, surname first
    QTest::addColumn<bool>("personal");
    QTest::addColumn<bool>("work");
    const int screen = qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY());
    for (const auto &[dpi, where] : {std::pair{600, "600 dpi"}, std::pair{screen, "screen"}}) {
        for (const QString &name : {u"Ćwik Zofia"_s, u"Żółćgęśląjaźń Ągnieszka Jyyy"_s, u"Ab"_s}) {
            for (const auto &[personal, work, set] : {std::tuple{true, true, "both"},
                                                      std::tuple{false, true, "work"},
                                                      std::tuple{true, false, "personal"},
                                                      std::tuple{false, false, "neither"}}) {
                QTest::addRow("%s, %s, %s", where, qPrintable(name), set) << dpi << name << personal << work;
            }
        }
    }
}

void TestCardPrinter::linesNeverOverlap()
{
    QFETCH(int, dpi);
    QFETCH(QString, name);
    QFETCH(bool, personal);
    QFETCH(bool, work);
    CardLayout::Options options;
    options.personal = personal;
    options.work = work;
    TextRecordingPage page(dpi);
    CardPrinter::drawPage(&page, fullContact(name), options);

    QList<QPair<QString, QRect>> lines;
    for (const DrawnText &drawn : std::as_const(page.texts)) {
        const QRect ink = inkOnPage(drawn, dpi);
        if (!ink.isNull()) {
            lines.append({drawn.text, ink});
        }
    }
    QVERIFY(lines.size() >= 3); // the name, the e-mail and the mobile number at least
    // Inside the card: 9.6 × 5 cm from the page's corner.
    const QRect card(0, 0, int(9.6 * int(dpi / 2.54)), 5 * int(dpi / 2.54));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // A name too long for the card may stick out at the sides, never at the top or bottom.
        QVERIFY2(lines[i].second.top() > card.top() && lines[i].second.bottom() < card.bottom(),
                 qPrintable(lines[i].first));
        for (qsizetype j = i + 1; j < lines.size(); ++j) {
            QVERIFY2(!lines[i].second.intersects(lines[j].second),
                     qPrintable(u"„%1” runs into „%2”"_s.arg(lines[i].first, lines[j].first)));
        }
    }
    // The card's order from the top: company, department, name, job title, the columns.
    const auto topOf = [&lines](const QString &start) {
        for (const auto &[text, ink] : lines) {
            if (text.startsWith(start)) {
                return ink.top();
            }
        }
        return -1;
    };
    const QString shownName = name.contains(u' ') ? name.section(u' ', 1) : name; // the first name first
    QVERIFY(topOf(shownName) >= 0);
    if (work) {
        QVERIFY(topOf(u"Przędzalnia"_s) < topOf(u"Dział"_s));
        QVERIFY(topOf(u"Dział"_s) < topOf(shownName));
        QVERIFY(topOf(shownName) < topOf(u"Kierowniczka"_s));
        QVERIFY(topOf(u"Kierowniczka"_s) < topOf(u"www."_s));
    }
    QVERIFY(topOf(shownName) < topOf(u"Tel. komórkowy"_s));
    QVERIFY(topOf(u"Tel. komórkowy"_s) < topOf(u"E-mail"_s));
}

QTEST_MAIN(TestCardPrinter)
#include "tst_cardprinter.moc"
