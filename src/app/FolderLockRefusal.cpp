#include "FolderLockRefusal.h"

#include <QDir>

using namespace Qt::StringLiterals;

bool lockFolderAlone(DataFolderLock &lock, const QString &dataDir, FolderUse use, QTextStream &err)
{
    const QString folder = QDir::toNativeSeparators(dataDir);
    switch (lock.tryLockExclusive()) {
    case DataFolderLock::Holder::None:
        return true;
    case DataFolderLock::Holder::Organiser:
        // It keeps the contacts in memory and would overwrite what the command writes at its next save.
        if (use == FolderUse::Import) {
            err << u"Organizer Morwinek pracuje na folderze danych %1. Zamknij go przed importem: trzyma kontakty "
                   u"w pamięci i przy następnym zapisie nadpisałby zaimportowane."_s.arg(folder)
                << Qt::endl;
        } else {
            err << u"Organizer Morwinek pracuje na folderze danych %1. Synchronizuj w jego oknie "
                   u"\"Morwinek - Synchronizacja\" albo zamknij go przed synchronizacją z wiersza poleceń."_s.arg(
                       folder)
                << Qt::endl;
        }
        return false;
    case DataFolderLock::Holder::Import:
        // An import and a command-line sync both hold the folder alone.
        if (use == FolderUse::Import) {
            err << u"Trwa inny import kontaktów do folderu danych %1. Poczekaj, aż się zakończy, i spróbuj "
                   u"ponownie."_s.arg(folder)
                << Qt::endl;
        } else {
            err << u"Trwa import kontaktów albo inna synchronizacja folderu danych %1. Poczekaj, aż się zakończy, "
                   u"i spróbuj ponownie."_s.arg(folder)
                << Qt::endl;
        }
        return false;
    }
    return false;
}
