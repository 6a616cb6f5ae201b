#include "TForm_Synchronizacja.h"

#include "SyncController.h"
#include "TForm_Konflikty.h"

#include "core/common/DateText.h"
#include "core/common/DesktopOpen.h"
#include "core/sync/DeletedItems.h"
#include "core/sync/LastSync.h"
#include "core/sync/PasswordStore.h"
#include "core/sync/SyncConflicts.h"
#include "widgets/appointments/TForm_Terminy.h"
#include "widgets/contacts/TForm_Notatniczek.h"
#include "widgets/shell/Fonts.h"
#include "widgets/shell/TForm_Main.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// A bare host name means the encrypted protocol.
QString normalisedAddress(const QString &typed)
{
    QString address = typed.trimmed();
    if (!address.isEmpty() && !address.contains(QStringLiteral("://"))) {
        address.prepend(QStringLiteral("https://"));
    }
    return address;
}

bool isLoopback(const QString &host)
{
    const QString h = host.toLower();
    return h == QStringLiteral("localhost") || h.endsWith(QStringLiteral(".localhost"))
           || h.startsWith(QStringLiteral("127.")) || h == QStringLiteral("::1");
}

// What the user reads for a collection: its name on the server, else the last part of its address.
QString collectionName(const DavCollection &collection)
{
    if (!collection.displayName.trimmed().isEmpty()) {
        return collection.displayName.trimmed();
    }
    const QStringList parts = QUrl(collection.url).path().split(u'/', Qt::SkipEmptyParts);
    return parts.isEmpty() ? collection.url : QUrl::fromPercentEncoding(parts.last().toUtf8());
}

// A count as Polish text writes it: thousands apart by a (non-breaking) space, "5 001".
QString countText(int count)
{
    QString digits = QString::number(count);
    for (qsizetype at = digits.size() - 3; at > (count < 0 ? 1 : 0); at -= 3) {
        digits.insert(at, QChar(0x00A0));
    }
    return digits;
}

// Wide enough for the longest of its captions with room on both sides, so changing the caption
// neither crowds the text nor moves anything.
void fitToCaptions(QPushButton *button, const QStringList &captions)
{
    const QString shown = button->text();
    int width = 0;
    for (const QString &caption : captions) {
        button->setText(caption);
        width = std::max(width, button->sizeHint().width());
    }
    button->setText(shown);
    button->setMinimumWidth(width + 2 * button->fontMetrics().horizontalAdvance(QLatin1Char('x')));
}

} // namespace

TForm_Synchronizacja::TForm_Synchronizacja(Services &services, QWidget *parent)
    : ShellWindow(parent)
    , m_services(services)
{
    setObjectName(QStringLiteral("Form_Synchronizacja"));
    setWindowTitle(QStringLiteral("Morwinek - Synchronizacja"));
    setWindowFlags(ShellWindow::frameWithoutButtons() | Qt::WindowCloseButtonHint);
    setFont(Fonts::pixelFont(QStringLiteral("MS Sans Serif"), 11));
    if (Form_Main) {
        m_sync = Form_Main->sync();
    }
    createComponents();
    if (m_sync) {
        connect(m_sync, &SyncController::started, this, &TForm_Synchronizacja::syncStarted);
        connect(m_sync, &SyncController::finished, this, &TForm_Synchronizacja::syncFinished);
        connect(m_sync, &SyncController::pausedChanged, this, [this] {
            if (!m_sync->busy() && !m_discovering) {
                showLastOutcome();
            }
        });
        if (SyncEngine *engine = m_sync->engine()) {
            connect(engine, &SyncEngine::discovered, this, &TForm_Synchronizacja::engineDiscovered);
            connect(engine, &SyncEngine::progress, this, &TForm_Synchronizacja::engineProgress);
        }
    }
    FormShow();
    adjustSize();
    if (const QScreen *s = screen()) {
        move(s->availableGeometry().center() - rect().center());
    }
}

