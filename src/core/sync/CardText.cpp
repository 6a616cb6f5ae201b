#include "CardText.h"

#include "core/exchange/ContentLines.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

using namespace Qt::StringLiterals;
using ContentLines::Line;

// Fields written on one line together: the first names the group.
QString unitOf(const QString &field)
{
    static const QHash<QString, QString> first = {{u"TelWew"_s, u"TelSlu"_s},
                                                  {u"DomMiasto"_s, u"DomUlica"_s},
                                                  {u"DomKod"_s, u"DomUlica"_s},
                                                  {u"PracaMiasto"_s, u"PracaUlica"_s},
                                                  {u"PracaKod"_s, u"PracaUlica"_s},
                                                  {u"Dep"_s, u"Firma"_s}};
    return first.value(field, field);
}

QStringList fieldsOf(const QString &unit)
{
    if (unit == u"TelSlu") {
        return {unit, u"TelWew"_s};
    }
    if (unit == u"DomUlica") {
        return {unit, u"DomMiasto"_s, u"DomKod"_s};
    }
    if (unit == u"PracaUlica") {
        return {unit, u"PracaMiasto"_s, u"PracaKod"_s};
    }
    if (unit == u"Firma") {
        return {unit, u"Dep"_s};
    }
    return {unit};
}

// Line breaks as the card reader counts them: CR LF, CR alone and LF alone are one each.
int breaks(QByteArrayView raw)
{
    int count = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r') {
            ++count;
            if (i + 1 < raw.size() && raw[i + 1] == '\n') {
                ++i;
            }
        } else if (raw[i] == '\n') {
            ++count;
        }
    }
    return count;
}

// Splits at the separator where it is neither inside double quotes nor (escapes) after a backslash.
QList<QByteArray> parts(QByteArrayView text, char separator, bool escapes)
{
    QList<QByteArray> result;
    QByteArray part;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (escapes && c == '\\' && i + 1 < text.size()) {
            part += c;
            part += text[++i];
            continue;
        }
        if (!escapes && c == '"') {
            quoted = !quoted;
        } else if (c == separator && !quoted) {
            result.append(part);
            part.clear();
            continue;
        }
        part += c;
    }
    result.append(part);
    return result;
}

bool isParameter(const QByteArray &parameter, const char *key)
{
    const qsizetype eq = parameter.indexOf('=');
    return eq >= 0 && parameter.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0;
}

// The server's line with our value: its group, name and parameters (but for the encoding and the
// value type, which follow the new value), and of a structured value the parts the book has no
// field for (an address's post box, region and country, a name's prefix and suffix).
QByteArray withTheirHead(const Line &theirs, const Line &ours)
{
    const QByteArray name = ContentLines::name(theirs.logical);
    const QList<QByteArray> theirHead = parts(ContentLines::head(theirs.logical), ';', false);
    const QList<QByteArray> ourHead = parts(ContentLines::head(ours.logical), ';', false);
    QByteArray value = ContentLines::value(ours.logical).toByteArray();
    if (name == "PHOTO") {
        // The photo as this card's version writes it, kept in its group.
        const QByteArray &property = theirHead.first();
        const qsizetype dot = property.lastIndexOf('.');
        return (dot < 0 ? QByteArray() : property.left(dot + 1)) + ContentLines::head(ours.logical).toByteArray() + ':'
               + value;
    }
    QByteArray head = theirHead.first();
    bool encoded = false;
    // Our value's type where we name one; theirs stays but for a URI, which our text is not.
    const bool ourValueType = std::any_of(ourHead.cbegin() + 1, ourHead.cend(), [](const QByteArray &parameter) {
        return isParameter(parameter, "VALUE");
    });
    for (qsizetype i = 1; i < theirHead.size(); ++i) {
        const QByteArray &parameter = theirHead[i];
        const QByteArray bare = parameter.trimmed().toUpper();
        if (isParameter(parameter, "ENCODING") || bare == "QUOTED-PRINTABLE" || bare == "BASE64" || bare == "B"
            || bare == "8BIT") {
            encoded = true;
            continue;
        }
        if (isParameter(parameter, "CHARSET")
            || (isParameter(parameter, "VALUE") && (ourValueType || bare.endsWith("=URI")))) {
            continue;
        }
        head += ';' + parameter;
    }
    for (qsizetype i = 1; i < ourHead.size(); ++i) {
        if (isParameter(ourHead[i], "VALUE")) {
            head += ';' + ourHead[i];
        }
    }
    if (!encoded && (name == "N" || name == "ADR")) {
        QList<QByteArray> mine = parts(value, ';', true);
        const QList<QByteArray> kept = parts(ContentLines::value(theirs.logical), ';', true);
        const QList<qsizetype> own = name == "N" ? QList<qsizetype>{3, 4} : QList<qsizetype>{0, 4, 6};
        for (const qsizetype k : own) {
            if (k < kept.size() && !kept[k].isEmpty()) {
                while (mine.size() <= k) {
                    mine.append(QByteArray());
                }
                mine[k] = kept[k];
            }
        }
        value = mine.join(';');
    }
    return head + ':' + value;
}

