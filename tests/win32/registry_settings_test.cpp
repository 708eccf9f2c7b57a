// The registry as the settings store: the product's key and value names,
// types and bytes; the user's hive when the machine-wide one is refused; and
// values that are not what the product wrote.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "presets/SettingsStore.h"
#include "presets/win32/RegistrySettings.h"
#include "tests/unit/presets_support.h"
#include "tests/win32/RegistryProbe.h"

using namespace presets_test;
using testing_support::floatBytes;
using testing_support::keyExists;
using testing_support::putRaw;
using testing_support::rawValue;

namespace {

const std::string kProduct = "SOFTWARE\\Zevsound\\Emberline20";
const std::string kMemoA = kProduct + "\\MemoA";

class RegistryStoreTest : public ConfigDirTest {
protected:
    HKEY machine() const { return config->machineRoot(); }
    HKEY user() const { return config->userRoot(); }
};

}  // namespace

TEST_F(RegistryStoreTest, MemoAndSettingsLandUnderTheirNamesTypesAndBytes) {
    {
        SettingsEffect fx;
        fx.selectProgram(4);
        fx.setParameter(7, 0.25f);
        fx.renameCurrentProgram("Registry Sound");
        ASSERT_TRUE(fx.storeMemoA());
        fx.stored[43] = 0.1f;
        fx.stored[48] = 0.0f;
    }  // destruction writes the six settings

    const auto p7 = rawValue(machine(), kMemoA, "param  7");
    ASSERT_TRUE(p7.present);
    EXPECT_EQ(p7.type, (DWORD)REG_BINARY);
    EXPECT_EQ(p7.data, (std::vector<unsigned char>{0x00, 0x00, 0x80, 0x3e}));
    EXPECT_TRUE(rawValue(machine(), kMemoA, "param  0").present);
    EXPECT_EQ(rawValue(machine(), kMemoA, "param 41").data.size(), 4u);
    EXPECT_FALSE(rawValue(machine(), kMemoA, "param 42").present);
    EXPECT_FALSE(rawValue(machine(), kMemoA, "param 7").present);
    const auto name = rawValue(machine(), kMemoA, "name");
    EXPECT_EQ(name.type, (DWORD)REG_SZ);
    EXPECT_EQ(std::string(name.data.begin(), name.data.end()), std::string("Registry Sound\0", 15));

    const char* settings[6] = {"vuintegration", "vureference", "ppmintegration",
                               "ppmreturn",     "overcounter", "knobmode"};
    for (const char* s : settings) {
        const auto v = rawValue(machine(), kProduct, s);
        EXPECT_TRUE(v.present) << s;
        EXPECT_EQ(v.type, (DWORD)REG_BINARY) << s;
        EXPECT_EQ(v.data.size(), 4u) << s;
    }
    EXPECT_EQ(rawValue(machine(), kProduct, "vuintegration").data, floatBytes(0.1f));
    EXPECT_EQ(rawValue(machine(), kProduct, "knobmode").data, floatBytes(0.0f));
    EXPECT_EQ(rawValue(machine(), kProduct, "vureference").data, floatBytes(0.5f));
    // The machine-wide hive took them: nothing in the user's.
    EXPECT_FALSE(keyExists(user(), kProduct));
}

