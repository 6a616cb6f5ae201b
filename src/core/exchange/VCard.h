#pragma once

#include "ExchangeContact.h"

#include <QHash>

// Address books of phones and mail programs as vCard files.
namespace VCard {
// One vCard 4.0 per contact, UTF-8, CR LF, folded lines. False when progress asked to stop.
[[nodiscard]] bool
write(const QList<ExchangeContact> &contacts, QByteArray *out, const ExchangeProgress &progress = {});
// The card of one contact appended to out, as write() gives it, for a file written as it is made;
// with version 3 a vCard 3.0 (the photo base64 with its type, the wedding day X-ANNIVERSARY).
void appendCard(QByteArray &out, const ExchangeContact &item, int version = 4);
// Every card of a vCard 2.1, 3.0 or 4.0 file: folded lines, quoted-printable, CHARSET=, TYPE lists.
// False with the line and the reason when the file is malformed; *contacts is then empty.
[[nodiscard]] bool read(QByteArrayView bytes,
                        QList<ExchangeContact> *contacts,
                        ExchangeError *error,
                        const ExchangeProgress &progress = {});
// The same, handing each card to sink as soon as it ends, so that only one card is held at a time.
[[nodiscard]] bool
read(QByteArrayView bytes, const ExchangeSink &sink, ExchangeError *error, const ExchangeProgress &progress = {});

// The physical lines (from 1, both ends included) that one property of a card stands on.
struct LineSpan
{
    int first = 0;
    int last = 0;
};
// For each field of a contact ("TelDom", "Nazwa", "notes", "photo", ...), the properties that gave
// it its value; a field filled by none is absent.
using FieldSources = QHash<QString, QList<LineSpan>>;
// The first card of the bytes as read(), with where each field came from. False for bytes that
// hold no readable card.
[[nodiscard]] bool readFirst(QByteArrayView bytes, ExchangeContact *contact, FieldSources *sources);
// The lines of one field as a card of the version (3 or 4) holds them, CR LF and folded: "FN" and
// "N" for "Nazwa", one "ADR" for any of an address's parts, "TEL" for "TelSlu" and "TelWew"
// alike. Empty when the field is empty.
QByteArray fieldLines(const ExchangeContact &item, const QString &field, int version);
// True when the bytes look like a vCard file.
bool looksLikeVCard(QByteArrayView bytes);
} // namespace VCard
