#include "support/ContactLines.h"

#include "core/common/Cp1250.h"
#include "core/contacts/ContactList.h"
#include "core/contacts/PolishCollation.h"

#include <QRandomGenerator>

#include <QtTest>

namespace {

ContactList listOf(const QStringList &ids)
{
    ContactList list;
    for (const QString &id : ids) {
        list.append(lineFor(id, u"X"_qs));
    }
    return list;
}

} // namespace

class TestContactList : public QObject
{
    Q_OBJECT
private slots:
    void newIdentifier_data();
    void newIdentifier();
    void newIdentifier_allTakenRefuses();
    void sort_polishOrderStable();
    void sort_keepsPosition_data();
    void sort_keepsPosition();
    void sort_movesWholeLinesUnchanged();
    void sort_inOrderRunsAsAFullSort_data();
    void sort_inOrderRunsAsAFullSort();
};

void TestContactList::newIdentifier_data()
{
    QTest::addColumn<QStringList>("ids"); // identifiers of the lines, in list order
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty list") << QStringList() << "10000";
    QTest::newRow("last plus one") << QStringList{"10000"} << "10001";
    QTest::newRow("steps over taken 10005") << QStringList{"10005", "10004"} << "10006";
    QTest::newRow("last is not the highest") << QStringList{"10007", "10002", "10003"} << "10004";
    QTest::newRow("trimmed identifier") << QStringList{" 1234"} << "1235";
    QTest::newRow("past 99999 wraps to lowest free") << QStringList{"10000", "10001", "99999"} << "10002";
    QTest::newRow("last not a number: above the highest") << QStringList{"10000", "10040", "ab12"} << "10041";
    QTest::newRow("only non-numbers") << QStringList{"abc", ""} << "10000";
    QTest::newRow("all below 10000 ignored after wrap") << QStringList{"99998", "99999"} << "10000";
}

void TestContactList::newIdentifier()
{
    QFETCH(QStringList, ids);
    QFETCH(QString, expected);
    const ContactList list = listOf(ids);
    QString id;
    QString error;
    QVERIFY(list.newIdentifier(&id, &error));
    QCOMPARE(id, expected);
    QVERIFY(id.size() <= 5); // always fits its five columns, so it can never be cut into a duplicate
}

void TestContactList::newIdentifier_allTakenRefuses()
{
    ContactList list;
    for (int n = ContactList::firstIdentifier; n <= ContactList::lastIdentifier; ++n) {
        list.append(QByteArray::number(n));
    }
    QString id;
    QString error;
    QVERIFY(!list.newIdentifier(&id, &error));
    QVERIFY(id.isEmpty());
    QVERIFY(error.contains(u"99999"_qs));
}

void TestContactList::sort_polishOrderStable()
{
    ContactList list;
    const QStringList names = {
        u"Żak"_qs, u"Łukasz"_qs, "Lis", "nowak", "Mazur", "NOWAK", u"Źrebiec"_qs, "3M", "Nowakowski"};
    for (int i = 0; i < names.size(); ++i) {
        list.append(lineFor(QString::number(10000 + i), names[i]));
    }
    int position = -1;
    list.Sortowanie(&position);
    QCOMPARE(
        list.names(),
        QStringList({"3M", "Lis", u"Łukasz"_qs, "Mazur", "nowak", "NOWAK", "Nowakowski", u"Źrebiec"_qs, u"Żak"_qs}));
    QCOMPARE(position, -1);
    // Equal names keep their order: nowak (10003) before NOWAK (10005).
    QCOMPARE(Contact::idOf(list.line(4)), u"10003"_qs);
    QCOMPARE(Contact::idOf(list.line(5)), u"10005"_qs);
}

void TestContactList::sort_keepsPosition_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("expected");
    QTest::newRow("moves from 5 to 2") << QStringList{"A", "B", "D", "E", "F", "C"} << 5 << 2;
    QTest::newRow("moves to the end") << QStringList{"Z", "A", "B"} << 0 << 2;
    QTest::newRow("stays when sorted") << QStringList{"A", "B", "C"} << 1 << 1;
    QTest::newRow("one line") << QStringList{"A"} << 0 << 0;
    QTest::newRow("no position") << QStringList{"B", "A"} << -1 << -1;
    QTest::newRow("empty") << QStringList{} << -1 << -1;
}

void TestContactList::sort_keepsPosition()
{
    QFETCH(QStringList, names);
    QFETCH(int, position);
    QFETCH(int, expected);
    ContactList list;
    for (int i = 0; i < names.size(); ++i) {
        list.append(lineFor(QString::number(10000 + i), names[i]));
    }
    const QString shownId = position >= 0 ? Contact::idOf(list.line(position)) : QString();
    list.Sortowanie(&position);
    QCOMPARE(position, expected);
    if (position >= 0) {
        QCOMPARE(Contact::idOf(list.line(position)), shownId);
    }
}

void TestContactList::sort_movesWholeLinesUnchanged()
{
    // Lines as a file may hold them: short, long, odd bytes. Sorting must not touch their bytes.
    ContactList list;
    QByteArray a = lineFor(u"10000"_qs, u"Zawada"_qs);
    a.append("\x81\x98 tail past 690");
    QByteArray b = lineFor(u"10001"_qs, u"Adamski"_qs).left(350);
    list.append(a);
    list.append(b);
    list.append(QByteArray());
    int position = 0;
    list.Sortowanie(&position);
    QCOMPARE(list.lines(), QList<QByteArray>({QByteArray(), b, a}));
    QCOMPARE(position, 2);
}

void TestContactList::sort_inOrderRunsAsAFullSort_data()
{
    QTest::addColumn<int>("inOrder"); // how many lines at the start are in order already
    QTest::addColumn<bool>("tailInOrder");
    QTest::newRow("all in order") << 300 << true;
    QTest::newRow("a book in order, an export in order added") << 200 << true;
    QTest::newRow("a book in order, one contact added") << 299 << true;
    QTest::newRow("a book in order, a shuffled file added") << 150 << false;
    QTest::newRow("nothing in order") << 0 << false;
}

// Whatever the runs in order, the lines end up as a stable sort by the Polish comparison puts them,
// each whole line with it (equal names keep their order).
void TestContactList::sort_inOrderRunsAsAFullSort()
{
    QFETCH(int, inOrder);
    QFETCH(bool, tailInOrder);
    const QStringList stems = {u"Żak"_qs, u"zak"_qs, u"Łoś"_qs, "Los", "lis", u"Ćma"_qs, "Cma", "Nowak", "nowak ",
                               " Nowakowski", "3M", "", u"Źrebiec Ąnna"_qs, "Zrebiec Anna"};
    QRandomGenerator random(7);
    QList<QByteArray> lines;
    for (int i = 0; i < 300; ++i) {
        lines.append(lineFor(QString::number(10000 + i), stems[random.bounded(stems.size())]));
    }
    const auto polishLess = [](const QByteArray &a, const QByteArray &b) {
        return PolishCollation::PorownaniePL(ContactList::nameBytes(a), ContactList::nameBytes(b)) < 0;
    };
    std::stable_sort(lines.begin(), lines.begin() + inOrder, polishLess);
    if (tailInOrder) {
        std::stable_sort(lines.begin() + inOrder, lines.end(), polishLess);
    }
    QList<QByteArray> expected = lines;
    std::stable_sort(expected.begin(), expected.end(), polishLess);
    ContactList list;
    list.setLines(lines);
    list.Sortowanie(nullptr);
    QCOMPARE(list.lines(), expected);
}

QTEST_GUILESS_MAIN(TestContactList)
#include "tst_contactlist.moc"
