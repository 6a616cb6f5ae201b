#pragma once

#include <QByteArrayView>
#include <QString>

#include <string>

// The program's own Polish alphabetical order over code page 1250 bytes: case-insensitive,
// each Polish letter right after its base letter, everything else by its code. The system
// locale plays no part.
namespace PolishCollation {
// The weight of one byte.
int PorowZmienPL(unsigned char byte);
// -1, 0 or +1 for two names, each trimmed first; a name that is a prefix of the other sorts first.
int PorownaniePL(QByteArrayView a, QByteArrayView b);
// The same for texts, compared through their code page 1250 bytes.
int PorownaniePL(const QString &a, const QString &b);
// The place of a byte's weight among all weights, from 1: bytes of one weight share it, and
// a lower weight has a lower rank. One byte a character, so a name's key is as long as the name.
unsigned char rank(unsigned char byte);
// The ranks of the trimmed name. Ordinary string order on keys is PorownaniePL's order, so a sort
// can compute each key once.
std::string sortKey(QByteArrayView name);
// The same into out, cut to room bytes; gives how many were written.
qsizetype sortKey(QByteArrayView name, unsigned char *out, qsizetype room);
} // namespace PolishCollation
