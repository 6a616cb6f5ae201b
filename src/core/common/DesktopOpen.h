#pragma once

#include "Services.h"

#include <QUrl>

// The desktop's "open" and "edit" verbs as the windows use them. When no program takes the address,
// a box says so and names the address, so the user can open it by hand; the answer is then false.
// Where the desktop finds that out only after the answer (its opener ran and failed), the box
// comes then.
namespace DesktopOpen {
bool openOrTell(const Services &services, QWidget *parent, const QUrl &url, const QString &notOpened);
bool webPage(const Services &services, QWidget *parent, const QUrl &url);
bool mail(const Services &services, QWidget *parent, const QUrl &mailto);
bool editPhoto(const Services &services, QWidget *parent, const QString &path);
} // namespace DesktopOpen
