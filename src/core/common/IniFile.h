#pragma once

#include <QHash>
#include <QList>
#include <QString>

// A settings file with private-profile semantics: sections and keys compared without regard to
// case, values read and written one key at a time, and every line this program does not know
// (other sections and keys, comments, blank lines) kept as it stands. The file is code page 1250.
// It is read once into sections with an index of their keys, so a read or a write costs the same
// however long the file is. Changes are collected in memory and written by save(), which replaces
// the file atomically.
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
    // A whole number in decimal, or the default when the key is missing or not a whole number
    // that an int holds.
    int readInt(const QString &section, const QString &key, int defaultValue) const;
    // The same, brought into [lowest, highest].
    int readInt(const QString &section, const QString &key, int defaultValue, int lowest, int highest) const;
    // Whether the file has a line with the key in the section.
    bool contains(const QString &section, const QString &key) const { return find(section, key) != nullptr; }
    // Replaces the key's line, or adds it at the end of its section, or adds the section at the end.
    // Line breaks and NULs in the value become blanks, so it stays one line.
    void writeString(const QString &section, const QString &key, const QString &value);

    const QString &path() const { return m_path; }
    // Every line of the file as it will be written.
    QList<QString> lines() const;

private:
    // The lines from one header up to the next; the first section holds the lines before any
    // header and has no header line of its own.
    struct Section
    {
        QList<QString> lines; // the header line first, where there is one
        // Case-folded key -> index in lines, of the first line with that key.
        QHash<QString, qsizetype> keys;
    };
    void addLine(Section &section, QString line);
    const QString *find(const QString &section, const QString &key) const;

    QString m_path;
    QList<Section> m_sections;
    // Case-folded name -> index in m_sections, of the first section with that name.
    QHash<QString, qsizetype> m_index;
};
