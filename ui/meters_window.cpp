#include "ui/meters_window.h"

#include "ui/meters_board.h"
#include "ui/tool_window_place.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTextCharFormat>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QStringList kColumns = {"Name", "Source", "Value", "Unit", "Function", "Link", "Identity"};

// Marks one character of the edit without moving its cursor or changing its text: a format
// range, as an input method would lay over the text. position -1: no mark.
void markCharacter(QLineEdit& edit, int position)
{
    QList<QInputMethodEvent::Attribute> formats;
    if (position >= 0 && position < edit.text().size()) {
        QTextCharFormat mark;
        mark.setBackground(QColor(255, 150, 150));
        mark.setFontUnderline(true);
        formats << QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, position - edit.cursorPosition(), 1, mark);
    }
    QInputMethodEvent event(QString(), formats);
    QCoreApplication::sendEvent(&edit, &event);
}

void setCell(QTableWidget& table, int row, int column, const QString& text)
{
    QTableWidgetItem* item = table.item(row, column);
    if (!item)
        table.setItem(row, column, item = new QTableWidgetItem);
    if (item->text() != text)
        item->setText(text);
}

} // namespace

MetersWindow::MetersWindow(MetersBoard& board, QWidget* parent) : QWidget(parent, Qt::Tool), board_(board)
{
    setObjectName(QStringLiteral("MetersWindow"));
    setWindowTitle(QStringLiteral("Meters"));
    auto* layout = new QVBoxLayout(this);
    metersTable = new QTableWidget(0, int(kColumns.size()), this);
    metersTable->setObjectName(QStringLiteral("MetersTable"));
    metersTable->setHorizontalHeaderLabels(kColumns);
    metersTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    metersTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    metersTable->setSelectionMode(QAbstractItemView::SingleSelection);
    metersTable->verticalHeader()->hide();
    // Fitted to the texts when the list changes, not on every reading: measuring every cell's
    // text each time costs more than the readings themselves.
    metersTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    metersTable->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(metersTable, 1);
    buildMeterRow(*layout);
    buildChannelRows(*layout);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(3);
    resize(760, 380);

    connect(&board_, &MetersBoard::metersChanged, this, [this] { if (isVisible()) showMeters(); });
    connect(&board_, &MetersBoard::meterShown, this, [this](int index) {
        if (!isVisible())
            return;
        changed_.insert(index);
        refresh_.request();
    });
}

void MetersWindow::buildMeterRow(QVBoxLayout& layout)
{
    auto* row = new QHBoxLayout;
    meterName = new QLineEdit(this);
    meterName->setObjectName(QStringLiteral("MeterName"));
    meterName->setPlaceholderText(QStringLiteral("name, e.g. i"));
    meterSource = new QComboBox(this);
    meterSource->setObjectName(QStringLiteral("MeterSource"));
    meterSource->addItems(MetersBoard::sources());
    addMeter = new QPushButton(QStringLiteral("&Add meter"), this);
    addMeter->setObjectName(QStringLiteral("AddMeter"));
    removeMeter = new QPushButton(QStringLiteral("&Remove meter"), this);
    removeMeter->setObjectName(QStringLiteral("RemoveMeter"));
    row->addWidget(new QLabel(QStringLiteral("Meter:"), this));
    row->addWidget(meterName);
    row->addWidget(meterSource);
    row->addWidget(addMeter);
    row->addWidget(removeMeter);
    layout.addLayout(row);
    meterMessage = new QLabel(this);
    meterMessage->setObjectName(QStringLiteral("MeterMessage"));
    layout.addWidget(meterMessage);

    const auto add = [this] {
        QString error;
        if (board_.addMeter({meterName->text().trimmed(), meterSource->currentText()}, &error))
            meterName->clear();
        meterMessage->setText(error);
    };
    connect(addMeter, &QPushButton::clicked, this, add);
    connect(meterName, &QLineEdit::returnPressed, this, add);
    connect(removeMeter, &QPushButton::clicked, this, [this] {
        const int row = metersTable->currentRow();
        meterMessage->setText(row <= 0 ? QStringLiteral("Choose an added meter to remove; the main window's stays")
                                       : QString());
        if (row > 0)
            board_.removeMeter(row);
    });
}

