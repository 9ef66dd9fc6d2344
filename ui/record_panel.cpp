#include "ui/record_panel.h"

#include "ui/digits_validator.h"
#include "ui/panel_button.h"

RecordPanel::RecordPanel(RecordLogger& logger, QWidget* parent) : QFrame(parent), logger_(logger)
{
    setObjectName(QStringLiteral("Panel2"));
    setFrameShape(QFrame::StyledPanel);

    RepeatSet = new QCheckBox(QStringLiteral("R&epeat"), this);
    RepeatSet->setObjectName(QStringLiteral("RepeatSet"));
    RepeatSet->setToolTip(QStringLiteral("Repeage Record"));
    RepeatSet->setChecked(true);
    RepeatSet->setGeometry(5, 2, 58, 18);

    // The interval box sits over the blanks of the check box's caption.
    RecordSI = new QCheckBox(QStringLiteral("Sampling &Interval           'S"), this);
    RecordSI->setObjectName(QStringLiteral("RecordSI"));
    RecordSI->setGeometry(5, 20, 170, 18);
    RecordSITime = new QLineEdit(QStringLiteral("1"), this);
    RecordSITime->setObjectName(QStringLiteral("RecordSITime"));
    RecordSITime->setGeometry(126, 20, 34, 18);
    RecordSITime->setValidator(new DigitsValidator(RecordSITime));

    RecordNew = panelButton(this, "RecordNew", QStringLiteral("&Clear"), QStringLiteral("Close Data"), 176, 42);
    saveas = panelButton(this, "saveas", QStringLiteral("&Save"), QStringLiteral("Save data files (Ctrl+S)"), 220, 40);
    OpenDataFiles = panelButton(this, "OpenDataFiles", QStringLiteral("&Open"), QStringLiteral("Open old data files (Ctrl+O)"), 262, 40);
    BtPrint = panelButton(this, "BtPrint", QStringLiteral("&Print"), QStringLiteral("Print (Ctrl+P)"), 176, 0);
    // Print shares the row: the four buttons are narrower than the panel allows otherwise, and
    // narrower still to leave the first row room for the tool windows' buttons.
    RecordNew->setGeometry(222, 2, 40, 18);
    BtPrint->setGeometry(263, 2, 39, 18);
    saveas->setGeometry(222, 20, 40, 18);
    OpenDataFiles->setGeometry(263, 20, 39, 18);
    // In the free space after Repeat: the figures of what was logged, one click away.
    Statistics = panelButton(this, "Statistics", QStringLiteral("S&tatistics"),
                             QStringLiteral("Min, max, mean and deviation of the logged rows"), 80, 0);
    Statistics->setGeometry(64, 2, 58, 18);
    Statistics->setCheckable(true);
    Recorder = panelButton(this, "Recorder", QStringLiteral("Recor&der"),
                           QStringLiteral("The whole run on a plot that zooms, with the figures between two cursors"), 124, 0);
    Recorder->setGeometry(124, 2, 50, 18);
    Recorder->setCheckable(true);
    Meters = panelButton(this, "Meters", QStringLiteral("&Meters"),
                         QStringLiteral("More meters at once, and channels computed from them"), 176, 0);
    Meters->setGeometry(176, 2, 44, 18);
    Meters->setCheckable(true);

    connect(RepeatSet, &QCheckBox::toggled, this, [this](bool on) { logger_.setRepeatSet(on); });
    connect(RecordSI, &QCheckBox::toggled, this, [this](bool on) { logger_.setRecordSI(on); });
    connect(RecordSITime, &QLineEdit::textChanged, this, &RecordPanel::RecordSITimeChange);
}

void RecordPanel::RecordSITimeChange(const QString& text)
{
    const RecordLogger::IntervalChange change = logger_.setIntervalText(text);
    if (change.outcome == RecordLogger::IntervalChange::Ignored)
        return;
    // The box shows what the logger made of the edit (a refused one, "0" made "1").
    if (change.boxText != RecordSITime->text()) {
        const QSignalBlocker block(RecordSITime);
        RecordSITime->setText(change.boxText);
    }
    if (change.outcome == RecordLogger::IntervalChange::Applied)
        emit intervalChanged(change.intervalMs);
}
