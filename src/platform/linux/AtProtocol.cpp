#include "AtProtocol.h"

namespace At {

namespace {

// A line without a line end longer than this is noise (a modem in data mode, a wrong speed);
// keeping only its tail keeps memory bounded and still finds the next answer.
constexpr qsizetype maxLineLength = 1024;

} // namespace

Result classify(const QByteArray &line)
{
    const QByteArray text = line.trimmed().toUpper();
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '9') {
        switch (text[0]) {
        case '0':
            return Result::Ok;
        case '1':
        case '5':
            return Result::Connect;
        case '2':
            return Result::Ring;
        case '3':
            return Result::NoCarrier;
        case '4':
            return Result::Error;
        case '6':
            return Result::NoDialtone;
        case '7':
            return Result::Busy;
        case '8':
            return Result::NoAnswer;
        default:
            return Result::None;
        }
    }
    if (text == "OK") {
        return Result::Ok;
    }
    if (text == "CONNECT" || text.startsWith("CONNECT ") || text.startsWith("CONNECT/")) {
        return Result::Connect;
    }
    if (text == "RING") {
        return Result::Ring;
    }
    if (text == "BUSY") {
        return Result::Busy;
    }
    if (text == "NO CARRIER") {
        return Result::NoCarrier;
    }
    if (text == "NO DIALTONE" || text == "NO DIAL TONE") {
        return Result::NoDialtone;
    }
    if (text == "NO ANSWER") {
        return Result::NoAnswer;
    }
    if (text == "ERROR" || text.startsWith("+CME ERROR") || text.startsWith("+CMS ERROR")) {
        return Result::Error;
    }
    return Result::None;
}

bool isFinal(Result result)
{
    return result != Result::None && result != Result::Ring;
}

QList<QByteArray> LineReader::feed(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (!m_partial.trimmed().isEmpty()) {
                lines.append(m_partial.trimmed());
            }
            m_partial.clear();
        } else if (c != '\0') {
            m_partial.append(c);
            if (m_partial.size() > maxLineLength) {
                m_partial.remove(0, m_partial.size() - maxLineLength);
            }
        }
    }
    return lines;
}

} // namespace At
