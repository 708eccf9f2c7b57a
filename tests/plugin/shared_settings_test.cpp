// Both editions keep their settings and memo slots under one key, each under
// its own parameter indices.
#include <gtest/gtest.h>

#include "tests/plugin/PluginFixture.h"

using testing_support::loadEdition;
using testing_support::PrivateConfig;

namespace {

TEST(SharedSettings, OneEditionReadsWhatTheOtherWrote) {
    PrivateConfig config;
    {
        auto second = loadEdition(2);
        ASSERT_TRUE(second);
        second->setParameter(43, 0.25f);  // VU Integr
        second->setParameter(47, 1.0f);   // OverIndic
        second->setParameter(48, 0.0f);   // Knob Mode
    }  // closing the instance writes its settings
    {
        auto first = loadEdition(1);
        ASSERT_TRUE(first);
        EXPECT_FLOAT_EQ(first->getParameter(49), 0.25f);
        EXPECT_FLOAT_EQ(first->getParameter(53), 1.0f);
        EXPECT_FLOAT_EQ(first->getParameter(54), 0.0f);
        EXPECT_EQ(first->paramDisplay(54), " Circular ");
        first->setParameter(50, 0.75f);  // VU Refer
    }
    auto again = loadEdition(2);
    ASSERT_TRUE(again);
    EXPECT_FLOAT_EQ(again->getParameter(44), 0.75f);
    EXPECT_FLOAT_EQ(again->getParameter(43), 0.25f);
}

}  // namespace
