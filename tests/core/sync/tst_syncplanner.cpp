// The sync's decisions in memory: tables of cases, and seeded random collections checked against
// what a sync promises (nothing lost, nothing doubled, nothing deleted that the other side changed).
#include "core/sync/plan/SyncPlanner.h"

#include <QRandomGenerator>
#include <QSet>
#include <QtTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using SyncPlanner::Step;

namespace {

SyncItem known(const QString &key, const QString &href, bool confirmed = true)
{
    SyncItem item;
    item.key = key;
    item.href = href;
    item.uid = u"u-"_s + key;
    item.etag = confirmed ? u"e1"_s : QString();
    item.hash = "h-" + key.toUtf8();
    return item;
}

} // namespace

class tst_SyncPlanner : public QObject
{
    Q_OBJECT

private slots:
    // One item the state knows, both sides as they stand now.
    void knownItem_data()
    {
        QTest::addColumn<int>("here");    // 0 gone, 1 as synced, 2 changed
        QTest::addColumn<int>("there");   // 0 gone, 1 as synced, 2 changed
        QTest::addColumn<bool>("old");    // gone here for being old
        QTest::addColumn<bool>("series"); // left alone on purpose
        QTest::addColumn<int>("step");
        QTest::newRow("deleted here, unchanged there") << 0 << 1 << false << false << int(Step::DeleteRemote);
        QTest::newRow("deleted here, changed there: comes back") << 0 << 2 << false << false << int(Step::Restore);
        QTest::newRow("old here, unchanged there: left alone") << 0 << 1 << true << false << int(Step::Nothing);
        QTest::newRow("old here, changed there: state only") << 0 << 2 << true << false << int(Step::KeepOld);
        QTest::newRow("gone there, unchanged here") << 1 << 0 << false << false << int(Step::DeleteLocal);
        QTest::newRow("gone there, changed here: sent again") << 2 << 0 << false << false << int(Step::Upload);
        QTest::newRow("changed on both") << 2 << 2 << false << false << int(Step::Merge);
        QTest::newRow("gone on both") << 0 << 0 << false << false << int(Step::Forget);
        QTest::newRow("series changed there") << 0 << 2 << false << true << int(Step::Refresh);
        QTest::newRow("series gone there") << 0 << 0 << false << true << int(Step::Forget);
        QTest::newRow("series as it was") << 0 << 1 << false << true << int(Step::Nothing);
    }
    void knownItem()
    {
        QFETCH(int, here);
        QFETCH(int, there);
        QFETCH(bool, old);
        QFETCH(bool, series);
        SyncCollectionState state;
        SyncItem item = known(u"k"_s, u"/c/k.vcf"_s);
        item.skipped = series;
        state.items = {item};
        SyncPlanner::LocalSnapshot local;
        if (here > 0) {
            local.hashes.insert(u"k"_s, here == 1 ? item.hash : QByteArray("new"));
        }
        if (old) {
            local.old.insert(u"k"_s);
        }
        SyncPlanner::RemoteSnapshot remote;
        remote.fullListing = true;
        if (there > 0) {
            remote.listed.insert(item.href, there == 1 ? u"e1"_s : u"e2"_s);
        }
        if (there == 2) {
            remote.fetched.insert(item.href, {u"e2"_s, {}, {}});
        }
        const SyncPlanner::Plan plan = SyncPlanner::plan(state, local, remote);
        QCOMPARE(plan.known.size(), 1);
        QTEST(int(plan.known[0].step), "step");
    }

