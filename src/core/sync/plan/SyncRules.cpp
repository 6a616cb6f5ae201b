#include "core/sync/plan/SyncRules.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/contacts/ContactList.h"
#include "core/contacts/PhotoCodec.h"
#include "core/exchange/ContactImport.h"
#include "core/exchange/ContentLines.h"
#include "core/exchange/ICalendar.h"
#include "core/exchange/VCard.h"

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

// One property of a card: its physical lines as they stand and the unfolded line.
using CardLine = ContentLines::Line;

QList<CardLine> splitCard(const QByteArray &text)
{
    return ContentLines::split(text);
}

QByteArray propertyName(const QByteArray &logical)
{
    return ContentLines::name(logical);
}

// The length of the property name with its group ("item1.TEL"): longer than the name alone when
// the line belongs to a group.
qsizetype propertyPart(const QByteArray &logical)
{
    qsizetype end = 0;
    while (end < logical.size() && logical[end] != ';' && logical[end] != ':') {
        ++end;
    }
    return logical.left(end).trimmed().size();
}

ExchangeContact readRaw(const QByteArray &card)
{
    QList<ExchangeContact> read;
    if (!VCard::read(card, &read, nullptr) || read.isEmpty()) {
        return {};
    }
    return read.first();
}

// Which fields each line of a card fills, found by reading the card line by line.
QList<QSet<QString>> attribute(const QList<CardLine> &lines)
{
    QList<QSet<QString>> fields(lines.size());
    QByteArray prefix = "BEGIN:VCARD\r\n";
    ExchangeContact before;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray name = propertyName(lines[i].logical);
        if (name == "BEGIN" || name == "END" || name == "VERSION" || name == "UID" || name == "PRODID"
            || name == "REV") {
            continue;
        }
        if (name == "PHOTO") {
            fields[i] = {u"photo"_s};
            continue;
        }
        if (name == "NOTE") {
            fields[i] = {u"notes"_s};
            continue;
        }
        if (name == "FN") {
            fields[i] = {u"Nazwa"_s}; // the formatted name follows the name wherever it stands
            continue;
        }
        const QByteArray next = prefix + lines[i].logical + "\r\n";
        const ExchangeContact after = readRaw(next + "END:VCARD\r\n");
        for (const QString &field : cardFields()) {
            if (SyncRules::fieldValue(before, field) != SyncRules::fieldValue(after, field)) {
                fields[i].insert(field);
            }
        }
        // A line that fills no field (a number past the ones the book holds, an unknown property)
        // changes nothing for the lines after it and stays out of the card read next, so each
        // step reads a card of bounded size; a line of a group may give meaning to a later one.
        if (!fields[i].isEmpty() || name.size() < propertyPart(lines[i].logical)) {
            prefix = next;
            before = after;
        }
    }
    return fields;
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

MergeResult merge(const ExchangeContact *base, const ExchangeContact &local, const ExchangeContact &remote)
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
        } else if (changedThere) {
            if (field == u"photo") {
                result.merged.photo = remote.photo;
            } else {
                setFieldValue(result.merged, field, theirs);
            }
        }
    }
    return result;
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

QByteArray patchCard(const QByteArray &serverText, const ExchangeContact &local, const QString &uid)
{
    ExchangeContact withUid = local;
    withUid.uid = uid;
    QByteArray own;
    (void)VCard::write({withUid}, &own);
    // Some servers cut a data: URI at its comma; the base64 form of the photo passes everywhere.
    own.replace("\r\nPHOTO:data:image/jpeg;base64,", "\r\nPHOTO;ENCODING=b;TYPE=JPEG:");
    ExchangeContact now;
    if (serverText.isEmpty() || !readCard(serverText, &now, nullptr)) {
        return own;
    }
    QSet<QString> changed;
    for (const QString &field : cardFields()) {
        if (fieldValue(now, field) != fieldValue(local, field)) {
            changed.insert(field);
        }
    }
    if (changed.isEmpty()) {
        return serverText;
    }
    const QList<CardLine> theirs = splitCard(serverText);
    const QList<CardLine> ours = splitCard(own);
    const QList<QSet<QString>> theirFields = attribute(theirs);
    const QList<QSet<QString>> ourFields = attribute(ours);
    QList<bool> emitted(ours.size(), false);
    const auto emitOurs = [&](QByteArray &out, const QSet<QString> &wanted) {
        for (qsizetype j = 0; j < ours.size(); ++j) {
            if (!emitted[j] && ourFields[j].intersects(wanted)) {
                out += ours[j].raw;
                emitted[j] = true;
            }
        }
    };
    QByteArray out;
    out.reserve(serverText.size() + own.size());
    bool inCard = false;
    bool done = false;
    for (qsizetype i = 0; i < theirs.size(); ++i) {
        const QByteArray name = propertyName(theirs[i].logical);
        const QByteArray value = theirs[i].logical.mid(theirs[i].logical.indexOf(':') + 1).trimmed().toUpper();
        if (!done && name == "BEGIN" && value == "VCARD") {
            inCard = true;
        } else if (inCard && name == "END" && value == "VCARD") {
            emitOurs(out, changed);
            inCard = false;
            done = true;
        } else if (inCard) {
            const QSet<QString> touched = theirFields[i] & changed;
            if (!touched.isEmpty()) {
                emitOurs(out, touched);
                continue;
            }
        }
        out += theirs[i].raw;
    }
    return out;
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
