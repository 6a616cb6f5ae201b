#pragma once

#include "core/common/Services.h"
#include "core/contacts/ContactFile.h"
#include "core/exchange/ContactExchange.h"

#include <QObject>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QMimeData;
class QProgressDialog;
class QWidget;

// The contacts window's exchange with other programs: export to vCard, CSV and iCalendar files and
// import of vCard and CSV files, from the print menu and by dropping files on the window. It works
// on the window's own address book, so the window's list and the file stay one.
class ContactExchangeMenu : public QObject
{
    Q_OBJECT
public:
    enum class FileDialog
    {
        Open,
        Save
    };
    // Asks for a file name; an empty answer cancels. Tests put their own answer here.
    using FileChooser = std::function<QString(
        QWidget *parent, FileDialog kind, const QString &title, const QString &start, const QString &filter)>;

    // Appends the four items to menu (after a separator when it holds items already).
    ContactExchangeMenu(QWidget *window, QMenu *menu, Services &services, ContactFile &book);

    QAction *eksportVCard = nullptr;
    QAction *eksportCsv = nullptr;
    QAction *eksportKalendarz = nullptr;
    QAction *importuj = nullptr;

    FileChooser chooseFile;
    // Asked before an import changes the book: true, having told the user why, when it may not now.
    std::function<bool()> refuseChange;
    // The work with fewer contacts than this shows no progress dialog.
    int progressFrom = 2000;
    // Milliseconds of work before the progress dialog shows.
    int progressDelay = 300;

    // Reads the files, says how many contacts were read and how many look like duplicates, and adds
    // all of them or only the new ones as the user answers. True when contacts were added.
    bool importFiles(const QStringList &paths);
    // Asks for the file and writes it.
    void exportContacts(ContactExchange::Format format);

signals:
    // Before the address book is read or changed: the window offers to save its edits.
    void aboutToUseBook();
    // Contacts were added and the list re-sorted.
    void imported();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static QStringList importablePaths(const QMimeData *data);
    // A progress dialog for count items (none below progressFrom); the callback answers false once cancelled.
    ExchangeProgress progressFor(const QString &label, qsizetype count, std::unique_ptr<QProgressDialog> *dialog);

    QWidget *m_window;
    Services &m_services;
    ContactFile &m_book;
};