    // Items met on both sides for the first time: linked by UID, else by content when neither side
    // has another candidate; the rest are sent or taken.
    void firstMeeting_data()
    {
        QTest::addColumn<QStringList>("local");  // key:uid:identity,identity
        QTest::addColumn<QStringList>("remote"); // href:uid:identity,identity
        QTest::addColumn<QStringList>("linked"); // key>href
        QTest::addColumn<QStringList>("uploads");
        QTest::addColumn<QStringList>("downloads");
        QTest::newRow("same UID") << QStringList{"a:U1:x"} << QStringList{"/1:U1:y"} << QStringList{"a>/1"}
                                  << QStringList{} << QStringList{};
        QTest::newRow("same person under the phone's UID") << QStringList{"a:U1:jan600"} << QStringList{"/1:P9:jan600"}
                                                           << QStringList{"a>/1"} << QStringList{} << QStringList{};
        QTest::newRow("two here match one there: none linked")
            << QStringList{"a:U1:jan", "b:U2:jan"} << QStringList{"/1:P9:jan"} << QStringList{} << QStringList{"a", "b"}
            << QStringList{"/1"};
        QTest::newRow("one here matches two there: none linked")
            << QStringList{"a:U1:jan"} << QStringList{"/1:P8:jan", "/2:P9:jan"} << QStringList{} << QStringList{"a"}
            << QStringList{"/1", "/2"};
        QTest::newRow("UID wins over content") << QStringList{"a:U1:jan", "b:U2:ewa"} << QStringList{"/1:U1:ewa"}
                                               << QStringList{"a>/1"} << QStringList{"b"} << QStringList{};
        QTest::newRow("nothing in common") << QStringList{"a:U1:jan"} << QStringList{"/1:P1:ewa"} << QStringList{}
                                           << QStringList{"a"} << QStringList{"/1"};
    }
    void firstMeeting()
    {
        QFETCH(QStringList, local);
        QFETCH(QStringList, remote);
        SyncPlanner::LocalSnapshot here;
        for (const QString &item : std::as_const(local)) {
            const QStringList p = item.split(u':');
            here.hashes.insert(p[0], "h");
            here.uids.insert(p[0], p[1]);
            for (const QString &id : p[2].split(u',')) {
                here.identity[p[0]].append(id.toUtf8());
            }
        }
        SyncPlanner::RemoteSnapshot there;
        there.fullListing = true;
        for (const QString &item : std::as_const(remote)) {
            const QStringList p = item.split(u':');
            there.listed.insert(p[0], u"e"_s);
            SyncPlanner::RemoteItem r{u"e"_s, p[1], {}};
            for (const QString &id : p[2].split(u',')) {
                r.identity.append(id.toUtf8());
            }
            there.fetched.insert(p[0], r);
        }
        const SyncPlanner::Plan plan = SyncPlanner::plan({}, here, there);
        QStringList linked;
        for (const auto &[key, href] : plan.linked) {
            linked.append(key + u'>' + href);
        }
        QTEST(linked, "linked");
        QTEST(plan.uploads, "uploads");
        QStringList downloads = plan.downloads;
        downloads.sort();
        QTEST(downloads, "downloads");
    }

    void pairEdited_data()
    {
        QTest::addColumn<QStringList>("gone");     // known keys vanished here: date|text
        QTest::addColumn<QStringList>("appeared"); // keys new here
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QStringList>("pairs");
        QTest::newRow("text changed") << QStringList{"01|a"} << QStringList{"01|b"} << QStringList{}
                                      << QStringList{"01|a>01|b"};
        QTest::newRow("date changed") << QStringList{"01|a"} << QStringList{"05|a"} << QStringList{}
                                      << QStringList{"01|a>05|a"};
        QTest::newRow("two candidates") << QStringList{"01|a"} << QStringList{"01|b", "01|c"} << QStringList{}
                                        << QStringList{};
        QTest::newRow("one new for two gone")
            << QStringList{"01|a", "01|b"} << QStringList{"01|c"} << QStringList{} << QStringList{};
        QTest::newRow("removed by the user")
            << QStringList{"01|a"} << QStringList{"01|b"} << QStringList{"01|a"} << QStringList{};
        QTest::newRow("nothing alike") << QStringList{"01|a"} << QStringList{"02|b"} << QStringList{} << QStringList{};
    }
    void pairEdited()
    {
        QFETCH(QStringList, gone);
        QFETCH(QStringList, appeared);
        QFETCH(QStringList, removed);
        SyncCollectionState state;
        for (const QString &key : std::as_const(gone)) {
            state.items.append(known(key, u"/"_s + key));
        }
        state.items.append(known(u"09|stays"_s, u"/stays"_s));
        SyncPlanner::LocalSnapshot local;
        local.hashes.insert(u"09|stays"_s, "h");
        for (const QString &key : std::as_const(appeared)) {
            local.hashes.insert(key, "h");
        }
        QStringList pairs;
        for (const auto &[before, after] :
             SyncPlanner::pairEdited(state, local, QSet<QString>(removed.cbegin(), removed.cend()), 3)) {
            pairs.append(before + u'>' + after);
        }
        QTEST(pairs, "pairs");
    }

