// Names, labels, value texts and stored values of both editions, read through
// the host interface.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tests/plugin/PluginFixture.h"

using namespace vst;
using testing_support::loadEdition;
using testing_support::PrivateConfig;

namespace {

class Texts : public ::testing::Test {
protected:
    void load(int edition) {
        plugin = loadEdition(edition);
        ASSERT_TRUE(plugin);
    }
    std::string display(int index, float value) {
        plugin->setParameter(index, value);
        return plugin->paramDisplay(index);
    }
    // The value the plug-in keeps for one it is given.
    float stored(int index, float value) {
        plugin->setParameter(index, value);
        return plugin->getParameter(index);
    }

    PrivateConfig config;
    std::unique_ptr<vsthost::Plugin> plugin;
};

const std::vector<std::string> kNames2 = {
    " Process ", " Mode", " Mono Stereo", " Link", " Drive ", " Knee ", " Speed ", " Release ",
    " HighAdjust ", " LowAdjust ", " HighFreq ", " LowFreq ", " Mix ", " Ceiling ", " Output ",
    " LowSat", " MidSat ", " HighSat ", " LowRel ", " MidRel ", " HighRel ", " Meters ",
    " MeterType ", "-", " FineTune ", " MeterScale ", " FAT ", " Long ", " Auto ", " Brickwall ",
    " L R "};
const std::vector<std::string> kLabels2 = {
    "", "", "", "", " dB ", " % ", " % ", " * ", " dB ", " dB ", " Hz ", " Hz ", " % ", " dB ",
    " dB ", " dB ", " dB ", " dB ", " * ", " * ", " * ", "", "", " ms ", " % ", " dB ", "", "", "",
    "", ""};
// The texts of the factory program "Current".
const std::vector<std::string> kDefaults2 = {
    " On ", " SingleBnd ", " Stereo ", " Linked ", "0.00", "0.0", "100.0", "1.00", "0.00", "0.00",
    "16000", "100.0", "100.0", "0.00", "0.00", "0.00", "0.00", "0.00", "1.00", "1.00", "1.00",
    " GainRed ", " VU ", "-", "100", "-20..+3", " Off ", " Off ", " Off ", " BrickWall ", " OO-O"};

TEST_F(Texts, SecondEditionNamesLabelsAndDefaultTexts) {
    load(2);
    for (int i = 0; i <= 30; ++i) {
        EXPECT_EQ(plugin->paramName(i), kNames2[i]) << i;
        EXPECT_EQ(plugin->paramLabel(i), kLabels2[i]) << i;
        EXPECT_EQ(plugin->paramDisplay(i), kDefaults2[i]) << i;
    }
    for (int i = 31; i <= 42; ++i) {
        EXPECT_EQ(plugin->paramName(i), "-") << i;
        EXPECT_EQ(plugin->paramLabel(i), "-") << i;
        EXPECT_EQ(plugin->paramDisplay(i), "") << i;
        EXPECT_EQ(plugin->getParameter(i), 0.0f) << i;
    }
    // The editor settings, answered to any caller that asks (fresh settings store).
    const char* settingNames[] = {" VU Integr ", " VU Refer ", " PPM Integr ", " PPM Return ",
                                  " OverIndic ", " Knob Mode "};
    const char* settingLabels[] = {" ms ", " dBFS ", " ms ", " ms ", " samples ", " "};
    const char* settingTexts[] = {"300", "0.2", "9", "1000", "6.000000", " Linear "};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(plugin->paramName(43 + i), settingNames[i]);
        EXPECT_EQ(plugin->paramLabel(43 + i), settingLabels[i]);
        EXPECT_EQ(plugin->paramDisplay(43 + i), settingTexts[i]);
    }
    EXPECT_FLOAT_EQ(plugin->getParameter(47), 5.0f / 9.0f);
    for (int i : {49, 56, 57, 58, 100, -1}) {
        EXPECT_EQ(plugin->paramName(i), "-") << i;
        EXPECT_EQ(plugin->paramDisplay(i), "") << i;
    }
    EXPECT_EQ(plugin->paramName(57), "-");
    EXPECT_EQ(plugin->paramLabel(57), "-");
}

