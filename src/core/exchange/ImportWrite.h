#pragma once

#include "PackedContact.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class ContactFile;

// A contact as the import keeps it until it is added: its fields as the data file stores them,
// without an identifier, and what the line cannot hold.
struct ImportedContact
{
    PackedContact fields;
    QString notes;
    QByteArray photo;
    QString uid;
};

namespace ImportWrite {

// Adds the contacts to the book with new identifiers: their notes and photos first, then the data
// file in one write, sorted as a save sorts. listed: through the book's lines, which then hold
// them; else straight to the file as it is written, without ever holding them as lines (see
// ContactFile::writeAdded()). False with the reason when nothing was added (the book and its file
// are then unchanged); notes and photos that could not be written are named in *sideFileErrors.
// written, when given, hears now and then how many contacts' side files are written of all.
[[nodiscard]] bool add(ContactFile &book,
                       const QList<const ImportedContact *> &contacts,
                       bool listed,
                       QStringList *sideFileErrors,
                       QString *error,
                       const std::function<void(qsizetype done, qsizetype total)> &written = {});

} // namespace ImportWrite