QByteArray folded(const QByteArray &logical)
{
    QByteArray out;
    ContentLines::append(out, QString::fromUtf8(logical));
    return out;
}

// The group of a property in upper case ("ITEM2" of "item2.TEL;..."), or empty.
QByteArray groupOf(const QByteArray &logical)
{
    const QByteArray property = parts(ContentLines::head(logical), ';', false).first().trimmed();
    const qsizetype dot = property.lastIndexOf('.');
    return dot < 0 ? QByteArray() : property.left(dot).toUpper();
}

bool isCardEnd(const QByteArray &logical)
{
    return ContentLines::name(logical) == "END"
           && ContentLines::value(logical).trimmed().compare(QByteArrayView("VCARD"), Qt::CaseInsensitive) == 0;
}

bool isDamagedPhoto(const QByteArray &logical)
{
    if (ContentLines::name(logical) != "PHOTO") {
        return false;
    }
    const QByteArray value = ContentLines::value(logical).trimmed().toByteArray();
    if (value.left(5).toLower() == "data:") {
        const qsizetype comma = value.indexOf(',');
        return comma < 0 || comma + 1 == value.size();
    }
    const QByteArray head = ContentLines::head(logical).toByteArray().toUpper();
    return value.isEmpty() && (head.contains("ENCODING=B") || head.contains("BASE64"));
}

// The lines a comparison looks at: all but REV, PRODID and blank ones, unfolded.
QList<QByteArray> comparedLines(const QByteArray &card)
{
    QList<QByteArray> lines;
    for (const Line &line : ContentLines::split(card)) {
        const QByteArray name = ContentLines::name(line.logical);
        if (name != "REV" && name != "PRODID" && !line.logical.trimmed().isEmpty()) {
            lines.append(line.logical);
        }
    }
    return lines;
}

} // namespace

