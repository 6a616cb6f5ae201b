#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The WebDAV multistatus answers the sync reads, and the bodies of its requests.
namespace DavXml {

inline constexpr char dav[] = "DAV:";
inline constexpr char cardDav[] = "urn:ietf:params:xml:ns:carddav";
inline constexpr char calDav[] = "urn:ietf:params:xml:ns:caldav";
inline constexpr char calendarServer[] = "http://calendarserver.org/ns/";

// One property's content: its text, the hrefs inside it and the names of its child elements,
// each name as "namespace|local".
struct Property
{
    QString text;    // empty for an item's content (address-data, calendar-data), which is in data
    QByteArray data; // UTF-8, held once: a card with its photo may be large
    QStringList hrefs;
    QStringList children;
};

struct Response
{
    QString href;
    int status = 0;                      // of the response itself (a removed member of a sync report), else 0
    QHash<QString, Property> properties; // those found (200), keyed "namespace|local"

    const Property *find(const char *ns, const char *local) const;
    QString text(const char *ns, const char *local) const;
};

struct MultiStatus
{
    QList<Response> responses;
    QString syncToken;
};

// False when the bytes are no well-formed multistatus.
bool parse(const QByteArray &bytes, MultiStatus *result);
// The HTTP status code of a "HTTP/1.1 404 Not Found" line, or 0.
int statusCode(QStringView line);

QByteArray propfind(const QList<std::pair<const char *, const char *>> &properties);
QByteArray syncCollection(const QString &token);
QByteArray multiget(bool calendar, const QStringList &encodedHrefs);
QByteArray mkcolAddressBook(const QString &name);
QByteArray mkcalendar(const QString &name);
// An addressbook-query or calendar-query for the item with this UID, with its data.
QByteArray uidQuery(bool calendar, const QString &uid);
// The href inside a <no-uid-conflict> precondition of an error body, or empty.
QString conflictHref(const QByteArray &errorBody);

} // namespace DavXml
