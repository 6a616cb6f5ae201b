#pragma once

#include "core/exchange/ExchangeContact.h"
#include "core/exchange/VCard.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

// A server's card as text: changed line by line, stamped, and compared, so that what a phone wrote
// comes back as it was wherever the book holds nothing new.
namespace CardText {

// 4 for a vCard 4.0, else 3 (3.0, and 2.1, which takes 3.0's lines).
int version(const QByteArray &card);

// The card with the fields named in changed written from local: each line that gave one of them
// its value (sources, as the card was read) gets the new value under its own group, name and
// parameters (types, labels' groups, PREF); an encoding or charset parameter goes, as the new
// value is plain UTF-8. A field no line gave is added before END:VCARD as a card of the card's
// version writes it; a field emptied here loses its lines. Every other line stays byte for byte.
// photoAsBase64: a 4.0 card's photo goes as 3.0 writes it (base64 with its type), for a server
// that cuts a data: URI.
QByteArray patched(const QByteArray &serverText,
                   const VCard::FieldSources &sources,
                   const ExchangeContact &local,
                   const QStringList &changed,
                   bool photoAsBase64 = false);

// True when the card has a PHOTO that gives no picture: a data: URI cut before its data (as a
// server that reads it as a 3.0 text value stores it), or an empty base64 value.
bool hasDamagedPhoto(const QByteArray &card);
// The card without such PHOTO lines.
QByteArray withoutDamagedPhotos(const QByteArray &card);

// The card with REV set to stamp (UTC): the first REV replaced, else one added after VERSION.
QByteArray withRevision(const QByteArray &card, const QDateTime &stamp);

// True when the two cards differ at most in their REV and PRODID lines (a server that stamps what
// it stores, or a line break more at the end).
bool sameButRevision(const QByteArray &a, const QByteArray &b);

} // namespace CardText
