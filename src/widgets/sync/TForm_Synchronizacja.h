#pragma once

#include "core/common/Services.h"
#include "core/sync/SyncEngine.h"
#include "widgets/shell/ShellWindow.h"

#include <QPointer>

#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class SyncController;

// "Morwinek - Synchronizacja": the CardDAV/CalDAV server and account, the address book and the
// calendar found on it, the automatic interval, a sync by hand and what the last sync did.
// The job itself belongs to the main window, so closing this window never stops it.
class TForm_Synchronizacja : public ShellWindow
{
    Q_OBJECT
public:
    explicit TForm_Synchronizacja(Services &services, QWidget *parent = nullptr);

    QGroupBox *GroupBox_Serwer = nullptr;
    QLabel *Label_Adres = nullptr;
    QLineEdit *Edit_Adres = nullptr;
    QLabel *Label_Uzytkownik = nullptr;
    QLineEdit *Edit_Uzytkownik = nullptr;
    QLabel *Label_Haslo = nullptr;
    QLineEdit *Edit_Haslo = nullptr;
    QCheckBox *Check_Zapamietaj = nullptr;
    QPushButton *Button_Polacz = nullptr;
    QLabel *Label_Ksiazka = nullptr;
    QComboBox *ComboBox_Ksiazka = nullptr;
    QLabel *Label_Kalendarz = nullptr;
    QComboBox *ComboBox_Kalendarz = nullptr;

    QGroupBox *GroupBox_Synchronizacja = nullptr;
    QLabel *Label_CoIle = nullptr;
    QSpinBox *SpinEdit_CoIle = nullptr;
    QPushButton *Button_Synchronizuj = nullptr;
    QPushButton *Button_Przerwij = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QLabel *Label_Stan = nullptr;
    QLabel *Label_Wynik = nullptr;
    QPushButton *Button_Konflikty = nullptr;
    QPushButton *Button_Przywroc = nullptr;
    QPushButton *Button_Zamknij = nullptr;

public slots:
    void Button_PolaczClick();
    void Button_SynchronizujClick();
    void Button_PrzerwijClick();
    void Button_KonfliktyClick();
    void Button_PrzywrocClick();
    void Button_ZamknijClick();
    void SpinEdit_CoIleChange(int minutes);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createComponents();
    void FormShow();
    // Hands the typed address, user and password to the settings and this run's memory (and the
    // keyring when asked to); false, having said why, when they cannot be used.
    bool takeAccount();
    // The password typed to be remembered goes to the keyring, now that its address connected.
    void keepPassword();
    void storeAddressAndUser();
    bool confirmPlainHttp(const QString &address);
    void refuse(const QString &text);
    void discover(bool createMissing);
    // A server lacking an address book or a calendar: the user is told what it has and asked
    // whether to make what is missing; true when the making has started.
    bool offerToCreate(const QList<DavCollection> &collections);
    void engineDiscovered(const QList<DavCollection> &collections, const QString &error);
    void engineProgress(int done, int total);
    void syncStarted();
    void syncFinished(const SyncOutcome &outcome);
    void collectionChosen();
    // While a collection waits for the user's choice the status line asks for it, and only then.
    void showChoiceHint();
    void showLastOutcome();
    void setWorking(bool working, const QString &what);
    // "Przywróć usunięte" shows how much waits to be restored, and only while something does.
    void showKeptDeletions();
    // "Konflikty..." names how many conflicts wait for the user.
    void showConflictCount();
    // While automatic syncs wait for a password the window says so, and its button resumes them.
    void showPaused();

    Services &m_services;
    SyncController *m_sync = nullptr;
    bool m_discovering = false;
    bool m_creating = false;
    // The password typed with "Zapamiętaj hasło", kept in the keyring only once its address connected.
    std::optional<QString> m_passwordToKeep;
    QString m_passwordKeyTyped; // the address and user it was typed for
};

// The open sync window; null while there is none.
inline QPointer<TForm_Synchronizacja> Form_Synchronizacja;
