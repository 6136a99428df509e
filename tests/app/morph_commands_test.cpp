// The Morph menu and View > Morphed Normals in the main frame.

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

#include "model/face_operations.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

QStringList namesOf(const QMenu& menu)
{
    QStringList names;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(const_cast<QMenu*>(&menu));
    for (int i = 0; accessible && i < accessible->childCount(); ++i)
        names << accessible->child(i)->text(QAccessible::Name);
    return names;
}

class MorphCommandsTest : public EditorTest {
protected:
    QAction& act(int id) { return *frame->action(id); }
    QMenu* morphMenu()
    {
        for (QAction* a : frame->menuBar()->actions())
            if (a->text() == "&Morph")
                return a->menu();
        return nullptr;
    }
};

TEST_F(MorphCommandsTest, MorphMenuAndContextMenuOfferTheCommandsByTheirNames)
{
    ASSERT_NE(morphMenu(), nullptr);
    EXPECT_EQ(namesOf(*morphMenu()).join('|'), "Delete|Duplicate||Move Up|Move Down||Mirror|New Morph from Mix");
    ASSERT_NE(frame->contextMenu(kMorphContextMenu), nullptr);
    EXPECT_EQ(namesOf(*frame->contextMenu(kMorphContextMenu)).join('|'), "Delete|Duplicate||Move Up|Move Down||Mirror");

    // Without a selected morph only the mix is possible, and only with a face.
    namespace c = command;
    const int selectionCommands[] = {c::DeleteMorph, c::DuplicateMorph, c::MoveMorphUp, c::MoveMorphDown, c::MirrorMorph};
    frame->updateCommandStates();
    EXPECT_FALSE(act(c::NewMorphFromMix).isEnabled());
    openSampleHead();
    for (int id : selectionCommands)
        EXPECT_FALSE(act(id).isEnabled()) << id;
    EXPECT_TRUE(act(c::NewMorphFromMix).isEnabled());

    const std::size_t before = state().face->morphs.size();
    setMorphWeight(*state().face, 0, 0.8f);
    state().modified = false;
    act(c::NewMorphFromMix).trigger();
    ASSERT_EQ(state().face->morphs.size(), before + 1);
    EXPECT_EQ(state().face->morphs.back()->name, "mix");
    EXPECT_FALSE(state().face->morphs.back()->targets.empty());
    EXPECT_TRUE(state().modified);
    EXPECT_TRUE(act(c::Save).isEnabled());
}

TEST_F(MorphCommandsTest, MorphedNormalsIsCheckedAndSwitchesTheShadingOfEveryFace)
{
    openSampleHead();
    QAction& toggle = act(command::ViewMorphedNormals);
    frame->updateCommandStates();
    EXPECT_TRUE(toggle.isCheckable());
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_TRUE(state().faceNode->morphedNormals());

    setMorphWeight(*state().face, 0, 1.0f);  // jaw_open
    const QImage morphed = grab();
    toggle.trigger();
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_FALSE(state().faceNode->morphedNormals());
    EXPECT_NE(grab(), morphed);

    // A face opened later keeps the choice.
    openSampleHead();
    EXPECT_FALSE(state().faceNode->morphedNormals());
    toggle.trigger();
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_TRUE(state().faceNode->morphedNormals());
}

}  // namespace
}  // namespace mw::test
