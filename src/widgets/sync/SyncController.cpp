#include "SyncController.h"

#include "core/common/IniFile.h"
#include "core/common/Settings.h"
#include "core/sync/LastSync.h"
#include "core/sync/PasswordStore.h"
#include "widgets/appointments/TForm_Terminy.h"
#include "widgets/contacts/TForm_Notatniczek.h"
#include "widgets/sync/TForm_Synchronizacja.h"

#include <QApplication>
#include <QEvent>
#include <QInputDialog>
#include <QLineEdit>
#include <QTimer>

#include <utility>

namespace {

constexpr int retryMs = 60 * 1000;

std::optional<QString> passwordDialog(const QString &prompt)
{
    bool ok = false;
    const QString text = QInputDialog::getText(
        nullptr, QStringLiteral("Morwinek - Synchronizacja"), prompt, QLineEdit::Password, QString(), &ok);
    return ok ? std::optional<QString>(text) : std::nullopt;
}

} // namespace

SyncController::SyncController(Services &services, Settings &settings, QObject *parent)
    : QObject(parent)
    , askPassword(passwordDialog)
    , m_services(services)
    , m_settings(settings)
{
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("TimerSync"));
    connect(m_timer, &QTimer::timeout, this, [this] {
        start(Automatic);
    });
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    m_retry->setInterval(retryMs);
    connect(m_retry, &QTimer::timeout, this, [this] {
        start(Automatic);
    });
    reschedule();
    // The last result of an earlier run, or of a sync from the command line.
    IniFile ini(m_services.dataPath(QStringLiteral("Morwinek.ini")));
    if (ini.load()) {
        m_last = LastSync::read(ini);
    }
}

SyncController::~SyncController()
{
    // A job cut short by the end of the program reports nothing to a half-destroyed controller.
    if (m_engine) {
        m_engine->disconnect(this);
    }
}

SyncEngine *SyncController::engine()
{
    if (!m_engine && m_services.makeSyncEngine) {
        m_engine = m_services.makeSyncEngine();
        if (m_engine) {
            connect(m_engine.get(), &SyncEngine::finished, this, &SyncController::engineFinished);
        }
    }
    return m_engine.get();
}

bool SyncController::busy() const
{
    return m_running || (m_engine && m_engine->busy());
}

SyncController::Block SyncController::block() const
{
    if (!m_engine && !m_services.makeSyncEngine) {
        return Block::NoEngine;
    }
    if (m_settings.syncAddress.isEmpty() || m_settings.syncAddressBookUrl.isEmpty()
        || m_settings.syncCalendarUrl.isEmpty()) {
        return Block::NotConnected;
    }
    if (busy()) {
        return Block::Busy;
    }
    if (Form_Notatniczek && Form_Notatniczek->hasUnsavedChanges()) {
        return Block::ContactsUnsaved;
    }
    if (Form_Terminy && Form_Terminy->isUnsaved()) {
        return Block::AppointmentsUnsaved;
    }
    if (QApplication::activeModalWidget()) {
        return Block::Dialog;
    }
    return Block::None;
}

QString SyncController::text(Block block)
{
    switch (block) {
    case Block::None:
        return {};
    case Block::NoEngine:
        return QStringLiteral("Synchronizacja nie jest dostępna w tej wersji programu.");
    case Block::NotConnected:
        return QStringLiteral("Najpierw połącz się z serwerem przyciskiem „Połącz”.");
    case Block::NoPassword:
        return QStringLiteral("Podaj hasło do serwera.");
    case Block::Busy:
        return QStringLiteral("Synchronizacja już trwa.");
    case Block::ContactsUnsaved:
        return QStringLiteral("W oknie „Morwinek - Kontakty” są niezapisane zmiany.\r"
                              "Zapisz je albo odrzuć, a potem synchronizuj.");
    case Block::AppointmentsUnsaved:
        return QStringLiteral("W oknie „Morwinek - Terminy” są niezapisane zmiany.\r"
                              "Zapisz je albo odrzuć, a potem synchronizuj.");
    case Block::Dialog:
        return QStringLiteral("Najpierw zamknij otwarte okno dialogowe.");
    case Block::Paused:
        return pausedText();
    }
    return {};
}

SyncAccount SyncController::account(const QString &password) const
{
    SyncAccount account;
    account.address = m_settings.syncAddress;
    account.user = m_settings.syncUser;
    account.password = password;
    account.allowPlainHttp = m_settings.syncAllowPlainHttp;
    account.addressBookUrl = m_settings.syncAddressBookUrl;
    account.calendarUrl = m_settings.syncCalendarUrl;
    return account;
}

QString SyncController::accountKey() const
{
    return m_settings.syncUser + QLatin1Char('\n') + m_settings.syncAddress;
}

