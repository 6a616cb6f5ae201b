#pragma once

class QCoreApplication;

// The organiser speaks Polish on any system locale: day and month names, number formats and Qt's
// own texts (file and print dialogs, the buttons of standard boxes). Dates in the data files keep
// their fixed "dd.MM.yyyy" (DateText), which no locale touches.
namespace PolishTranslations {
// Makes Polish (Poland) the default locale of every window and loads Qt's Polish catalogue from
// Qt's translations folder. False when the catalogue is not installed; the locale is set anyway.
bool install(QCoreApplication &app);
} // namespace PolishTranslations
