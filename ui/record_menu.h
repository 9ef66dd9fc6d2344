#pragma once
// The Record menu: the record limits (one checked), the hidden items New and Save that keep
// their handlers reachable, and beside the menu a hint while the limit stops logging.
#include <QObject>

#include <array>

class QAction;
class QLabel;
class QMenuBar;

class RecordMenu : public QObject {
    Q_OBJECT
public:
    // Items are named as the layout names them: N10001 .. N1000001, limitess.
    RecordMenu(QMenuBar& bar, const std::array<QString, 6>& limitCaptions, int checkedItem);
    // The checked item (-1: none) and, while logging stands at the limit, the hint.
    void showLimit(int checkedItem, bool reached, qint32 limit);

signals:
    void limitChosen(int item);
    void newChosen();
    void saveChosen();

private:
    std::array<QAction*, 6> items_{};
    QLabel* hint_;
};
