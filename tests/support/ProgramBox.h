#pragma once

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// A folder of its own for the built program: a copy of it in app/, and runtime/, config/ and
// data/ as its runtime, settings and data folders.
struct ProgramBox
{
    QTemporaryDir dir;

    ProgramBox()
    {
        for (const char *sub : {"app", "runtime", "config", "data"}) {
            QVERIFY(QDir(dir.path()).mkpath(QString::fromLatin1(sub)));
        }
        QVERIFY(QFile::copy(QStringLiteral(MORWINEK_EXE), path(QStringLiteral("app/morwinek"))));
    }
    QString path(const QString &name) const { return dir.filePath(name); }

    void start(QProcess &p, const QStringList &args, bool window = true) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        window ? env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"))
               : env.remove(QStringLiteral("QT_QPA_PLATFORM")); // then any window it opens fails it
        for (const char *var : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            env.insert(QString::fromLatin1(var), path(QString::fromLatin1(var).section(u'_', 1, 1).toLower()));
        }
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(path(QStringLiteral("app/morwinek")), args);
    }

    // Runs it to its end with no display at all, arguments parted by spaces; -1 if it crashed or hung.
    int run(const QString &args)
    {
        QProcess p;
        start(p, args.split(u' '), false);
        const bool ended = p.waitForFinished(30000);
        p.kill();
        out = QString::fromUtf8(p.readAllStandardOutput());
        err = QString::fromUtf8(p.readAllStandardError());
        return ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QString out; // of the last run
    QString err;
};
