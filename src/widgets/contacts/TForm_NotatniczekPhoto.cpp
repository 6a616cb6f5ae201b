// The contacts window's photo frame: showing, choosing and removing the contact's photo.

#include "TForm_Notatniczek.h"

#include "PhotoLoader.h"
#include "PhotoPicker.h"

#include "core/common/TextFile.h"
#include "core/contacts/PhotoStore.h"

#include <QFileInfo>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

void TForm_Notatniczek::clearPhoto()
{
    if (m_photoLoader) {
        m_photoLoader->cancel(); // a picture still on its way is not shown
    }
    Image_Zdjecie->clear();
    Image_Zdjecie->hide();
    Panel1->setText(u"<brak zdjęcia>"_s);
    Panel1->setToolTip({});
}

void TForm_Notatniczek::showPhoto()
{
    clearPhoto();
    const bool exists = !m_photoPath.isEmpty() && QFileInfo::exists(m_photoPath);
    setPhotoCommands(exists);
    if (!exists) {
        return;
    }
    // Decoded on another thread, so browsing never waits for a picture; the frame stays empty meanwhile.
    if (!m_photoLoader) {
        m_photoLoader = new PhotoLoader(this);
        m_photoLoader->setObjectName(u"photoLoader"_s);
        connect(m_photoLoader, &PhotoLoader::loaded, this, &TForm_Notatniczek::showPicture);
        connect(m_photoLoader, &PhotoLoader::failed, this, [this](const QString &reason) {
            // A photo that cannot be shown says so in its frame; browsing goes on without a box.
            Panel1->setWordWrap(true);
            Panel1->setMargin(4);
            Panel1->setText(u"<nieczytelne zdjęcie>\n\n"_s + reason);
            Panel1->setToolTip(reason);
        });
    }
    Panel1->clear();
    m_photoLoader->load(m_photoPath, Image_Zdjecie->size());
}

void TForm_Notatniczek::showPicture(const QImage &picture)
{
    Image_Zdjecie->setPixmap(
        QPixmap::fromImage(picture.scaled(Image_Zdjecie->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    Image_Zdjecie->show();
}

void TForm_Notatniczek::Panel_ZdjecieDblClick()
{
    if (refusedDuringSync()) {
        return;
    }
    if (!isPositionValid() || m_photoPath.isEmpty()) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    const QString chosen = PhotoPicker::choose(this);
    if (chosen.isEmpty()) {
        return;
    }
    PhotoStore::Prepared prepared;
    QString error;
    if (!PhotoStore::prepare(chosen, Image_Zdjecie->size(), &prepared, &error)
        || !PhotoStore::store(m_photoPath, prepared.bytes, &error)) {
        m_services.showError(this, error); // nothing written, the old photo stays
        return;
    }
    clearPhoto();
    setPhotoCommands(true);
    showPicture(prepared.view); // decoded already
}

void TForm_Notatniczek::pm_odswiezClick()
{
    showPhoto();
}

void TForm_Notatniczek::pm_usunClick()
{
    if (refusedDuringSync()) {
        return;
    }
    if (m_services.prompter.messageBox(
            this, u"Chcesz skasować zdjęcie?"_s, u"Ostrzeżenie!"_s, MB_OKCANCEL | MB_ICONSTOP | MB_DEFBUTTON2)
        != Prompter::Ok) {
        return;
    }
    clearPhoto();
    if (!m_photoPath.isEmpty()) {
        (void)TextFile::removeIfExists(m_photoPath, nullptr);
    }
    setPhotoCommands(false);
}
