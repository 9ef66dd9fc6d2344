// The window's rules that live apart from it: the link watchdog and a stopped link, and the
// Record menu's Close Data and record limit, driven without a window.
#include "app/link_watch.h"
#include "app/meter_links.h"
#include "app/record_commands.h"
#include "doubles/fixed_locale_clock.h"
#include "frames/sample_frames.h"
#include "reading/reading_pipeline.h"
#include "scripted_prompts.h"

#include <gtest/gtest.h>

namespace {

struct Rules {
    ScriptedPrompts prompts;
    FixedLocaleClock clock;
    ReadingPipeline pipeline{6000, clock};
    MeterLinks links{{nullptr, ModelFlags::layout(), prompts, clock, [](const QString&, const QDateTime&) {}, {}, {}}};
    void frame() { pipeline.showFrame(sample_frames::serialText(SAMPLE_VOLTS_1234)); }
};

} // namespace

TEST(LinkWatch, SaysSilenceOnceAndDropsATickThatComesDuringOne)
{
    Rules r;
    LinkWatch watch(r.pipeline, r.links);
    int silences = 0;
    bool nestedTick = true;
    QObject::connect(&watch, &LinkWatch::fellSilent, [&] {
        ++silences;
        nestedTick = watch.tick();   // as ConTimer does while the time-out's question waits
    });
    r.frame();
    EXPECT_FALSE(watch.tick());
    EXPECT_FALSE(watch.tick());
    EXPECT_TRUE(r.pipeline.panel().linkAlive());
    EXPECT_TRUE(watch.tick()) << "the third silent tick";
    EXPECT_FALSE(r.pipeline.panel().linkAlive());
    EXPECT_EQ(silences, 1);
    EXPECT_FALSE(nestedTick) << "a tick inside a tick counts nothing";

    r.frame();
    ASSERT_TRUE(r.pipeline.panel().linkAlive());
    emit r.links.linkStopped();
    EXPECT_FALSE(r.pipeline.panel().linkAlive()) << "a stopped link is down at once";
    EXPECT_EQ(silences, 2);
}

TEST(RecordCommands, ClosesDataOnlyOnYesAndShowsTheLimitAfterEveryChange)
{
    Rules r;
    RecordCommands records(r.pipeline, r.prompts);
    std::vector<std::tuple<int, bool, qint32>> shown;
    QObject::connect(&records, &RecordCommands::limitShown,
                     [&](int item, bool atLimit, qint32 max) { shown.emplace_back(item, atLimit, max); });
    r.frame();
    ASSERT_EQ(r.pipeline.table().rowCount(), 1);
    ASSERT_EQ(shown.size(), 1u) << "a logged row";

    records.closeData();
    EXPECT_EQ(r.pipeline.table().rowCount(), 1) << "No keeps the rows";
    r.prompts.answers = {true};
    records.closeData();
    EXPECT_EQ(r.pipeline.table().rowCount(), 0) << "Yes clears them";
    EXPECT_EQ(r.prompts.shown.count("question: " + RecordLogger::closeDataQuestion()), 2);
    EXPECT_EQ(shown.size(), 2u) << "the clear";

    records.setRecordLimit(0);
    EXPECT_EQ(shown.back(), std::make_tuple(0, false, 1000));
}
