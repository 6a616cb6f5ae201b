#include "DavXml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

using namespace Qt::StringLiterals;

QString key(QStringView ns, QStringView local)
{
    QString k;
    k.reserve(ns.size() + local.size() + 1);
    k.append(ns).append(u'|').append(local);
    return k;
}

// Reads the current element whole: its text, hrefs and direct children.
DavXml::Property readProperty(QXmlStreamReader &xml, bool asData)
{
    DavXml::Property property;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (depth == 1) {
                property.children.append(key(xml.namespaceUri(), xml.name()));
            }
            if (xml.name() == u"href" && xml.namespaceUri() == u"DAV:") {
                property.hrefs.append(xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed());
                continue;
            }
            ++depth;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        } else if (token == QXmlStreamReader::Characters && depth == 1) {
            if (asData) {
                property.data += xml.text().toUtf8();
            } else {
                property.text += xml.text();
            }
        }
    }
    return property;
}

// The start of a REPORT that answers with each item's ETag and text: "calendar-…" or "addressbook-…"
// followed by kind ("multiget", "query"), up to the end of its prop element.
void startDataReport(QXmlStreamWriter &xml, bool calendar, const QString &kind)
{
    using namespace DavXml;
    const QLatin1String ns(calendar ? calDav : cardDav);
    xml.writeStartDocument();
    xml.writeNamespace(QLatin1String(dav), u"d"_s);
    xml.writeNamespace(ns, u"c"_s);
    xml.writeStartElement(ns, (calendar ? u"calendar-"_s : u"addressbook-"_s) + kind);
    xml.writeStartElement(QLatin1String(dav), u"prop"_s);
    xml.writeEmptyElement(QLatin1String(dav), u"getetag"_s);
    xml.writeEmptyElement(ns, calendar ? u"calendar-data"_s : u"address-data"_s);
    xml.writeEndElement();
}

} // namespace

namespace DavXml {

const Property *Response::find(const char *ns, const char *local) const
{
    const auto it = properties.constFind(QLatin1String(ns) + u'|' + QLatin1String(local));
    return it == properties.cend() ? nullptr : &*it;
}

QString Response::text(const char *ns, const char *local) const
{
    const Property *p = find(ns, local);
    return p ? p->text : QString();
}

int statusCode(QStringView line)
{
    const QList<QStringView> parts = line.trimmed().split(u' ');
    return parts.size() >= 2 ? parts[1].toInt() : 0;
}

bool parse(const QByteArray &bytes, MultiStatus *result)
{
    *result = {};
    QXmlStreamReader xml(bytes);
    bool sawRoot = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (!sawRoot) {
            if (xml.name() != u"multistatus" || xml.namespaceUri() != u"DAV:") {
                return false;
            }
            sawRoot = true;
            continue;
        }
        if (xml.namespaceUri() != u"DAV:") {
            xml.skipCurrentElement();
            continue;
        }
        if (xml.name() == u"sync-token") {
            result->syncToken = xml.readElementText().trimmed();
            continue;
        }
        if (xml.name() != u"response") {
            continue;
        }
        Response response;
        while (xml.readNextStartElement()) {
            if (xml.namespaceUri() != u"DAV:") {
                xml.skipCurrentElement();
            } else if (xml.name() == u"href") {
                response.href = xml.readElementText().trimmed();
            } else if (xml.name() == u"status") {
                response.status = statusCode(xml.readElementText());
            } else if (xml.name() == u"propstat") {
                QHash<QString, Property> found;
                int status = 0;
                while (xml.readNextStartElement()) {
                    if (xml.name() == u"prop") {
                        while (xml.readNextStartElement()) {
                            const QString name = key(xml.namespaceUri(), xml.name());
                            const bool content = xml.name() == u"address-data" || xml.name() == u"calendar-data";
                            found.insert(name, readProperty(xml, content));
                        }
                    } else if (xml.name() == u"status") {
                        status = statusCode(xml.readElementText());
                    } else {
                        xml.skipCurrentElement();
                    }
                }
                if (status >= 200 && status < 300) {
                    response.properties.insert(found);
                }
            } else {
                xml.skipCurrentElement();
            }
        }
        result->responses.append(std::move(response));
    }
    return sawRoot && !xml.hasError();
}

