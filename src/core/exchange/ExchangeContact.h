#pragma once

#include "core/contacts/Contact.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// A contact as it travels to and from other programs: the record's fields in full Unicode (not
// yet cut to their widths), its notes, and its photo as the JPEG file's bytes.
struct ExchangeContact
{
    Contact contact;
    QString notes;
    QByteArray photo;   // JPEG bytes, or empty; as read, until the import has checked them
    QString uid;        // the card's UID, kept the same across exports and syncs; may be empty
    bool group = false; // a card that lists other cards (a phone's group), not a contact

    bool operator==(const ExchangeContact &) const = default;
};

// Where reading a file from another program stopped: the physical line (from 1) and what was wrong.
struct ExchangeError
{
    int line = 0;
    QString message;

    // "Wiersz 12: ..." as the user sees it.
    QString text() const;
};

// Called now and then during long work with the items done and the total; answering false cancels.
using ExchangeProgress = std::function<bool(qsizetype done, qsizetype total)>;

// Takes each contact as a reader finishes it; false stops the reading, with *reason telling why.
using ExchangeSink = std::function<bool(ExchangeContact &&item, QString *reason)>;

namespace Exchange {
// How often a long loop reports its progress.
inline constexpr qsizetype progressStep = 512;
// Calls progress every progressStep items (and at the end); false when it asked to stop.
bool report(const ExchangeProgress &progress, qsizetype done, qsizetype total);
// True when the bytes are well-formed UTF-8 (plain ASCII is).
bool isUtf8(QByteArrayView bytes);
// The bytes as UTF-8 when they are valid UTF-8 (a byte-order mark dropped), else as code page 1250.
QString decodeText(QByteArrayView bytes);
// The text without the control characters that vCard, iCalendar and CSV files exclude: those
// below U+0020 but the tab, and DEL; line breaks are kept only where keepLineBreaks.
QString withoutControls(const QString &text, bool keepLineBreaks);
// True for the bytes of a JPEG file.
bool isJpeg(QByteArrayView bytes);
// Runs a streaming reader with a sink that keeps every contact in the list, which is left empty
// (and its memory given back) when the reader fails.
bool collect(QList<ExchangeContact> *contacts, const std::function<bool(const ExchangeSink &sink)> &reader);
} // namespace Exchange
