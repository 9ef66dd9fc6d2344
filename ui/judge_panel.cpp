#include "ui/judge_panel.h"

#include "ui/link_indicator_widget.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

namespace {
QColor colourOf(unsigned rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }
const QColor kTooltipColour(255, 255, 225);

QLineEdit* makeEdit(QWidget* parent, const char* name, const QString& text, int y)
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(112, y, 110, 24);
    return e;
}

QLabel* addLabel(QWidget* parent, const QString& text, int y)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(8, y, 104, 24);
    return l;
}
} // namespace

JudgePanel::JudgePanel(LimitJudge& judge, std::function<QString()> localeSeparator,
                       std::function<QChar()> systemSeparator, QWidget* parent)
    : QFrame(parent), judge_(judge), localeSeparator_(std::move(localeSeparator)),
      systemSeparator_(std::move(systemSeparator))
{
    setObjectName(QStringLiteral("Panel4"));
    setFrameShape(QFrame::StyledPanel);
    QLabel* highLabel = addLabel(this, QStringLiteral("Set &High Limit:"), 8);
    addLabel(this, QStringLiteral("Measure Value:"), 45);
    QLabel* lowLabel = addLabel(this, QStringLiteral("Set &Low Limit:"), 82);
    T1HI = makeEdit(this, "T1HI", judge.highText(), 8);
    T1VALUE = makeEdit(this, "T1VALUE", judge.valueText(), 45);
    T1VALUE->setReadOnly(true);
    T1VALUE->setFocusPolicy(Qt::NoFocus);   // shows the reading; nothing to type
    T1VALUE->setStyleSheet(QStringLiteral("background: rgb(255,255,225)"));
    T1LO = makeEdit(this, "T1LO", judge.lowText(), 82);
    highLabel->setBuddy(T1HI);   // Alt+H and Alt+L reach the limits
    lowLabel->setBuddy(T1LO);
    for (QLineEdit* e : {T1HI, T1LO})
        e->installEventFilter(this);
    // Limits that cross fail every reading; said under the edits while they do.
    CrossedLimits = new QLabel(QStringLiteral("Low limit above high limit: every reading fails"), this);
    CrossedLimits->setObjectName(QStringLiteral("CrossedLimits"));
    CrossedLimits->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0); font-weight: bold; font-size: 9px"));
    CrossedLimits->setGeometry(8, 106, 300, 10);
    CrossedLimits->hide();

    Shape1 = new JudgeDisc(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(232, 10, 96, 96);

    CONok = new LinkIndicatorWidget(this);
    CONok->setObjectName(QStringLiteral("CONok"));
    CONok->setGeometry(322, 4, 24, 24);

    for (QTimer* t : {&Timer1, &Timer4}) {
        t->setInterval(LimitJudge::kCheckDelayMs);
        t->setSingleShot(false);
    }
    connect(&judge_, &LimitJudge::textShown, this, [this](LimitEdit e, const QString& text) {
        QLineEdit* edit = editOf(e);
        const QSignalBlocker block(edit);
        edit->setText(text);
        showLimitState();
    });
    connect(&judge_, &LimitJudge::checkTimerSet, this, [this](LimitEdit e, bool running) {
        QTimer& t = e == LimitEdit::High ? Timer1 : Timer4;
        if (running)
            t.start();
        else
            t.stop();
    });
    connect(T1HI, &QLineEdit::textChanged, this, [this](const QString& t) {
        emit run([this, t] { judge_.limitEdited(LimitEdit::High, t); });
        showLimitState();
    });
    connect(T1LO, &QLineEdit::textChanged, this, [this](const QString& t) {
        emit run([this, t] { judge_.limitEdited(LimitEdit::Low, t); });
        showLimitState();
    });
    connect(&Timer1, &QTimer::timeout, this, [this] { emit run([this] { judge_.checkLimit(LimitEdit::High, localeSeparator_()); }); });
    connect(&Timer4, &QTimer::timeout, this, [this] { emit run([this] { judge_.checkLimit(LimitEdit::Low, localeSeparator_()); }); });
}

