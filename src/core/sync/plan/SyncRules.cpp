#include "core/sync/plan/SyncRules.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/contacts/ContactList.h"
#include "core/contacts/PhotoCodec.h"
#include "core/exchange/ContactImport.h"
#include "core/exchange/ContentLines.h"
#include "core/exchange/ICalendar.h"
#include "core/exchange/VCard.h"
#include "core/sync/CardText.h"

#include <QCryptographicHash>
#include <QSet>

namespace {

using namespace Qt::StringLiterals;

const QStringList &cardFields()
{
    static const QStringList names = [] {
        QStringList list;
        for (const Contact::Column &c : Contact::columns()) {
            const QLatin1String name(c.name);
            if (name != "ID"_L1 && name != "Parametry"_L1 && name != "Rocznica"_L1) {
                list.append(name);
            }
        }
        list.append(u"notes"_s);
        list.append(u"photo"_s);
        return list;
    }();
    return names;
}

ExchangeContact prepared(ExchangeContact item)
{
    const QString uid = item.uid;
    ContactImport import;
    import.prepare(ContactList(), {item});
    if (import.contacts().isEmpty()) {
        return item; // not a contact the book takes (a group card)
    }
    ExchangeContact result = import.contacts().first();
    result.uid = uid;
    return result;
}

// One number or address written two ways: the same for a contact met on both sides.
bool samePerson(const QString &field, const QString &a, const QString &b)
{
    if (field == u"TelDom" || field == u"TelKom" || field == u"TelSlu") {
        return ContactImport::sameNumber(a, b);
    }
    if (field == u"Email") {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    }
    return false;
}

} // namespace

