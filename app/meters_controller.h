#pragma once
// The meters read at once and their computed channels, for the Meters window: a session of
// several meters (the main window's own meter first, fed the same frames as the main window's
// pipeline, which stays as it is), a link of its own for every other meter, the logging rules
// copied from the main window's whenever they change, the channels' journals, their restore
// at start-up and saving every channel. The session exists only while there is something for
// it to do: a meter added or a channel defined.
#include "app/extra_meter_link.h"
#include "reading/journal_controller.h"
#include "reading/session/meter_session.h"
#include "ui/meters_board.h"

#include <QSet>
#include <QTimer>

#include <memory>
#include <vector>

class HidPlatform;
class LocaleClock;
class MeterLinks;
class RecordLogger;
class UserPrompts;

class MetersController : public MetersBoard {
    Q_OBJECT
public:
    static constexpr int kTickMs = 100;

    struct Needs {
        HidPlatform* hidPlatform;
        ModelFlags flags;
        UserPrompts& prompts;
        const LocaleClock& clock;
        QString journalFolder;
        MeterLinks& mainLinks;            // the main window's link: its port names the first meter
        const RecordLogger& mainLogger;   // the logging rules to follow
    };
    explicit MetersController(Needs needs, QObject* parent = nullptr);
    ~MetersController() override;

    // What the settings keep: every meter (the main one first, source "main"), the channels'
    // lines and the alignment rule. Applied at start-up, before offerRestore.
    std::vector<MeterSpec> specs() const { return specs_; }
    void setUp(std::vector<MeterSpec> meters, const QStringList& channelLines, const QString& alignment);
    // Start-up: the rows of channels a session that ended without saving left behind, offered
    // back; then the links of the meters set up open.
    void offerRestore();
    // A frame the main window's link brought, after the main window showed it.
    void mainFrame(const QString& frameText, const QDateTime& arrivedAt);

    MeterSession* session() { return session_.get(); }
    // The tick timer's work, every kTickMs: the rules followed, the links kept, silent meters'
    // channels made stale, sampling. Nothing while the restore question waits: a tick then would
    // log stale values before the rows left behind came back.
    void tick();
    // Every channel to `fileName`: one wide CSV for a ".csv" name, else each channel as its
    // own table file (run-u.xls, ...). False with the reason.
    bool saveChannels(const QString& fileName, QString* error);
    // The same to a file the user names (`savedTo`): false when the dialog was cancelled or
    // the save failed, which is said.
    bool saveChannelsAsked(QString* savedTo = nullptr);

    // Leaving: Save / Discard / Cancel for the channels' unsaved rows, asked through `choose`
    // (NothingUnsaved when none holds any); then what the answer does, true when they may go.
    bool hasUnsavedRows() const { return session_ && !session_->unsavedRows().empty(); }
    JournalController::Answer askUnsaved(const JournalController::Choose& choose) const;
    bool act(JournalController::Answer answer);
    // Close Data cleared the main window's log: the channels' tables follow once the user
    // agrees; tables without rows simply start again.
    void closeDataAsked();
    // The program ends by a signal: no question, the rows stay in the journals for the next start.
    void endWithoutQuestion()
    {
        if (session_)
            session_->flushJournals();
    }

    // The meters, then the computed channels, each with its latest value.
    int meterCount() const override;
    MeterView meter(int index) const override;
    bool addMeter(const MeterSpec& meter, QString* error) override;
    void removeMeter(int index) override;
    ChannelPreview preview(const QStringList& lines, int edited) const override;
    QStringList channelLines() const override { return channelLines_; }
    bool defineChannels(const QStringList& lines, const QString& alignment, QString* error) override;
    QString alignment() const override { return alignment_; }
    void saveAll() override;

signals:
    // The set-up changed (for the settings).
    void setUpChanged();

private:
    void rebuild();
    void wireSession();
    void openLinks();
    bool defineInSession(QString* error);
    void copyRules(bool always);
    MeterIdentity identityOf(const MeterSpec& spec) const;
    // A session of the meters' names alone, nothing read: for checking and previewing channels.
    std::unique_ptr<MeterSession> namesOnly() const;
    bool needed() const { return specs_.size() > 1 || !channelLines_.isEmpty(); }

    Needs needs_;
    std::vector<MeterSpec> specs_;
    QStringList channelLines_;
    QString alignment_ = QStringLiteral("hold");
    bool holdLinks_ = false;   // set up at start-up: the links wait for offerRestore
    QString channelProblem_;   // why the channels kept could not be defined with these meters
    std::unique_ptr<MeterSession> session_;
    std::vector<std::unique_ptr<ExtraMeterLink>> links_;   // per meter; null for the main one
    QSet<QString> ownJournals_;   // the journals this program wrote, given back when the session is rebuilt
    LogRules rules_;
    long long badFrames_ = 0;
    QTimer ticks_, sampling_;
};
