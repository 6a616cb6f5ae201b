#pragma once

// What the benchmarks share: one headless application for the ones that open windows, and the
// random parts of made-up contacts, drawn from a fixed seed so every run measures the same book.
#include <QApplication>
#include <QRandomGenerator>
#include <QStringList>

namespace BenchSupport {

inline void ensureApplication()
{
    if (!QApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "morwinek_bench";
        static char *argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }
}

class RandomFields
{
public:
    explicit RandomFields(quint32 seed)
        : m_rng(seed)
    {}

    int bounded(int highest) { return int(m_rng.bounded(highest)); }
    int bounded(int lowest, int highest) { return int(m_rng.bounded(lowest, highest)); }
    const QString &pick(const QStringList &list) { return list.at(int(m_rng.bounded(list.size()))); }
    QString digits(int n)
    {
        QString s;
        for (int i = 0; i < n; ++i) {
            s.append(QChar(u'0' + bounded(10)));
        }
        return s;
    }
    // A birth date as the date fields hold it ("dd.MM.yyyy"), years 1930 to 2009.
    QString birthDate()
    {
        const int day = bounded(1, 29);
        const int month = bounded(1, 13);
        const int year = bounded(1930, 2010);
        return QStringLiteral("%1.%2.%3").arg(day, 2, 10, QChar(u'0')).arg(month, 2, 10, QChar(u'0')).arg(year);
    }

private:
    QRandomGenerator m_rng;
};

} // namespace BenchSupport
