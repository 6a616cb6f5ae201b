#pragma once

#include "ContactList.h"

#include <QByteArray>
#include <QString>

#include <array>

// Finding contacts by any text of their stored line. The comparison works on the code page 1250
// bytes as stored, with both sides folded to upper case by a table, so no line is decoded.
class ContactSearch
{
public:
    // Set as the last text when the dialog opens and after a find without a match, so that the
    // next find starts at the first contact.
    static constexpr char openedMarker[] = "!_!_!_!_!_!_!_!";
    static constexpr char exhaustedMarker[] = "_!_!_!_!_!_!_!_";
    // Matches are looked for after the identifier.
    static constexpr int firstColumn = Contact::idWidth;

    // The upper case of each code page 1250 byte (Polish letters included); bytes whose upper
    // case the code page lacks stay as they are.
    static const std::array<unsigned char, 256> &upperTable();

    // Looks for one folded text in raw lines. An empty text occurs nowhere.
    class Matcher
    {
    public:
        explicit Matcher(QByteArray foldedNeedle);
        bool occursIn(QByteArrayView haystack) const;

    private:
        QByteArray m_needle;
        QByteArray m_firstBytes; // every byte whose fold is the needle's first
    };
    // Whether the text occurs in the bytes, regardless of case.
    static bool contains(QByteArrayView haystack, const QString &text)
    {
        return Matcher(fold(text)).occursIn(haystack);
    }
    // The folded code page 1250 bytes of a text; empty when a character has no byte there,
    // as such a text cannot occur in a stored line.
    static QByteArray fold(const QString &text);

    // The search state: the last text and the line the next find starts at.
    void dialogShown();
    // One "find next" with the dialog's text: the position of the next matching line from where
    // the last find stopped, or -1 (after which the next find starts at the top again).
    int findNext(const ContactList &list, const QString &text);
    // After the found line moved (a save re-sorted the list), the next find goes on after it.
    void continueAfter(int position) { m_next = position + 1; }

    const QString &lastText() const { return m_last; }
    int nextLine() const { return m_next; }

private:
    QString m_last;
    int m_next = 0;
};
