#include "PolishTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace PolishTranslations {

bool install(QCoreApplication &app)
{
    // Windows and widgets read QLocale(), never QLocale::system(), so this one call decides.
    const QLocale polish(QLocale::Polish, QLocale::Poland);
    QLocale::setDefault(polish);
    auto *translator = new QTranslator(&app);
    if (!translator->load(polish,
                          QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace PolishTranslations
