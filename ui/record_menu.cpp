#include "ui/record_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

RecordMenu::RecordMenu(QMenuBar& bar, const std::array<QString, 6>& limitCaptions, int checkedItem) : QObject(&bar)
{
    static const char* const names[] = {"N10001", "N50001", "N100001", "N500001", "N1000001", "limitess"};
    QMenu* menu = bar.addMenu(QStringLiteral("&Record"));
    menu->setObjectName(QStringLiteral("RecordMenu"));
    auto* group = new QActionGroup(menu);
    for (int i = 0; i < int(items_.size()); ++i) {
        QAction* a = menu->addAction(limitCaptions[std::size_t(i)]);
        a->setObjectName(QLatin1String(names[i]));
        a->setCheckable(true);
        a->setChecked(i == checkedItem);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { emit limitChosen(i); });
        items_[std::size_t(i)] = a;
    }
    // Logging stops silently at the record limit; the menu bar says so while it lasts.
    hint_ = new QLabel(&bar);
    hint_->setObjectName(QStringLiteral("RecordLimitHint"));
    hint_->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0); font-weight: bold; padding: 0px 6px"));
    hint_->hide();
    bar.setCornerWidget(hint_, Qt::TopRightCorner);
    QAction* newItem = menu->addAction(QStringLiteral("New"));
    newItem->setVisible(false);
    connect(newItem, &QAction::triggered, this, &RecordMenu::newChosen);
    QAction* saveItem = menu->addAction(QStringLiteral("Save"));
    saveItem->setVisible(false);
    connect(saveItem, &QAction::triggered, this, &RecordMenu::saveChosen);
}

void RecordMenu::showLimit(int checkedItem, bool reached, qint32 limit)
{
    for (int i = 0; i < int(items_.size()); ++i)
        items_[std::size_t(i)]->setChecked(i == checkedItem);
    if (reached)
        hint_->setText(QStringLiteral("Record limit %1 reached").arg(limit));
    if (hint_->isVisibleTo(hint_->parentWidget()) != reached)
        hint_->setVisible(reached);
}
