#include "DesktopOpen.h"

namespace DesktopOpen {

namespace {

void tell(Prompter &prompter, QWidget *parent, const QString &text)
{
    prompter.messageBox(parent, text, QStringLiteral("Informacja!"), MB_OK | MB_ICONINFORMATION);
}

// What the box says when the desktop finds out only later that nothing opens it. The window
// that asked may be gone by then, so the box has none.
std::function<void()> tellLater(const Services &services, const QString &text)
{
    return [&prompter = services.prompter, text] {
        tell(prompter, nullptr, text);
    };
}

} // namespace

bool openOrTell(const Services &services, QWidget *parent, const QUrl &url, const QString &notOpened)
{
    if (services.shell.open(url, tellLater(services, notOpened))) {
        return true;
    }
    tell(services.prompter, parent, notOpened);
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
    const QString notOpened = QStringLiteral("Nie udało się otworzyć zdjęcia w edytorze grafiki.\n"
                                             "Zdjęcie można otworzyć w dowolnym edytorze z pliku:\n")
                              + QDir::toNativeSeparators(path);
    if (services.shell.edit(path, tellLater(services, notOpened))) {
        return true;
    }
    tell(services.prompter, parent, notOpened);
    return false;
}

} // namespace DesktopOpen
