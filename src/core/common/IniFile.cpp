#include "IniFile.h"

#include "Cp1250.h"
#include "DateText.h"
#include "TextFile.h"

namespace {

// The name of a "[name]" line, or a null string for any other line.
QString headerName(const QString &line)
{
    const QString t = FixedText::trimmed(line);
    if (t.size() >= 2 && t.front() == u'[') {
        const qsizetype close = t.indexOf(u']');
        if (close > 0) {
            return FixedText::trimmed(t.mid(1, close - 1));
        }
    }
    return {};
}

bool isComment(const QString &line)
{
    const QString t = FixedText::trimmed(line);
    return t.startsWith(u';');
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{}

bool IniFile::load(QString *error)
{
    m_lines.clear();
    QList<QByteArray> raw;
    bool exists = false;
    if (!TextFile::readLines(m_path, &raw, &exists, error)) {
        return false;
    }
    m_lines.reserve(raw.size());
    for (const QByteArray &line : raw) {
        m_lines.append(Cp1250::decode(line));
    }
    return true;
}

bool IniFile::save(QString *error) const
{
    QList<QByteArray> raw;
    raw.reserve(m_lines.size());
    for (const QString &line : m_lines) {
        raw.append(Cp1250::encode(line));
    }
    return TextFile::writeLines(m_path, raw, error);
}

int IniFile::findSection(const QString &section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString name = headerName(m_lines.at(i));
        if (!name.isNull() && name.compare(section, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

int IniFile::sectionEnd(int header) const
{
    int i = header + 1;
    while (i < m_lines.size() && headerName(m_lines.at(i)).isNull()) {
        ++i;
    }
    return i;
}

int IniFile::findKey(int header, const QString &key) const
{
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const QString &line = m_lines.at(i);
        if (isComment(line)) {
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            continue;
        }
        if (FixedText::trimmed(line.left(eq)).compare(key, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const int header = findSection(section);
    if (header < 0) {
        return defaultValue;
    }
    const int at = findKey(header, key);
    if (at < 0) {
        return defaultValue;
    }
    const QString &line = m_lines.at(at);
    return FixedText::trimmed(line.mid(line.indexOf(u'=') + 1));
}

int IniFile::readInt(const QString &section, const QString &key, int defaultValue) const
{
    bool ok = false;
    const int value = readString(section, key, QString()).toInt(&ok, 10);
    return ok ? value : defaultValue;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    // A line break inside a value would split it into lines of its own.
    QString flat = value;
    flat.replace(u'\r', u' ').replace(u'\n', u' ');
    const QString line = key + u'=' + flat;
    const int header = findSection(section);
    if (header < 0) {
        m_lines.append(u'[' + section + u']');
        m_lines.append(line);
        return;
    }
    const int at = findKey(header, key);
    if (at >= 0) {
        m_lines[at] = line;
        return;
    }
    // After the section's last non-blank line, so a blank line between sections stays between them.
    int insert = sectionEnd(header);
    while (insert > header + 1 && FixedText::trimmed(m_lines.at(insert - 1)).isEmpty()) {
        --insert;
    }
    m_lines.insert(insert, line);
}
