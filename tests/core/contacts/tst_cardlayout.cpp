#include "core/contacts/CardLayout.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using CardLayout::Font;
using CardLayout::Item;

namespace {

// Text 20 pixels high (the name as given, headings 24), 10 pixels a character.
CardLayout::Measure fakeMeasure(int nameHeight)
{
    return [nameHeight](Font font, const QString &text) {
        return QSize(10 * int(text.size()), font == Font::Heading ? 24 : font == Font::Name ? nameHeight : 20);
    };
}

CardLayout::Content contact(bool full)
{
    CardLayout::Content c;
    c.name = u" Kowalski Jan "_s;
    c.TelKom = u"600100200"_s;
    c.DomKod = u"90-001"_s;
    c.TelWew = u"12"_s; // an extension without a work number is not printed
    if (full) {
        c = {u" Kowalski Jan "_s,
             u"Firma"_s,
             u"Dział"_s,
             u"Szef"_s,
             u" j@o.pl "_s,
             u"600100200"_s,
             u"221234567"_s,
             u"Łódź"_s,
             u"90-001"_s,
             u"Długa 1"_s,
             u"www.f.pl"_s,
             u"227654321"_s,
             u"221111111"_s,
             u"12"_s,
             u"Warszawa"_s,
             u"00-950"_s,
             u"Prosta 2"_s};
    }
    return c;
}

// "text@x,y" of each text, in drawing order.
QString texts(const QList<Item> &items)
{
    QStringList out;
    for (const Item &item : items) {
        if (item.kind == Item::Text) {
            out << u"%1@%2,%3"_s.arg(item.text).arg(item.from.x()).arg(item.from.y());
        }
    }
    return out.join(u'|');
}

} // namespace

class TestCardLayout : public QObject
{
    Q_OBJECT
private slots:
    void lines_perOptionSet_data();
    void lines_perOptionSet();
};

void TestCardLayout::lines_perOptionSet_data()
{
    QTest::addColumn<bool>("full");
    QTest::addColumn<bool>("personal");
    QTest::addColumn<bool>("work");
    QTest::addColumn<int>("nameHeight");
    QTest::addColumn<QString>("expected");
    // Line k of 20-pixel text has its top at 1180 - 20k - 5, a 24-pixel heading above line 5 at 1051;
    // the right column starts at 2265.6 / 2 + 30. The name's top is (1180 - h) / 2 - 25; the title's
    // (1180 - 20) / 2 + 20 - 20 + 2 = 582, or the name's bottom where that is lower.
    const QString name = u"Jan Kowalski @1067,%1|"_s;                             // x: (2265.6 - 130) / 2
    const QString top = u"Firma@10,5|Dział@10,26|"_s + name + u"Szef@1112,%2|"_s; // x: (2265.6 - 40) / 2
    const QString left = u"E-mail: j@o.pl@10,1155|Tel. komórkowy: 600100200@10,1135|"_s;
    const QString home = u"Tel. 221234567@10,1115|90-001 Łódź@10,1095|Długa 1@10,1075|"_s;
    const QString right = u"www.f.pl@1162,1155|Fax 227654321@1162,1135|Tel. 221111111 w. 12@1162,1115|"
                          u"00-950 Warszawa@1162,1095|Prosta 2@1162,1075"_s;
    QTest::newRow("personal only") << true << true << false << 50 << name.arg(540) + left + home.chopped(1);
    // A 50-pixel name reaches to 590, over the title's place.
    QTest::newRow("work only: title under the name")
        << true << false << true << 50 << top.arg(540).arg(590) + left + right;
    QTest::newRow("work only: title in its place")
        << true << false << true << 30 << top.arg(550).arg(582) + left + right;
    QTest::newRow("both: headings") << true << true << true << 50
                                    << top.arg(540).arg(590) + left + home + u"Dom:@10,1051|"_s + right
                                           + u"|Praca:@1162,1051"_s;
    QTest::newRow("empty fields keep their places")
        << false << true << true << 50
        << u"@10,5|@10,26|Jan Kowalski @1067,540|@1132,590|Tel. komórkowy: 600100200@10,1135|90-001 @10,1095|"
           u"@10,1075|Dom:@10,1051|@1162,1155|@1162,1095|@1162,1075|Praca:@1162,1051"_s;
}

void TestCardLayout::lines_perOptionSet()
{
    QFETCH(bool, full);
    QFETCH(bool, personal);
    QFETCH(bool, work);
    QFETCH(int, nameHeight);
    QFETCH(QString, expected);
    CardLayout::Options options;
    options.personal = personal;
    options.work = work;
    const QList<Item> card = CardLayout::page(600, 600, contact(full), options, fakeMeasure(nameHeight));
    QCOMPARE(texts(card), expected);
    const bool rule = std::any_of(card.begin(), card.end(), [](const Item &item) {
        return item.kind == Item::Rule && item.from == QPoint(10, 25) && item.to == QPoint(2255, 25);
    });
    QCOMPARE(rule, work);
}

QTEST_GUILESS_MAIN(TestCardLayout)
#include "tst_cardlayout.moc"
