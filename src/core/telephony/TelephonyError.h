#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// A failure of the telephone line, carrying the text the user is shown. It stays inside the
// telephony code and the handler that started the action, which shows it.
class TelephonyError : public std::exception
{
public:
    explicit TelephonyError(QString text)
        : m_text(std::move(text))
        , m_utf8(m_text.toUtf8())
    {}
    const QString &text() const { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};
