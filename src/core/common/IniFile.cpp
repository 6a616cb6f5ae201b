#include "IniFile.h"

#include "Cp1250.h"
#include "DateText.h"
#include "TextFile.h"

#include <algorithm>

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

// The case-folded key of a "key=value" line, or a null string for any other line.
QString keyName(const QString &line)
{
    if (isComment(line)) {
        return {};
    }
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0) {
        return {};
    }
    return FixedText::trimmed(line.left(eq)).toCaseFolded();
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{}

void IniFile::addLine(Section &section, QString line)
{
    const QString key = keyName(line);
    section.lines.append(std::move(line));
    if (!key.isNull() && !section.keys.contains(key)) { // an earlier line with the key stays first
        section.keys.insert(key, section.lines.size() - 1);
    }
}

bool IniFile::load(QString *error)
{
    m_sections.clear();
    m_index.clear();
    m_sections.append(Section());
    QList<QByteArray> raw;
    bool exists = false;
    if (!TextFile::readLines(m_path, &raw, &exists, error)) {
        return false;
    }
    for (const QByteArray &bytes : std::as_const(raw)) {
        QString line = Cp1250::decode(bytes);
        const QString name = headerName(line);
        if (!name.isNull()) {
            const QString folded = name.toCaseFolded();
            if (!m_index.contains(folded)) { // the first such section stays the one read and written
                m_index.insert(folded, m_sections.size());
            }
            m_sections.append(Section());
            m_sections.last().lines.append(std::move(line));
        } else {
            addLine(m_sections.last(), std::move(line));
        }
    }
    return true;
}

QList<QString> IniFile::lines() const
{
    QList<QString> all;
    for (const Section &section : m_sections) {
        all.append(section.lines);
    }
    return all;
}

bool IniFile::save(QString *error) const
{
    QList<QByteArray> raw;
    for (const Section &section : m_sections) {
        for (const QString &line : section.lines) {
            raw.append(Cp1250::encode(line));
        }
    }
    return TextFile::writeLines(m_path, raw, error);
}

const QString *IniFile::find(const QString &section, const QString &key) const
{
    const auto s = m_index.constFind(section.toCaseFolded());
    if (s == m_index.cend()) {
        return nullptr;
    }
    const Section &found = m_sections.at(*s);
    const auto k = found.keys.constFind(key.toCaseFolded());
    return k == found.keys.cend() ? nullptr : &found.lines.at(*k);
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QString *line = find(section, key);
    if (!line) {
        return defaultValue;
    }
    return FixedText::trimmed(line->mid(line->indexOf(u'=') + 1));
}

int IniFile::readInt(const QString &section, const QString &key, int defaultValue) const
{
    bool ok = false;
    const int value = readString(section, key, QString()).toInt(&ok, 10);
    return ok ? value : defaultValue;
}

int IniFile::readInt(const QString &section, const QString &key, int defaultValue, int lowest, int highest) const
{
    bool ok = false;
    const qlonglong value = readString(section, key, QString()).toLongLong(&ok, 10);
    return ok ? static_cast<int>(std::clamp<qlonglong>(value, lowest, highest)) : defaultValue;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    if (m_sections.isEmpty()) {
        m_sections.append(Section()); // the lines before any header
    }
    // A line break inside a value would split it into lines of its own.
    QString flat = value;
    for (QChar &ch : flat) {
        if (ch == u'\r' || ch == u'\n' || ch == u'\0') {
            ch = u' ';
        }
    }
    QString line = key + u'=' + flat;
    const auto s = m_index.constFind(section.toCaseFolded());
    if (s == m_index.cend()) {
        m_index.insert(section.toCaseFolded(), m_sections.size());
        m_sections.append(Section());
        m_sections.last().lines.append(u'[' + section + u']');
        addLine(m_sections.last(), std::move(line));
        return;
    }
    Section &found = m_sections[*s];
    const auto k = found.keys.constFind(key.toCaseFolded());
    if (k != found.keys.cend()) {
        found.lines[*k] = std::move(line);
        return;
    }
    // After the section's last non-blank line, so a blank line between sections stays between
    // them. Key lines are never blank, so every indexed line stands before that place.
    qsizetype insert = found.lines.size();
    while (insert > 1 && FixedText::trimmed(found.lines.at(insert - 1)).isEmpty()) {
        --insert;
    }
    found.keys.insert(keyName(line), insert);
    found.lines.insert(insert, std::move(line));
}