TEST_F(RegistryStoreTest, RefusedMachineHiveFallsBackToTheUsersHive) {
    // A root that is no open key refuses every operation, as the machine-wide
    // hive refuses writes to an ordinary user.
    HKEY gone = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x3ffffffc));
    presets::RegistrySettings store(gone, user());

    presets::StoreValues updates;
    updates["vuintegration"] = presets::StoreValue::binaryFloat(0.75f);
    updates["name"] = presets::StoreValue::string("kept");
    ASSERT_TRUE(store.write(kProduct, updates));
    EXPECT_EQ(rawValue(user(), kProduct, "vuintegration").data, floatBytes(0.75f));
    EXPECT_EQ(rawValue(user(), kProduct, "name").type, (DWORD)REG_SZ);

    presets::StoreValues read;
    ASSERT_TRUE(store.read(kProduct, read));
    float v = 0;
    EXPECT_TRUE(presets::storeValueAsFloat(read, "vuintegration", v));
    EXPECT_EQ(v, 0.75f);
    EXPECT_EQ(std::string(read["name"].data.begin(), read["name"].data.end()), "kept");

    // Neither hive usable: nothing written, nothing read.
    presets::RegistrySettings none(gone, gone);
    EXPECT_FALSE(none.write(kProduct, updates));
    EXPECT_FALSE(none.read(kProduct, read));
    EXPECT_TRUE(read.empty());
}

TEST_F(RegistryStoreTest, UsersValuesComeFirstAndMachineValuesAreStillFound) {
    // An older installation left values in the machine-wide key; this user's
    // key holds one of them too.
    putRaw(machine(), kProduct, "vuintegration", REG_BINARY, floatBytes(0.1f).data(), 4);
    putRaw(machine(), kProduct, "ppmreturn", REG_BINARY, floatBytes(0.2f).data(), 4);
    putRaw(user(), kProduct, "vuintegration", REG_BINARY, floatBytes(0.9f).data(), 4);
    EXPECT_EQ(presets::loadSetting(43), 0.9f);
    EXPECT_EQ(presets::loadSetting(46), 0.2f);
    EXPECT_EQ(presets::loadSetting(44), 0.5f);

    // A write the machine-wide key accepts is not hidden by the user's old value.
    ASSERT_TRUE(presets::saveSetting(43, 0.3f));
    EXPECT_EQ(presets::loadSetting(43), 0.3f);
    EXPECT_EQ(rawValue(machine(), kProduct, "vuintegration").data, floatBytes(0.3f));
    EXPECT_FALSE(rawValue(user(), kProduct, "vuintegration").present);
}

TEST_F(RegistryStoreTest, ValuesOfOtherTypesOrSizesAreNeverApplied) {
    TestEffect fx;
    fx.selectProgram(6);
    const float before3 = fx.stored[3], before4 = fx.stored[4];
    const DWORD dword = 1;
    putRaw(machine(), kMemoA, "param  3", REG_DWORD, &dword, 4);
    putRaw(machine(), kMemoA, "param  4", REG_BINARY, "\x01\x02\x03", 3);
    putRaw(machine(), kMemoA, "param  5", REG_BINARY, floatBytes(0.125f).data(), 4);
    // A name of 30 characters stored without its terminator.
    putRaw(machine(), kMemoA, "name", REG_SZ, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", 30);
    ASSERT_TRUE(fx.recallMemoA());
    EXPECT_EQ(fx.stored[3], before3);
    EXPECT_EQ(fx.stored[4], before4);
    EXPECT_EQ(fx.stored[5], 0.125f);
    EXPECT_EQ(nameOf(fx.getProgramObject(6)), "ABCDEFGHIJKLMNOPQRSTUVWX");

    // A name that does not fit the recall buffer is not applied.
    const std::string longName(100, 'n');
    putRaw(machine(), kMemoA, "name", REG_SZ, longName.c_str(), (DWORD)longName.size() + 1);
    ASSERT_TRUE(fx.recallMemoA());
    EXPECT_EQ(nameOf(fx.getProgramObject(6)), "ABCDEFGHIJKLMNOPQRSTUVWX");

    // Settings of another type or size read as the default.
    putRaw(machine(), kProduct, "knobmode", REG_SZ, "1", 2);
    putRaw(machine(), kProduct, "vureference", REG_BINARY, "\0\0\0\0\0\0\x80\x3f", 8);
    EXPECT_EQ(presets::loadSetting(48), 0.5f);
    EXPECT_EQ(presets::loadSetting(44), 0.5f);
}
