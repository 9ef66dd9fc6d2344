#pragma once
// Panel4: the two limit edits, the measured value, the judge disc and the link indicator.
// Shows the LimitJudge model and forwards edits, keys and timer ticks to it.
#include "reading/limit_judge.h"

#include <QFrame>
#include <QLineEdit>
#include <QTimer>
#include <functional>

class LinkIndicatorWidget;
class QLabel;
class JudgeDisc;

class JudgePanel : public QFrame {
    Q_OBJECT
public:
    // `separators` gives the locale's decimal separator and the system's (for the key filter).
    JudgePanel(LimitJudge& judge, std::function<QString()> localeSeparator,
               std::function<QChar()> systemSeparator, QWidget* parent = nullptr);

    void showVerdict();            // after a judged frame: value text, colours, caption
    // No frames arrive: the value is no longer judged, the disc shows no verdict.
    void showNoVerdict();
    // The link lamp and its tool tip: frames arriving or not, and what went wrong on the way.
    void showLink(bool alive, long long badFrames, long long droppedBytes);

    QLineEdit* T1HI = nullptr;
    QLineEdit* T1VALUE = nullptr;
    QLineEdit* T1LO = nullptr;
    QLabel* CrossedLimits = nullptr;   // shown while the low limit lies above the high one
    JudgeDisc* Shape1 = nullptr;
    LinkIndicatorWidget* CONok = nullptr;   // shows CONok or CONokN
    QTimer Timer1;
    QTimer Timer4;

signals:
    // A handler of the limit edits or their timers is to run inside the window's error guard.
    void run(const std::function<void()>& handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showLimitState();
    QLineEdit* editOf(LimitEdit e) const { return e == LimitEdit::High ? T1HI : T1LO; }
    LimitJudge& judge_;
    std::function<QString()> localeSeparator_;
    std::function<QChar()> systemSeparator_;
};

// The round judge display: a disc with "Pass" or "Fail" on it.
class JudgeDisc : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    void setVerdict(const QString& caption, QColor colour);
    QString caption() const { return caption_; }
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString caption_;
    QColor colour_ = QColor(255, 255, 225);   // the tooltip colour until the first verdict
};
