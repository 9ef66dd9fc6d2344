// Model flags: what each one selects at start-up and when the USB link connects.
#include "decode/model_variants.h"

#include <gtest/gtest.h>

#include <vector>
#include <ostream>

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

ModelFlags only(const std::vector<ModelFlag>& list)
{
    ModelFlags flags;
    for (ModelFlag f : list)
        flags.set(f);
    return flags;
}

QString orNone(const std::optional<QString>& text) { return text ? *text : QStringLiteral("<none>"); }

struct Expected {
    SerialHandler serial;
    int serialBaud;
    int usbBaud;
    UsbReportHandler usb;
    int fullScale;
    const char* scaleCode;
    const char* title;          // nullptr: the layout's caption stays
    const char* digit1Caption;  // nullptr: no caption forced
    bool decodesSerial;
};

void expectVariant(const ModelFlags& flags, const Expected& e, const std::string& why)
{
    SCOPED_TRACE(why);
    const StartupVariant s = startupVariant(flags);
    EXPECT_EQ(s.serialHandler, e.serial);
    EXPECT_EQ(s.serialBaud, e.serialBaud);
    EXPECT_EQ(s.fullScaleCount, e.fullScale);
    EXPECT_EQ(s.scaleCode, e.scaleCode);
    EXPECT_EQ(orNone(s.title), e.title ? QString::fromLatin1(e.title) : QStringLiteral("<none>"));
    EXPECT_EQ(orNone(s.digit1Caption), e.digit1Caption ? QString::fromLatin1(e.digit1Caption) : QStringLiteral("<none>"));
    EXPECT_EQ(s.decodesSerialFrames, e.decodesSerial);
    const UsbVariant u = usbVariant(flags);
    EXPECT_EQ(u.reportHandler, e.usb);
    EXPECT_EQ(u.adapterBaud, e.usbBaud);
}

const Expected kNothing = {SerialHandler::None, 2400, 2400, UsbReportHandler::None, 4000, "4", nullptr, nullptr, false};

} // namespace

TEST(ModelVariants, EachFlagAlone)
{
    struct Case { ModelFlag flag; Expected e; };
    const Case cases[] = {
        {ModelFlag::IFVK20E, {SerialHandler::Nibble, 2400, 2400, UsbReportHandler::VK20E, 4000, "4",
                              "VK20A Interface Program _Ver: 2.00", "3", false}},
        {ModelFlag::IFVK40B, {SerialHandler::HexPair, 2400, 2400, UsbReportHandler::VK40B, 4000, "4",
                              "VK40B USB Interface Program _Ver: 1.00", nullptr, true}},
        {ModelFlag::IFVK20D, {SerialHandler::HexPair, 2400, 2400, UsbReportHandler::None, 3400, "34",
                              "VK20D Interface Program _Ver: 2.06", nullptr, true}},
        {ModelFlag::IFVK503, {SerialHandler::HexPair, 19200, 19200, UsbReportHandler::None, 4000, "4",
                              "VK503 USB Interface Program _Ver: 1.00", nullptr, true}},
        {ModelFlag::IFRM7725, {SerialHandler::HexPair, 19200, 2400, UsbReportHandler::None, 4000, "4",
                               "RM7725 USB Interface Program _Ver: 1.00", nullptr, true}},
        {ModelFlag::IFVK31C, {SerialHandler::HexPair, 2400, 2400, UsbReportHandler::VK31C, 6000, "6",
                              "VK31C/D Interface Program Ver 3.03", nullptr, true}},
        // Flags that nothing reads behave like no flag at all.
        {ModelFlag::IF7264x, kNothing},
        {ModelFlag::IFVK31B, kNothing},
        {ModelFlag::IF31D, kNothing},
        {ModelFlag::IF31E, kNothing},
        {ModelFlag::IF31A, kNothing},
    };
    for (const Case& c : cases)
        expectVariant(only({c.flag}), c.e, modelFlagName(c.flag).toStdString() + " alone");
    expectVariant(ModelFlags(), kNothing, "no flag");
}

