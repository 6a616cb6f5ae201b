#pragma once

#include "core/common/Services.h"
#include "core/sync/SyncConflicts.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;
class SyncController;

// "Morwinek - Konflikty": the contacts and appointments changed both here and on the server, each
// with both versions field by field; the user keeps this one (already sent) or the server's (put
// here, and sent by the next sync).
class TForm_Konflikty : public QDialog
{
    Q_OBJECT
public:
    TForm_Konflikty(Services &services, SyncController *sync, QWidget *parent = nullptr);

    QListWidget *ListBox_Konflikty = nullptr;
    QTreeWidget *ListView_Pola = nullptr;
    QLabel *Label_Opis = nullptr;
    QPushButton *Button_Tutaj = nullptr;
    QPushButton *Button_Serwer = nullptr;
    QPushButton *Button_Folder = nullptr;
    QPushButton *Button_Zamknij = nullptr;

    // The conflicts listed, in the order of the list.
    const QList<SyncConflicts::Entry> &conflicts() const { return m_entries; }

signals:
    // A conflict was settled; the count left.
    void conflictsChanged(int left);

public slots:
    void ListBox_KonfliktyChange();
    void Button_TutajClick();
    void Button_SerwerClick();
    void Button_FolderClick();

private:
    void createComponents();
    void Buduj_Liste();
    // The chosen conflict, or null (having beeped) when none is chosen or a sync or an unsaved
    // window forbids changing the book now.
    const SyncConflicts::Entry *chosenForChange();
    void settled(const QString &error);

    Services &m_services;
    SyncController *m_sync = nullptr;
    SyncConflicts m_conflicts;
    QList<SyncConflicts::Entry> m_entries;
};

// The open conflicts window; null while there is none.
inline QPointer<TForm_Konflikty> Form_Konflikty;