std::optional<QString> SyncController::password(bool mayAsk)
{
    if (m_passwordKey != accountKey()) {
        // Another server or user: what was known belongs to the old one.
        m_password.reset();
        m_keyringRead = false;
        m_asked = false;
        m_passwordKey = accountKey();
    }
    if (m_password) {
        return m_password;
    }
    if (m_settings.syncUser.isEmpty()) {
        return QString(); // a server without authentication
    }
    if (!m_keyringRead && m_services.passwords && m_services.passwords->available()) {
        m_keyringRead = true;
        m_password = m_services.passwords->read(m_settings.syncAddress, m_settings.syncUser);
        if (m_password) {
            return m_password;
        }
    }
    if (mayAsk && !m_asked && askPassword) {
        m_asked = true;
        ++m_askings;
        m_password = askPassword(
            QStringLiteral("Hasło użytkownika „%1” na serwerze %2:").arg(m_settings.syncUser, m_settings.syncAddress));
    }
    return m_password;
}

void SyncController::setPassword(const QString &password)
{
    m_passwordKey = accountKey();
    m_password = password;
    setPaused(false);
}

QString SyncController::pausedText()
{
    return QStringLiteral("Synchronizacja automatyczna wstrzymana — brak hasła.");
}

QString SyncController::editsHeldText()
{
    return QStringLiteral(
        "Trwa synchronizacja: do jej końca zmian nie można zapisywać.\r"
        "Poczekaj na nią albo przerwij ją przyciskiem „Przerwij” w oknie „Morwinek - Synchronizacja”.");
}

QString SyncController::heldTitle(const QString &title)
{
    return title + QStringLiteral(" (tylko do odczytu)");
}

void SyncController::setPaused(bool paused)
{
    if (m_paused != paused) {
        m_paused = paused;
        emit pausedChanged(paused);
    }
}

SyncController::Block SyncController::resume()
{
    if (m_paused) {
        m_asked = false; // the user asked for it: the password is asked again
    }
    setPaused(false);
    return startJob(ByHand, !QApplication::activeModalWidget());
}

void SyncController::reschedule()
{
    if (m_settings.syncMinutes > 0) {
        m_timer->start(m_settings.syncMinutes * 60 * 1000);
    } else {
        m_timer->stop();
        m_retry->stop();
    }
}

void SyncController::scheduleStartup()
{
    QTimer::singleShot(0, this, [this] {
        if (m_settings.syncMinutes > 0) {
            start(Automatic);
        }
    });
}

bool SyncController::retryPending() const
{
    return m_retry->isActive();
}

int SyncController::intervalMinutes() const
{
    return m_timer->isActive() ? m_timer->interval() / 60000 : 0;
}

SyncController::Block SyncController::start(Trigger trigger)
{
    if (trigger == Automatic && m_paused) {
        m_retry->stop();
        return Block::Paused;
    }
    return startJob(trigger, trigger == Automatic && !QApplication::activeModalWidget());
}

SyncController::Block SyncController::startJob(Trigger trigger, bool mayAsk)
{
    m_retry->stop();
    Block reason = block();
    std::optional<QString> secret;
    if (reason == Block::None) {
        // Asking opens a dialog of its own loop; the job is looked at again after it.
        const int askedBefore = m_askings;
        secret = password(mayAsk);
        if (!secret && m_askings != askedBefore) {
            setPaused(true); // declined: no automatic job asks again behind the user's back
            return Block::Paused;
        }
        reason = !secret ? Block::NoPassword : block();
    }
    if (reason != Block::None) {
        const bool waitForUser = reason == Block::Busy || reason == Block::ContactsUnsaved
                                 || reason == Block::AppointmentsUnsaved || reason == Block::Dialog;
        if (trigger == Automatic && waitForUser && m_settings.syncMinutes > 0) {
            m_retry->start();
        }
        return reason;
    }
    SyncEngine *job = engine();
    if (!job) {
        return Block::NoEngine;
    }
    m_running = true;
    m_cancelled = false;
    m_trigger = trigger;
    holdEdits(true);
    // A contacts or appointments window opened while the job runs takes no edits either.
    qApp->installEventFilter(this);
    emit started();
    SyncAccount allowed = account(*secret);
    allowed.contactDeletions = std::exchange(m_contactDeletions, SyncAccount::Deletions::Ask);
    allowed.appointmentDeletions = std::exchange(m_appointmentDeletions, SyncAccount::Deletions::Ask);
    allowed.allowCopy = std::exchange(m_allowCopy, false);
    job->synchronize(allowed);
    return Block::None;
}

bool SyncController::cancel()
{
    if (!m_running || !m_engine) {
        return false;
    }
    m_cancelled = true;
    m_engine->cancel();
    return true;
}

void SyncController::holdEdits(bool running)
{
    if (Form_Notatniczek) {
        Form_Notatniczek->setSyncRunning(running);
    }
    if (Form_Terminy) {
        Form_Terminy->setSyncRunning(running);
    }
}

bool SyncController::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && m_running) {
        if (watched == Form_Notatniczek.data()) {
            Form_Notatniczek->setSyncRunning(true);
        } else if (watched == Form_Terminy.data()) {
            Form_Terminy->setSyncRunning(true);
        }
    }
    return QObject::eventFilter(watched, event);
}

