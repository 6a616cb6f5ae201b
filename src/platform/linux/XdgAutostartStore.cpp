#include "XdgAutostartStore.h"

#include "core/common/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString defaultConfigHome()
{
    const QString env = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!env.isEmpty() && QDir::isAbsolutePath(env)) {
        return env;
    }
    return QDir::homePath() + QStringLiteral("/.config");
}

// Characters that make an Exec argument need quotes.
bool needsQuotes(const QString &arg)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    for (const QChar c : arg) {
        if (reserved.contains(c)) {
            return true;
        }
    }
    return arg.isEmpty();
}

// The general escapes of a desktop file's string values.
QString escapeString(const QString &value)
{
    QString out;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString unescapeString(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar n = value.at(++i);
        switch (n.unicode()) {
        case u's':
            out += u' ';
            break;
        case u'n':
            out += u'\n';
            break;
        case u't':
            out += u'\t';
            break;
        case u'r':
            out += u'\r';
            break;
        default:
            out += n;
        }
    }
    return out;
}

// The [Desktop Entry] group's keys of a desktop file's text.
QMap<QString, QString> entryKeys(const QString &text)
{
    QMap<QString, QString> keys;
    bool inEntry = false;
    for (const QString &raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inEntry || line.startsWith(u'#') || eq <= 0) {
            continue;
        }
        const QString key = line.left(eq).trimmed();
        if (!keys.contains(key)) {
            keys.insert(key, line.mid(eq + 1).trimmed());
        }
    }
    return keys;
}

} // namespace

XdgAutostartStore::XdgAutostartStore(QString configHome, QStringList arguments)
    : m_configHome(configHome.isEmpty() ? defaultConfigHome() : std::move(configHome))
    , m_arguments(std::move(arguments))
{}

QString XdgAutostartStore::command(const QString &executablePath) const
{
    QString exec = execValue(executablePath);
    for (const QString &arg : m_arguments) {
        exec += u' ' + execValue(arg);
    }
    return exec;
}

QString XdgAutostartStore::filePath() const
{
    return m_configHome + QStringLiteral("/autostart/Morwinek.desktop");
}

QString XdgAutostartStore::execValue(const QString &executablePath)
{
    QString arg = executablePath;
    arg.replace(u'%', QStringLiteral("%%"));
    if (needsQuotes(executablePath)) {
        QString quoted = QStringLiteral("\"");
        for (const QChar c : arg) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
                quoted += u'\\';
            }
            quoted += c;
        }
        arg = quoted + u'"';
    }
    return escapeString(arg);
}

std::optional<QString> XdgAutostartStore::programFromExec(const QString &value)
{
    const QString cmd = unescapeString(value);
    QString arg;
    if (cmd.startsWith(u'"')) {
        qsizetype i = 1;
        bool closed = false;
        for (; i < cmd.size(); ++i) {
            const QChar c = cmd.at(i);
            if (c == u'\\' && i + 1 < cmd.size()) {
                arg += cmd.at(++i);
            } else if (c == u'"') {
                closed = true;
                break;
            } else {
                arg += c;
            }
        }
        if (!closed) {
            return std::nullopt;
        }
    } else {
        arg = cmd.section(u' ', 0, 0);
    }
    arg.replace(QStringLiteral("%%"), QStringLiteral("%"));
    if (arg.isEmpty()) {
        return std::nullopt;
    }
    return arg;
}

QStringList XdgAutostartStore::argumentsFromExec(const QString &value)
{
    const QString cmd = unescapeString(value);
    QStringList args;
    QString arg;
    bool inArg = false;
    for (qsizetype i = 0; i < cmd.size(); ++i) {
        const QChar c = cmd.at(i);
        if (c == u' ' || c == u'\t') {
            if (inArg) {
                args.append(arg);
                arg.clear();
                inArg = false;
            }
            continue;
        }
        inArg = true;
        if (c != u'"') {
            arg += c;
            continue;
        }
        bool closed = false;
        for (++i; i < cmd.size(); ++i) {
            const QChar q = cmd.at(i);
            if (q == u'\\' && i + 1 < cmd.size()) {
                arg += cmd.at(++i);
            } else if (q == u'"') {
                closed = true;
                break;
            } else {
                arg += q;
            }
        }
        if (!closed) {
            return {};
        }
    }
    if (inArg) {
        args.append(arg);
    }
    for (QString &a : args) {
        a.replace(QStringLiteral("%%"), QStringLiteral("%"));
    }
    return args;
}

std::optional<QString> XdgAutostartStore::read() const
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QMap<QString, QString> keys = entryKeys(QString::fromUtf8(file.readAll()));
    if (keys.value(QStringLiteral("Hidden")).compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0) {
        return std::nullopt;
    }
    const QString exec = keys.value(QStringLiteral("Exec"));
    // An entry whose command cannot be read back is still an entry, and never ours; one that
    // passes other arguments than this copy does starts another copy, and reads as no path at all.
    const QStringList args = argumentsFromExec(exec);
    if (args.isEmpty()) {
        return exec;
    }
    if (args.mid(1) != m_arguments) {
        return QString();
    }
    return args.first();
}

bool XdgAutostartStore::write(const QString &executablePath)
{
    if (!QDir().mkpath(QFileInfo(filePath()).absolutePath())) {
        return false;
    }
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Morwinek\n"
                                        "Comment=Organizer osobisty\n"
                                        "Exec=%1\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(command(executablePath));
    return TextFile::writeAtomically(filePath(), text.toUtf8(), nullptr);
}

bool XdgAutostartStore::remove()
{
    return TextFile::removeIfExists(filePath(), nullptr);
}