void JudgePanel::showLimitState()
{
    const bool crossed = judge_.limitsCrossed(localeSeparator_());
    if (CrossedLimits->isVisibleTo(this) == crossed)
        return;
    CrossedLimits->setVisible(crossed);
    const QString style = crossed ? QStringLiteral("background: rgb(255, 208, 208)") : QString();
    T1HI->setStyleSheet(style);
    T1LO->setStyleSheet(style);
}

void JudgePanel::showVerdict()
{
    // Only what differs is set: each set repaints, and most frames repeat the last reading.
    if (T1VALUE->text() != judge_.valueText())
        T1VALUE->setText(judge_.valueText());
    if (judge_.verdict() == Verdict::None)
        return;
    const QColor c = colourOf(judge_.verdict() == Verdict::Pass ? LimitJudge::kPassColour : LimitJudge::kFailColour);
    // A new style sheet restyles the edit, which costs more than the rest of a frame: only
    // when the verdict's colour changes.
    const QString style = QStringLiteral("background: %1; color: white").arg(c.name());
    if (T1VALUE->styleSheet() != style)
        T1VALUE->setStyleSheet(style);
    Shape1->setVerdict(judge_.judgeCaption(), c);
}

bool JudgePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || (watched != T1HI && watched != T1LO))
        return QFrame::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    QChar typed;
    if (key->key() == Qt::Key_Backspace)
        typed = QChar(8);
    else if (!key->text().isEmpty())
        typed = key->text().at(0);
    else
        return false;   // cursor keys, delete and the like are not characters
    if (typed.unicode() < 32 && typed.unicode() != 8)
        return false;
    const bool keypadDecimal = (key->modifiers() & Qt::KeypadModifier)
                               && (key->key() == Qt::Key_Period || key->key() == Qt::Key_Comma);
    const QChar character = limitKeyCharacter(typed, keypadDecimal, localeSeparator_());
    auto* edit = static_cast<QLineEdit*>(watched);
    if (!acceptLimitKey(edit->text(), edit->selectedText(), character, systemSeparator_(), localeSeparator_()))
        return true;
    if (character == typed)
        return false;   // the edit types it itself
    edit->insert(QString(character));
    return true;
}

void JudgeDisc::setVerdict(const QString& caption, QColor colour)
{
    if (caption == caption_ && colour == colour_)
        return;
    caption_ = caption;
    colour_ = colour;
    update();
}

void JudgeDisc::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(colour_);
    const int d = qMin(width(), height()) - 2;
    const QRect disc((width() - d) / 2, (height() - d) / 2, d, d);
    p.drawEllipse(disc);
    QFont f = font();
    f.setPointSize(16);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(disc, Qt::AlignCenter, caption_);
}

void JudgePanel::showNoVerdict()
{
    // The last value stays readable, greyed; neither colour claims it is judged now.
    const QString style = QStringLiteral("background: rgb(255,255,225); color: gray");
    if (T1VALUE->styleSheet() != style)
        T1VALUE->setStyleSheet(style);
    Shape1->setVerdict(QString(), kTooltipColour);
}

void JudgePanel::showLink(bool alive, long long badFrames, long long droppedBytes)
{
    CONok->setAlive(alive);
    if (!alive)
        showNoVerdict();
    QStringList faults;
    if (badFrames)
        faults << (badFrames == 1 ? QStringLiteral("1 bad frame") : QStringLiteral("%1 bad frames").arg(badFrames));
    // Bytes the serial driver had to drop because the port sent faster than it is polled.
    if (droppedBytes)
        faults << (droppedBytes == 1 ? QStringLiteral("1 byte dropped (overrun)")
                                     : QStringLiteral("%1 bytes dropped (overrun)").arg(droppedBytes));
    const QString tip = !faults.isEmpty() ? faults.join(QStringLiteral(", "))
                                          : (alive ? QStringLiteral("Frames are arriving") : QStringLiteral("No frames"));
    if (CONok->toolTip() != tip)
        CONok->setToolTip(tip);
}
