#pragma once

class QCoreApplication;
class QLocale;

// Qt's own texts (file and print dialogs, the buttons of standard boxes) in Polish.
namespace PolishTranslations {
// Loads Qt's Polish catalogue from Qt's translations folder when the locale is Polish.
// False when the locale is another one or the catalogue is not installed.
bool install(QCoreApplication &app);
bool install(QCoreApplication &app, const QLocale &locale);
} // namespace PolishTranslations
