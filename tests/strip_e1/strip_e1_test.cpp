// The first edition's strip: the same places, tags 8 higher, its own name
// field background, and the operations dispatched on its tags.
#include "tests/strip/StripTestSupport.h"

namespace striptest {
namespace {

TEST_F(StripTest, FirstEditionTagsAndBackground) {
    expectControlTags(450, 8);
    EXPECT_EQ(CPresetSystemEditor::stripTag(CPresetSystemEditor::kTagStoreB), 77);
    EXPECT_EQ(editor->name()->getBackground()->getResourceID(), 19100);
}

TEST_F(StripTest, FirstEditionOperationsFollowItsTags) {
    // The list, the name field and the memo buttons reach the effect.
    selectFromList(12);
    EXPECT_EQ(fx->getCurrentProgramIndex(), 12);
    EXPECT_EQ(editor->name()->text(), programName(*fx, 12));
    typeName("First edition name that is long");
    EXPECT_EQ(programName(*fx, 12), "First edition name that ");

    fx->setParameterAutomated(4, 0.9f);
    click(centre(editor->memo(kStoreB)));
    EXPECT_EQ(editor->changes[77], 1);
    fx->setParameterAutomated(4, 0.2f);
    click(centre(editor->memo(kRecallB)));
    EXPECT_EQ(editor->changes[75], 1);
    EXPECT_FLOAT_EQ(fx->getParameter(4), 0.9f);

    // A preset of the first edition's layout: 221 bytes.
    fileAction(kSavePreset, path("e1.zev"));
    EXPECT_EQ(readBytes(path("e1.zev")).size(), 221u);
    ASSERT_FALSE(HostLog::endEdits().empty());
    EXPECT_EQ(HostLog::endEdits().back(), 72);
}

}  // namespace
}  // namespace striptest
