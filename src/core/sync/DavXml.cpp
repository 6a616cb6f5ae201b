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

// Above this size an answer's item contents are taken out before the XML reader sees the rest:
// the reader would hold each as UTF-16 text, growing, beside the answer and its UTF-8 copy.
constexpr qsizetype largeAnswer = 1024 * 1024;
// What stands for a content taken out: a private-use letter and its number.
constexpr char placeholder[] = "\xEE\x80\x80";

// Appends text with its line ends as an XML reader gives them: CR LF and CR alone become LF.
void appendLines(QByteArray *out, QByteArrayView text)
{
    qsizetype start = 0;
    for (qsizetype k = 0; k < text.size(); ++k) {
        if (text[k] == '\r') {
            out->append(text.sliced(start, k - start)).append('\n');
            start = k + 1 < text.size() && text[k + 1] == '\n' ? k + 2 : k + 1;
            k = start - 1;
        }
    }
    out->append(text.sliced(start));
}

// The text of plain character data, CDATA sections and the five entities and character references
// resolved; false for anything else (an element inside, a stray '<').
bool unescaped(QByteArrayView raw, QByteArray *out)
{
    out->reserve(raw.size());
    qsizetype i = 0;
    while (i < raw.size()) {
        const qsizetype special = [&] {
            for (qsizetype k = i; k < raw.size(); ++k) {
                if (raw[k] == '&' || raw[k] == '<') {
                    return k;
                }
            }
            return raw.size();
        }();
        appendLines(out, raw.sliced(i, special - i));
        i = special;
        if (i == raw.size()) {
            break;
        }
        if (raw[i] == '<') {
            if (!raw.sliced(i).startsWith("<![CDATA[")) {
                return false;
            }
            const qsizetype end = raw.indexOf("]]>", i + 9);
            if (end < 0) {
                return false;
            }
            appendLines(out, raw.sliced(i + 9, end - i - 9));
            i = end + 3;
            continue;
        }
        const qsizetype semicolon = raw.indexOf(';', i);
        if (semicolon < 0 || semicolon - i > 12) {
            return false;
        }
        const QByteArrayView name = raw.sliced(i + 1, semicolon - i - 1);
        static const std::pair<const char *, char> named[] = {
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        bool known = false;
        for (const auto &[entity, ch] : named) {
            if (name == entity) {
                out->append(ch);
                known = true;
            }
        }
        if (!known) {
            bool ok = false;
            const uint code = name.startsWith("#x")  ? name.sliced(2).toUInt(&ok, 16)
                              : name.startsWith('#') ? name.sliced(1).toUInt(&ok, 10)
                                                     : 0;
            if (!ok || code == 0 || code > 0x10FFFF) {
                return false;
            }
            const char32_t c = code;
            out->append(QString::fromUcs4(&c, 1).toUtf8());
        }
        i = semicolon + 1;
    }
    return true;
}

// The answer with the contents of its address-data and calendar-data elements taken out into
// contents (as UTF-8 text), each replaced by the placeholder and its number. An element whose
// content is more than text stays as it is.
QByteArray withoutContents(const QByteArray &bytes, QList<QByteArray> *contents)
{
    QByteArray rest;
    qsizetype copied = 0;
    qsizetype from = 0;
    while (true) {
        qsizetype at = -1;
        QByteArrayView local;
        for (const char *name : {"address-data", "calendar-data"}) {
            const qsizetype found = bytes.indexOf(name, from);
            if (found >= 0 && (at < 0 || found < at)) {
                at = found;
                local = QByteArrayView(name);
            }
        }
        if (at < 0) {
            break;
        }
        from = at + local.size();
        // The start tag: '<', a prefix perhaps, the name, then its end.
        qsizetype open = at - 1;
        while (open >= 0 && bytes[open] != '<' && bytes[open] != '>' && bytes[open] != ' ') {
            --open;
        }
        const qsizetype tagEnd = bytes.indexOf('>', from);
        if (open < 0 || bytes[open] != '<' || tagEnd < 0 || bytes[tagEnd - 1] == '/'
            || (from < bytes.size() && bytes[from] != '>' && bytes[from] != ' ' && bytes[from] != '\t'
                && bytes[from] != '\r' && bytes[from] != '\n')) {
            continue;
        }
        const QByteArray qualified = bytes.mid(open + 1, from - open - 1);
        if (qualified.size() != local.size() && !qualified.chopped(local.size()).endsWith(':')) {
            continue; // another element whose name ends so
        }
        const qsizetype close = bytes.indexOf("</" + qualified + ">", tagEnd + 1);
        if (close < 0) {
            break;
        }
        QByteArray text;
        if (!unescaped(QByteArrayView(bytes).sliced(tagEnd + 1, close - tagEnd - 1), &text)) {
            from = close;
            continue;
        }
        rest.append(QByteArrayView(bytes).sliced(copied, tagEnd + 1 - copied));
        rest.append(placeholder).append(QByteArray::number(contents->size()));
        contents->append(std::move(text));
        copied = close;
        from = close;
    }
    rest.append(QByteArrayView(bytes).sliced(copied));
    return rest;
}

// Reads the current element whole: its text, hrefs and direct children. An item's content that
// was taken out comes from contents.
DavXml::Property readProperty(QXmlStreamReader &xml, bool asData, QList<QByteArray> *contents = nullptr)
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
                if (contents && !contents->isEmpty() && property.data.startsWith(placeholder)) {
                    const qsizetype n = property.data.mid(qsizetype(sizeof placeholder) - 1).toLongLong();
                    property.data = n >= 0 && n < contents->size() ? std::exchange((*contents)[n], {}) : QByteArray();
                }
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
    QList<QByteArray> contents;
    // Taken out only from UTF-8 (what every server sends), whose text is read as it stands.
    const QByteArray head = bytes.left(256).toLower();
    const qsizetype declared = head.startsWith("<?xml") ? head.indexOf("?>") : -1;
    const bool utf16 = head.startsWith("\xFE\xFF") || head.startsWith("\xFF\xFE");
    const bool utf8 =
        !utf16 && (declared < 0 || !head.left(declared).contains("encoding") || head.left(declared).contains("utf-8"));
    const QByteArray rest = bytes.size() > largeAnswer && utf8 ? withoutContents(bytes, &contents) : QByteArray();
    QXmlStreamReader xml(rest.isEmpty() ? bytes : rest);
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
                            found.insert(name, readProperty(xml, content, &contents));
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
