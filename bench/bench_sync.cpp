// Sync against a local Radicale: a sync with nothing changed over 5,000 contacts and 500
// appointments (requests and wall time), and the client's own CPU time in a first sync that brings
// 5,000 contacts here (the server runs in its own process, so its time is not counted).
#include "BenchSupport.h"
#include "support/RadicaleServer.h"

#include "core/appointments/Appointment.h"
#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/common/TextFile.h"
#include "core/sync/DavSyncEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <ctime>

namespace {

using namespace Qt::StringLiterals;

constexpr int contactCount = 5000;
constexpr int appointmentCount = 500;

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

int put(const QString &url, const QByteArray &body, const QByteArray &type)
{
    static QNetworkAccessManager network;
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("Authorization",
                         "Basic " + (QByteArray(RadicaleServer::user) + ':' + RadicaleServer::password).toBase64());
    request.setRawHeader("Content-Type", type);
    request.setTransferTimeout(600000);
    QNetworkReply *reply = network.put(request, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// Whole collections written in one request each, as a server import would.
bool seed(const QString &book, const QString &calendar)
{
    BenchSupport::RandomFields random(7);
    const QStringList surnames{
        u"Kowalski"_s, u"Nowak"_s, u"Wiśniewska"_s, u"Wójcik"_s, u"Kamińska"_s, u"Lewandowski"_s};
    const QStringList names{u"Jan"_s, u"Anna"_s, u"Piotr"_s, u"Ewa"_s, u"Łukasz"_s, u"Zofia"_s};
    QByteArray cards;
    for (int i = 0; i < contactCount; ++i) {
        const QString n = random.pick(names);
        const QString s = random.pick(surnames);
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-" + QByteArray::number(i)
                 + "\r\nFN:" + (n + u' ' + s).toUtf8() + "\r\nN:" + s.toUtf8() + ';' + n.toUtf8()
                 + ";;;\r\nTEL;TYPE=CELL:6" + random.digits(8).toUtf8() + "\r\nEMAIL:" + QByteArray::number(i)
                 + "@example.org\r\nADR;TYPE=HOME:;;ul. Długa " + QByteArray::number(i) + ";Kraków;;30-001;\r\nBDAY:"
                 + QDate(1950 + i % 50, 1 + i % 12, 1 + i % 28).toString(u"yyyyMMdd"_s).toUtf8() + "\r\nEND:VCARD\r\n";
    }
    QByteArray events = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//PL\r\n";
    const QDate start = QDate::currentDate();
    for (int i = 0; i < appointmentCount; ++i) {
        events += "BEGIN:VEVENT\r\nUID:bench-t" + QByteArray::number(i)
                  + "\r\nDTSTAMP:20260101T000000Z\r\n"
                    "DTSTART;VALUE=DATE:"
                  + start.addDays(i % 300).toString(u"yyyyMMdd"_s).toUtf8() + "\r\nSUMMARY:Spotkanie "
                  + QByteArray::number(i) + "\r\nEND:VEVENT\r\n";
    }
    events += "END:VCALENDAR\r\n";
    return put(book, cards, "text/vcard") < 300 && put(calendar, events, "text/calendar") < 300;
}

struct Fixture
{
    RadicaleServer server;
    SyncAccount account;
    bool ready = false;

    Fixture()
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "morwinek_bench";
            static char *argv[] = {name, nullptr};
            new QCoreApplication(argc, argv);
        }
        QString error;
        if (!server.start(&error)) {
            qWarning("%s", qPrintable(error));
            return;
        }
        account.address = server.url();
        account.user = QString::fromLatin1(RadicaleServer::user);
        account.password = QString::fromLatin1(RadicaleServer::password);
        account.addressBookUrl = server.url() + u"anna/bench-k/"_s;
        account.calendarUrl = server.url() + u"anna/bench-t/"_s;
        ready = seed(account.addressBookUrl, account.calendarUrl);
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

SyncOutcome syncOnce(DavSyncEngine &engine, const SyncAccount &account)
{
    SyncOutcome outcome;
    QEventLoop loop;
    const auto connection = QObject::connect(&engine, &SyncEngine::finished, &loop, [&](const SyncOutcome &o) {
        outcome = o;
        loop.quit();
    });
    engine.setTimeout(600000);
    engine.synchronize(account);
    if (engine.busy()) {
        loop.exec();
    }
    QObject::disconnect(connection);
    return outcome;
}

void BM_FirstSyncBringsContacts(benchmark::State &state)
{
    Fixture &f = fixture();
    if (!f.ready) {
        state.SkipWithError("no server");
        return;
    }
    for (auto _ : state) {
        QTemporaryDir dir;
        DavSyncEngine engine(dir.path());
        const double cpu = processCpuSeconds();
        const SyncOutcome o = syncOnce(engine, f.account);
        state.counters["client_cpu_s"] = processCpuSeconds() - cpu;
        state.counters["received"] = o.contacts.received + o.appointments.received;
        state.counters["requests"] = engine.requestsSent();
        if (!o.ok) {
            state.SkipWithError(qPrintable(o.error));
        }
    }
}
BENCHMARK(BM_FirstSyncBringsContacts)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SyncNothingChanged(benchmark::State &state)
{
    Fixture &f = fixture();
    static QTemporaryDir dir;
    static DavSyncEngine engine(dir.path());
    static const SyncOutcome first = syncOnce(engine, f.account);
    if (!f.ready || !first.ok) {
        state.SkipWithError("no first sync");
        return;
    }
    for (auto _ : state) {
        const int before = engine.requestsSent();
        const double cpu = processCpuSeconds();
        const SyncOutcome o = syncOnce(engine, f.account);
        state.counters["client_cpu_s"] = processCpuSeconds() - cpu;
        state.counters["requests"] = engine.requestsSent() - before;
        if (!o.ok || o.contacts.sent + o.contacts.received + o.appointments.sent + o.appointments.received != 0) {
            state.SkipWithError("the sync changed something");
        }
    }
}
BENCHMARK(BM_SyncNothingChanged)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
