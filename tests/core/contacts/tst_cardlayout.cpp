#include "core/contacts/CardLayout.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

using CardLayout::Font;
using CardLayout::Item;

namespace {

// Every font 20 pixels high but the heading (24), every character 10 pixels wide.
QSize fakeMeasure(Font font, const QString &text)
{
    return QSize(10 * int(text.size()), font == Font::Heading ? 24 : font == Font::Name ? 50 : 20);
}

CardLayout::Content fullContact()
{
    CardLayout::Content c;
    c.name = u" Kowalski Jan "_s;
    c.Firma = u"Firma"_s;
    c.Dep = u"Dział"_s;
    c.Tytul = u"Kierownik"_s;
    c.Email = u" jan@example.org "_s;
    c.TelKom = u"600100200"_s;
    c.TelDom = u"221234567"_s;
    c.DomMiasto = u"Łódź"_s;
    c.DomKod = u"90-001"_s;
    c.DomUlica = u"Długa 1"_s;
    c.PracaURL = u"www.firma.pl"_s;
    c.Faks = u"227654321"_s;
    c.TelSlu = u"221111111"_s;
    c.TelWew = u"12"_s;
    c.PracaMiasto = u"Warszawa"_s;
    c.PracaKod = u"00-950"_s;
    c.PracaUlica = u"Prosta 2"_s;
    return c;
}

// "text@x,y" for each text of the first card, in drawing order.
QStringList texts(const QList<Item> &items)
{
    QStringList out;
    for (const Item &item : items) {
        if (item.kind == Item::Text) {
            out << u"%1@%2,%3"_s.arg(item.text).arg(item.from.x()).arg(item.from.y());
        }
    }
    return out;
}

} // namespace

class TestCardLayout : public QObject
{
    Q_OBJECT
private slots:
    void geometry_at600dpi();
    void lines_perOptionSet_data();
    void lines_perOptionSet();
    void emptyFields_leaveTheirLinesEmpty();
    void paper_data();
    void paper();
};

void TestCardLayout::geometry_at600dpi()
{
    CardLayout::Options ten;
    ten.tenCopies = true;
    const QList<Item> page = CardLayout::page(600, 600, fullContact(), ten, fakeMeasure);
    QList<QPair<QPoint, QPoint>> frames;
    for (const Item &item : page) {
        if (item.kind == Item::Frame) {
            frames.append({item.from, item.to});
        }
    }
    QCOMPARE(frames.size(), 10);
    QCOMPARE(frames.first(), qMakePair(QPoint(0, 0), QPoint(2265, 1180)));
    QCOMPARE(frames.at(1), qMakePair(QPoint(2265, 0), QPoint(4531, 1180))); // 2 × 2265.6 cut
    QCOMPARE(frames.last(), qMakePair(QPoint(2265, 4720), QPoint(4531, 5900)));
    QCOMPARE(CardLayout::page(300, 300, fullContact(), {}, fakeMeasure).first().to, QPoint(1132, 590));
}

