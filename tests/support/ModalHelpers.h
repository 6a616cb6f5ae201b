#pragma once

#include "widgets/datepicker/TForm_Kalendarz.h"

#include <QApplication>
#include <QTimer>

#include <functional>

// Runs act on the date picker once it is shown modally. Anything else that turns up modal is
// closed, so a wrong window fails the test instead of hanging it.
inline void whenPickerShown(std::function<void(TForm_Kalendarz &)> act, int triesLeft = 200)
{
    QTimer::singleShot(5, [act = std::move(act), triesLeft]() mutable {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *picker = qobject_cast<TForm_Kalendarz *>(modal)) {
            act(*picker);
        } else if (modal) {
            modal->close();
        } else if (triesLeft > 0) {
            whenPickerShown(std::move(act), triesLeft - 1);
        }
    });
}
