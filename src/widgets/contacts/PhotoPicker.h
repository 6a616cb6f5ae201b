#pragma once

#include <QFileDialog>

class QLabel;

// The picture-open dialog for a contact's photo, with a preview of the selected file.
class PhotoPicker : public QFileDialog
{
    Q_OBJECT
public:
    explicit PhotoPicker(QWidget *parent = nullptr);

    // The chosen file, or an empty text when the user cancelled.
    static QString choose(QWidget *parent);

    QLabel *Preview = nullptr;

private:
    void showPreview(const QString &path);
};