namespace CardText {

int version(const QByteArray &card)
{
    for (const Line &line : ContentLines::split(card)) {
        if (ContentLines::name(line.logical) == "VERSION") {
            return ContentLines::value(line.logical).trimmed().startsWith("4") ? 4 : 3;
        }
        if (isCardEnd(line.logical)) {
            break;
        }
    }
    return 3;
}

QByteArray patched(const QByteArray &serverText,
                   const VCard::FieldSources &sources,
                   const ExchangeContact &local,
                   const QStringList &changed,
                   bool photoAsBase64)
{
    const int cardVersion = version(serverText);
    const QList<Line> theirs = ContentLines::split(serverText);
    QList<int> firstLine(theirs.size());
    int physical = 1;
    for (qsizetype i = 0; i < theirs.size(); ++i) {
        firstLine[i] = physical;
        physical += breaks(theirs[i].raw);
    }
    QHash<qsizetype, QByteArray> replaced; // line -> what stands there instead (empty: dropped)
    QByteArray added;
    QSet<QString> done;
    for (const QString &field : changed) {
        const QString unit = unitOf(field);
        if (done.contains(unit)) {
            continue;
        }
        done.insert(unit);
        QList<VCard::LineSpan> spans;
        for (const QString &one : fieldsOf(unit)) {
            for (const VCard::LineSpan &span : sources.value(one)) {
                const bool known = std::any_of(spans.cbegin(), spans.cend(), [&span](const VCard::LineSpan &s) {
                    return s.first == span.first;
                });
                if (!known) {
                    spans.append(span);
                }
            }
        }
        std::sort(spans.begin(), spans.end(), [](const VCard::LineSpan &a, const VCard::LineSpan &b) {
            return a.first < b.first;
        });
        // Which of the card's lines each span covers.
        QList<QList<qsizetype>> covered;
        bool hasN = false;
        for (const VCard::LineSpan &span : spans) {
            QList<qsizetype> lines;
            auto it = std::lower_bound(firstLine.cbegin(), firstLine.cend(), span.first);
            for (; it != firstLine.cend() && *it <= span.last; ++it) {
                lines.append(it - firstLine.cbegin());
            }
            if (!lines.isEmpty() && !replaced.contains(lines.first())) {
                hasN = hasN || ContentLines::name(theirs[lines.first()].logical) == "N";
                covered.append(lines);
            }
        }
        QByteArray own = VCard::fieldLines(local, unit, unit == u"photo" && photoAsBase64 ? 3 : cardVersion);
        if (unit == u"Nazwa" && !covered.isEmpty() && !hasN && !own.isEmpty()) {
            // A card named by its FN alone keeps it so, the name as written here.
            own = folded("FN:" + ContentLines::escape(local.contact.Nazwa.trimmed()).toUtf8());
        }
        if (covered.isEmpty()) {
            added += own;
            continue;
        }
        const QList<Line> ours = ContentLines::split(own);
        QList<bool> used(ours.size(), false);
        qsizetype last = -1;
        for (const QList<qsizetype> &lines : covered) {
            for (const qsizetype i : lines) {
                replaced.insert(i, QByteArray());
            }
            const qsizetype at = lines.first();
            const QByteArray name = ContentLines::name(theirs[at].logical);
            for (qsizetype j = 0; j < ours.size(); ++j) {
                if (!used[j] && ContentLines::name(ours[j].logical) == name) {
                    replaced[at] = folded(withTheirHead(theirs[at], ours[j]));
                    used[j] = true;
                    break;
                }
            }
            last = at;
        }
        for (qsizetype j = 0; j < ours.size(); ++j) {
            if (!used[j]) {
                replaced[last] += ours[j].raw;
            }
        }
    }
    // A label whose property went with the emptied field goes with it ("item2.X-ABLabel").
    QSet<QByteArray> emptied;
    for (auto it = replaced.cbegin(); it != replaced.cend(); ++it) {
        if (it->isEmpty()) {
            emptied.insert(groupOf(theirs[it.key()].logical));
        }
    }
    emptied.remove(QByteArray());
    if (!emptied.isEmpty()) {
        QSet<QByteArray> stillUsed;
        QList<qsizetype> labels;
        for (qsizetype i = 0; i < theirs.size(); ++i) {
            const QByteArray group = groupOf(theirs[i].logical);
            if (!emptied.contains(group) || (replaced.contains(i) && replaced[i].isEmpty())) {
                continue;
            }
            const QByteArray name = ContentLines::name(theirs[i].logical);
            if (name == "X-ABLABEL" || name == "X-ABADR") {
                labels.append(i);
            } else {
                stillUsed.insert(group);
            }
        }
        for (const qsizetype i : labels) {
            if (!stillUsed.contains(groupOf(theirs[i].logical))) {
                replaced.insert(i, QByteArray());
            }
        }
    }
    const bool bareLf = !serverText.contains('\r');
    const auto ending = [bareLf](QByteArray text) {
        return bareLf ? text.replace("\r\n", "\n") : text;
    };
    QByteArray out;
    out.reserve(serverText.size() + added.size() + 256);
    bool ended = false;
    for (qsizetype i = 0; i < theirs.size(); ++i) {
        if (!ended && isCardEnd(theirs[i].logical)) {
            out += ending(added);
            ended = true;
        }
        if (const auto it = replaced.constFind(i); it != replaced.cend()) {
            out += ending(*it);
        } else {
            out += theirs[i].raw;
        }
    }
    return out;
}

QByteArray withRevision(const QByteArray &card, const QDateTime &stamp)
{
    const QByteArray eol = card.contains('\r') || !card.contains('\n') ? "\r\n" : "\n";
    const QByteArray rev = "REV:" + stamp.toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'"_s).toLatin1() + eol;
    const QList<Line> lines = ContentLines::split(card);
    qsizetype at = -1;
    bool replace = false;
    for (qsizetype i = 0; i < lines.size() && !isCardEnd(lines[i].logical); ++i) {
        const QByteArray name = ContentLines::name(lines[i].logical);
        if (name == "REV") {
            at = i;
            replace = true;
            break;
        }
        if (name == "VERSION" || (name == "BEGIN" && at < 0)) {
            at = i + 1;
        }
    }
    if (at < 0) {
        return card;
    }
    QByteArray out;
    out.reserve(card.size() + rev.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i == at) {
            out += rev;
            if (replace) {
                continue;
            }
        }
        out += lines[i].raw;
    }
    return out;
}

bool sameButRevision(const QByteArray &a, const QByteArray &b)
{
    return comparedLines(a) == comparedLines(b);
}

bool hasDamagedPhoto(const QByteArray &card)
{
    const QList<Line> lines = ContentLines::split(card);
    return std::any_of(lines.cbegin(), lines.cend(), [](const Line &line) {
        return isDamagedPhoto(line.logical);
    });
}

QByteArray withoutDamagedPhotos(const QByteArray &card)
{
    QByteArray out;
    out.reserve(card.size());
    for (const Line &line : ContentLines::split(card)) {
        if (!isDamagedPhoto(line.logical)) {
            out += line.raw;
        }
    }
    return out;
}

} // namespace CardText