TEST_F(Texts, FirstEditionIndexLayout) {
    load(1);
    for (int i = 0; i <= 22; ++i) {
        EXPECT_EQ(plugin->paramName(i), kNames2[i]) << i;
        EXPECT_EQ(plugin->paramLabel(i), kLabels2[i]) << i;
    }
    struct Row {
        int index;
        const char* name;
        const char* label;
        const char* text;
    };
    const Row rows[] = {
        {23, "-", "-", ""},          {26, "-", "-", ""},
        {27, "-", " ms ", "-"},      {28, " FineTune ", " % ", "100"},
        {29, "-", "-", ""},          {30, "-", "-", ""},
        {31, "-", "", ""},           {32, " Long ", "", " Off "},
        {33, " Auto ", "", " Off "}, {34, " Brickwall ", "", " BrickWall "},
        {35, " MeterScale ", " dB ", "-20..+3"},
        {36, " L R ", "", " OO-O"},  {37, "-", "-", ""},
        {47, "-", "-", ""},          {49, " VU Integr ", " ms ", "300"},
        {53, " OverIndic ", " samples ", "6.000000"},
        {54, " Knob Mode ", " ", " Linear "},
        {65, "-", "-", ""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(plugin->paramName(r.index), r.name) << r.index;
        EXPECT_EQ(plugin->paramLabel(r.index), r.label) << r.index;
        EXPECT_EQ(plugin->paramDisplay(r.index), r.text) << r.index;
    }
    // Narrower saturation and band-release ranges.
    EXPECT_EQ(display(15, 1.0f), "6.00");
    EXPECT_EQ(display(16, 0.0f), "-6.00");
    EXPECT_EQ(display(18, 1.0f), "4.00");
    EXPECT_EQ(display(20, 0.0f), "0.25");
    // FineTune at its own index scales Drive.
    plugin->setParameter(28, 0.0f);
    EXPECT_EQ(display(4, 0.75f), "1.50");
    // MeterScale and L R at their own indices; ChannelMode at 65.
    EXPECT_EQ(display(35, 0.5f), "-40..+6");
    plugin->setParameter(65, 0.3f);
    EXPECT_FLOAT_EQ(plugin->getParameter(65), 0.333f);
    EXPECT_EQ(plugin->paramDisplay(36), " L ");
    EXPECT_EQ(plugin->paramDisplay(2), " L-R ");
    // The vestigial FAT position stores nothing but 0.
    plugin->setParameter(31, 1.0f);
    EXPECT_EQ(plugin->getParameter(31), 0.0f);
}

TEST_F(Texts, ValueTextsFollowTheirRanges) {
    load(2);
    EXPECT_EQ(display(25, 0.49f), "-20..+3");
    EXPECT_EQ(display(25, 0.5f), "-40..+6");
    plugin->setParameter(2, 1.0f);
    EXPECT_EQ(display(30, 0.5f), " L ");
    EXPECT_EQ(plugin->paramDisplay(2), " L-R ");
    EXPECT_EQ(display(30, 0.7f), " R ");
    plugin->setParameter(30, 0.0f);
    EXPECT_EQ(display(2, 0.4f), " Mono ");

    EXPECT_EQ(display(4, 0.75f), "12.00");
    plugin->setParameter(24, 0.0f);
    EXPECT_EQ(plugin->paramDisplay(4), "1.50");
    EXPECT_EQ(plugin->paramDisplay(24), "13") << "12.5 % shown without decimals";
    plugin->setParameter(24, 0.2f);  // 1/3: 25 %
    EXPECT_EQ(display(4, 1.0f), "6.00");
    EXPECT_EQ(plugin->paramDisplay(13), "0.00");
    EXPECT_EQ(display(13, 1.0f), "6.00") << "Ceiling scales with the square root";
    plugin->setParameter(24, 1.0f);

    EXPECT_EQ(display(11, 0.5f), "100.0");
    EXPECT_EQ(display(11, 1.0f), "400.0");
    EXPECT_EQ(display(11, 0.0f), "25.0");
    EXPECT_EQ(display(7, 0.0f), "0.25");
    EXPECT_EQ(display(7, 1.0f), "4.00");
    EXPECT_EQ(display(18, 1.0f), "16.00");
    EXPECT_EQ(display(18, 0.0f), "0.06");
    EXPECT_EQ(display(10, 0.0f), "1000");
    EXPECT_EQ(display(15, 0.0f), "-12.00");
    EXPECT_EQ(display(8, 0.0f), "-12.00");
    EXPECT_EQ(display(5, 0.123f), "12.3");
    EXPECT_EQ(display(21, 0.2f), " Pre ");
    EXPECT_EQ(display(21, 0.66f), " GainRed ");
    EXPECT_EQ(display(21, 0.67f), " Post ");
    // At the two thirds the text agrees with the source the meters use, int(3v).
    EXPECT_EQ(display(21, 2.0f / 3.0f), " Post ");
    EXPECT_EQ(display(21, 1.0f / 3.0f), " GainRed ");
    EXPECT_EQ(display(22, 0.5f), " PPM ");
    EXPECT_EQ(display(26, 0.5f), " FAT ");
    EXPECT_EQ(display(29, 0.49f), " Off ");
    EXPECT_EQ(display(43, 0.0f), "30");
    EXPECT_EQ(display(46, 1.0f), "10000");
    EXPECT_EQ(display(45, 0.0f), "0");
    EXPECT_EQ(display(47, 1.0f), "10.00000");
    EXPECT_EQ(display(48, 0.2f), " Circular ");
    EXPECT_EQ(plugin->paramLabel(40), "-");
    EXPECT_EQ(plugin->paramDisplay(40), "");
}

TEST_F(Texts, StoredValuesAreQuantised) {
    load(2);
    EXPECT_FLOAT_EQ(stored(24, 0.4f), 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(stored(24, 0.9f), 1.0f);

    EXPECT_EQ(stored(23, 0.05f), 0.0f);
    EXPECT_EQ(stored(23, 0.1f), 0.125f);
    EXPECT_EQ(stored(23, 0.5f), 0.5f);

    EXPECT_FLOAT_EQ(stored(47, 0.3f), 3.0f / 9.0f);
    EXPECT_EQ(plugin->paramDisplay(47), "4.000000");

    EXPECT_FLOAT_EQ(stored(57, 0.3f), 0.333f);
    EXPECT_EQ(plugin->getParameter(2), 0.0f);
    EXPECT_EQ(plugin->getParameter(30), 0.5f);
    EXPECT_FLOAT_EQ(stored(57, 0.6f), 0.667f);
    EXPECT_EQ(plugin->getParameter(30), 1.0f);
    EXPECT_EQ(stored(57, 0.1f), 0.0f);
    EXPECT_EQ(stored(57, 0.9f), 1.0f);
    EXPECT_EQ(plugin->getParameter(2), 1.0f);
    EXPECT_EQ(plugin->getParameter(30), 0.0f);

    // Other values are kept exactly as they arrive, limited to 0..1.
    EXPECT_EQ(stored(4, 0.123456f), 0.123456f);
    EXPECT_EQ(stored(4, 1.5f), 1.0f);
    EXPECT_EQ(stored(12, -0.25f), 0.0f);
    EXPECT_EQ(plugin->getParameter(42), 0.0f);
    EXPECT_EQ(plugin->getParameter(1000), 0.0f);
    EXPECT_EQ(plugin->getParameter(-7), 0.0f);
}

TEST_F(Texts, ValuesThatAreNotNumbersAreIgnored) {
    for (int edition : {2, 1}) {
        load(edition);
        plugin->setParameter(4, 0.7f);
        plugin->setParameter(24, 1.0f);
        for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity()}) {
            plugin->setParameter(4, bad);
            plugin->setParameter(edition == 2 ? 24 : 28, bad);
            plugin->setParameter(edition == 2 ? 57 : 65, bad);
            EXPECT_EQ(plugin->getParameter(4), 0.7f);
            EXPECT_EQ(plugin->paramDisplay(4), "9.60");
            EXPECT_EQ(plugin->getParameter(2), 1.0f);
        }
        plugin.reset();
    }
}