QByteArray propfind(const QList<std::pair<const char *, const char *>> &properties)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeNamespace(QLatin1String(dav), u"d"_s);
    xml.writeNamespace(QLatin1String(cardDav), u"a"_s);
    xml.writeNamespace(QLatin1String(calDav), u"c"_s);
    xml.writeNamespace(QLatin1String(calendarServer), u"s"_s);
    xml.writeStartElement(QLatin1String(dav), u"propfind"_s);
    xml.writeStartElement(QLatin1String(dav), u"prop"_s);
    for (const auto &[ns, local] : properties) {
        xml.writeEmptyElement(QLatin1String(ns), QLatin1String(local));
    }
    xml.writeEndDocument();
    return out;
}

QByteArray syncCollection(const QString &token)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeNamespace(QLatin1String(dav), u"d"_s);
    xml.writeStartElement(QLatin1String(dav), u"sync-collection"_s);
    xml.writeTextElement(QLatin1String(dav), u"sync-token"_s, token);
    xml.writeTextElement(QLatin1String(dav), u"sync-level"_s, u"1"_s);
    xml.writeStartElement(QLatin1String(dav), u"prop"_s);
    xml.writeEmptyElement(QLatin1String(dav), u"getetag"_s);
    xml.writeEndDocument();
    return out;
}

QByteArray multiget(bool calendar, const QStringList &encodedHrefs)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    startDataReport(xml, calendar, u"multiget"_s);
    for (const QString &href : encodedHrefs) {
        xml.writeTextElement(QLatin1String(dav), u"href"_s, href);
    }
    xml.writeEndDocument();
    return out;
}

QByteArray mkcolAddressBook(const QString &name)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeNamespace(QLatin1String(dav), u"d"_s);
    xml.writeNamespace(QLatin1String(cardDav), u"a"_s);
    xml.writeStartElement(QLatin1String(dav), u"mkcol"_s);
    xml.writeStartElement(QLatin1String(dav), u"set"_s);
    xml.writeStartElement(QLatin1String(dav), u"prop"_s);
    xml.writeStartElement(QLatin1String(dav), u"resourcetype"_s);
    xml.writeEmptyElement(QLatin1String(dav), u"collection"_s);
    xml.writeEmptyElement(QLatin1String(cardDav), u"addressbook"_s);
    xml.writeEndElement();
    xml.writeTextElement(QLatin1String(dav), u"displayname"_s, name);
    xml.writeEndDocument();
    return out;
}

QByteArray mkcalendar(const QString &name)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeNamespace(QLatin1String(dav), u"d"_s);
    xml.writeNamespace(QLatin1String(calDav), u"c"_s);
    xml.writeStartElement(QLatin1String(calDav), u"mkcalendar"_s);
    xml.writeStartElement(QLatin1String(dav), u"set"_s);
    xml.writeStartElement(QLatin1String(dav), u"prop"_s);
    xml.writeTextElement(QLatin1String(dav), u"displayname"_s, name);
    xml.writeStartElement(QLatin1String(calDav), u"supported-calendar-component-set"_s);
    xml.writeStartElement(QLatin1String(calDav), u"comp"_s);
    xml.writeAttribute(u"name"_s, u"VEVENT"_s);
    xml.writeEndDocument();
    return out;
}

QByteArray uidQuery(bool calendar, const QString &uid)
{
    const QLatin1String ns(calendar ? calDav : cardDav);
    QByteArray out;
    QXmlStreamWriter xml(&out);
    startDataReport(xml, calendar, u"query"_s);
    xml.writeStartElement(ns, u"filter"_s);
    if (calendar) {
        xml.writeStartElement(ns, u"comp-filter"_s);
        xml.writeAttribute(u"name"_s, u"VCALENDAR"_s);
        xml.writeStartElement(ns, u"comp-filter"_s);
        xml.writeAttribute(u"name"_s, u"VEVENT"_s);
    }
    xml.writeStartElement(ns, u"prop-filter"_s);
    xml.writeAttribute(u"name"_s, u"UID"_s);
    xml.writeStartElement(ns, u"text-match"_s);
    xml.writeAttribute(u"collation"_s, u"i;octet"_s);
    xml.writeAttribute(u"match-type"_s, u"equals"_s);
    xml.writeCharacters(uid);
    xml.writeEndDocument();
    return out;
}

QString conflictHref(const QByteArray &errorBody)
{
    QXmlStreamReader xml(errorBody);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"no-uid-conflict") {
            const Property p = readProperty(xml, false);
            return p.hrefs.value(0);
        }
    }
    return {};
}

} // namespace DavXml
