#pragma once

#include "core/appointments/Appointment.h"
#include "core/exchange/ExchangeContact.h"
#include "core/exchange/ICalendar.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

// The rules of a two-way sync, free of files and network, so they are tested alone.
namespace SyncRules {

// What is known of one item on both sides since the last sync.
struct Sides
{
    bool known = false; // in the sync state
    bool localExists = false;
    bool localChanged = false;
    bool remoteExists = false;
    bool remoteChanged = false;
    bool confirmed = true; // the server confirmed the last copy (the state holds its ETag)
};

enum class Action
{
    Nothing,
    Upload,   // send the local copy (new on the server when it has none)
    Download, // take the server's copy (new here when there is none)
    DeleteLocal,
    DeleteRemote,
    Merge, // changed on both sides, or met on both sides for the first time
    Forget // gone on both sides
};

Action decide(const Sides &sides);

// The contact fields a card carries (all but the identifier and the reserved ones), plus the
// notes and the photo.
QStringList fieldNames();
QString fieldValue(const ExchangeContact &item, const QString &name);
void setFieldValue(ExchangeContact &item, const QString &name, const QString &value);

// Three-way merge of a contact, field by field, against what was last synced (base); without a
// base the two copies are compared alone, and a field empty on one side takes the other's value.
// Where both sides changed a field differently the local value stays (without a base, the value of
// the side kept) and the field is named in conflicts.
struct MergeResult
{
    ExchangeContact merged;
    QStringList conflicts;
};
// Without a base, which side's value stays where both hold different ones (kept); the other
// side's copy is the one kept aside. With a base this side's always stays.
enum class Side
{
    Here,
    Server
};
MergeResult
merge(const ExchangeContact *base, const ExchangeContact &local, const ExchangeContact &remote, Side kept = Side::Here);
// The side to keep when two copies meet with no common base (a first sync linked by content):
// the newer by REV where both have one, else the server's, which another device wrote last.
Side keptWithoutBase(const QDateTime &hereRevision, const QDateTime &serverRevision);
// The REV of the first card in text (UTC), invalid when it has none or none that reads as a time.
QDateTime cardRevision(const QByteArray &text);

// The server's card with only the properties of the fields in which local differs from what the
// card says now replaced by the writer's properties for them; every other line, the UID, unknown
// properties, more numbers, groups, stay as the server has them. An empty server text gives a new
// card of local with the UID. A card that changes gets REV set to stamp, when valid. A photo sent
// drops the damaged PHOTO lines of the card; photoAsBase64 writes it in a 4.0 card as 3.0 does.
QByteArray patchCard(const QByteArray &serverText,
                     const ExchangeContact &local,
                     const QString &uid,
                     const QDateTime &stamp,
                     bool photoAsBase64 = false);
// The first card of the text, brought to what the address book can hold (as an import does).
// False for a group card (a list of contacts, which the book does not hold), with its UID given.
bool readCard(const QByteArray &text, ExchangeContact *contact, QString *uid);
bool isGroupCard(const QByteArray &text);

// A content hash of a contact as the address book holds it (identifier and reserved fields left out).
QByteArray contactHash(const ExchangeContact &item);
QByteArray photoHash(const QByteArray &photo);

// The photo again, at most maxSide pixels on its longer side, for a server that refuses the card.
inline constexpr int smallPhotoSide = 512;
bool shrinkPhoto(const QByteArray &jpeg, QByteArray *smaller);

// Appointments as events, written and read as the calendar export does.
QString appointmentUid(const QString &record);
inline QByteArray eventText(const Appointment &appointment, const QString &uid, const QDateTime &stamp)
{
    return ICalendar::appointmentEvent(appointment, uid, stamp);
}
using EventKind = ICalendar::EventKind;
inline EventKind readEvent(const QByteArray &text, Appointment *appointment, QString *uid)
{
    return ICalendar::readEvent(text, appointment, uid);
}

} // namespace SyncRules
