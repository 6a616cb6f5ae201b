#include "ContactExchangeMenu.h"

#include "core/common/DialogFolder.h"
#include "core/exchange/ContactImport.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QProgressDialog>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

QString defaultChooser(QWidget *parent,
                       ContactExchangeMenu::FileDialog kind,
                       const QString &title,
                       const QString &start,
                       const QString &filter)
{
    return kind == ContactExchangeMenu::FileDialog::Save ? QFileDialog::getSaveFileName(parent, title, start, filter)
                                                         : QFileDialog::getOpenFileName(parent, title, start, filter);
}

const QString information = u"Informacja!"_s;

} // namespace

ContactExchangeMenu::ContactExchangeMenu(QWidget *window, QMenu *menu, Services &services, ContactFile &book)
    : QObject(window)
    , chooseFile(defaultChooser)
    , m_window(window)
    , m_services(services)
    , m_book(book)
{
    setObjectName(u"ContactExchangeMenu"_s);
    if (!menu->isEmpty()) {
        menu->addSeparator();
    }
    const auto item = [menu](const char *name, const QString &caption) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    eksportVCard = item("druk_EksportVCard", u"Eksportuj kontakty (&vCard)..."_s);
    eksportCsv = item("druk_EksportCSV", u"Eksportuj kontakty (&CSV)..."_s);
    eksportKalendarz = item("druk_EksportKalendarz", u"Eksportuj &kalendarz (iCalendar)..."_s);
    importuj = item("druk_Importuj", u"&Importuj kontakty..."_s);
    connect(eksportVCard, &QAction::triggered, this, [this] {
        exportContacts(ContactExchange::Format::VCard);
    });
    connect(eksportCsv, &QAction::triggered, this, [this] {
        exportContacts(ContactExchange::Format::Csv);
    });
    connect(eksportKalendarz, &QAction::triggered, this, [this] {
        exportContacts(ContactExchange::Format::Calendar);
    });
    connect(importuj, &QAction::triggered, this, [this] {
        const QString path = chooseFile(m_window,
                                        FileDialog::Open,
                                        u"Importuj kontakty"_s,
                                        DialogFolder::start(),
                                        u"Kontakty (*.vcf *.vcard *.csv);;Wizytówki vCard (*.vcf *.vcard);;"
                                        u"Pliki CSV (*.csv);;Wszystkie pliki (*)"_s);
        DialogFolder::remember(path);
        if (!path.isEmpty()) {
            importFiles({path});
        }
    });
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

ExchangeProgress
ContactExchangeMenu::progressFor(const QString &label, qsizetype count, std::unique_ptr<QProgressDialog> *dialog)
{
    if (count < progressFrom) {
        return {};
    }
    *dialog = std::make_unique<QProgressDialog>(label, u"Anuluj"_s, 0, 1000, m_window);
    QProgressDialog *d = dialog->get();
    d->setObjectName(u"ExchangeProgress"_s);
    d->setWindowTitle(u"Morwinek"_s);
    d->setWindowModality(Qt::WindowModal);
    d->setMinimumDuration(progressDelay);
    d->setAutoReset(false);
    d->setValue(0); // starts the clock that decides when it shows
    return [d](qsizetype done, qsizetype total) {
        d->setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
        return !d->wasCanceled();
    };
}

void ContactExchangeMenu::exportContacts(ContactExchange::Format format)
{
    emit aboutToUseBook();
    QString name = u"kontakty.vcf"_s;
    QString filter = u"Wizytówki vCard (*.vcf)"_s;
    QString title = u"Eksportuj kontakty (vCard)"_s;
    if (format == ContactExchange::Format::Csv) {
        name = u"kontakty.csv"_s;
        filter = u"Pliki CSV (*.csv)"_s;
        title = u"Eksportuj kontakty (CSV)"_s;
    } else if (format == ContactExchange::Format::Calendar) {
        name = u"kalendarz.ics"_s;
        filter = u"Kalendarz iCalendar (*.ics)"_s;
        title = u"Eksportuj kalendarz (iCalendar)"_s;
    }
    const QString path = chooseFile(m_window, FileDialog::Save, title, DialogFolder::startWith(name), filter);
    DialogFolder::remember(path);
    if (path.isEmpty()) {
        return;
    }
    std::unique_ptr<QProgressDialog> dialog;
    const ExchangeProgress progress = progressFor(u"Eksport kontaktów..."_s, m_book.count(), &dialog);
    QString error;
    bool cancelled = false;
    const bool written = ContactExchange::exportTo(
        format, m_book, path, m_services.clock.now(), &error, progress, &cancelled, m_services.exportUids);
    dialog.reset();
    if (cancelled) {
        return;
    }
    if (!written) {
        m_services.showError(m_window, error);
        return;
    }
    m_services.prompter.messageBox(
        m_window,
        u"Zapisano plik %1.\rKontakty: %2."_s.arg(QDir::toNativeSeparators(path)).arg(m_book.count()),
        information,
        MB_OK | MB_ICONINFORMATION);
}

bool ContactExchangeMenu::importFiles(const QStringList &paths)
{
    if (refuseChange && refuseChange()) {
        return false;
    }
    emit aboutToUseBook();
    // Each file goes straight into the import, which refuses as soon as the book cannot take it.
    ContactImport import;
    import.begin(m_book.list());
    QStringList columnNotes; // what of the files' columns was left out
    for (const QString &path : paths) {
        std::unique_ptr<QProgressDialog> dialog;
        const ExchangeProgress progress = progressFor(u"Wczytywanie pliku %1..."_s.arg(QFileInfo(path).fileName()),
                                                      QFileInfo(path).size() / 256, // about one contact in 256 bytes
                                                      &dialog);
        QString error;
        bool cancelled = false;
        const bool ok = ContactExchange::readInto(path, &import, &error, progress, &cancelled, &columnNotes);
        dialog.reset();
        if (cancelled) {
            return false;
        }
        if (!ok) {
            m_services.showError(m_window, error + u"\rNie zaimportowano żadnego kontaktu."_s);
            return false;
        }
    }
    if (import.readCount() == 0) {
        m_services.prompter.messageBox(
            m_window, u"W pliku nie ma żadnego kontaktu."_s, information, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    // Told before the question too, so that a file read as names alone can still be left out.
    const QString notes = columnNotes.isEmpty() ? QString() : u"\r"_s + columnNotes.join(u'\r');

    bool onlyNew = false;
    if (import.duplicateCount() > 0) {
        const Prompter::Answer answer = m_services.prompter.messageBox(
            m_window,
            u"Wczytano kontakty: %1.\rNa duplikaty istniejących wygląda: %2 (to samo nazwisko i imię oraz ten sam "
            u"telefon lub e-mail).%3\r\rTak - importuj wszystkie\rNie - importuj tylko nowe\rAnuluj - nie importuj"_s
                .arg(import.readCount())
                .arg(import.duplicateCount())
                .arg(notes),
            information,
            MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
        if (answer != Prompter::Yes && answer != Prompter::No) {
            return false;
        }
        onlyNew = answer == Prompter::No;
    } else {
        const Prompter::Answer answer =
            m_services.prompter.messageBox(m_window,
                                           u"Wczytano kontakty: %1.\rŻaden nie wygląda na duplikat istniejącego.%2\r"
                                           u"Zaimportować je?"_s.arg(import.readCount())
                                               .arg(notes),
                                           information,
                                           MB_YESNO | MB_ICONQUESTION);
        if (answer != Prompter::Yes) {
            return false;
        }
    }

    ContactImport::Result result;
    QString error;
    bool applied = false;
    {
        // Writing many contacts' notes and photos takes a while: the user sees it go, without a
        // cancel, as a write half done is no state to leave the book in.
        std::unique_ptr<QProgressDialog> dialog;
        const ExchangeProgress progress = progressFor(u"Zapisywanie kontaktów..."_s, import.readCount(), &dialog);
        if (dialog) {
            dialog->setCancelButton(nullptr);
        }
        applied = import.apply(m_book, onlyNew, &result, &error, [&progress](qsizetype done, qsizetype total) {
            if (progress) {
                (void)progress(done, total);
            }
        });
    }
    if (!applied) {
        m_services.showError(m_window, error);
        return false;
    }
    if (result.added > 0) {
        emit imported();
    }
    QString report = u"Dodano kontakty: %1.\rPominięto duplikaty: %2."_s.arg(result.added).arg(result.skipped) + notes;
    if (result.groups > 0) {
        report += u"\rPominięto karty grup (to listy kontaktów, nie kontakty): %1."_s.arg(result.groups);
    }
    if (result.folded > 0) {
        report += u"\rZnaki, których nie można zapisać, zastąpiono w kontaktach: %1."_s.arg(result.folded);
    }
    if (result.photosRefused > 0) {
        report += u"\rPominięto zdjęcia, których nie można odczytać lub są zbyt duże: %1."_s.arg(result.photosRefused);
    }
    if (!result.sideFileErrors.isEmpty()) {
        report += u"\rNie zapisano notatek lub zdjęć:\r"_s + result.sideFileErrors.join(u'\r');
    }
    m_services.prompter.messageBox(m_window, report, information, MB_OK | MB_ICONINFORMATION);
    return result.added > 0;
}

QStringList ContactExchangeMenu::importablePaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl &url : data->urls()) {
        const QString suffix = QFileInfo(url.toLocalFile()).suffix().toLower();
        if (url.isLocalFile() && (suffix == u"vcf" || suffix == u"vcard" || suffix == u"csv")) {
            paths.append(url.toLocalFile());
        }
    }
    return paths;
}

bool ContactExchangeMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (!importablePaths(drag->mimeData()).isEmpty()) {
            drag->acceptProposedAction();
            return true;
        }
    } else if (watched == m_window && event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList paths = importablePaths(drop->mimeData());
        if (!paths.isEmpty()) {
            drop->acceptProposedAction();
            // After the drop has ended, so the file manager is not held while the user answers.
            QMetaObject::invokeMethod(
                this,
                [this, paths] {
                    importFiles(paths);
                },
                Qt::QueuedConnection);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
