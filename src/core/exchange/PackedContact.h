#pragma once

#include "core/contacts/Contact.h"

#include <QByteArray>

#include <algorithm>

// A contact as the data file stores it (code page 1250, every field trimmed and within its
// width), without the blanks that pad its 690-byte line: each field that is not empty as its
// column's number, its length and its bytes. An import holds its contacts so until they are added,
// at a fraction of the room of their lines.
class PackedContact
{
public:
    // Puts a contact together field by field, without allocating until it is taken.
    class Builder
    {
    public:
        // Room for the bytes of the column (its index in Contact::columns()), at least its width,
        // to be filled and then kept with commit(), which cuts them to the width. The bytes are
        // taken as they are: storable and trimmed. nullptr when the column was added already.
        char *reserve(int column)
        {
            if (column < 0 || column >= Contact::fieldCount || (m_added & (1u << column))) {
                return nullptr;
            }
            m_open = column;
            return m_end + 2;
        }
        void commit(qsizetype length)
        {
            if (m_open < 0) {
                return;
            }
            const int column = m_open;
            m_open = -1;
            length = std::min<qsizetype>(length, Contact::columns()[column].width);
            if (length <= 0) {
                return; // an empty field is not kept
            }
            m_added |= 1u << column;
            m_end[0] = static_cast<char>(column);
            m_end[1] = static_cast<char>(length);
            m_end += 2 + length;
        }
        PackedContact take() const;

    private:
        char m_bytes[2 * Contact::fieldCount + Contact::lineLength];
        char *m_end = m_bytes;
        quint32 m_added = 0; // a bit for each column added
        int m_open = -1;     // the column reserve() gave room for
    };

    // The bytes of a column, empty when it was not added.
    QByteArrayView field(int column) const;
    // The data-file line: 690 bytes, each field at its column and blanks between them.
    QByteArray line() const;
    // The same into *line, reusing its room.
    void fillLine(QByteArray *line) const;

    // A contact whose every value is storable already (trimmed, within its width, each character
    // one the code page holds); characters it has no byte for are written as '?'.
    static PackedContact fromContact(const Contact &contact);

private:
    QByteArray m_bytes;
};
