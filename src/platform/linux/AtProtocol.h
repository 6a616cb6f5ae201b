#pragma once

#include <QByteArray>
#include <QList>

// What a Hayes-compatible modem says back, one answer line at a time.
namespace At {

enum class Result
{
    None, // echo of our command, information text, blank
    Ok,
    Connect,
    Ring,
    Busy,
    NoCarrier,
    NoDialtone,
    NoAnswer,
    Error, // also "+CME ERROR: …" and "+CMS ERROR: …" of mobile phones
};

// The result code an answer line stands for, in the verbose or the numeric form.
Result classify(const QByteArray &line);
// True for the answers that end a command; RING and information text do not.
bool isFinal(Result result);

// Cuts the byte stream of a serial port into answer lines: an answer may arrive in pieces over several
// reads, and one read may hold several answers. Lines end at CR or LF; blank lines are dropped.
class LineReader
{
public:
    // The lines completed by these bytes, without their line ends, oldest first.
    QList<QByteArray> feed(const QByteArray &bytes);
    // Forgets a line begun but not ended, as after a purge of the port.
    void clear() { m_partial.clear(); }
    const QByteArray &partial() const { return m_partial; }

private:
    QByteArray m_partial;
};

} // namespace At
