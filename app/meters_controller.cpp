#include "app/meters_controller.h"

#include "app/channel_lines.h"
#include "app/meter_links.h"
#include "app/usb_side.h"
#include "decode/conversion_error.h"
#include "decode/measurement_text.h"
#include "decode/unit_display.h"
#include "link/com_port_resolver.h"
#include "link/device_identity.h"
#include "link/port_keeper.h"
#include "log/record_logger.h"

MetersController::MetersController(Needs needs, QObject* parent) : MetersBoard(parent), needs_(std::move(needs))
{
    specs_.push_back({QStringLiteral("m1"), QStringLiteral("main")});
    ticks_.setInterval(kTickMs);
    connect(&ticks_, &QTimer::timeout, this, [this] { tick(); });
    // The main window's link: its meter is the first of the session.
    const auto mainLink = [this](LinkState state) {
        if (session_)
            session_->setLinkState(0, state);
    };
    connect(&needs_.mainLinks.keeper(), &PortKeeper::lost, this, [mainLink] { mainLink(LinkState::Lost); });
    connect(&needs_.mainLinks.keeper(), &PortKeeper::regained, this, [mainLink] { mainLink(LinkState::Reading); });
    connect(&needs_.mainLinks.usb(), &UsbSide::adapterLost, this, [mainLink] { mainLink(LinkState::Lost); });
    connect(&needs_.mainLinks.usb(), &UsbSide::adapterBack, this, [mainLink] { mainLink(LinkState::Reading); });
    connect(&sampling_, &QTimer::timeout, this, [this] {
        if (session_)
            session_->sample();
    });
}

// No last tick: the window is going, and a value it made now would only be a stale one the
// next start offers back after the rows were saved.
MetersController::~MetersController() { links_.clear(); }

namespace {

// The rule as kept: blanks trimmed, "hold" when none is given.
QString keptAlignment(const QString& alignment)
{
    const QString t = alignment.trimmed();
    return t.isEmpty() ? QStringLiteral("hold") : t;
}

} // namespace

MeterIdentity MetersController::identityOf(const MeterSpec& spec) const
{
    if (spec.source != QLatin1String("main"))
        return ExtraMeterLink::identityOf(spec.source);
    MeterIdentity id = ExtraMeterLink::identityOf(QStringLiteral("COM%1").arg(needs_.mainLinks.port().selectedPort()));
    id.port += QStringLiteral(" (main window)");
    return id;
}

void MetersController::setUp(std::vector<MeterSpec> meters, const QStringList& channelLines, const QString& alignment)
{
    // The first is always the main window's meter; the others are checked as if added one by one.
    std::vector<MeterSpec> kept{specs_.front()};
    if (!meters.empty() && meters.front().source == QLatin1String("main") && isPlainName(meters.front().name))
        kept.front().name = meters.front().name;
    for (std::size_t k = 1; k < meters.size(); ++k) {
        MeterSession check(needs_.clock, 0);
        bool ok = true;
        for (const MeterSpec& s : kept)
            ok = ok && check.addInput(s.name, identityOf(s), nullptr);
        if (ok && MetersBoard::sources().contains(meters[k].source) && check.addInput(meters[k].name, identityOf(meters[k]), nullptr))
            kept.push_back(meters[k]);
    }
    specs_ = std::move(kept);
    channelLines_ = channelLines;
    while (!channelLines_.isEmpty() && channelLines_.back().trimmed().isEmpty())
        channelLines_.removeLast();
    alignment_ = keptAlignment(alignment);
    // The links open once the rows left behind were offered: a channel that logged already
    // can no longer take them back.
    holdLinks_ = true;
    rebuild();
}

bool MetersController::addMeter(const MeterSpec& meter, QString* error)
{
    if (!MetersBoard::sources().contains(meter.source)) {
        *error = QStringLiteral("a meter is read from COM1 to COM4 or a USB adapter cable");
        return false;
    }
    MeterSession check(needs_.clock, 0);
    for (const MeterSpec& s : specs_)
        check.addInput(s.name, identityOf(s), nullptr);
    if (!check.addInput(meter.name, identityOf(meter), error))
        return false;
    specs_.push_back(meter);
    rebuild();
    return true;
}

void MetersController::removeMeter(int index)
{
    if (index <= 0 || index >= int(specs_.size()))
        return;
    specs_.erase(specs_.begin() + index);
    rebuild();
}

