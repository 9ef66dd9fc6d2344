#include "ui/chart_tool_bar.h"

#include "ui/digits_validator.h"
#include "ui/panel_button.h"
#include "chart/chart_tool_panel.h"

#include <QToolTip>

namespace {
QPushButton* button(QWidget* parent, const char* name, const QString& text, const QString& hint, int x, int w = 26)
{
    return panelButton(parent, name, text, hint, x, w);
}
} // namespace

ChartToolBar::ChartToolBar(ChartToolPanel& tools, QWidget* parent) : QFrame(parent), tools_(tools)
{
    setObjectName(QStringLiteral("TntPanel1"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);

    BtFill = new QCheckBox(QStringLiteral("&Fill"), this);
    BtFill->setObjectName(QStringLiteral("BtFill"));
    BtFill->setToolTip(QStringLiteral("Graphic Fill"));
    BtFill->setGeometry(6, 8, 46, 25);
    BtFill->setChecked(true);

    Maxrecord = new QLineEdit(QStringLiteral("100"), this);
    Maxrecord->setObjectName(QStringLiteral("Maxrecord"));
    Maxrecord->setToolTip(QStringLiteral("Records per page, %1 to %2")
                              .arg(TChartControl::MinPageSize)
                              .arg(ChartToolPanel::MaxPageSize));
    Maxrecord->setGeometry(54, 8, 56, 25);
    Maxrecord->setValidator(new DigitsValidator(Maxrecord));

    BtSave = button(this, "BtSave", QStringLiteral("Sa&ve"), QStringLiteral("Save"), 114, 44);
    BtFirst = button(this, "BtFirst", QStringLiteral("|<"), QStringLiteral("First"), 162);
    BTPrevious = button(this, "BTPrevious", QStringLiteral("<"), QStringLiteral("Previous"), 190);
    Bt10 = button(this, "Bt10", QStringLiteral("1"), QStringLiteral("Page No."), 218, 44);
    Bt10->setStyleSheet(QStringLiteral("color: blue; font-weight: bold"));
    Bt10->setFocusPolicy(Qt::NoFocus);   // the page indicator does nothing when pressed
    BtNext = button(this, "BtNext", QStringLiteral(">"), QStringLiteral("Next"), 264);
    BTlast = button(this, "BTlast", QStringLiteral(">|"), QStringLiteral("last"), 292);
    TbFd = button(this, "TbFd", QStringLiteral("[+]"), QStringLiteral("Graphic Enlarge"), 320, 28);
    TbSx = button(this, "TbSx", QStringLiteral("[-]"), QStringLiteral("Graphic Restore"), 320, 28);
    TbSx->hide();

    connect(BtFirst, &QPushButton::clicked, this, [this] { emit run([this] { tools_.BtFirstClick(); }); });
    connect(BTPrevious, &QPushButton::clicked, this, [this] { emit run([this] { tools_.BTPreviousClick(); }); });
    connect(BtNext, &QPushButton::clicked, this, [this] { emit run([this] { tools_.BtNextClick(); }); });
    connect(BTlast, &QPushButton::clicked, this, [this] { emit run([this] { tools_.BTlastClick(); }); });
    connect(BtFill, &QCheckBox::clicked, this, [this](bool on) { emit run([this, on] { tools_.btFillClick(on); }); });
    connect(Maxrecord, &QLineEdit::textEdited, this,
            [this](const QString& t) { emit run([this, t] { tools_.MaxrecordChange(t); }); });
    connect(BtSave, &QPushButton::clicked, this, &ChartToolBar::saveClicked);
    connect(TbFd, &QPushButton::clicked, this, &ChartToolBar::enlargeClicked);
    connect(TbSx, &QPushButton::clicked, this, &ChartToolBar::restoreClicked);
    // The page-size delay ends in the tools; the bar shows whatever they change.
    connect(&tools_.Timer2(), &QTimer::timeout, this, [this] {
        emit run([this] {
            const QString refusal = tools_.Timer2Timer();
            if (!refusal.isEmpty())
                QToolTip::showText(Maxrecord->mapToGlobal(QPoint(0, Maxrecord->height())), refusal, Maxrecord);
        });
    });
    tools_.setStateChangedListener([this] { showState(); });
}

void ChartToolBar::showState()
{
    Bt10->setText(tools_.pageCaption());
    BtFill->setChecked(tools_.fillChecked());
    if (Maxrecord->text() != tools_.maxrecordText()) {
        const QSignalBlocker block(Maxrecord);
        Maxrecord->setText(tools_.maxrecordText());
    }
}
