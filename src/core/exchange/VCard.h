#pragma once

#include "ExchangeContact.h"

// Address books of phones and mail programs as vCard files.
namespace VCard {
// One vCard 4.0 per contact, UTF-8, CR LF, folded lines. False when progress asked to stop.
[[nodiscard]] bool
write(const QList<ExchangeContact> &contacts, QByteArray *out, const ExchangeProgress &progress = {});
// The card of one contact appended to out, as write() gives it, for a file written as it is made.
void appendCard(QByteArray &out, const ExchangeContact &item);
// Every card of a vCard 2.1, 3.0 or 4.0 file: folded lines, quoted-printable, CHARSET=, TYPE lists.
// False with the line and the reason when the file is malformed; *contacts is then empty.
[[nodiscard]] bool read(QByteArrayView bytes,
                        QList<ExchangeContact> *contacts,
                        ExchangeError *error,
                        const ExchangeProgress &progress = {});
// The same, handing each card to sink as soon as it ends, so that only one card is held at a time.
[[nodiscard]] bool
read(QByteArrayView bytes, const ExchangeSink &sink, ExchangeError *error, const ExchangeProgress &progress = {});
// True when the bytes look like a vCard file.
bool looksLikeVCard(QByteArrayView bytes);
} // namespace VCard
