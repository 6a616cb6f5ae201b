#pragma once

#include "core/common/Services.h"
#include "core/contacts/CardLayout.h"
#include "core/contacts/ContactFile.h"
#include "core/contacts/ContactSearch.h"
#include "widgets/shell/ShellWindow.h"

#include <QPointer>

class QAction;
class QFrame;
class QGroupBox;
class QImage;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolButton;
class ContactExchangeMenu;
class FindDialog;
class NameComboBox;
class NotesEdit;
class PhotoLoader;

// The address book: shows one contact at a time in its fields, and browses, adds, saves and
// deletes contacts. Every change is written to "Morwinek.data" at once.
class TForm_Notatniczek : public ShellWindow
{
    Q_OBJECT
public:
    explicit TForm_Notatniczek(Services &services, QWidget *parent = nullptr);

    // The text the name box holds for a contact added and not yet named.
    static QString placeholderName();

    const ContactFile &book() const { return m_book; }
    int position() const { return m_position; }
    bool changed() const { return m_changed; }
    // An edit not saved yet, or a new contact not named yet: a sync must wait for the user.
    bool hasUnsavedChanges() const;
    // Reads the data file again after a sync wrote it; the shown contact stays, found by its identifier.
    void reloadAfterSync();
    // While a sync runs the window browses, searches, dials and prints, but takes no edits: its
    // fields are read-only and what would change the book is refused with the reason.
    void setSyncRunning(bool running);

    void Dane_Czytaj(int index);
    void Dane_Zeruj();
    void Buduj_Combo();
    void ChangeCheck();
    void Imieniny();
    void Label_Info_Pokaz();

    // Left column.
    QLabel *Label_Data = nullptr;
    QLabel *Label_Godzina = nullptr;
    QLabel *Panel1 = nullptr;
    QLabel *Image_Zdjecie = nullptr;
    QMenu *PMenu1 = nullptr;
    QAction *pm_dodaj = nullptr;
    QAction *pm_edytuj = nullptr;
    QAction *pm_odswiez = nullptr;
    QAction *pm_usun = nullptr;
    QToolButton *Button_Pierwszy = nullptr;
    QToolButton *Button_Poprzedni = nullptr;
    QToolButton *Button_Nastepny = nullptr;
    QToolButton *Button_Ostatni = nullptr;
    QToolButton *Button_Szukaj = nullptr;
    QToolButton *Button_Dodaj = nullptr;
    QToolButton *Button_Zapisz = nullptr;
    QToolButton *Button_Drukuj = nullptr;
    QToolButton *Button_Kasuj = nullptr;
    QToolButton *Button_Szybkie = nullptr;
    QMenu *PMenu2 = nullptr;
    QAction *druk1 = nullptr;
    QAction *druk_osob = nullptr;
    QAction *druk_sluz = nullptr;
    QAction *druk_komorka = nullptr;
    QAction *druk_email = nullptr;
    QAction *druk_10 = nullptr;
    QAction *druk_Ustawienia = nullptr;
    QFrame *Panel2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label_wypisz2 = nullptr;
    QPushButton *Button_Zamknij = nullptr;
    QToolButton *Button_Wymiana = nullptr; // "Import i eksport...": its menu holds the exchange items
    QMenu *PMenu_Wymiana = nullptr;

    // Right column.
    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label_Ile = nullptr;
    NameComboBox *ComboBox_Nazwa = nullptr;
    QLabel *Label_Info = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheet1 = nullptr;
    QWidget *TabSheet2 = nullptr;
    QWidget *TabSheet3 = nullptr;
    QWidget *TabSheet4 = nullptr;

    QToolButton *SB_SzybkieTelDom = nullptr;
    QLineEdit *Edit_TelDom = nullptr;
    QToolButton *SB_TelDom = nullptr;
    QToolButton *SB_SzybkieTelSlu = nullptr;
    QLineEdit *Edit_TelSlu = nullptr;
    QLineEdit *Edit_TelWew = nullptr;
    QToolButton *SB_TelSlu = nullptr;
    QToolButton *SB_SzybkieTelKom = nullptr;
    QLineEdit *Edit_TelKom = nullptr;
    QToolButton *SB_TelKom = nullptr;
    QLineEdit *Edit_Faks = nullptr;
    QToolButton *SB_Faks = nullptr;
    QLineEdit *Edit_Email = nullptr;
    QPushButton *Button_Email = nullptr;

