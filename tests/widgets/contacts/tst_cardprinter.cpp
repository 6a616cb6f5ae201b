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

// Keeps the texts drawn on it, where and in which font; everything else is let go.
class TextRecordingEngine : public QPaintEngine
{
public:
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawPath(const QPainterPath &) override {}
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    void drawRects(const QRectF *, int) override {}
    void drawLines(const QLineF *, int) override {}
    void drawTextItem(const QPointF &p, const QTextItem &item) override { texts.append({p, item.font(), item.text()}); }
    Type type() const override { return QPaintEngine::User; }

    QList<DrawnText> texts;
};

// A page of the given resolution that records the drawn texts.
class TextRecordingPage : public QPaintDevice
{
public:
    explicit TextRecordingPage(int dpi)
        : m_dpi(dpi)
    {}
    QPaintEngine *paintEngine() const override { return &m_engine; }
    const QList<DrawnText> &texts() const { return m_engine.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return 8 * m_dpi;
        case PdmHeight:
            return 11 * m_dpi;
        case PdmWidthMM:
            return 8 * 254 / 10;
        case PdmHeightMM:
            return 11 * 254 / 10;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return m_dpi;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    int m_dpi;
    mutable TextRecordingEngine m_engine;
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
    CardLayout::Content c;
    c.name = name;
    c.Firma = u"Przędzalnia „Gąsienica” Sp. z o.o."_s;
    c.Dep = u"Dział sprzedaży hurtowej"_s;
    c.Tytul = u"Kierowniczka działu sprzedaży"_s;
    c.Email = u"zofia.cwik@przedzalnia.pl"_s;
    c.TelKom = u"601 234 567"_s;
    c.TelDom = u"22 612 34 56"_s;
    c.DomKod = u"00-950"_s;
    c.DomMiasto = u"Łódź"_s;
    c.DomUlica = u"ul. Żytnia 12 m. 4"_s;
    c.PracaURL = u"www.przedzalnia.pl"_s;
    c.Faks = u"22 612 00 01"_s;
    c.TelSlu = u"22 612 00 00"_s;
    c.TelWew = u"12"_s;
    c.PracaKod = u"90-001"_s;
    c.PracaMiasto = u"Pabianice"_s;
    c.PracaUlica = u"ul. Łąkowa 3/5"_s;
    return c;
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
    for (const DrawnText &drawn : page.texts()) {
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
