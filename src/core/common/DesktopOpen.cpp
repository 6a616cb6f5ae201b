#include "DesktopOpen.h"

namespace DesktopOpen {

bool openOrTell(const Services &services, QWidget *parent, const QUrl &url, const QString &notOpened)
{
    if (services.shell.open(url)) {
        return true;
    }
    services.prompter.messageBox(parent, notOpened, QStringLiteral("Informacja!"), MB_OK | MB_ICONINFORMATION);
    return false;
}

bool webPage(const Services &services, QWidget *parent, const QUrl &url)
{
    return openOrTell(services,
                      parent,
                      url,
                      QStringLiteral("Nie udało się otworzyć strony internetowej w przeglądarce.\n"
                                     "Stronę można otworzyć, wpisując w przeglądarce adres:\n")
                          + url.toString());
}

bool mail(const Services &services, QWidget *parent, const QUrl &mailto)
{
    return openOrTell(services,
                      parent,
                      mailto,
                      QStringLiteral("Nie udało się otworzyć programu pocztowego.\n"
                                     "Wiadomość można wysłać z innego programu na adres:\n")
                          + mailto.path());
}

bool editPhoto(const Services &services, QWidget *parent, const QString &path)
{
    if (services.shell.edit(path)) {
        return true;
    }
    services.prompter.messageBox(parent,
                                 QStringLiteral("Nie udało się otworzyć zdjęcia w edytorze grafiki.\n"
                                                "Zdjęcie można otworzyć w dowolnym edytorze z pliku:\n")
                                     + QDir::toNativeSeparators(path),
                                 QStringLiteral("Informacja!"),
                                 MB_OK | MB_ICONINFORMATION);
    return false;
}

} // namespace DesktopOpen