TEST(ModelVariants, TheLayoutSetsOnlyTheVK31CFlag)
{
    const ModelFlags layout = ModelFlags::layout();
    for (int i = 0; i < kModelFlagCount; ++i) {
        const auto flag = static_cast<ModelFlag>(i);
        EXPECT_EQ(layout.isSet(flag), flag == ModelFlag::IFVK31C) << modelFlagName(flag).toStdString();
    }
    EXPECT_EQ(startupVariant(layout).fullScaleCount, 6000);
    EXPECT_EQ(usbVariant(layout).reportHandler, UsbReportHandler::VK31C);
}

TEST(ModelVariants, LaterFlagsWin)
{
    struct Case { std::vector<ModelFlag> flags; Expected e; const char* why; };
    const Case cases[] = {
        {{ModelFlag::IFVK503, ModelFlag::IFVK31C},
         {SerialHandler::HexPair, 19200, 2400, UsbReportHandler::VK31C, 6000, "6",
          "VK31C/D Interface Program Ver 3.03", nullptr, true},
         "title and scale of IFVK31C, the line speed of IFVK503; the adapter goes back to 2400"},
        {{ModelFlag::IFVK20D, ModelFlag::IFVK503},
         {SerialHandler::HexPair, 19200, 19200, UsbReportHandler::None, 4000, "4",
          "VK503 USB Interface Program _Ver: 1.00", nullptr, true},
         "IFVK503 puts the scale code back to 4"},
        {{ModelFlag::IFVK20D, ModelFlag::IFVK40B},
         {SerialHandler::HexPair, 2400, 2400, UsbReportHandler::VK40B, 3400, "34",
          "VK20D Interface Program _Ver: 2.06", nullptr, true},
         "IFVK40B leaves the scale code alone; IFVK20D comes later for the title"},
        {{ModelFlag::IFVK20E, ModelFlag::IFVK40B},
         {SerialHandler::HexPair, 2400, 2400, UsbReportHandler::VK20E, 4000, "4",
          "VK40B USB Interface Program _Ver: 1.00", "3", true},
         "start-up order puts IFVK40B last, the USB handler order puts IFVK20E last"},
        {{ModelFlag::IFVK20E, ModelFlag::IFVK31C},
         {SerialHandler::HexPair, 2400, 2400, UsbReportHandler::VK31C, 6000, "6",
          "VK31C/D Interface Program Ver 3.03", "3", true},
         "IFVK31C sets no digit caption, so the one of IFVK20E stays"},
        {{ModelFlag::IFRM7725, ModelFlag::IFVK503},
         {SerialHandler::HexPair, 19200, 19200, UsbReportHandler::None, 4000, "4",
          "RM7725 USB Interface Program _Ver: 1.00", nullptr, true},
         "IFRM7725 comes after IFVK503 at start-up; only IFVK503 sets the adapter speed"},
        {{ModelFlag::IFVK31C, ModelFlag::IF31A, ModelFlag::IFVK31B},
         {SerialHandler::HexPair, 2400, 2400, UsbReportHandler::VK31C, 6000, "6",
          "VK31C/D Interface Program Ver 3.03", nullptr, true},
         "unread flags change nothing"},
    };
    for (const Case& c : cases)
        expectVariant(only(c.flags), c.e, c.why);
}

TEST(ModelVariants, FlagNames)
{
    const char* expected[kModelFlagCount] = {"IFVK20E", "IFVK40B", "IFVK20D", "IFVK503", "IFRM7725", "IFVK31C",
                                             "IF7264x", "IFVK31B", "IF31D",   "IF31E",   "IF31A"};
    for (int i = 0; i < kModelFlagCount; ++i)
        EXPECT_EQ(modelFlagName(static_cast<ModelFlag>(i)), QLatin1String(expected[i]));
}
