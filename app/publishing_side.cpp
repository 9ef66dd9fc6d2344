#include "app/publishing_side.h"

#include "publish/pipeline_publisher.h"
#include "ui/mqtt_dialog.h"

#include <QAction>
#include <QMenuBar>

#include <chrono>

PublishingSide::PublishingSide(ReadingPipeline& pipeline, const LocaleClock& clock, QObject* parent)
    : QObject(parent), pipeline_(pipeline), clock_(clock)
{
}

PublishingSide::~PublishingSide() { stop(); }

void PublishingSide::apply(const PublishChoice& choice)
{
    choice_ = choice;
    stop();
    if (!choice.on) {
        showStatus(QString());
        return;
    }
    if (const QString problem = brokerSettingsProblem(choice.broker); !problem.isEmpty()) {
        showStatus(QStringLiteral("MQTT off: ") + problem);
        return;
    }
    const auto source = choice.rowsOnly ? PipelinePublisher::Source::Rows : PipelinePublisher::Source::Readings;
    publisher_ = std::make_unique<PipelinePublisher>(pipeline_, source, choice.broker, clock_);
    connect(publisher_.get(), &PipelinePublisher::statusChanged, this, [this](const PublishStatus& s) {
        // All well is not worth a line of the top bar; drops are, even once connected again.
        showStatus(s.state == PublishStatus::State::Connected && s.dropped == 0 ? QString() : publishStatusText(s));
    });
}

void PublishingSide::openDialog(QWidget* window)
{
    if (dialog_) {
        dialog_->raise();
        return;
    }
    dialog_ = new MqttDialog(choice_, window);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog_, &QDialog::accepted, this, [this] { apply(dialog_->choice()); });
    dialog_->open();
}

void PublishingSide::addMenu(QMenuBar& bar, const std::function<void()>& open)
{
    QAction* mqtt = bar.addMenu(QStringLiteral("&Publish"))->addAction(QStringLiteral("&MQTT..."));
    mqtt->setObjectName(QStringLiteral("MqttItem"));
    connect(mqtt, &QAction::triggered, this, open);
}

void PublishingSide::stop()
{
    if (publisher_)
        publisher_->stop(std::chrono::milliseconds(1000));
    publisher_.reset();
}

void PublishingSide::showStatus(const QString& text)
{
    if (text == statusText_)
        return;
    statusText_ = text;
    emit statusChanged(text);
}
