#pragma once

#include "core/appointments/AppointmentList.h"
#include "core/common/Services.h"
#include "widgets/shell/ShellWindow.h"

#include <QPointer>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

// "Morwinek - Terminy": the coming appointments mixed with the contacts' dates near today, and
// four editors to add, change and delete stored appointments. Every change rewrites the file.
// Creating it builds the list, so the start-up reminder creates it unshown and counts the entries.
class TForm_Terminy : public ShellWindow
{
    Q_OBJECT
public:
    explicit TForm_Terminy(Services &services, QWidget *parent = nullptr);

    // How many entries the list holds.
    int entryCount() const;
    // The unsaved marker: the bold caption of bDodaj.
    bool isUnsaved() const;
    // Builds the list again from the files after a sync wrote them; the editors are emptied.
    void reloadAfterSync();
    // While a sync runs the list can be browsed and the window closed, but nothing edited or saved:
    // the editors are read-only and a save or delete is refused with the reason.
    void setSyncRunning(bool running);

    QGroupBox *GroupBox2 = nullptr;
    QLabel *Label_Witam = nullptr;
    QLabel *Label2 = nullptr;
    QTreeWidget *ListView1 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *eData = nullptr;
    QToolButton *SB_Urodziny = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *eOpis = nullptr;
    QLabel *Label3 = nullptr;
    QComboBox *cbOsoba = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *eMiejsce = nullptr;
    // The time of day and alarm, kept beside the appointment's record.
    QLabel *Label_Od = nullptr;
    QLineEdit *eCzasOd = nullptr;
    QLabel *Label_Do = nullptr;
    QLineEdit *eCzasDo = nullptr;
    QLabel *Label_Przypomnij = nullptr;
    QComboBox *cbPrzypomnij = nullptr;
    QPushButton *bDodaj = nullptr;
    QPushButton *bKasuj = nullptr;
    QPushButton *Button1 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void cbOsobaChange();
    void ListView1SelectItem();
    void bDodajClick();
    void bKasujClick();
    void SB_UrodzinyClick();
    void Button1Click();

private:
    void createComponents();
    void FormCreate();
    // Asks about unsaved changes; false when the user wanted them saved and the save failed.
    bool CzyZmienione();
    bool ListView1KeyDown(int key, Qt::KeyboardModifiers modifiers);
    // The save of bDodaj; false when nothing was saved.
    bool saveEditors();
    // True, having told the user why, while a sync runs.
    bool refusedDuringSync();
    void setUnsaved(bool unsaved);
    Appointment appointmentFromEditors() const;
    // The time editors' values; false when a time is not "gg:mm" or an end has no start.
    bool timeFromEditors(AppointmentTime *time) const;
    void showTime(const AppointmentTime &time);
    void fitDateColumn();
    QString editorRecord() const;
    QTreeWidgetItem *selectedItem() const;
    void addItem(const Appointment &entry);
    void sortItems();

    Services &m_services;
    AppointmentList m_list;
    bool m_syncRunning = false;
};

inline QPointer<TForm_Terminy> Form_Terminy; // null while no such window; clears itself on delete