void TestCardLayout::lines_perOptionSet_data()
{
    QTest::addColumn<bool>("personal");
    QTest::addColumn<bool>("work");
    QTest::addColumn<QStringList>("expected");
    // Card 2265.6 × 1180 at 600 dpi; line k of 20-pixel text has its top at 1180 - 20k - 5.
    const QString name = u"Jan Kowalski @1067,540"_s; // (2265.6 - 130) / 2, (1180 - 50) / 2 - 25
    QTest::newRow("personal only") << true << false
                                   << QStringList{name,
                                                  u"E-mail: jan@example.org@10,1155"_s,
                                                  u"Tel. komórkowy: 600100200@10,1135"_s,
                                                  u"Tel. 221234567@10,1115"_s,
                                                  u"90-001 Łódź@10,1095"_s,
                                                  u"Długa 1@10,1075"_s};
    QTest::newRow("work only") << false << true
                               << QStringList{u"Firma@10,5"_s,
                                              u"Dział@10,26"_s,
                                              name,
                                              u"Kierownik@1087,582"_s, // (1180 - 20) / 2 + 20 - 20 + 2
                                              u"E-mail: jan@example.org@10,1155"_s,
                                              u"Tel. komórkowy: 600100200@10,1135"_s,
                                              u"www.firma.pl@1162,1155"_s, // 2265.6 / 2 + 30
                                              u"Fax 227654321@1162,1135"_s,
                                              u"Tel. 221111111 w. 12@1162,1115"_s,
                                              u"00-950 Warszawa@1162,1095"_s,
                                              u"Prosta 2@1162,1075"_s};
    QTest::newRow("both: headings") << true << true
                                    << QStringList{u"Firma@10,5"_s,
                                                   u"Dział@10,26"_s,
                                                   name,
                                                   u"Kierownik@1087,582"_s,
                                                   u"E-mail: jan@example.org@10,1155"_s,
                                                   u"Tel. komórkowy: 600100200@10,1135"_s,
                                                   u"Tel. 221234567@10,1115"_s,
                                                   u"90-001 Łódź@10,1095"_s,
                                                   u"Długa 1@10,1075"_s,
                                                   u"Dom:@10,1031"_s, // 1180 - 6 × 24 - 5
                                                   u"www.firma.pl@1162,1155"_s,
                                                   u"Fax 227654321@1162,1135"_s,
                                                   u"Tel. 221111111 w. 12@1162,1115"_s,
                                                   u"00-950 Warszawa@1162,1095"_s,
                                                   u"Prosta 2@1162,1075"_s,
                                                   u"Praca:@1162,1031"_s};
}

void TestCardLayout::lines_perOptionSet()
{
    QFETCH(bool, personal);
    QFETCH(bool, work);
    QFETCH(QStringList, expected);
    CardLayout::Options options;
    options.personal = personal;
    options.work = work;
    const QList<Item> card = CardLayout::page(600, 600, fullContact(), options, fakeMeasure);
    QCOMPARE(texts(card), expected);
    const bool hasRule = std::any_of(card.begin(), card.end(), [](const Item &item) {
        return item.kind == Item::Rule && item.from == QPoint(10, 25) && item.to == QPoint(2255, 25);
    });
    QCOMPARE(hasRule, work);
}

void TestCardLayout::emptyFields_leaveTheirLinesEmpty()
{
    CardLayout::Content c;
    c.name = u"Nowak"_s;
    c.TelKom = u"600100200"_s;
    c.DomKod = u"90-001"_s;
    c.TelWew = u"12"_s; // an extension without a work number is not printed
    CardLayout::Options options;
    options.work = true;
    QCOMPARE(texts(CardLayout::page(600, 600, c, options, fakeMeasure)),
             QStringList({u"@10,5"_s,
                          u"@10,26"_s,
                          u"Nowak @1102,540"_s,
                          u"@1132,582"_s,
                          u"Tel. komórkowy: 600100200@10,1135"_s,
                          u"90-001 @10,1095"_s,
                          u"@10,1075"_s,
                          u"Dom:@10,1031"_s,
                          u"@1162,1155"_s,
                          u"@1162,1095"_s,
                          u"@1162,1075"_s,
                          u"Praca:@1162,1031"_s}));
}

void TestCardLayout::paper_data()
{
    QTest::addColumn<QSizeF>("printable");
    QTest::addColumn<bool>("enough");
    QTest::newRow("A4 with margins") << QSizeF(203.2, 289.6) << true;
    QTest::newRow("exactly the limit") << QSizeF(195, 250) << true;
    QTest::newRow("A5") << QSizeF(144, 206) << false;
    QTest::newRow("a hair too narrow") << QSizeF(194.9, 290) << false;
    QTest::newRow("landscape A4") << QSizeF(289.6, 203.2) << false;
}

void TestCardLayout::paper()
{
    QFETCH(QSizeF, printable);
    QFETCH(bool, enough);
    QCOMPARE(CardLayout::paperLargeEnough(printable), enough);
}

QTEST_GUILESS_MAIN(TestCardLayout)
#include "tst_cardlayout.moc"
