#pragma once

#include <QComboBox>
#include <QPlainTextEdit>
#include <QValidator>

#include <functional>

// Refuses any text with a character code page 1250 cannot store (it would be saved as another
// character) and reports each refusal, so the window can beep. A line break (as pasted) becomes a blank.
class Cp1250Validator : public QValidator
{
    Q_OBJECT
public:
    Cp1250Validator(std::function<void()> refused, QObject *parent);
    State validate(QString &input, int &pos) const override;

private:
    std::function<void()> m_refused;
};

// The name box: knows whether its list is dropped down, and may refuse to drop it.
class NameComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit NameComboBox(QWidget *parent = nullptr);
    bool isDroppedDown() const { return m_droppedDown; }
    // Asked before the list drops down; false keeps it closed.
    std::function<bool()> mayDropDown;
    // Told once the list is down (its key filters are in place by then).
    std::function<void()> droppedDown;
    void showPopup() override;
    void hidePopup() override;

private:
    bool m_droppedDown = false;
};

// The notes editor: plain text of at most a given length, code page 1250 characters only.
class NotesEdit : public QPlainTextEdit
{
    Q_OBJECT
public:
    NotesEdit(std::function<void()> refused, QWidget *parent = nullptr);
    void setMaxLength(int length) { m_maxLength = length; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // How many characters may still be inserted in place of the selection.
    int room() const;
    std::function<void()> m_refused;
    int m_maxLength = 4096;
};
