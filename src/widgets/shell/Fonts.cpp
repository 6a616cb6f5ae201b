#include "Fonts.h"

#include <QApplication>

namespace Fonts {

void install()
{
    const QString sans = QStringLiteral("Liberation Sans");
    const QString serif = QStringLiteral("Liberation Serif");
    for (const char *name : {"MS Sans Serif", "Arial", "Arial CE"}) {
        QFont::insertSubstitution(QLatin1String(name), sans);
    }
    for (const char *name : {"Times New Roman", "Times New Roman CE"}) {
        QFont::insertSubstitution(QLatin1String(name), serif);
    }
    QApplication::setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
}

QFont pixelFont(const QString &family, int pixelSize, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace Fonts
