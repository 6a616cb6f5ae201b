#pragma once

#include <QList>
#include <QString>

// A settings file with private-profile semantics: sections and keys compared without regard to
// case, values read and written one key at a time, and every line this program does not know
// (other sections and keys, comments, blank lines) kept as it stands. The file is code page 1250.
// Changes are collected in memory and written by save(), which replaces the file atomically.
class IniFile
{
public:
    explicit IniFile(QString path);

    // Reads the file; a missing file is an empty one. False with the system's text when unreadable,
    // and the contents are then empty, so every read gives its default.
    [[nodiscard]] bool load(QString *error = nullptr);
    [[nodiscard]] bool save(QString *error = nullptr) const;

    // The value of the first matching key of the first matching section, with leading and
    // trailing blanks removed; the default when the key is missing.
    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    // A whole number in decimal, or the default when the key is missing or not a whole number.
    int readInt(const QString &section, const QString &key, int defaultValue) const;
    // Replaces the key's line, or adds it at the end of its section, or adds the section at the end.
    void writeString(const QString &section, const QString &key, const QString &value);

    const QString &path() const { return m_path; }
    QList<QString> lines() const { return m_lines; }

private:
    // Index of the section header line, or -1.
    int findSection(const QString &section) const;
    // Index of the key line within the section that starts at header, or -1.
    int findKey(int header, const QString &key) const;
    // One past the last line of the section that starts at header.
    int sectionEnd(int header) const;

    QString m_path;
    QList<QString> m_lines;
};
