#include "core/biorhythm/Biorhythm.h"
#include "core/common/DateText.h"

#include <QtTest>

class TestBiorhythmModel : public QObject
{
    Q_OBJECT
private slots:
    void cycleValues_data();
    void cycleValues();
    void beforeBirth_allZeroAndDayOfLifeCountsDown_data();
    void beforeBirth_allZeroAndDayOfLifeCountsDown();
    void timeOfDay_sameAsMidnight();
    void dayOfLife_farApartDates_noOverflow();
    void readoutText_exactSpacing_data();
    void readoutText_exactSpacing();
    void lastDayIndex_data();
    void lastDayIndex();
    void geometry_gridAndBandEnds();
    void geometry_curveEnds();
    void geometry_hoverMapsEdgesToFirstAndLastDay_data();
    void geometry_hoverMapsEdgesToFirstAndLastDay();
};

static const double birth = DateText::toDay(QDate(1974, 12, 15));

void TestBiorhythmModel::cycleValues_data()
{
    QTest::addColumn<int>("d");
    QTest::addColumn<int>("physical");
    QTest::addColumn<int>("emotional");
    QTest::addColumn<int>("intellectual");
    QTest::addColumn<int>("physicalPct");
    QTest::addColumn<int>("emotionalPct");
    QTest::addColumn<int>("intellectualPct");
    QTest::newRow("birth day") << 0 << 0 << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("day after") << 1 << 2697 << 2225 << 1892 << 26 << 22 << 18;
    QTest::newRow("emotional peak") << 7 << 9422 << 10000 << 9718 << 94 << 100 << 97;
    QTest::newRow("emotional half, sin(pi) > 0") << 14 << -6311 << 0 << 4582 << -63 << 0 << 45;
    QTest::newRow("emotional trough") << 21 << -5196 << -10000 << -7558 << -51 << -100 << -75;
    QTest::newRow("floor then truncate") << 22 << -2698 << -9750 << -8661 << -26 << -97 << -86;
    QTest::newRow("physical period") << 23 << 0 << -9010 << -9451 << 0 << -90 << -94;
    QTest::newRow("27 days") << 27 << 8878 << -2226 << -9097 << 88 << -22 << -90;
    QTest::newRow("intellectual period") << 33 << 3984 << 9009 << 0 << 39 << 90 << 0;
}

void TestBiorhythmModel::cycleValues()
{
    QFETCH(int, d);
    const double day = birth + d;
    const int p = Biorhythm::Biorytm_Licz(Biorhythm::physicalPeriod, day, birth);
    const int e = Biorhythm::Biorytm_Licz(Biorhythm::emotionalPeriod, day, birth);
    const int i = Biorhythm::Biorytm_Licz(Biorhythm::intellectualPeriod, day, birth);
    QTEST(p, "physical");
    QTEST(e, "emotional");
    QTEST(i, "intellectual");
    QTEST(Biorhythm::percent(p), "physicalPct");
    QTEST(Biorhythm::percent(e), "emotionalPct");
    QTEST(Biorhythm::percent(i), "intellectualPct");
    QCOMPARE(Biorhythm::dayOfLife(day, birth), qint64(d + 1));
}

void TestBiorhythmModel::beforeBirth_allZeroAndDayOfLifeCountsDown_data()
{
    QTest::addColumn<int>("d");
    QTest::addColumn<qint64>("dayOfLife");
    QTest::newRow("day before") << -1 << qint64(0);
    QTest::newRow("two days before") << -2 << qint64(-1);
    QTest::newRow("quarter period before") << -7 << qint64(-6);
}

void TestBiorhythmModel::beforeBirth_allZeroAndDayOfLifeCountsDown()
{
    QFETCH(int, d);
    const double day = birth + d;
    for (int period : {Biorhythm::physicalPeriod, Biorhythm::emotionalPeriod, Biorhythm::intellectualPeriod}) {
        QCOMPARE(Biorhythm::Biorytm_Licz(period, day, birth), 0);
    }
    QTEST(Biorhythm::dayOfLife(day, birth), "dayOfLife");
}

void TestBiorhythmModel::timeOfDay_sameAsMidnight()
{
    const double evening = Biorhythm::dayValue(QDateTime(QDate(1974, 12, 22), QTime(23, 59)));
    QCOMPARE(evening - birth, 7.0 + (23 * 60 + 59) / 1440.0);
    QCOMPARE(Biorhythm::Biorytm_Licz(Biorhythm::emotionalPeriod, evening, birth), 10000);
    QCOMPARE(Biorhythm::Biorytm_Licz(Biorhythm::physicalPeriod, evening, birth + 0.75), 9422);
    QCOMPARE(Biorhythm::dayOfLife(evening, birth + 0.5), qint64(8));
    QCOMPARE(Biorhythm::readoutText(evening, birth), Biorhythm::readoutText(birth + 7, birth));
}

