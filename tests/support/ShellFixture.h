#pragma once

#include "platform/sim/SimServices.h"
#include "widgets/shell/TForm_Main.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// A data folder of its own, fakes for everything outside, and a main window over them.
// Files the test wants the main window to see at start must be written before start().
struct ShellFixture
{
    QTemporaryDir dir;
    SimServices sim{dir.path()};
    std::unique_ptr<TForm_Main> main;

    ShellFixture() { QVERIFY(dir.isValid()); }
    ~ShellFixture() { main.reset(); }

    TForm_Main &start()
    {
        main = std::make_unique<TForm_Main>(sim.services);
        return *main;
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readFile(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};