    QLineEdit *Edit_Pseudo = nullptr;
    QLineEdit *Edit_Urodziny = nullptr;
    QToolButton *SB_Urodziny = nullptr;
    QLineEdit *Edit_Imieniny = nullptr;
    QToolButton *SB_Imieniny = nullptr;
    QLineEdit *Edit_Slub = nullptr;
    QToolButton *SB_Slub = nullptr;
    QPushButton *Button_Biorytmy = nullptr;
    QLineEdit *Edit_DomUlica = nullptr;
    QLineEdit *Edit_DomMiasto = nullptr;
    QLineEdit *Edit_DomKod = nullptr;
    QLineEdit *Edit_DomURL = nullptr;
    QPushButton *Button_DomURL = nullptr;
    QLineEdit *Edit_Rocznica = nullptr;

    QLineEdit *Edit_Firma = nullptr;
    QLineEdit *Edit_Tytul = nullptr;
    QLineEdit *Edit_Dep = nullptr;
    QLineEdit *Edit_PracaUlica = nullptr;
    QLineEdit *Edit_PracaMiasto = nullptr;
    QLineEdit *Edit_PracaKod = nullptr;
    QLineEdit *Edit_PracaURL = nullptr;
    QPushButton *Button_PracaURL = nullptr;

    NotesEdit *Memo_Notatki = nullptr;

    // Outside the window's width, never shown.
    QLineEdit *Edit_ID = nullptr;
    QLineEdit *Edit_Parametry = nullptr;

    QTimer *Timer1 = nullptr;

    // Search, date buttons, photo and print commands.
    FindDialog *FindDialog1 = nullptr;
    QAction *druk_PDF = nullptr;

public slots:
    void Button_PierwszyClick();
    void Button_PoprzedniClick();
    void Button_NastepnyClick();
    void Button_OstatniClick();
    void Button_DodajClick();
    void Button_ZapiszClick();
    void Button_KasujClick();
    void Button_ZamknijClick();
    void Button_EmailClick();
    void Button_BiorytmyClick();
    void Button_DomURLClick();
    void Button_PracaURLClick();
    void pm_edytujClick();
    void SB_TelDomClick();
    void SB_TelSluClick();
    void SB_TelKomClick();
    void Button_SzybkieClick();
    void SB_SzybkieTelDomClick();
    void SB_SzybkieTelSluClick();
    void SB_SzybkieTelKomClick();
    void Timer1Timer();

    void SB_UrodzinyClick(); // all three date buttons
    void Button_SzukajClick();
    void FindDialog1Show();
    void FindDialog1Find();
    void Panel_ZdjecieDblClick();
    void pm_odswiezClick();
    void pm_usunClick();
    void druk1Click();
    void druk_UstawieniaClick();
    void druk_PDFClick();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static constexpr int windowWidth = 408;
    static constexpr int clientHeight = 335;

    void createLeftColumn();
    void createRightColumn();
    void createContactPage();
    void createPersonalPage();
    void createWorkPage();
    void createNotesPage();
    QLineEdit *addEditor(QWidget *page, const char *name, int maxLength, QRect geometry);
    // A caption at a place, naming the field for a screen reader.
    QLabel *addLabel(QWidget *parent, const QString &caption, QPoint at, QWidget *field);
    void connectEditors();

    void FormShow();
    bool FormKeyDown(QObject *watched, QKeyEvent *event);
    bool isWindowKey(const QKeyEvent *event) const;
    void Change();
    void Edit_UrodzinyChange();
    void ComboBox_NazwaChange(int index);
    void ComboBox_NazwaEdited(const QString &text);
    void Edit_KodExit(QLineEdit *edit);
    void openWebPage(const QLineEdit *edit);
    void refused();
    // True, having told the user why, while a sync runs.
    bool refusedDuringSync();
    void addToQuickDial(const QLineEdit *numberEdit, const QString &suffix);

    bool Dane_Zapisz();
    Contact contactFromEditors() const;
    void showContactInEditors(const Contact &contact);
    void refreshCounter();
    void setCounterBold(bool bold);
    void setPhotoCommands(bool photoExists);
    void setSelection(int index);
    bool isPositionValid() const { return m_position >= 0 && m_position < m_book.count(); }

    void connectContactTools();
    void pickDate(QLineEdit *field, int tag, int keepChars);
    void showPhoto();
    void showPicture(const QImage &picture);
    void clearPhoto();
    CardLayout::Content cardContent() const;
    CardLayout::Options cardOptions() const;
    bool refuseWithoutPrinter();

    Services &m_services;
    ContactFile m_book;
    int m_position = -1;
    QString m_storedName;
    bool m_changed = false;
    bool m_filling = false;
    bool m_shownOnce = false;
    bool m_closeAsked = false;
    bool m_syncRunning = false;
    QString m_photoPath;
    PhotoLoader *m_photoLoader = nullptr; // made by the first photo shown
    ContactExchangeMenu *m_exchange = nullptr;
    QList<QLineEdit *> m_fieldEditors; // every editor of a stored field but the name box
    ContactSearch m_search;
};

inline QPointer<TForm_Notatniczek> Form_Notatniczek; // null while no such window; clears itself on delete