    // Known items on the server, how many of them are gone there (by a full listing or named as
    // deleted by an incremental one), changed here, and new there.
    void consent_data()
    {
        QTest::addColumn<int>("known");
        QTest::addColumn<int>("gone");
        QTest::addColumn<int>("changedHere"); // of those gone: sent again, not deleted
        QTest::addColumn<bool>("full");
        QTest::addColumn<bool>("newThere");
        QTest::addColumn<bool>("asked");
        QTest::newRow("emptied, incremental, four") << 4 << 4 << 0 << false << false << true;
        QTest::newRow("emptied, full, four") << 4 << 4 << 0 << true << false << true;
        QTest::newRow("emptied, incremental, one") << 1 << 1 << 0 << false << false << true;
        QTest::newRow("lost all it had, one new there") << 3 << 3 << 0 << false << true << true;
        QTest::newRow("emptied, one changed here") << 4 << 4 << 1 << false << false << true;
        QTest::newRow("emptied, all changed here: nothing deleted") << 2 << 2 << 2 << false << false << false;
        QTest::newRow("three of four") << 4 << 3 << 0 << false << false << false;
        QTest::newRow("a handful of six") << 6 << 5 << 0 << true << false << false;
        QTest::newRow("six of a hundred") << 100 << 6 << 0 << false << false << false;
        QTest::newRow("six of twenty") << 20 << 6 << 0 << false << false << true;
        QTest::newRow("nothing gone") << 10 << 0 << 0 << false << false << false;
    }
    void consent()
    {
        QFETCH(int, known);
        QFETCH(int, gone);
        QFETCH(int, changedHere);
        QFETCH(bool, full);
        QFETCH(bool, newThere);
        SyncCollectionState state;
        SyncPlanner::LocalSnapshot local;
        SyncPlanner::RemoteSnapshot remote;
        remote.fullListing = full;
        for (int i = 0; i < known; ++i) {
            const SyncItem item = ::known(u"k%1"_s.arg(i), u"/c/%1.vcf"_s.arg(i));
            state.items.append(item);
            local.hashes.insert(item.key, i < changedHere ? QByteArray("edited") : item.hash);
            if (i >= gone) {
                remote.listed.insert(item.href, item.etag);
            } else if (!full) {
                remote.gone.insert(item.href);
            }
        }
        if (newThere) {
            remote.listed.insert(u"/c/nowy.vcf"_s, u"e9"_s);
            remote.fetched.insert(u"/c/nowy.vcf"_s, {u"e9"_s, u"nowy"_s, {"Nowy"}});
        }
        SyncPlanner::Plan plan = SyncPlanner::plan(state, local, remote);
        QCOMPARE(plan.deletionsHere, gone - std::min(gone, changedHere));
        QTEST(SyncPlanner::needsConsent(plan, local.hashes.size()), "asked");

        // Sent back instead: every deletion here becomes a write to the server, and nothing else changes.
        const SyncPlanner::Plan before = plan;
        SyncPlanner::sendBack(plan);
        QCOMPARE(plan.deletionsHere, 0);
        QVERIFY(!SyncPlanner::needsConsent(plan, local.hashes.size()));
        for (qsizetype i = 0; i < plan.known.size(); ++i) {
            QCOMPARE(int(plan.known[i].step),
                     int(before.known[i].step == Step::DeleteLocal ? Step::Upload : before.known[i].step));
        }
        QCOMPARE(plan.downloads, before.downloads);
    }

