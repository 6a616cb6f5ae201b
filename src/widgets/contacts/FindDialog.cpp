#include "FindDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FindDialog::FindDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Znajdowanie"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setSizeGripEnabled(false);

    auto *label = new QLabel(QStringLiteral("&Znajdź:"), this);
    Edit_Tekst = new QLineEdit(this);
    Edit_Tekst->setObjectName(QStringLiteral("Edit_Tekst"));
    Edit_Tekst->setMinimumWidth(200);
    label->setBuddy(Edit_Tekst);
    Button_Znajdz = new QPushButton(QStringLiteral("Znajdź &następny"), this);
    Button_Znajdz->setObjectName(QStringLiteral("Button_Znajdz"));
    Button_Znajdz->setDefault(true);
    Button_Anuluj = new QPushButton(QStringLiteral("Anuluj"), this);
    Button_Anuluj->setObjectName(QStringLiteral("Button_Anuluj"));
    Button_Anuluj->setAutoDefault(false);

    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(Edit_Tekst);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(Button_Znajdz);
    buttons->addWidget(Button_Anuluj);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(row, 1);
    layout->setAlignment(row, Qt::AlignTop);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());

    connect(Button_Znajdz, &QPushButton::clicked, this, &FindDialog::findRequested);
    connect(Button_Anuluj, &QPushButton::clicked, this, &QDialog::reject);
}

QString FindDialog::findText() const
{
    return Edit_Tekst->text();
}

void FindDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Edit_Tekst->setFocus();
    Edit_Tekst->selectAll();
    emit shown();
}