// No text operation writes more than 24 characters and a terminator, whatever
// the index or the stored values.
TEST_F(Texts, NeverWriteMoreThanTwentyFiveBytes) {
    for (int edition : {2, 1}) {
        load(edition);
        const float extremes[] = {0.0f, 1.0f, -1000.0f, 1000.0f, 1e30f, -1e30f, 0.5f};
        for (float v : extremes) {
            for (int i = 0; i < 70; ++i) plugin->setParameter(i, v);
            for (int32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
                for (int i = -3; i < 80; ++i) {
                    unsigned char buf[128];
                    std::memset(buf, 0x7f, sizeof buf);
                    plugin->dispatch(opcode, i, 0, buf);
                    size_t length = strnlen((const char*)buf, sizeof buf);
                    EXPECT_LE(length, 24u) << "opcode " << opcode << " index " << i << " value " << v;
                    for (size_t b = 25; b < sizeof buf; ++b)
                        ASSERT_EQ(buf[b], 0x7f) << "byte " << b << " written, opcode " << opcode
                                                << " index " << i << " value " << v;
                }
            }
        }
        unsigned char name[128];
        std::memset(name, 0x7f, sizeof name);
        plugin->dispatch(effGetProgramName, 0, 0, name);
        EXPECT_LE(strnlen((const char*)name, sizeof name), 24u);
        EXPECT_EQ(name[25], 0x7f);
        plugin.reset();
    }
}

}  // namespace
