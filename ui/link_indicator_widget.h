#pragma once
// The lamp that tells whether meter frames are arriving: green plug when they are (CONok),
// grey plug with a red mark when they are not (CONokN). The tooltip is the window's to set.
#include <QWidget>

class LinkIndicatorWidget : public QWidget {
    Q_OBJECT
public:
    explicit LinkIndicatorWidget(QWidget* parent = nullptr);

    void setAlive(bool alive);
    bool alive() const { return alive_; }

    QSize sizeHint() const override { return QSize(28, 28); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool alive_ = false;   // the layout starts with "not alive" shown
};