std::unique_ptr<MeterSession> MetersController::namesOnly() const
{
    auto names = std::make_unique<MeterSession>(needs_.clock, 0);
    for (const MeterSpec& s : specs_)
        names->addInput(s.name, MeterIdentity{s.name, QString(), QString()}, nullptr);
    return names;
}

ChannelPreview MetersController::preview(const QStringList& lines, int edited) const
{
    if (session_)
        return previewChannel(*session_, lines, edited);
    return previewChannel(*namesOnly(), lines, edited);
}

bool MetersController::defineChannels(const QStringList& lines, const QString& alignment, QString* error)
{
    QString ruleMessage;
    if (!AlignmentRule::parse(keptAlignment(alignment), &ruleMessage)) {
        *error = QStringLiteral("alignment: ") + ruleMessage;
        return false;
    }
    const ChannelLines read = readChannelLines(lines);
    if (read.unreadLine >= 0) {
        *error = QStringLiteral("line %1: write NAME = EXPRESSION").arg(read.unreadLine + 1);
        return false;
    }
    std::vector<DefinitionError> errors;
    if (!read.definitions.empty() && !namesOnly()->defineChannels(read.definitions, AlignmentRule{}, &errors)) {
        *error = refusalText(read, errors);
        return false;
    }
    QStringList kept;
    for (const QString& line : lines)
        if (!line.trimmed().isEmpty())
            kept << line.trimmed();
    channelLines_ = kept;
    alignment_ = keptAlignment(alignment);
    // Channels defined again keep the session (a channel kept by name keeps its rows); only
    // meters coming and going make a new one.
    if (session_ && needed()) {
        const bool ok = defineInSession(error);
        emit metersChanged();
        emit setUpChanged();
        return ok;
    }
    rebuild();
    return true;
}

bool MetersController::defineInSession(QString* error)
{
    const ChannelLines read = readChannelLines(channelLines_);
    std::vector<DefinitionError> errors;
    QString ignored;
    const auto rule = AlignmentRule::parse(alignment_, &ignored);
    channelProblem_.clear();
    if (session_->defineChannels(read.definitions, rule.value_or(AlignmentRule{}), &errors))
        return true;
    channelProblem_ = refusalText(read, errors);
    if (error)
        *error = channelProblem_;
    return false;
}

void MetersController::rebuild()
{
    if (session_) {
        session_->finish();
        for (int k = 0; k < session_->inputCount(); ++k)
            if (RecordJournal* j = session_->input(k).pipeline().journal())
                ownJournals_.insert(j->path());
        for (int c = 0; c < session_->channelCount(); ++c)
            if (RecordJournal* j = session_->channel(c).journal())
                ownJournals_.insert(j->path());
    }
    links_.clear();
    session_.reset();   // its journals close: the rows come back below, or at the next start
    ticks_.stop();
    sampling_.stop();
    if (needed()) {
        session_ = std::make_unique<MeterSession>(needs_.clock, startupVariant(needs_.flags).fullScaleCount);
        for (const MeterSpec& s : specs_)
            session_->addInput(s.name, identityOf(s), nullptr);
        defineInSession(nullptr);
        copyRules(true);
        session_->openJournals(needs_.journalFolder, QStringLiteral("window"));
        session_->start();
        for (LeftChannelJournal& left : MeterSession::leftChannelJournals(needs_.journalFolder, QStringLiteral("window")))
            if (ownJournals_.contains(left.left.path))
                session_->restoreChannel(std::move(left));
        wireSession();
        if (!holdLinks_)   // a tick would log stale values: the rows left behind come first
            ticks_.start();
    }
    emit metersChanged();
    emit setUpChanged();
}

void MetersController::wireSession()
{
    connect(session_.get(), &MeterSession::readingShown, this, [this](int k, const Reading&) { emit meterShown(k); });
    connect(session_.get(), &MeterSession::valueComputed, this, [this](const ComputedValue& v) {
        emit meterShown(int(specs_.size()) + session_->channelIndex(v.channel));
    });
    connect(session_.get(), &MeterSession::logsCleared, this, &MetersBoard::metersChanged);
    connect(session_.get(), &MeterSession::linkStateChanged, this, [this](int k, LinkState state) {
        if (state == LinkState::Silent && links_[std::size_t(k)])
            links_[std::size_t(k)]->silent();
        emit meterShown(k);
    });
    links_.resize(specs_.size());
    for (std::size_t k = 1; k < specs_.size(); ++k) {
        auto link = std::make_unique<ExtraMeterLink>(
            specs_[k].source, ExtraMeterLink::Needs{needs_.hidPlatform, needs_.flags, needs_.prompts, needs_.clock});
        const int input = int(k);
        connect(link.get(), &ExtraMeterLink::frame, this, [this, input](const QString& text, const QDateTime& at) {
            try {
                session_->frameArrived(input, text, at);
            } catch (const ConversionError&) {
                ++badFrames_;   // a frame the decoder refuses is passed over, as the main window does
            }
        });
        connect(link.get(), &ExtraMeterLink::stateChanged, this,
                [this, input](LinkState state) { session_->setLinkState(input, state); emit meterShown(input); });
        connect(link.get(), &ExtraMeterLink::identityChanged, this,
                [this, input](const MeterIdentity& id) { session_->setIdentity(input, id); emit meterShown(input); });
        links_[k] = std::move(link);
        if (!holdLinks_)
            links_[k]->open();
    }
}

