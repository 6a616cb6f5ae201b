#include "DialogFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace DialogFolder {

namespace {

QString &lastUsed()
{
    static QString folder;
    return folder;
}

} // namespace

QString start()
{
    if (!lastUsed().isEmpty() && QFileInfo(lastUsed()).isDir()) {
        return lastUsed();
    }
    // Without a documents folder of its own, the location reported is the home folder itself.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) {
        return documents;
    }
    return QDir::homePath();
}

QString startWith(const QString &fileName)
{
    return QDir(start()).filePath(fileName);
}

void remember(const QString &chosenFile)
{
    if (!chosenFile.isEmpty()) {
        lastUsed() = QFileInfo(chosenFile).absolutePath();
    }
}

void forget()
{
    lastUsed().clear();
}

} // namespace DialogFolder
