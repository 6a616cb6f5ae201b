#pragma once

#include "support/ShellFixture.h"

#include "core/common/TextFile.h"
#include "platform/sim/FakeLineApi.h"
#include "widgets/contacts/TForm_Notatniczek.h"

// The main window over a fake telephony interface with `devices` line devices.
struct LineShellFixture
{
    FakeLineApi api;
    ShellFixture shell;

    explicit LineShellFixture(int devices = 1)
    {
        api.devices.resize(devices);
        shell.sim.services.lineApi = &api;
    }
    FakePrompter &prompter() { return shell.sim.prompter; }
    // Starts on one contact "Biuro" with these phone numbers and opens the contacts window.
    TForm_Notatniczek *openContact(QString dom, QString slu, QString kom, QString firma = {})
    {
        Contact c;
        c.ID = QStringLiteral("10000");
        c.Nazwa = QStringLiteral("Biuro");
        c.Firma = firma;
        c.TelDom = dom;
        c.TelSlu = slu;
        c.TelKom = kom;
        shell.writeFile(QStringLiteral("Morwinek.data"), TextFile::joinLines({c.toLine()}));
        shell.start().Kontakty->trigger();
        return Form_Notatniczek;
    }
};
