#include "ui/recorder_channel_bar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

namespace {

QIcon swatch(const QColor& colour)
{
    QPixmap square(12, 12);
    square.fill(colour);
    QIcon icon(square);
    icon.addPixmap(square, QIcon::Disabled);   // the colour still tells the line while its box waits
    return icon;
}

} // namespace

RecorderChannelBar::RecorderChannelBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("RecorderChannels"));
    row_ = new QHBoxLayout(this);
    row_->setContentsMargins(0, 0, 0, 0);
    note_ = new QLabel(QStringLiteral("The other channels are drawn against the time of day."), this);
    note_->setObjectName(QStringLiteral("RecorderChannelsNote"));
    row_->addStretch(1);
    row_->addWidget(note_);
    hide();
}

void RecorderChannelBar::setEntries(const std::vector<Entry>& entries)
{
    for (QCheckBox* b : boxes_)
        delete b;
    boxes_.clear();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        auto* b = new QCheckBox(e.name, this);
        b->setObjectName(QStringLiteral("RecorderChannel_") + e.name);
        b->setIcon(swatch(e.colour));
        b->setChecked(e.shown);
        b->setToolTip(QStringLiteral("Show or hide %1").arg(e.name));
        connect(b, &QCheckBox::toggled, this, [this, name = e.name](bool on) { emit shownChanged(name, on); });
        row_->insertWidget(int(i), b);
        boxes_.push_back(b);
    }
    setVisible(entries.size() > 1);
    enableBoxes();
}

void RecorderChannelBar::setTimeAxis(bool on)
{
    timeAxis_ = on;
    enableBoxes();
}

void RecorderChannelBar::enableBoxes()
{
    for (std::size_t i = 1; i < boxes_.size(); ++i)
        boxes_[i]->setEnabled(timeAxis_);
    note_->setVisible(!timeAxis_ && boxes_.size() > 1);
}

QCheckBox* RecorderChannelBar::box(const QString& name) const
{
    for (QCheckBox* b : boxes_)
        if (b->text() == name)
            return b;
    return nullptr;
}
