#include "UserName.h"

#include "core/common/DateText.h"

#include <pwd.h>
#include <unistd.h>

namespace UserName {

QString defaultUserName()
{
    const passwd *entry = getpwuid(getuid());
    if (entry && entry->pw_gecos) {
        const QString name = FixedText::trimmed(QString::fromLocal8Bit(entry->pw_gecos).section(u',', 0, 0));
        if (!name.isEmpty()) {
            return name;
        }
    }
    return QStringLiteral("Morwinek");
}

} // namespace UserName