void TForm_Synchronizacja::createComponents()
{
    const auto label = [](QWidget *parent, const char *name, const QString &caption) {
        auto *l = new QLabel(caption, parent);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    const auto edit = [](QWidget *parent, const char *name) {
        auto *e = new QLineEdit(parent);
        e->setObjectName(QLatin1String(name));
        e->setMinimumWidth(260);
        return e;
    };
    const auto button =
        [this](QWidget *parent, const char *name, const QString &caption, void (TForm_Synchronizacja::*slot)()) {
            auto *b = new QPushButton(caption, parent);
            b->setObjectName(QLatin1String(name));
            connect(b, &QPushButton::clicked, this, slot);
            return b;
        };
    const auto combo = [](QWidget *parent, const char *name) {
        auto *c = new QComboBox(parent);
        c->setObjectName(QLatin1String(name));
        c->setEnabled(false);
        return c;
    };

    GroupBox_Serwer = new QGroupBox(QStringLiteral("Serwer CardDAV i CalDAV"), this);
    GroupBox_Serwer->setObjectName(QStringLiteral("GroupBox_Serwer"));
    Label_Adres = label(GroupBox_Serwer, "Label_Adres", QStringLiteral("&Adres serwera:"));
    Edit_Adres = edit(GroupBox_Serwer, "Edit_Adres");
    Edit_Adres->setPlaceholderText(QStringLiteral("https://serwer.pl/"));
    Label_Uzytkownik = label(GroupBox_Serwer, "Label_Uzytkownik", QStringLiteral("&Użytkownik:"));
    Edit_Uzytkownik = edit(GroupBox_Serwer, "Edit_Uzytkownik");
    Label_Haslo = label(GroupBox_Serwer, "Label_Haslo", QStringLiteral("&Hasło:"));
    Edit_Haslo = edit(GroupBox_Serwer, "Edit_Haslo");
    Edit_Haslo->setEchoMode(QLineEdit::Password);
    Check_Zapamietaj = new QCheckBox(QStringLiteral("Zapamię&taj hasło"), GroupBox_Serwer);
    Check_Zapamietaj->setObjectName(QStringLiteral("Check_Zapamietaj"));
    Button_Polacz =
        button(GroupBox_Serwer, "Button_Polacz", QStringLiteral("&Połącz"), &TForm_Synchronizacja::Button_PolaczClick);
    Label_Ksiazka = label(GroupBox_Serwer, "Label_Ksiazka", QStringLiteral("&Książka adresowa:"));
    ComboBox_Ksiazka = combo(GroupBox_Serwer, "ComboBox_Ksiazka");
    Label_Kalendarz = label(GroupBox_Serwer, "Label_Kalendarz", QStringLiteral("Ka&lendarz:"));
    ComboBox_Kalendarz = combo(GroupBox_Serwer, "ComboBox_Kalendarz");
    connect(ComboBox_Ksiazka, &QComboBox::currentIndexChanged, this, &TForm_Synchronizacja::collectionChosen);
    connect(ComboBox_Kalendarz, &QComboBox::currentIndexChanged, this, &TForm_Synchronizacja::collectionChosen);

    auto *server = new QGridLayout(GroupBox_Serwer);
    server->addWidget(Label_Adres, 0, 0);
    server->addWidget(Edit_Adres, 0, 1, 1, 2);
    server->addWidget(Label_Uzytkownik, 1, 0);
    server->addWidget(Edit_Uzytkownik, 1, 1, 1, 2);
    server->addWidget(Label_Haslo, 2, 0);
    server->addWidget(Edit_Haslo, 2, 1, 1, 2);
    server->addWidget(Check_Zapamietaj, 3, 1);
    server->addWidget(Button_Polacz, 3, 2, Qt::AlignRight);
    server->addWidget(Label_Ksiazka, 4, 0);
    server->addWidget(ComboBox_Ksiazka, 4, 1, 1, 2);
    server->addWidget(Label_Kalendarz, 5, 0);
    server->addWidget(ComboBox_Kalendarz, 5, 1, 1, 2);

    GroupBox_Synchronizacja = new QGroupBox(QStringLiteral("Synchronizacja"), this);
    GroupBox_Synchronizacja->setObjectName(QStringLiteral("GroupBox_Synchronizacja"));
    Label_CoIle = label(GroupBox_Synchronizacja, "Label_CoIle", QStringLiteral("Co ile &minut:"));
    SpinEdit_CoIle = new QSpinBox(GroupBox_Synchronizacja);
    SpinEdit_CoIle->setObjectName(QStringLiteral("SpinEdit_CoIle"));
    SpinEdit_CoIle->setRange(0, 24 * 60);
    SpinEdit_CoIle->setSuffix(QStringLiteral(" min"));
    SpinEdit_CoIle->setSpecialValueText(QStringLiteral("tylko ręcznie"));
    SpinEdit_CoIle->setToolTip(QStringLiteral("0 – synchronizacja tylko przyciskiem „Synchronizuj teraz”"));
    connect(SpinEdit_CoIle, &QSpinBox::valueChanged, this, &TForm_Synchronizacja::SpinEdit_CoIleChange);
    Button_Synchronizuj = button(GroupBox_Synchronizacja,
                                 "Button_Synchronizuj",
                                 QStringLiteral("&Synchronizuj teraz"),
                                 &TForm_Synchronizacja::Button_SynchronizujClick);
    Button_Przerwij = button(GroupBox_Synchronizacja,
                             "Button_Przerwij",
                             QStringLiteral("P&rzerwij"),
                             &TForm_Synchronizacja::Button_PrzerwijClick);
    Button_Przerwij->setEnabled(false);
    Button_Przerwij->setToolTip(QStringLiteral("Kończy synchronizację bez utraty danych; następna ją dokończy."));
    ProgressBar1 = new QProgressBar(GroupBox_Synchronizacja);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setAccessibleName(QStringLiteral("Postęp synchronizacji"));
    ProgressBar1->setTextVisible(false);
    // The status and the result wrap inside areas of their own fixed size: the window keeps its size
    // and its buttons their places whatever they say; a long result scrolls.
    const int line = fontMetrics().lineSpacing();
    Label_Stan = label(GroupBox_Synchronizacja, "Label_Stan", QString());
    Label_Stan->setWordWrap(true);
    Label_Stan->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label_Stan->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    Label_Stan->setFixedHeight(4 * line);
    auto *result = new QScrollArea(GroupBox_Synchronizacja);
    result->setObjectName(QStringLiteral("ScrollBox_Wynik"));
    result->setFrameShape(QFrame::NoFrame);
    result->setWidgetResizable(true);
    result->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    result->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    result->setFixedHeight(5 * line);
    Label_Wynik = label(result, "Label_Wynik", QString());
    Label_Wynik->setWordWrap(true);
    Label_Wynik->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label_Wynik->setTextInteractionFlags(Qt::TextSelectableByMouse);
    result->setWidget(Label_Wynik);
    Label_Wynik->setAutoFillBackground(false); // on the group's own background, as the status
    result->viewport()->setAutoFillBackground(false);
    Button_Konflikty = button(GroupBox_Synchronizacja,
                              "Button_Konflikty",
                              QStringLiteral("Ko&nflikty..."),
                              &TForm_Synchronizacja::Button_KonfliktyClick);
    Button_Konflikty->setToolTip(
        QStringLiteral("Kontakty i terminy zmienione tutaj i na serwerze: obie wersje i wybór jednej z nich"));

    Button_Przywroc = button(GroupBox_Synchronizacja,
                             "Button_Przywroc",
                             QStringLiteral("P&rzywróć usunięte"),
                             &TForm_Synchronizacja::Button_PrzywrocClick);

    auto *syncLayout = new QGridLayout(GroupBox_Synchronizacja);
    syncLayout->addWidget(Label_CoIle, 0, 0);
    syncLayout->addWidget(SpinEdit_CoIle, 0, 1);
    auto *run = new QHBoxLayout;
    run->addStretch();
    run->addWidget(Button_Synchronizuj);
    run->addWidget(Button_Przerwij);
    syncLayout->addLayout(run, 0, 2);
    syncLayout->addWidget(ProgressBar1, 1, 0, 1, 3);
    syncLayout->addWidget(Label_Stan, 2, 0, 1, 3);
    syncLayout->addWidget(result, 3, 0, 1, 3);
    auto *kept = new QHBoxLayout;
    kept->addWidget(Button_Konflikty);
    kept->addWidget(Button_Przywroc);
    kept->addStretch();
    syncLayout->addLayout(kept, 4, 0, 1, 3);
    syncLayout->setColumnStretch(2, 1);

    Button_Zamknij =
        button(this, "Button_Zamknij", QStringLiteral("&Zamknij"), &TForm_Synchronizacja::Button_ZamknijClick);

    for (auto [caption, field] : {std::pair<QLabel *, QWidget *>{Label_Adres, Edit_Adres},
                                  {Label_Uzytkownik, Edit_Uzytkownik},
                                  {Label_Haslo, Edit_Haslo},
                                  {Label_Ksiazka, ComboBox_Ksiazka},
                                  {Label_Kalendarz, ComboBox_Kalendarz},
                                  {Label_CoIle, SpinEdit_CoIle}}) {
        caption->setBuddy(field);
    }

    fitToCaptions(Button_Synchronizuj, {Button_Synchronizuj->text(), QStringLiteral("&Wznów synchronizację")});
    fitToCaptions(Button_Konflikty, {QStringLiteral("Ko&nflikty (999)...")});
    for (QPushButton *b : {Button_Polacz, Button_Przerwij, Button_Przywroc, Button_Zamknij}) {
        fitToCaptions(b, {b->text()});
    }

    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(Button_Zamknij);
    auto *layout = new QVBoxLayout(this);
    // Not resizable; its size is set once, as nothing in it changes size.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(GroupBox_Serwer);
    layout->addWidget(GroupBox_Synchronizacja);
    layout->addLayout(bottom);
}

void TForm_Synchronizacja::FormShow()
{
    if (!Form_Main || !m_sync) {
        return;
    }
    const Settings &s = Form_Main->settings();
    Edit_Adres->setText(s.syncAddress);
    Edit_Uzytkownik->setText(s.syncUser);
    {
        const QSignalBlocker block(SpinEdit_CoIle);
        SpinEdit_CoIle->setValue(s.syncMinutes);
    }
    // Until the user connects, the stored collections are named as the server named them then.
    for (auto [box, url, name, kind] :
         {std::tuple{ComboBox_Ksiazka, s.syncAddressBookUrl, s.syncAddressBookName, DavCollection::AddressBook},
          std::tuple{ComboBox_Kalendarz, s.syncCalendarUrl, s.syncCalendarName, DavCollection::Calendar}}) {
        const QSignalBlocker block(box);
        if (!url.isEmpty()) {
            box->addItem(collectionName({kind, url, name}), url);
        }
    }

    PasswordStore *keyring = m_services.passwords;
    const bool haveKeyring = keyring && keyring->available();
    Check_Zapamietaj->setEnabled(haveKeyring);
    if (!haveKeyring) {
        Check_Zapamietaj->setToolTip(QStringLiteral("Nie ma portfela haseł (Secret Service ani KWallet): "
                                                    "hasło będzie pamiętane tylko do końca pracy programu."));
    }
    std::optional<QString> password;
    if (haveKeyring && !s.syncAddress.isEmpty()) {
        password = keyring->read(s.syncAddress, s.syncUser);
        Check_Zapamietaj->setChecked(password.has_value());
    }
    if (!password && !s.syncAddress.isEmpty()) {
        password = m_sync->password(false);
    }
    Edit_Haslo->setText(password.value_or(QString()));

    if (m_sync->busy()) {
        syncStarted();
    } else {
        showLastOutcome();
    }
}

void TForm_Synchronizacja::refuse(const QString &text)
{
    m_services.prompter.beep(Prompter::Exclamation);
    m_services.prompter.messageBox(this, text, QStringLiteral("Wyjaśnienie"), MB_OK | MB_ICONEXCLAMATION);
}

void TForm_Synchronizacja::storeAddressAndUser()
{
    if (!Form_Main) {
        return;
    }
    Settings &s = Form_Main->settings();
    const QString address = normalisedAddress(Edit_Adres->text());
    const QString user = Edit_Uzytkownik->text().trimmed();
    if (address == s.syncAddress && user == s.syncUser) {
        return;
    }
    // The collections and the consent to plain http belong to the old server and user.
    s.syncAddress = address;
    s.syncUser = user;
    s.syncAddressBookUrl.clear();
    s.syncCalendarUrl.clear();
    s.syncAllowPlainHttp = false;
    for (QComboBox *box : {ComboBox_Ksiazka, ComboBox_Kalendarz}) {
        const QSignalBlocker block(box);
        box->clear();
        box->setEnabled(false);
    }
}

bool TForm_Synchronizacja::confirmPlainHttp(const QString &address)
{
    Settings &s = Form_Main->settings();
    const QUrl url(address);
    if (url.scheme() != QStringLiteral("http") || isLoopback(url.host()) || s.syncAllowPlainHttp) {
        return true;
    }
    const Prompter::Answer answer = m_services.prompter.messageBox(
        this,
        QStringLiteral("Serwer %1 nie szyfruje połączenia (http zamiast https).\r"
                       "Hasło, kontakty i terminy będą przesyłane przez sieć jawnym tekstem.\r\r"
                       "Czy mimo to łączyć się z tym serwerem?")
            .arg(url.host()),
        QStringLiteral("Ostrzeżenie!"),
        MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    if (answer != Prompter::Yes) {
        return false;
    }
    s.syncAllowPlainHttp = true;
    return true;
}

bool TForm_Synchronizacja::takeAccount()
{
    if (!Form_Main || !m_sync) {
        return false;
    }
    const QString address = normalisedAddress(Edit_Adres->text());
    if (address.isEmpty()) {
        refuse(QStringLiteral("Podaj adres serwera."));
        Edit_Adres->setFocus();
        return false;
    }
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()
        || (url.scheme() != QStringLiteral("https") && url.scheme() != QStringLiteral("http"))) {
        refuse(QStringLiteral("Adres serwera jest niepoprawny.\rPodaj go na przykład tak: https://serwer.pl/"));
        Edit_Adres->setFocus();
        return false;
    }
    storeAddressAndUser(); // the field keeps what the user typed

    if (!confirmPlainHttp(address)) {
        return false;
    }
    Settings &s = Form_Main->settings();
    const QString password = Edit_Haslo->text();
    m_sync->setPassword(password);
    m_passwordToKeep.reset();
    if (PasswordStore *keyring = m_services.passwords; keyring && keyring->available()) {
        if (!Check_Zapamietaj->isChecked()) {
            keyring->remove(s.syncAddress, s.syncUser);
        } else {
            // Stored once the server has taken it: never for an address that did not answer.
            m_passwordToKeep = password;
            m_passwordKeyTyped = s.syncUser + QLatin1Char('\n') + s.syncAddress;
        }
    }
    Form_Main->saveSettings(this);
    return true;
}

void TForm_Synchronizacja::keepPassword()
{
    const std::optional<QString> password = std::exchange(m_passwordToKeep, std::nullopt);
    PasswordStore *keyring = m_services.passwords;
    if (!password || !Form_Main || !keyring || !keyring->available()) {
        return;
    }
    const Settings &s = Form_Main->settings();
    if (m_passwordKeyTyped != s.syncUser + QLatin1Char('\n') + s.syncAddress) {
        return; // typed for another address or user
    }
    if (QString error; !keyring->write(s.syncAddress, s.syncUser, *password, &error)) {
        Check_Zapamietaj->setChecked(false); // nothing was stored
        m_services.showError(this, QStringLiteral("Nie udało się zapisać hasła w portfelu haseł:\r") + error);
    }
}

void TForm_Synchronizacja::Button_PolaczClick()
{
    if (!m_sync || !m_sync->engine()) {
        refuse(SyncController::text(SyncController::Block::NoEngine));
        return;
    }
    if (m_sync->busy()) {
        refuse(SyncController::text(SyncController::Block::Busy));
        return;
    }
    if (!takeAccount()) {
        return;
    }
    discover(false);
}

void TForm_Synchronizacja::discover(bool createMissing)
{
    m_discovering = true;
    m_creating = createMissing;
    setWorking(true,
               createMissing ? QStringLiteral("Zakładanie na serwerze...") : QStringLiteral("Łączenie z serwerem..."));
    SyncAccount account = m_sync->account(m_sync->password(false).value_or(QString()));
    account.createMissing = createMissing;
    m_sync->engine()->discover(account);
}

bool TForm_Synchronizacja::offerToCreate(const QList<DavCollection> &collections)
{
    QStringList found[2];
    for (const DavCollection &c : collections) {
        found[c.kind == DavCollection::AddressBook ? 0 : 1].append(QStringLiteral("„%1”").arg(collectionName(c)));
    }
    if (m_creating || (!found[0].isEmpty() && !found[1].isEmpty())) {
        return false;
    }
    QStringList missing;
    QStringList made;
    if (found[0].isEmpty()) {
        missing.append(QStringLiteral("książki adresowej"));
        made.append(QStringLiteral("książkę adresową „Kontakty Morwinka”"));
    }
    if (found[1].isEmpty()) {
        missing.append(QStringLiteral("kalendarza"));
        made.append(QStringLiteral("kalendarz „Terminy Morwinka”"));
    }
    QString text;
    if (!found[0].isEmpty()) {
        text += QStringLiteral("Na serwerze są książki adresowe: %1.\r").arg(found[0].join(QStringLiteral(", ")));
    }
    if (!found[1].isEmpty()) {
        text += QStringLiteral("Na serwerze są kalendarze: %1.\r").arg(found[1].join(QStringLiteral(", ")));
    }
    text += QStringLiteral("Nie ma na nim %1 tego użytkownika.\r\rZałożyć na serwerze %2?")
                .arg(missing.join(QStringLiteral(" ani ")), made.join(QStringLiteral(" i ")));
    if (m_services.prompter.messageBox(this, text, QStringLiteral("Informacja!"), MB_YESNO | MB_ICONQUESTION)
        != Prompter::Yes) {
        return false;
    }
    discover(true);
    return true;
}

void TForm_Synchronizacja::engineDiscovered(const QList<DavCollection> &collections, const QString &error)
{
    if (!m_discovering) {
        return;
    }
    m_discovering = false;
    setWorking(false, error);
    if (const QUrl target = m_sync && m_sync->engine() ? m_sync->engine()->redirectedTo() : QUrl();
        !error.isEmpty() && target.isValid()) {
        // Another server: its address is used only when the user says so.
        const QString shown = target.toString(QUrl::RemoveUserInfo);
        if (m_services.prompter.messageBox(this,
                                           QStringLiteral("Serwer przekierowuje na inny serwer:\r%1\r\r"
                                                          "Użyć tego adresu i wysłać tam nazwę użytkownika i hasło?")
                                               .arg(shown),
                                           QStringLiteral("Ostrzeżenie!"),
                                           MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2)
            == Prompter::Yes) {
            Edit_Adres->setText(shown);
            Button_PolaczClick();
        }
        return;
    }
    if (!error.isEmpty()) {
        m_passwordToKeep.reset();
        m_services.showError(this, error);
        return;
    }
    keepPassword();
    if (offerToCreate(collections)) {
        return; // asked to make what is missing: connecting again
    }
    m_creating = false;
    const Settings &s = Form_Main->settings();
    for (auto [box, kind, stored] : {std::tuple{ComboBox_Ksiazka, DavCollection::AddressBook, s.syncAddressBookUrl},
                                     std::tuple{ComboBox_Kalendarz, DavCollection::Calendar, s.syncCalendarUrl}}) {
        const QSignalBlocker block(box);
        box->clear();
        for (const DavCollection &c : collections) {
            if (c.kind == kind) {
                box->addItem(collectionName(c), c.url);
            }
        }
        // One is taken; among several the user chooses (the one chosen before stays chosen).
        box->setCurrentIndex(box->count() == 1 ? 0 : box->findData(stored));
        box->setEnabled(box->count() > 1);
    }
    collectionChosen();
    if (ComboBox_Kalendarz->currentIndex() < 0 && ComboBox_Kalendarz->count() > 1) {
        ComboBox_Kalendarz->setFocus();
    }
    if (ComboBox_Ksiazka->currentIndex() < 0 && ComboBox_Ksiazka->count() > 1) {
        ComboBox_Ksiazka->setFocus();
    }
}

void TForm_Synchronizacja::showChoiceHint()
{
    if (ComboBox_Ksiazka->count() == 0 || ComboBox_Kalendarz->count() == 0) {
        Label_Stan->setText(ComboBox_Ksiazka->count() == 0
                                ? QStringLiteral("Na serwerze nie ma książki adresowej tego użytkownika.")
                                : QStringLiteral("Na serwerze nie ma kalendarza tego użytkownika."));
        return;
    }
    QStringList toChoose;
    if (ComboBox_Ksiazka->currentIndex() < 0) {
        toChoose.append(QStringLiteral("książkę adresową"));
    }
    if (ComboBox_Kalendarz->currentIndex() < 0) {
        toChoose.append(QStringLiteral("kalendarz"));
    }
    if (toChoose.isEmpty()) {
        Label_Stan->setText(QStringLiteral("Połączono z serwerem."));
        return;
    }
    Label_Stan->setText(QStringLiteral("Połączono z serwerem. Książki adresowe: %1, kalendarze: %2.\n"
                                       "Wybierz %3 do synchronizacji.")
                            .arg(ComboBox_Ksiazka->count())
                            .arg(ComboBox_Kalendarz->count())
                            .arg(toChoose.join(QStringLiteral(" i "))));
}

void TForm_Synchronizacja::collectionChosen()
{
    if (!Form_Main) {
        return;
    }
    Settings &s = Form_Main->settings();
    s.syncAddressBookUrl = ComboBox_Ksiazka->currentData().toString();
    s.syncCalendarUrl = ComboBox_Kalendarz->currentData().toString();
    s.syncAddressBookName = ComboBox_Ksiazka->currentIndex() < 0 ? QString() : ComboBox_Ksiazka->currentText();
    s.syncCalendarName = ComboBox_Kalendarz->currentIndex() < 0 ? QString() : ComboBox_Kalendarz->currentText();
    Form_Main->saveSettings(this);
    showChoiceHint();
}

void TForm_Synchronizacja::Button_SynchronizujClick()
{
    if (!m_sync) {
        return;
    }
    // Paused for want of a password the user did not type here: asked again.
    const bool askAgain = m_sync->paused() && Edit_Haslo->text().isEmpty();
    if (askAgain) {
        storeAddressAndUser();
    } else if (!takeAccount()) {
        return;
    }
    const SyncController::Block block = askAgain ? m_sync->resume() : m_sync->start(SyncController::ByHand);
    if (block == SyncController::Block::Paused) {
        showLastOutcome(); // declined again
    } else if (block != SyncController::Block::None) {
        refuse(SyncController::text(block));
    }
}

void TForm_Synchronizacja::syncStarted()
{
    ProgressBar1->setRange(0, 0); // moving until the engine knows how much there is
    setWorking(true, QStringLiteral("Synchronizacja trwa..."));
    Button_Przerwij->setEnabled(true);
}

void TForm_Synchronizacja::engineProgress(int done, int total)
{
    if (total > 0 && m_sync && m_sync->busy()) {
        ProgressBar1->setRange(0, total);
        ProgressBar1->setValue(std::min(done, total));
        Label_Stan->setText(QStringLiteral("Synchronizacja trwa: wysłano %1 z %2.")
                                .arg(countText(std::min(done, total)), countText(total)));
    }
}

void TForm_Synchronizacja::Button_PrzerwijClick()
{
    if (m_sync && m_sync->cancel()) {
        Button_Przerwij->setEnabled(false);
        Label_Stan->setText(QStringLiteral("Przerywanie synchronizacji..."));
    }
}

void TForm_Synchronizacja::syncFinished(const SyncOutcome &outcome)
{
    if (outcome.ok || outcome.held.what != SyncOutcome::Held::Nothing) {
        keepPassword(); // the server took the password
    } else {
        m_passwordToKeep.reset();
    }
    Button_Przerwij->setEnabled(false);
    setWorking(false, QString());
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(outcome.ok ? 1 : 0);
    showLastOutcome();
}

void TForm_Synchronizacja::showLastOutcome()
{
    const std::optional<SyncOutcome> &last = m_sync ? m_sync->lastOutcome() : std::nullopt;
    if (!last) {
        Label_Stan->setText(QStringLiteral("Nie było jeszcze synchronizacji."));
        showPaused();
        Label_Wynik->clear();
        showKeptDeletions();
        return;
    }
    const QString when = DateText::toText(last->finishedAt.date()) + QLatin1Char(' ')
                         + last->finishedAt.time().toString(QStringLiteral("HH:mm:ss"));
    Label_Stan->setText(last->ok ? QStringLiteral("Ostatnia synchronizacja: %1, bez błędów.").arg(when)
                                 : QStringLiteral("Ostatnia synchronizacja: %1, przerwana: %2").arg(when, last->error));
    showPaused();
    QStringList lines{LastSync::summaryLine(QStringLiteral("Kontakty"), last->contacts, false),
                      LastSync::summaryLine(QStringLiteral("Terminy"), last->appointments, true)};
    lines += last->warnings; // what waits for the next sync
    Label_Wynik->setText(lines.join(QLatin1Char('\n')));
    showKeptDeletions();
    showConflictCount();
}

void TForm_Synchronizacja::showPaused()
{
    const bool paused = m_sync && m_sync->paused();
    Button_Synchronizuj->setText(paused ? QStringLiteral("&Wznów synchronizację")
                                        : QStringLiteral("&Synchronizuj teraz"));
    if (paused && !Label_Stan->text().startsWith(SyncController::pausedText())) {
        Label_Stan->setText(SyncController::pausedText() + QStringLiteral(" Kliknij „Wznów synchronizację”.\n")
                            + Label_Stan->text());
    }
}

void TForm_Synchronizacja::showKeptDeletions()
{
    const DeletedItems::Kept kept = DeletedItems::kept(m_services.dataDir);
    Button_Przywroc->setVisible(!kept.isEmpty());
    Button_Przywroc->setToolTip(
        QStringLiteral("Kontakty (%1) i terminy (%2) usunięte przez synchronizację w ostatnich 30 dniach")
            .arg(kept.contacts)
            .arg(kept.appointments));
}

void TForm_Synchronizacja::Button_PrzywrocClick()
{
    const SyncController::Block block = m_sync ? m_sync->block() : SyncController::Block::NoEngine;
    if (block == SyncController::Block::Busy || block == SyncController::Block::ContactsUnsaved
        || block == SyncController::Block::AppointmentsUnsaved) {
        refuse(SyncController::text(block));
        return;
    }
    DeletedItems::Kept restored;
    QString error;
    if (!DeletedItems::restore(m_services.dataDir, m_services.backup, &restored, &error)) {
        m_services.showError(this, error);
        return;
    }
    if (Form_Notatniczek) {
        Form_Notatniczek->reloadAfterSync();
    }
    if (Form_Terminy) {
        Form_Terminy->reloadAfterSync();
    }
    showKeptDeletions();
    m_services.prompter.messageBox(this,
                                   QStringLiteral("Przywrócono kontakty: %1, terminy: %2.\r"
                                                  "Następna synchronizacja wyśle je na serwer.")
                                       .arg(restored.contacts)
                                       .arg(restored.appointments),
                                   QStringLiteral("Informacja!"),
                                   MB_OK | MB_ICONINFORMATION);
}

void TForm_Synchronizacja::setWorking(bool working, const QString &what)
{
    Button_Polacz->setEnabled(!working);
    Button_Synchronizuj->setEnabled(!working);
    if (!working && ProgressBar1->maximum() == 0) {
        ProgressBar1->setRange(0, 1);
        ProgressBar1->setValue(0);
    }
    Label_Stan->setText(what);
}

void TForm_Synchronizacja::Button_KonfliktyClick()
{
    if (Form_Konflikty) {
        Form_Konflikty->raise();
        Form_Konflikty->activateWindow();
        return;
    }
    if (SyncConflicts(m_services.dataDir).entries().isEmpty()) {
        // Copies kept before conflicts were listed can only be looked at in the folder.
        const QString folder = m_services.dataPath(QLatin1String(SyncConflicts::folder));
        if (!QFileInfo(folder).isDir()) {
            m_services.prompter.messageBox(this,
                                           QStringLiteral("Nie było jeszcze żadnych konfliktów: folder „konflikty” "
                                                          "powstaje przy pierwszym z nich."),
                                           QStringLiteral("Informacja!"),
                                           MB_OK | MB_ICONINFORMATION);
        } else {
            DesktopOpen::openOrTell(m_services,
                                    this,
                                    QUrl::fromLocalFile(folder),
                                    QStringLiteral("Nie udało się otworzyć folderu konfliktów.\r"
                                                   "Kopie z serwera są w folderze:\r")
                                        + QDir::toNativeSeparators(folder));
        }
        return;
    }
    auto *window = new TForm_Konflikty(m_services, m_sync, this);
    connect(window, &TForm_Konflikty::conflictsChanged, this, &TForm_Synchronizacja::showConflictCount);
    window->setWindowModality(Qt::WindowModal);
    window->show();
}

void TForm_Synchronizacja::showConflictCount()
{
    const qsizetype count = SyncConflicts(m_services.dataDir).entries().size();
    Button_Konflikty->setText(count > 0 ? QStringLiteral("Ko&nflikty (%1)...").arg(count)
                                        : QStringLiteral("Ko&nflikty..."));
}

void TForm_Synchronizacja::SpinEdit_CoIleChange(int minutes)
{
    if (Form_Main && m_sync) {
        Form_Main->settings().syncMinutes = minutes;
        m_sync->reschedule();
    }
}

void TForm_Synchronizacja::Button_ZamknijClick()
{
    close();
}

void TForm_Synchronizacja::closeEvent(QCloseEvent *event)
{
    // What was typed is kept, as every window hands its values back on closing.
    if (Form_Main) {
        if (!normalisedAddress(Edit_Adres->text()).isEmpty()) {
            storeAddressAndUser();
        }
        Form_Main->saveSettings(this);
    }
    event->accept();
}

void TForm_Synchronizacja::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    ShellWindow::keyPressEvent(event);
}
