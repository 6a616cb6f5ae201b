#include "TForm_Konflikty.h"

#include "SyncController.h"

#include "core/common/DateText.h"
#include "widgets/appointments/TForm_Terminy.h"
#include "widgets/contacts/TForm_Notatniczek.h"
#include "widgets/shell/Fonts.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

TForm_Konflikty::TForm_Konflikty(Services &services, SyncController *sync, QWidget *parent)
    : QDialog(parent)
    , m_services(services)
    , m_sync(sync)
    , m_conflicts(services.dataDir)
{
    setObjectName(QStringLiteral("Form_Konflikty"));
    setWindowTitle(QStringLiteral("Morwinek - Konflikty"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(Fonts::pixelFont(QStringLiteral("MS Sans Serif"), 11));
    createComponents();
    Buduj_Liste();
    if (m_sync) {
        // A sync while the window is open may keep new conflicts or change the items shown.
        connect(m_sync, &SyncController::finished, this, &TForm_Konflikty::Buduj_Liste);
    }
    Form_Konflikty = this;
}

void TForm_Konflikty::createComponents()
{
    const auto button = [this](const char *name, const QString &caption, void (TForm_Konflikty::*slot)()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    auto *listLabel = new QLabel(QStringLiteral("Zmienione tutaj i na serwerze:"), this);
    ListBox_Konflikty = new QListWidget(this);
    ListBox_Konflikty->setObjectName(QStringLiteral("ListBox_Konflikty"));
    ListBox_Konflikty->setMinimumWidth(220);
    listLabel->setBuddy(ListBox_Konflikty);
    connect(ListBox_Konflikty, &QListWidget::currentRowChanged, this, &TForm_Konflikty::ListBox_KonfliktyChange);

    ListView_Pola = new QTreeWidget(this);
    ListView_Pola->setObjectName(QStringLiteral("ListView_Pola"));
    ListView_Pola->setRootIsDecorated(false);
    ListView_Pola->setColumnCount(3);
    ListView_Pola->setHeaderLabels(
        {QStringLiteral("Pole"), QStringLiteral("W tym komputerze"), QStringLiteral("Na serwerze")});
    ListView_Pola->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ListView_Pola->setMinimumSize(460, 260);
    Label_Opis = new QLabel(this);
    Label_Opis->setObjectName(QStringLiteral("Label_Opis"));
    Label_Opis->setWordWrap(true);

    Button_Tutaj =
        button("Button_Tutaj", QStringLiteral("Zostaw wersję z &tego komputera"), &TForm_Konflikty::Button_TutajClick);
    Button_Tutaj->setToolTip(QStringLiteral("Ta wersja jest już na serwerze; kopia z serwera zostanie usunięta."));
    Button_Serwer =
        button("Button_Serwer", QStringLiteral("Weź wersję z &serwera"), &TForm_Konflikty::Button_SerwerClick);
    Button_Serwer->setToolTip(QStringLiteral("Wersja z serwera zastąpi tę tutaj; następna synchronizacja ją wyśle."));
    Button_Folder =
        button("Button_Folder", QStringLiteral("Otwórz &folder konfliktów"), &TForm_Konflikty::Button_FolderClick);
    Button_Zamknij = new QPushButton(QStringLiteral("&Zamknij"), this);
    Button_Zamknij->setObjectName(QStringLiteral("Button_Zamknij"));
    connect(Button_Zamknij, &QPushButton::clicked, this, &QDialog::close);

    auto *left = new QVBoxLayout;
    left->addWidget(listLabel);
    left->addWidget(ListBox_Konflikty);
    auto *right = new QVBoxLayout;
    right->addWidget(ListView_Pola);
    right->addWidget(Label_Opis);
    auto *top = new QHBoxLayout;
    top->addLayout(left);
    top->addLayout(right, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Button_Tutaj);
    buttons->addWidget(Button_Serwer);
    buttons->addStretch();
    buttons->addWidget(Button_Folder);
    buttons->addWidget(Button_Zamknij);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

void TForm_Konflikty::Buduj_Liste()
{
    const int row = std::max(0, ListBox_Konflikty->currentRow());
    m_entries = m_conflicts.entries();
    {
        const QSignalBlocker block(ListBox_Konflikty);
        ListBox_Konflikty->clear();
        for (const SyncConflicts::Entry &e : std::as_const(m_entries)) {
            const QString when =
                DateText::toText(e.kept.date()) + QLatin1Char(' ') + e.kept.toString(QStringLiteral("HH:mm"));
            auto *item = new QListWidgetItem(
                (e.calendar ? QStringLiteral("Termin: ") : QStringLiteral("Kontakt: ")) + e.title, ListBox_Konflikty);
            item->setToolTip(QStringLiteral("Zapisano %1").arg(when));
        }
        ListBox_Konflikty->setCurrentRow(m_entries.isEmpty() ? -1 : std::min<int>(row, m_entries.size() - 1));
    }
    ListBox_KonfliktyChange();
}

void TForm_Konflikty::ListBox_KonfliktyChange()
{
    ListView_Pola->clear();
    const int row = ListBox_Konflikty->currentRow();
    const bool chosen = row >= 0 && row < m_entries.size();
    Button_Tutaj->setEnabled(chosen);
    Button_Serwer->setEnabled(chosen);
    if (!chosen) {
        Label_Opis->setText(m_entries.isEmpty() ? QStringLiteral("Nie ma konfliktów do rozstrzygnięcia.") : QString());
        return;
    }
    QString error;
    const QList<SyncConflicts::Field> fields = m_conflicts.compare(m_entries[row], &error);
    if (fields.isEmpty()) {
        Label_Opis->setText(error);
        Button_Serwer->setEnabled(false); // only the copy can go
        return;
    }
    int differing = 0;
    for (const SyncConflicts::Field &f : fields) {
        if (f.here.isEmpty() && f.server.isEmpty()) {
            continue;
        }
        auto *item = new QTreeWidgetItem(ListView_Pola, {f.label, f.here, f.server});
        if (f.differs()) {
            ++differing;
            QFont bold = item->font(0);
            bold.setBold(true);
            for (int c = 0; c < 3; ++c) {
                item->setFont(c, bold);
            }
        }
    }
    Label_Opis->setText(differing == 0
                            ? QStringLiteral("Obie wersje są już takie same.")
                            : QStringLiteral("Pogrubione pola różnią się (%1). Wersja z tego komputera jest teraz "
                                             "także na serwerze.")
                                  .arg(differing));
}

const SyncConflicts::Entry *TForm_Konflikty::chosenForChange()
{
    const int row = ListBox_Konflikty->currentRow();
    if (row < 0 || row >= m_entries.size()) {
        m_services.prompter.beep(Prompter::Exclamation);
        return nullptr;
    }
    const SyncController::Block block = m_sync ? m_sync->block() : SyncController::Block::None;
    if (block == SyncController::Block::Busy || block == SyncController::Block::ContactsUnsaved
        || block == SyncController::Block::AppointmentsUnsaved) {
        m_services.prompter.beep(Prompter::Exclamation);
        m_services.prompter.messageBox(
            this, SyncController::text(block), QStringLiteral("Wyjaśnienie"), MB_OK | MB_ICONEXCLAMATION);
        return nullptr;
    }
    return &m_entries[row];
}

void TForm_Konflikty::settled(const QString &error)
{
    if (!error.isEmpty()) {
        m_services.showError(this, error);
    }
    Buduj_Liste();
    emit conflictsChanged(static_cast<int>(m_entries.size()));
}

void TForm_Konflikty::Button_TutajClick()
{
    const SyncConflicts::Entry *entry = chosenForChange();
    if (!entry) {
        return;
    }
    QString error;
    (void)m_conflicts.keepHere(*entry, &error);
    settled(error);
}

void TForm_Konflikty::Button_SerwerClick()
{
    const SyncConflicts::Entry *entry = chosenForChange();
    if (!entry) {
        return;
    }
    QString error;
    if (m_conflicts.keepServer(*entry, m_services.backup, m_services.today(), &error)) {
        // The windows show what the book holds now.
        if (Form_Notatniczek) {
            Form_Notatniczek->reloadAfterSync();
        }
        if (Form_Terminy) {
            Form_Terminy->reloadAfterSync();
        }
    }
    settled(error);
}

void TForm_Konflikty::Button_FolderClick()
{
    const QString folder = m_services.dataPath(QLatin1String(SyncConflicts::folder));
    if (!QDir(folder).exists() || !m_services.shell.open(QUrl::fromLocalFile(folder))) {
        m_services.prompter.messageBox(this,
                                       QStringLiteral("Kopie z serwera są w folderze:\r")
                                           + QDir::toNativeSeparators(folder),
                                       QStringLiteral("Informacja!"),
                                       MB_OK | MB_ICONINFORMATION);
    }
}
