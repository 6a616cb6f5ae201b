#include "core/contacts/CardLayout.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using CardLayout::Font;
using CardLayout::Item;

namespace {

// Text 20 pixels high (name 50, headings 24), 10 pixels a character.
QSize fakeMeasure(Font font, const QString &text)
{
    return QSize(10 * int(text.size()), font == Font::Heading ? 24 : font == Font::Name ? 50 : 20);
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
    QTest::addColumn<QString>("expected");
    // Line k of 20-pixel text has its top at 1180 - 20k - 5, a 24-pixel heading above line 5 at 1051;
    // the right column starts at 2265.6 / 2 + 30. The name (50) and the title (20) under it are
    // centred between the department's bottom (46) or the top margin (5) and the highest column line.
    const QString name = u"Jan Kowalski @1067,%1|"_s;                             // x: (2265.6 - 130) / 2
    const QString top = u"Firma@10,5|Dział@10,26|"_s + name + u"Szef@1112,%2|"_s; // x: (2265.6 - 40) / 2
    const QString left = u"E-mail: j@o.pl@10,1155|Tel. komórkowy: 600100200@10,1135|"_s;
    const QString home = u"Tel. 221234567@10,1115|90-001 Łódź@10,1095|Długa 1@10,1075|"_s;
    const QString right = u"www.f.pl@1162,1155|Fax 227654321@1162,1135|Tel. 221111111 w. 12@1162,1115|"
                          u"00-950 Warszawa@1162,1095|Prosta 2@1162,1075"_s;
    // 5 + (1075 - 5 - 50) / 2
    QTest::newRow("personal only") << true << true << false << name.arg(515) + left + home.chopped(1);
    // 46 + (1075 - 46 - 70) / 2, the title 50 lower
    QTest::newRow("work only") << true << false << true << top.arg(525).arg(575) + left + right;
    // 46 + (1051 - 46 - 70) / 2
    QTest::newRow("both: headings") << true << true << true
                                    << top.arg(513).arg(563) + left + home + u"Dom:@10,1051|"_s + right
                                           + u"|Praca:@1162,1051"_s;
    QTest::newRow("empty fields keep their places")
        << false << true << true
        << u"@10,5|@10,26|Jan Kowalski @1067,513|@1132,563|Tel. komórkowy: 600100200@10,1135|90-001 @10,1095|"
           u"@10,1075|Dom:@10,1051|@1162,1155|@1162,1095|@1162,1075|Praca:@1162,1051"_s;
}

void TestCardLayout::lines_perOptionSet()
{
    QFETCH(bool, full);
    QFETCH(bool, personal);
    QFETCH(bool, work);
    QFETCH(QString, expected);
    CardLayout::Options options;
    options.personal = personal;
    options.work = work;
    const QList<Item> card = CardLayout::page(600, 600, contact(full), options, fakeMeasure);
    QCOMPARE(texts(card), expected);
    const bool rule = std::any_of(card.begin(), card.end(), [](const Item &item) {
        return item.kind == Item::Rule && item.from == QPoint(10, 25) && item.to == QPoint(2255, 25);
    });
    QCOMPARE(rule, work);
}

QTEST_GUILESS_MAIN(TestCardLayout)
#include "tst_cardlayout.moc"
