// The product's keys in the real registry hives, not redirected: memo slots
// and settings go to the machine-wide key under the product's key path. The
// values stay, so that the test command can look at them with "reg query".
#include <gtest/gtest.h>

#include <string>

#include "presets/SettingsStore.h"
#include "tests/unit/presets_support.h"
#include "tests/win32/RegistryProbe.h"

using namespace presets_test;
using testing_support::floatBytes;
using testing_support::keyExists;
using testing_support::rawValue;

TEST(ProductHives, MemoAndSettingsGoToTheMachineWideKey) {
    const std::string product = "SOFTWARE\\Zevsound\\Emberline20";
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, product.c_str());
    ::RegDeleteTreeA(HKEY_CURRENT_USER, product.c_str());
    {
        SettingsEffect fx;
        fx.selectProgram(2);
        fx.setParameter(7, 0.25f);
        fx.setParameter(41, 1.0f);
        fx.renameCurrentProgram("Hive Check");
        ASSERT_TRUE(fx.storeMemoB());
        fx.stored[43] = 0.25f;
        fx.stored[47] = 1.0f;
    }
    EXPECT_EQ(rawValue(HKEY_LOCAL_MACHINE, product + "\\MemoB", "param  7").data, floatBytes(0.25f));
    EXPECT_EQ(rawValue(HKEY_LOCAL_MACHINE, product + "\\MemoB", "param 41").data, floatBytes(1.0f));
    EXPECT_EQ(rawValue(HKEY_LOCAL_MACHINE, product + "\\MemoB", "name").type, (DWORD)REG_SZ);
    EXPECT_EQ(rawValue(HKEY_LOCAL_MACHINE, product, "vuintegration").data, floatBytes(0.25f));
    EXPECT_EQ(rawValue(HKEY_LOCAL_MACHINE, product, "overcounter").data, floatBytes(1.0f));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, product));

    // A new instance recalls the slot from there.
    TestEffect next;
    ASSERT_TRUE(next.recallMemoB());
    EXPECT_EQ(next.stored[7], 0.25f);
    EXPECT_EQ(nameOf(next.getProgramObject(0)), "Hive Check");
}