namespace SyncRules {

Action decide(const Sides &s)
{
    if (!s.known) {
        if (s.localExists && s.remoteExists) {
            return Action::Merge;
        }
        if (s.localExists) {
            return Action::Upload;
        }
        return s.remoteExists ? Action::Download : Action::Nothing;
    }
    if (!s.localExists && !s.remoteExists) {
        return Action::Forget;
    }
    if (!s.localExists) {
        return s.remoteChanged ? Action::Download : Action::DeleteRemote;
    }
    if (!s.remoteExists) {
        // Never confirmed by the server: it has not arrived there yet.
        if (!s.confirmed) {
            return Action::Upload;
        }
        return s.localChanged ? Action::Upload : Action::DeleteLocal;
    }
    if (s.localChanged && s.remoteChanged) {
        return Action::Merge;
    }
    if (s.localChanged) {
        return Action::Upload;
    }
    return s.remoteChanged ? Action::Download : Action::Nothing;
}

QStringList fieldNames()
{
    return cardFields();
}

QString fieldValue(const ExchangeContact &item, const QString &name)
{
    if (name == u"notes") {
        return item.notes;
    }
    if (name == u"photo") {
        return QString::fromLatin1(photoHash(item.photo));
    }
    const Contact::Column *column = Contact::column(name);
    if (column && column->field == &Contact::Urodziny) {
        return DateText::withoutYear(item.contact.Urodziny); // "12.04.1604" as an earlier version kept "12.04"
    }
    return column ? item.contact.*column->field : QString();
}

void setFieldValue(ExchangeContact &item, const QString &name, const QString &value)
{
    if (name == u"notes") {
        item.notes = value;
        return;
    }
    if (const Contact::Column *column = Contact::column(name)) {
        item.contact.*column->field = value;
    }
}

MergeResult merge(const ExchangeContact *base, const ExchangeContact &local, const ExchangeContact &remote, Side kept)
{
    MergeResult result{local, {}};
    for (const QString &field : cardFields()) {
        const QString mine = fieldValue(local, field);
        const QString theirs = fieldValue(remote, field);
        if (mine == theirs) {
            continue;
        }
        // Without a base (one person met on both sides for the first time) a value missing on one
        // side is filled from the other; only two different values are a conflict.
        if (!base && samePerson(field, mine, theirs)) {
            setFieldValue(result.merged, field, theirs); // the other side's way of writing it
            continue;
        }
        const bool changedHere = base ? fieldValue(*base, field) != mine : !mine.isEmpty();
        const bool changedThere = base ? fieldValue(*base, field) != theirs : !theirs.isEmpty();
        if (changedHere && changedThere) {
            result.conflicts.append(field);
        }
        if (changedThere && (!changedHere || (!base && kept == Side::Server))) {
            if (field == u"photo") {
                result.merged.photo = remote.photo;
            } else {
                setFieldValue(result.merged, field, theirs);
            }
        }
    }
    return result;
}

Side keptWithoutBase(const QDateTime &hereRevision, const QDateTime &serverRevision)
{
    if (hereRevision.isValid() && serverRevision.isValid() && hereRevision > serverRevision) {
        return Side::Here;
    }
    return Side::Server;
}

QDateTime cardRevision(const QByteArray &text)
{
    for (const ContentLines::Line &line : ContentLines::split(text)) {
        const QByteArray name = ContentLines::name(line.logical);
        if (name == "END") {
            break;
        }
        if (name != "REV") {
            continue;
        }
        // 20261201T100000Z, 2026-12-01T10:00:00Z, or a day alone; without a zone taken as UTC.
        QString value = QString::fromLatin1(ContentLines::value(line.logical)).trimmed();
        value.remove(u'-').remove(u':');
        if (value.endsWith(u'Z')) {
            value.chop(1);
        }
        const qsizetype dot = value.indexOf(u'.'); // fractions of a second
        if (dot >= 0) {
            value.truncate(dot);
        }
        for (const QString &format : {u"yyyyMMdd'T'HHmmss"_s, u"yyyyMMdd'T'HHmm"_s, u"yyyyMMdd"_s}) {
            QDateTime at = QDateTime::fromString(value, format);
            if (at.isValid()) {
                at.setTimeSpec(Qt::UTC);
                return at;
            }
        }
        return {};
    }
    return {};
}

bool readCard(const QByteArray &text, ExchangeContact *contact, QString *uid)
{
    QList<ExchangeContact> read;
    if (!VCard::read(text, &read, nullptr) || read.isEmpty()) {
        return false;
    }
    if (uid) {
        *uid = read.first().uid;
    }
    if (read.first().group) {
        return false; // a list of contacts on the phone, not a person
    }
    *contact = prepared(read.first());
    return true;
}

bool isGroupCard(const QByteArray &text)
{
    QList<ExchangeContact> read;
    return VCard::read(text, &read, nullptr) && !read.isEmpty() && read.first().group;
}

QByteArray patchCard(const QByteArray &serverText,
                     const ExchangeContact &local,
                     const QString &uid,
                     const QDateTime &stamp,
                     bool photoAsBase64)
{
    if (!local.photo.isEmpty() && CardText::hasDamagedPhoto(serverText)) {
        return patchCard(CardText::withoutDamagedPhotos(serverText), local, uid, stamp, photoAsBase64);
    }
    ExchangeContact withUid = local;
    withUid.uid = uid;
    ExchangeContact raw;
    VCard::FieldSources sources;
    if (serverText.isEmpty() || !VCard::readFirst(serverText, &raw, &sources) || raw.group) {
        // A new card is a 3.0: a server that reads cards as 3.0 (Radicale) cuts a 4.0's photo, a
        // data: URI, at its comma.
        QByteArray own;
        VCard::appendCard(own, withUid, 3);
        return stamp.isValid() ? CardText::withRevision(own, stamp) : own;
    }
    const ExchangeContact now = prepared(raw);
    QStringList changed;
    for (const QString &field : cardFields()) {
        if (fieldValue(now, field) != fieldValue(local, field)) {
            changed.append(field);
        }
    }
    if (changed.isEmpty()) {
        return serverText;
    }
    const QByteArray patched = CardText::patched(serverText, sources, local, changed, photoAsBase64);
    return stamp.isValid() ? CardText::withRevision(patched, stamp) : patched;
}

QByteArray photoHash(const QByteArray &photo)
{
    if (photo.isEmpty()) {
        return {};
    }
    return QCryptographicHash::hash(photo, QCryptographicHash::Sha1).toHex();
}

QByteArray contactHash(const ExchangeContact &item)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const Contact::Column &c : Contact::columns()) {
        const QLatin1String name(c.name);
        if (name == "ID"_L1 || name == "Parametry"_L1 || name == "Rocznica"_L1) {
            continue;
        }
        hash.addData(Cp1250::encode(item.contact.*c.field));
        hash.addData("\x1f");
    }
    hash.addData(item.notes.toUtf8());
    hash.addData("\x1f");
    hash.addData(photoHash(item.photo));
    return hash.result().toHex();
}

bool shrinkPhoto(const QByteArray &jpeg, QByteArray *smaller)
{
    QImage image;
    if (!PhotoCodec::decodeJpeg(jpeg, QSize(smallPhotoSide, smallPhotoSide), &image, nullptr)) {
        return false;
    }
    if (image.width() > smallPhotoSide || image.height() > smallPhotoSide) {
        image = image.scaled(smallPhotoSide, smallPhotoSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return PhotoCodec::encodeJpeg(image, 85, smaller, nullptr);
}

QString appointmentUid(const QString &record)
{
    return ICalendar::appointmentUid(AppointmentRecord::decode(record));
}

} // namespace SyncRules
