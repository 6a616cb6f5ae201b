#include "PolishTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace PolishTranslations {

bool install(QCoreApplication &app)
{
    return install(app, QLocale::system());
}

bool install(QCoreApplication &app, const QLocale &locale)
{
    if (locale.language() != QLocale::Polish) {
        return false;
    }
    auto *translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Polish, QLocale::Poland),
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
