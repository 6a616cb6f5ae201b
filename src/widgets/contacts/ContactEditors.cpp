#include "ContactEditors.h"

#include "core/common/Cp1250.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

Cp1250Validator::Cp1250Validator(std::function<void()> refused, QObject *parent)
    : QValidator(parent)
    , m_refused(std::move(refused))
{}

QValidator::State Cp1250Validator::validate(QString &input, int &) const
{
    if (Cp1250::canEncode(input)) {
        return Acceptable;
    }
    if (m_refused) {
        m_refused();
    }
    return Invalid;
}

NameComboBox::NameComboBox(QWidget *parent)
    : QComboBox(parent)
{}

void NameComboBox::showPopup()
{
    if (mayDropDown && !mayDropDown()) {
        return;
    }
    m_droppedDown = true;
    QComboBox::showPopup();
    if (droppedDown) {
        droppedDown();
    }
}

void NameComboBox::hidePopup()
{
    m_droppedDown = false;
    QComboBox::hidePopup();
}

NotesEdit::NotesEdit(std::function<void()> refused, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_refused(std::move(refused))
{}

int NotesEdit::room() const
{
    const QTextCursor cursor = textCursor();
    const int selected = cursor.selectionEnd() - cursor.selectionStart();
    return m_maxLength - static_cast<int>(toPlainText().size()) + selected;
}

void NotesEdit::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    const bool printable = !text.isEmpty() && (text.at(0).unicode() >= 0x20 || text == u"\t" || text == u"\r");
    if (printable && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        if (!Cp1250::canEncode(text)) {
            if (m_refused) {
                m_refused();
            }
            event->accept();
            return;
        }
        if (room() < text.size()) {
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void NotesEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText()) {
        return;
    }
    const QString text = source->text();
    if (!Cp1250::canEncode(text)) {
        if (m_refused) {
            m_refused();
        }
        return;
    }
    const int free = room();
    if (free <= 0) {
        return;
    }
    textCursor().insertText(text.left(free));
}
