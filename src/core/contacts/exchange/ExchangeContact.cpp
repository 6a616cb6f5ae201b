#include "ExchangeContact.h"

#include "core/common/Cp1250.h"

#include <QStringDecoder>

QString ExchangeError::text() const
{
    if (line <= 0) {
        return message;
    }
    return QStringLiteral("Wiersz %1: %2").arg(line).arg(message);
}

namespace Exchange {

bool report(const ExchangeProgress &progress, qsizetype done, qsizetype total)
{
    if (!progress || (done % progressStep != 0 && done != total)) {
        return true;
    }
    return progress(done, total);
}

bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return !utf8.hasError();
}

QString decodeText(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes = bytes.sliced(3);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    return Cp1250::decode(bytes);
}

bool isJpeg(QByteArrayView bytes)
{
    return bytes.size() > 3 && static_cast<unsigned char>(bytes[0]) == 0xFF
           && static_cast<unsigned char>(bytes[1]) == 0xD8 && static_cast<unsigned char>(bytes[2]) == 0xFF;
}

} // namespace Exchange