void SyncController::engineFinished(const SyncOutcome &outcome)
{
    if (!m_running) {
        return;
    }
    m_running = false;
    qApp->removeEventFilter(this);
    m_last = outcome;
    if (!m_last->finishedAt.isValid()) {
        m_last->finishedAt = m_services.clock.now();
    }
    IniFile ini(m_services.dataPath(QStringLiteral("Morwinek.ini")));
    QString iniError;
    if (ini.load(&iniError)) {
        LastSync::write(ini, *m_last);
        (void)ini.save(&iniError);
    }
    // Whatever the job wrote, also before an error, is read again before the windows take input.
    if (Form_Notatniczek) {
        Form_Notatniczek->reloadAfterSync();
    }
    if (Form_Terminy) {
        Form_Terminy->reloadAfterSync();
    }
    holdEdits(false);
    // The next automatic job counts its minutes from this one.
    if (m_settings.syncMinutes > 0) {
        m_timer->start(m_settings.syncMinutes * 60 * 1000);
    }
    emit finished(*m_last);
    if (m_last->ok && std::exchange(m_outage, false)) {
        emit recovered();
    }
    if (std::exchange(m_cancelled, false)) {
        return; // ended by the user: no failure to tell, nothing to ask
    }
    if (!m_last->ok && m_trigger == Automatic) {
        emit automaticFailed(m_last->error, !std::exchange(m_outage, true));
    }
    if (!m_last->ok && m_trigger == ByHand) {
        (void)askHeld(*m_last);
    }
}

bool SyncController::askHeld(const SyncOutcome &outcome)
{
    const SyncOutcome::Held &held = outcome.held;
    if (held.what == SyncOutcome::Held::Deletions) {
        const SyncAccount::Deletions answer = askDeletions(held);
        if (answer == SyncAccount::Deletions::Ask) {
            return false; // nothing changes; the next sync asks again
        }
        (held.calendar ? m_appointmentDeletions : m_contactDeletions) = answer;
    } else if (held.what == SyncOutcome::Held::Copy) {
        QString text = held.calendar
                           ? QStringLiteral("Wybrany kalendarz na serwerze nie jest pusty (wydarzenia: %2).\r"
                                            "Wysłać do niego %1 terminów z tego komputera?")
                           : QStringLiteral("Wybrana książka adresowa na serwerze nie jest pusta (wizytówki: %2).\r"
                                            "Wysłać do niej %1 kontaktów z tego komputera? Te same osoby "
                                            "zostaną połączone, a nie powielone.");
        text = text.arg(held.count).arg(held.of);
        if (m_services.prompter.messageBox(
                Form_Synchronizacja, text, QStringLiteral("Ostrzeżenie!"), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2)
            != Prompter::Yes) {
            return false;
        }
        m_allowCopy = true;
    } else {
        return false;
    }
    if (start(ByHand) != Block::None) {
        m_contactDeletions = m_appointmentDeletions = SyncAccount::Deletions::Ask;
        m_allowCopy = false;
        return false;
    }
    return true;
}

SyncAccount::Deletions SyncController::askDeletions(const SyncOutcome::Held &held)
{
    const QString items = held.calendar ? QStringLiteral("terminów") : QStringLiteral("kontaktów");
    QString text;
    if (held.emptied) {
        text = held.calendar ? QStringLiteral("Kalendarz na serwerze stracił wszystkie wydarzenia, które miał przy "
                                              "ostatniej synchronizacji (jest pusty albo został zastąpiony).\r")
                             : QStringLiteral("Książka adresowa na serwerze straciła wszystkie wizytówki, które miała "
                                              "przy ostatniej synchronizacji (jest pusta albo została zastąpiona).\r");
    }
    text += QStringLiteral("Na serwerze nie ma już %1 z %2 %3 zapisanych w tym komputerze.\r\r"
                           "„Usuń tutaj” usunie je także w tym komputerze (zostaną zachowane przez 30 dni i można je "
                           "przywrócić przyciskiem „Przywróć usunięte”).\r"
                           "„Zachowaj i wyślij na serwer” zostawi je tutaj i wyśle z powrotem na serwer.\r"
                           "„Nic nie zmieniaj” przerwie synchronizację; następna zapyta znowu.")
                .arg(held.count)
                .arg(held.of)
                .arg(items);
    const QStringList buttons{QStringLiteral("&Usuń tutaj"),
                              QStringLiteral("&Zachowaj i wyślij na serwer"),
                              QStringLiteral("&Nic nie zmieniaj")};
    switch (m_services.prompter.choose(
        Form_Synchronizacja, text, QStringLiteral("Ostrzeżenie!"), buttons, MB_ICONWARNING | MB_DEFBUTTON3)) {
    case 0:
        return SyncAccount::Deletions::DeleteHere;
    case 1:
        return SyncAccount::Deletions::SendBack;
    default:
        return SyncAccount::Deletions::Ask;
    }
}