void TestBiorhythmModel::dayOfLife_farApartDates_noOverflow()
{
    const double first = DateText::toDay(QDate(1000, 1, 1));
    const double last = DateText::toDay(QDate(3000, 12, 31));
    QCOMPARE(Biorhythm::dayOfLife(last, first), qint64(QDate(1000, 1, 1).daysTo(QDate(3000, 12, 31))) + 1);
    QCOMPARE(Biorhythm::Biorytm_Licz(Biorhythm::emotionalPeriod, first, last), 0);
}

void TestBiorhythmModel::readoutText_exactSpacing_data()
{
    QTest::addColumn<int>("d");
    QTest::addColumn<QString>("text");
    QTest::newRow("day after birth") << 1 << "Intelektualny  18%   Emocjonalny  22%   Fizyczny  26%";
    QTest::newRow("negatives") << 21 << "Intelektualny  -75%   Emocjonalny  -100%   Fizyczny  -51%";
    QTest::newRow("before birth") << -3 << "Intelektualny  0%   Emocjonalny  0%   Fizyczny  0%";
}

void TestBiorhythmModel::readoutText_exactSpacing()
{
    QFETCH(int, d);
    QTEST(Biorhythm::readoutText(birth + d, birth), "text");
}

void TestBiorhythmModel::lastDayIndex_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("c");
    QTest::newRow("30-day month") << 2026 << 11 << 29;
    QTest::newRow("31-day month") << 2026 << 12 << 30;
    QTest::newRow("leap February") << 2024 << 2 << 28;
    QTest::newRow("common February") << 2026 << 2 << 27;
    QTest::newRow("1900 not leap") << 1900 << 2 << 27;
    QTest::newRow("2000 leap") << 2000 << 2 << 28;
    QTest::newRow("first year") << 1000 << 1 << 30;
    QTest::newRow("last year") << 3000 << 12 << 30;
    QTest::newRow("no month") << 2026 << 0 << -1;
}

void TestBiorhythmModel::lastDayIndex()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QTEST(BiorhythmChart::lastDayIndex(year, month), "c");
}

void TestBiorhythmModel::geometry_gridAndBandEnds()
{
    const int w = BiorhythmChart::width;
    QCOMPARE(BiorhythmChart::zeroLineY(BiorhythmChart::height), 91);
    QCOMPARE(BiorhythmChart::gridX(0, 30, w), 0);
    QCOMPARE(BiorhythmChart::gridX(30, 30, w), w - 1);
    QCOMPARE(BiorhythmChart::gridX(27, 27, w), w - 1);
    QCOMPARE(BiorhythmChart::gridX(1, 30, w), 15); // 451 / 30 = 15.03
    // The band of day 6 in a 31-day month starts at the grid line of day 6 and reaches day 7's.
    const BiorhythmChart::Band band = BiorhythmChart::todayBand(6, 30, w);
    QCOMPARE(band.first, BiorhythmChart::gridX(5, 30, w));
    QCOMPARE(band.first, 75);
    QCOMPARE(band.last, 90);
    // Day lines run from 0 to W - 1, so the last day's band starts on the image's last column.
    const BiorhythmChart::Band lastDay = BiorhythmChart::todayBand(31, 30, w);
    QCOMPARE(lastDay.first, w - 1);
    QCOMPARE(lastDay.last, 466);
}

void TestBiorhythmModel::geometry_curveEnds()
{
    const int w = BiorhythmChart::width;
    const int mid = BiorhythmChart::zeroLineY(BiorhythmChart::height);
    QCOMPARE(BiorhythmChart::curveX(0, 29, w), 0);
    QCOMPARE(BiorhythmChart::curveX(29, 29, w), w);
    QCOMPARE(BiorhythmChart::curveX(1, 29, w), 15); // 452 / 29 = 15.59
    QCOMPARE(BiorhythmChart::curveY(10000, mid), 0);
    QCOMPARE(BiorhythmChart::curveY(-10000, mid), 2 * mid);
    QCOMPARE(BiorhythmChart::curveY(0, mid), mid);
    QCOMPARE(BiorhythmChart::curveY(-1, mid), mid);    // 91 * -1 / -10000 truncates to 0
    QCOMPARE(BiorhythmChart::curveY(5000, mid), 46);   // 91 - 45.5 truncated toward zero
    QCOMPARE(BiorhythmChart::curveY(-5000, mid), 136); // 91 + 45
}

void TestBiorhythmModel::geometry_hoverMapsEdgesToFirstAndLastDay_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("lastDay");
    QTest::addColumn<int>("day");
    QTest::newRow("x 0") << 0 << 30 << 1;
    QTest::newRow("x W-1, 31 days") << 451 << 30 << 31;
    QTest::newRow("x W-1, February") << 451 << 27 << 28;
    QTest::newRow("just before day 2") << 15 << 30 << 1;
    QTest::newRow("day 2 line") << 16 << 30 << 2;
}

void TestBiorhythmModel::geometry_hoverMapsEdgesToFirstAndLastDay()
{
    QFETCH(int, x);
    QFETCH(int, lastDay);
    QTEST(BiorhythmChart::dayAt(x, lastDay, BiorhythmChart::width), "day");
}

QTEST_GUILESS_MAIN(TestBiorhythmModel)
#include "tst_biorhythmmodel.moc"
