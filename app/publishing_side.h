#pragma once
// The window's MQTT publishing: the publisher while it is switched on, started again when its
// settings change, its status for the top bar, and the dialog that sets it up. Closing the
// window says "offline" and gives what waits a second to go out.
#include "publish/broker_settings.h"
#include "publish/publish_status.h"
#include "ui/mqtt_dialog.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class LocaleClock;
class PipelinePublisher;
class ReadingPipeline;
class QMenuBar;
class QWidget;

class PublishingSide : public QObject {
    Q_OBJECT
public:
    PublishingSide(ReadingPipeline& pipeline, const LocaleClock& clock, QObject* parent = nullptr);
    ~PublishingSide() override;

    // Publishes as `choice` says (stops when it is off, or when its settings cannot be used).
    void apply(const PublishChoice& choice);
    const PublishChoice& choice() const { return choice_; }
    // Opens "MQTT..." over `window`; OK applies it. Never waits for the dialog.
    void openDialog(QWidget* window);
    // The menu "Publish" with its item "MQTT...", which runs `open`.
    void addMenu(QMenuBar& bar, const std::function<void()>& open);
    MqttDialog* dialog() const { return dialog_; }
    void stop();

signals:
    // For the top bar: empty while publishing is off or all goes well.
    void statusChanged(const QString& text);

private:
    void showStatus(const QString& text);

    ReadingPipeline& pipeline_;
    const LocaleClock& clock_;
    PublishChoice choice_;
    std::unique_ptr<PipelinePublisher> publisher_;
    QPointer<MqttDialog> dialog_;
    QString statusText_;
};
