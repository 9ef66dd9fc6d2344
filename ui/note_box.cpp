#include "ui/note_box.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

NoteBox::NoteBox(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("NoteBox"));
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(new QLabel(QStringLiteral("Note:"), this));
    edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("NoteText"));
    edit->setMaxLength(kMostCharacters);
    edit->setPlaceholderText(QStringLiteral("stored at the current row with Enter; Esc closes"));
    layout->addWidget(edit, 1);
    connect(edit, &QLineEdit::returnPressed, this, [this] {
        const QString text = edit->text().trimmed();
        hide();
        if (!text.isEmpty())
            emit noteEntered(text);
    });
    hide();
}

void NoteBox::open()
{
    const QWidget& area = *parentWidget();
    const int height = sizeHint().height();
    setGeometry(4, area.height() - height - 4, area.width() - 8, height);
    edit->clear();
    show();
    raise();
    edit->setFocus();
}

void NoteBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        return hide();
    QFrame::keyPressEvent(event);
}
