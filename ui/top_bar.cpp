#include "ui/top_bar.h"

#include <QChildEvent>
#include <QDir>
#include <QFileInfo>

namespace {
// Between the connection buttons and Quit.
const QRect kMessageArea(320, 1, 262, 30);
} // namespace

TopBar::TopBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel5"));
    setAutoFillBackground(true);
    for (int i = 0; i < 4; ++i) {
        auto* b = new QPushButton(QStringLiteral("COM %1").arg(i + 1), this);
        b->setObjectName(QStringLiteral("BtCOM%1").arg(i + 1));
        b->setGeometry(5, 3, 61, 24);
        b->setToolTip(QStringLiteral("Click to select the next serial port"));
        b->setVisible(i == 0);
        connect(b, &QPushButton::clicked, this, [this, i] { emit portPanelClicked(i + 1); });
        BtCOM[i] = b;
    }
    COMCon = new QPushButton(QStringLiteral("COM Connection"), this);
    COMCon->setObjectName(QStringLiteral("COMCon"));
    COMCon->setCheckable(true);
    COMCon->setGeometry(70, 3, 120, 24);
    connect(COMCon, &QPushButton::clicked, this, &TopBar::comConClicked);

    USBCon = new QPushButton(QStringLiteral("USB Connection"), this);
    USBCon->setObjectName(QStringLiteral("USBCon"));
    USBCon->setCheckable(true);
    USBCon->setGeometry(194, 3, 120, 24);
    connect(USBCon, &QPushButton::clicked, this, &TopBar::usbConClicked);

    BitBtn1 = new QPushButton(QStringLiteral("&Quit"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(585, 3, 72, 24);
    connect(BitBtn1, &QPushButton::clicked, this, &TopBar::quitClicked);

    LinkStatus = new QLabel(this);
    LinkStatus->setObjectName(QStringLiteral("LinkStatus"));
    LinkStatus->setWordWrap(true);
    LinkStatus->setStyleSheet(QStringLiteral("color: #a04000;"));
    LinkStatus->hide();

    ForeignJournals = new QLabel(this);
    ForeignJournals->setObjectName(QStringLiteral("ForeignJournals"));
    ForeignJournals->setWordWrap(true);
    ForeignJournals->setStyleSheet(QStringLiteral("color: #a04000;"));
    ForeignJournals->hide();
    arrangeMessages();
}

void TopBar::showLinkStatus(const QString& text)
{
    if (LinkStatus->text() == text)
        return;
    LinkStatus->setText(text);
    LinkStatus->setToolTip(text);
    LinkStatus->setVisible(!text.isEmpty());
}

void TopBar::showForeignJournals(const std::vector<ForeignJournal>& journals)
{
    QStringList lines;
    for (const ForeignJournal& j : journals)
        lines << QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(j.path), j.reason);
    // Two lines fit: why, then the file's name (the tooltip has every path).
    const QString first = journals.empty() ? QString() : QFileInfo(journals.front().path).fileName();
    const QString text = journals.empty()       ? QString()
                         : journals.size() == 1 ? QStringLiteral("Not offered, %1:\n%2").arg(journals.front().reason, first)
                                                : QStringLiteral("%1 journals not offered, not yours alone:\n%2, \u2026")
                                                      .arg(journals.size())
                                                      .arg(first);
    ForeignJournals->setText(text);
    ForeignJournals->setToolTip(journals.empty() ? QString()
                                                 : QStringLiteral("Not yours alone, so neither restored nor removed:\n")
                                                       + lines.join(QLatin1Char('\n')));
    ForeignJournals->setVisible(!journals.empty());
}

void TopBar::childEvent(QChildEvent* event)
{
    // Messages placed here by others (the safety copy's) share the area: each widget child is
    // watched for showing and hiding, the labels among them are stacked.
    if (event->added() && event->child()->isWidgetType())
        event->child()->installEventFilter(this);
    QWidget::childEvent(event);
}

bool TopBar::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) && qobject_cast<QLabel*>(watched))
        arrangeMessages();
    return QWidget::eventFilter(watched, event);
}

void TopBar::arrangeMessages()
{
    QList<QLabel*> shown;
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        if (label->isVisibleTo(this))
            shown << label;
    if (shown.isEmpty())
        return;
    const int height = kMessageArea.height() / int(shown.size());
    for (int i = 0; i < shown.size(); ++i)
        shown[i]->setGeometry(kMessageArea.x(), kMessageArea.y() + i * height, kMessageArea.width(), height);
}

void TopBar::show(const ConnectionControls& c)
{
    for (int i = 0; i < 4; ++i) {
        BtCOM[i]->setVisible(c.portPanelVisible[i]);
        BtCOM[i]->setEnabled(c.portPanelsEnabled);
    }
    COMCon->setVisible(c.comConVisible);
    COMCon->setChecked(c.comConDown);
    COMCon->setText(c.comConCaption);
    USBCon->setVisible(c.usbConVisible);
    USBCon->setChecked(c.usbConDown);
    USBCon->setText(c.usbConCaption);
}
