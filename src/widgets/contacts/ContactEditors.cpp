#include "ContactEditors.h"

#include "core/common/Cp1250.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

Cp1250Validator::Cp1250Validator(std::function<void()> refused, QObject *parent)
    : QValidator(parent)
    , m_refused(std::move(refused))
{}

namespace {

// A line break (CR LF, CR or LF) or a NUL becomes one blank; pos follows the text it stood in.
void flattenLineBreaks(QString &text, int &pos)
{
    QString flat;
    flat.reserve(text.size());
    int newPos = pos;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            if (i + 1 < pos) {
                --newPos;
            }
            ++i;
            flat.append(u' ');
        } else if (ch == u'\r' || ch == u'\n' || ch == u'\0') {
            flat.append(u' ');
        } else {
            flat.append(ch);
        }
    }
    text = flat;
    pos = newPos;
}

} // namespace

QValidator::State Cp1250Validator::validate(QString &input, int &pos) const
{
    // A field is a few columns of one line of the data file, so a pasted line break is a blank.
    if (input.contains(u'\r') || input.contains(u'\n') || input.contains(QChar(0))) {
        flattenLineBreaks(input, pos);
    }
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