    // Random collections on both sides, checked against the promises rather than the rules.
    void randomCollectionsKeepThePromises()
    {
        for (quint32 seed = 1; seed <= 400; ++seed) {
            QRandomGenerator random(seed);
            SyncCollectionState state;
            SyncPlanner::LocalSnapshot local;
            SyncPlanner::RemoteSnapshot remote;
            remote.fullListing = random.bounded(2) == 0;
            QHash<QString, std::pair<int, int>> sides; // key -> (here, there): 0 gone, 1 same, 2 changed
            const int count = random.bounded(12);
            for (int i = 0; i < count; ++i) {
                const QString key = u"k%1"_s.arg(i);
                SyncItem item = known(key, u"/c/"_s + key, random.bounded(8) != 0);
                state.items.append(item);
                const int here = random.bounded(3);
                const int there = random.bounded(3);
                sides.insert(key, {here, there});
                if (here > 0) {
                    local.hashes.insert(key, here == 1 ? item.hash : QByteArray("changed"));
                }
                if (there > 0) {
                    remote.listed.insert(item.href, there == 1 ? item.etag : u"e9"_s);
                }
                if (there == 2) {
                    remote.fetched.insert(item.href, {u"e9"_s, {}, {}});
                } else if (there == 0 && !remote.fullListing) {
                    remote.gone.insert(item.href);
                }
            }
            // Items new on each side, some of them one person.
            const QStringList people{u"jan"_s, u"ewa"_s, u"ola"_s, u"piotr"_s};
            // UIDs are unique on each side; some are on both.
            QStringList uids{u"U0"_s, u"U1"_s, u"U2"_s, u"U3"_s, u"U4"_s, u"U5"_s, u"U6"_s, u"U7"_s};
            std::shuffle(uids.begin(), uids.end(), random);
            for (int i = random.bounded(5); i > 0; --i) {
                const QString key = u"n%1"_s.arg(i);
                local.hashes.insert(key, "h");
                local.uids.insert(key, uids[i]);
                local.identity.insert(key, {people[random.bounded(people.size())].toUtf8()});
            }
            std::shuffle(uids.begin(), uids.end(), random);
            for (int i = random.bounded(5); i > 0; --i) {
                const QString href = u"/c/r%1"_s.arg(i);
                remote.listed.insert(href, u"e"_s);
                remote.fetched.insert(href, {u"e"_s, uids[i], {people[random.bounded(people.size())].toUtf8()}});
            }
            const SyncPlanner::Plan plan = SyncPlanner::plan(state, local, remote);
            const QByteArray where = "seed " + QByteArray::number(seed);

            QCOMPARE(plan.known.size(), state.items.size());
            for (const SyncPlanner::Plan::Known &k : plan.known) {
                const SyncItem &item = state.items[k.index];
                const auto [here, there] = sides.value(item.key);
                // Nothing another side changed is deleted; nothing changed here is left unsent.
                if (k.step == Step::DeleteLocal) {
                    QVERIFY2(here == 1 && there == 0 && !item.etag.isEmpty(), where);
                }
                if (k.step == Step::DeleteRemote) {
                    QVERIFY2(here == 0 && there == 1, where);
                }
                if (here == 2) {
                    QVERIFY2(k.step == Step::Upload || k.step == Step::Merge, where);
                }
                if (there == 2 && here == 1) {
                    QVERIFY2(k.step == Step::Download, where);
                }
            }
            // Every item met for the first time ends once: linked, sent or taken.
            QStringList keys = plan.uploads;
            QStringList hrefs = plan.downloads;
            for (const auto &[key, href] : plan.linked) {
                keys.append(key);
                hrefs.append(href);
            }
            QCOMPARE(QSet<QString>(keys.cbegin(), keys.cend()).size(), keys.size());
            QCOMPARE(QSet<QString>(hrefs.cbegin(), hrefs.cend()).size(), hrefs.size());
            int newHere = 0;
            for (auto it = local.hashes.cbegin(); it != local.hashes.cend(); ++it) {
                newHere += it.key().startsWith(u'n') ? 1 : 0;
            }
            QCOMPARE(keys.size(), newHere);
            // Nothing doubled: an item sent from here has no UID that an unlinked server item has.
            QSet<QString> takenUids;
            for (const QString &href : std::as_const(plan.downloads)) {
                takenUids.insert(remote.fetched[href].uid);
            }
            for (const QString &key : std::as_const(plan.uploads)) {
                QVERIFY2(!takenUids.contains(local.uids.value(key)), where);
            }
        }
    }
};

QTEST_GUILESS_MAIN(tst_SyncPlanner)
#include "tst_syncplanner.moc"