void MetersWindow::buildChannelRows(QVBoxLayout& layout)
{
    layout.addWidget(new QLabel(QStringLiteral("Computed channels, as NAME = EXPRESSION (u*i, integral(p), sqrt(x^2+y^2)):"), this));
    for (int k = 0; k < kChannelLines; ++k) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Channel%1").arg(k + 1));
        connect(edit, &QLineEdit::textEdited, this, [this, k] { previewLine(k); });
        connect(edit, &QLineEdit::returnPressed, this, [this] { apply(); });
        layout.addWidget(edit);
        channelEdits.push_back(edit);
    }
    channelPreview = new QLabel(this);
    channelPreview->setObjectName(QStringLiteral("ChannelPreview"));
    layout.addWidget(channelPreview);

    auto* row = new QHBoxLayout;
    alignment = new QLineEdit(this);
    alignment->setObjectName(QStringLiteral("Alignment"));
    alignment->setToolTip(QStringLiteral("hold, hold:MAXAGE (seconds) or mean:SECONDS"));
    applyChannels = new QPushButton(QStringLiteral("A&pply channels"), this);
    applyChannels->setObjectName(QStringLiteral("ApplyChannels"));
    saveAll = new QPushButton(QStringLiteral("Sa&ve all channels..."), this);
    saveAll->setObjectName(QStringLiteral("SaveAllChannels"));
    row->addWidget(new QLabel(QStringLiteral("Alignment:"), this));
    row->addWidget(alignment);
    row->addWidget(applyChannels);
    row->addStretch();
    row->addWidget(saveAll);
    layout.addLayout(row);
    connect(applyChannels, &QPushButton::clicked, this, [this] { apply(); });
    connect(alignment, &QLineEdit::returnPressed, this, [this] { apply(); });
    connect(saveAll, &QPushButton::clicked, this, [this] { board_.saveAll(); });
}

QStringList MetersWindow::lines() const
{
    QStringList texts;
    for (const QLineEdit* edit : channelEdits)
        texts << edit->text();
    return texts;
}

void MetersWindow::previewLine(int line)
{
    QLineEdit& edit = *channelEdits[std::size_t(line)];
    if (edit.text().trimmed().isEmpty()) {
        markCharacter(edit, -1);
        channelPreview->clear();
        return;
    }
    const ChannelPreview p = board_.preview(lines(), line);
    markCharacter(edit, p.position);
    channelPreview->setText(previewText(p));
}

void MetersWindow::apply()
{
    QString error;
    if (board_.defineChannels(lines(), alignment->text(), &error))
        channelPreview->setText(QStringLiteral("Channels applied"));
    else
        channelPreview->setText(error);
}

void MetersWindow::showMeters()
{
    if (metersTable->rowCount() != board_.meterCount())
        metersTable->setRowCount(board_.meterCount());
    for (int r = 0; r < board_.meterCount(); ++r)
        showMeter(r);
    metersTable->resizeColumnsToContents();
    metersTable->setColumnWidth(2, std::max(metersTable->columnWidth(2), metersTable->fontMetrics().horizontalAdvance(QStringLiteral("-0.0000000")) + 8));
    const QStringList channels = board_.channelLines();
    for (int k = 0; k < kChannelLines; ++k)
        if (!channelEdits[std::size_t(k)]->hasFocus())
            channelEdits[std::size_t(k)]->setText(channels.value(k));
    if (!alignment->hasFocus())
        alignment->setText(board_.alignment());
}

void MetersWindow::showMeter(int index)
{
    if (index < 0 || index >= metersTable->rowCount())
        return;
    const MeterView v = board_.meter(index);
    const QString texts[] = {v.name, v.source, v.value, v.unit, v.function, v.link, v.identity};
    for (int c = 0; c < int(std::size(texts)); ++c)
        setCell(*metersTable, index, c, texts[c]);
}

void MetersWindow::showBelow(const QWidget& window, bool shown)
{
    if (!shown)
        return hide();
    if (!isVisible())
        placeBelow(*this, window);
    show();
    raise();
}

void MetersWindow::showEvent(QShowEvent* event)
{
    showMeters();
    QWidget::showEvent(event);
}

void MetersWindow::hideEvent(QHideEvent* event)
{
    emit hidden();
    QWidget::hideEvent(event);
}
