#include "PhotoPicker.h"

#include "core/contacts/PhotoCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>

namespace {

constexpr QSize previewSize(133, 142);
constexpr qint64 maxPreviewBytes = 64LL * 1024 * 1024;

} // namespace

PhotoPicker::PhotoPicker(QWidget *parent)
    : QFileDialog(parent)
{
    setObjectName(QStringLiteral("OpenPic"));
    setWindowTitle(QStringLiteral("Wybierz plik ze zdjęciem..."));
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    // The list shows the classic filter text; the patterns Qt filters by follow it and stay hidden.
    setOption(QFileDialog::HideNameFilterDetails);
    QStringList shown, patterns;
    for (const QString &suffix : PhotoCodec::pictureSuffixes()) {
        shown.append(QStringLiteral("*.") + suffix);
        patterns.append(QStringLiteral("*.") + suffix);
        patterns.append(QStringLiteral("*.") + suffix.toUpper()); // as cameras name their files
    }
    setNameFilter(QStringLiteral("Zdjęcia (%1) (%2)").arg(shown.join(u';'), patterns.join(u' ')));
    setSizeGripEnabled(true);

    Preview = new QLabel(this);
    Preview->setObjectName(QStringLiteral("Preview"));
    Preview->setFixedSize(previewSize + QSize(8, 8));
    Preview->setAlignment(Qt::AlignCenter);
    Preview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Preview->setTextFormat(Qt::PlainText);
    if (auto *grid = qobject_cast<QGridLayout *>(layout())) {
        grid->addWidget(Preview, 1, grid->columnCount(), grid->rowCount() - 1, 1, Qt::AlignTop);
    }
    connect(this, &QFileDialog::currentChanged, this, &PhotoPicker::showPreview);
    resize(720, 440);
}

QString PhotoPicker::choose(QWidget *parent)
{
    PhotoPicker dialog(parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

void PhotoPicker::showPreview(const QString &path)
{
    Preview->clear();
    Preview->setToolTip({});
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > maxPreviewBytes) {
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray bytes = file.readAll();
    QImage picture;
    QString error;
    bool ok = false;
    if (PhotoCodec::looksLikeJpeg(bytes)) {
        ok = PhotoCodec::decodeJpeg(bytes, previewSize, &picture, &error);
    } else if (PhotoCodec::looksLikeBmp(bytes)) {
        ok = PhotoCodec::decodeBmp(bytes, &picture, &error);
    } else {
        ok = PhotoCodec::decodePicture(bytes, &picture, &error);
    }
    if (!ok) {
        Preview->setText(QStringLiteral("<nieczytelne zdjęcie>"));
        Preview->setToolTip(error);
        return;
    }
    Preview->setPixmap(
        QPixmap::fromImage(picture.scaled(previewSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}