void MetersController::openLinks()
{
    holdLinks_ = false;
    for (const auto& link : links_)
        if (link)
            link->open();
    if (session_)
        ticks_.start();
}

void MetersController::mainFrame(const QString& frameText, const QDateTime& arrivedAt)
{
    if (!session_)
        return;
    try {
        session_->frameArrived(0, frameText, arrivedAt);
    } catch (const ConversionError&) {
        ++badFrames_;
    }
}

void MetersController::tick()
{
    if (!session_ || holdLinks_)
        return;
    copyRules(false);
    for (const auto& link : links_)
        if (link)
            link->tick();
    session_->tick();
    // The sampling timer runs while any log samples, at the main window's interval.
    if (!session_->samplingActive())
        sampling_.stop();
    else if (!sampling_.isActive() || sampling_.interval() != session_->intervalMs())
        sampling_.start(session_->intervalMs());
}

void MetersController::copyRules(bool always)
{
    const RecordLogger& main = needs_.mainLogger;
    const LogRules rules{main.repeatSet(), main.maxRecords(), main.recordSI() ? main.intervalMs() / 1000 : 0};
    if (!always && rules.repeat == rules_.repeat && rules.maxRecords == rules_.maxRecords
        && rules.intervalSeconds == rules_.intervalSeconds)
        return;
    rules_ = rules;
    for (int k = 0; k < session_->inputCount(); ++k) {
        RecordLogger& logger = session_->input(k).pipeline().logger();
        logger.setRepeatSet(rules.repeat);
        logger.setMaxRecords(rules.maxRecords);
        logger.setIntervalText(QString::number(main.intervalMs() / 1000));
        logger.setRecordSI(main.recordSI());
    }
    session_->setLogRules(rules, nullptr);
}

int MetersController::meterCount() const
{
    return int(specs_.size()) + (session_ ? session_->channelCount() : 0);
}

MeterView MetersController::meter(int index) const
{
    if (index >= int(specs_.size())) {
        const int c = index - int(specs_.size());
        const ChannelDefinition& d = session_->definitions()[std::size_t(c)];
        MeterView v{d.name, QStringLiteral("= ") + d.expression.trimmed(), {}, {}, QStringLiteral("computed"), {}, {}};
        const std::optional<ComputedValue>& latest = session_->channel(c).latestValue();
        if (!latest)
            return v;
        const ComputedValue& value = *latest;
        v.value = value.valid() ? QString::number(value.shown, 'g', 6) : QString();
        v.unit = value.unitText;
        v.link = value.valid() ? QStringLiteral("valid") : computedProblemText(value);
        v.identity = QStringLiteral("%1, value %2").arg(value.alignment).arg(value.no);
        return v;
    }
    const MeterSpec& spec = specs_[std::size_t(index)];
    MeterView v{spec.name, spec.source, {}, {}, {}, {}, {}};
    if (!session_) {
        v.identity = identityText(identityOf(spec));
        v.link = QStringLiteral("not read: add a meter or define a channel");
        return v;
    }
    const SessionInput& input = session_->input(index);
    v.identity = identityText(input.identity());
    v.link = linkStateText(input.linkState());
    if (index > 0 && links_[std::size_t(index)] && !links_[std::size_t(index)]->problem().isEmpty())
        v.link += QStringLiteral(": ") + links_[std::size_t(index)]->problem();
    if (input.readings() > 0) {
        const Measurement& m = input.pipeline().reading().measurement;
        v.value = m.overload ? QStringLiteral("OL") : decimalText(m);
        v.unit = displayUnit(unitText(m));
        v.function = functionText(m.function);
    }
    return v;
}
