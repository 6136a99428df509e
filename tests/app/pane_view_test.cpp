// What the property pane changes shows in the real view and is kept in the saved file.

#include <gtest/gtest.h>

#include "app/property_grid.h"
#include "model/face_file.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

// The frame's side of the pane, reduced to what the property pane asks.
class ViewHost : public PaneHost {
public:
    explicit ViewHost(CMainFrame& frame) : frame_(frame) {}
    void selectGeometry(int) override {}
    void showContextMenu(int) override {}
    void refreshView(bool render) override { frame_.refreshView(render); }
    void updateCommandStates() override {}
    void showStatusMessage(const QString&) override {}
    void markFaceModified() override { frame_.view().state().modified = true; }
    std::filesystem::path faceFileName() const override { return frame_.view().state().fileName; }

private:
    CMainFrame& frame_;
};

TEST_F(EditorTest, ColourEditedInThePropertyPaneIsDrawnAndSurvivesSaveAndReload)
{
    for (const char* name : {"sample-head.tvf", "sample-head-skin.png", "sample-head-eye.png"})
        std::filesystem::copy_file(sourceDir() / "examples" / name, dir / name);
    ASSERT_TRUE(frame->openFace(QString::fromStdString((dir / "sample-head.tvf").string())));
    ViewHost host(*frame);
    CPropertyGrid grid(host);
    grid.setFaceNode(state().faceNode.get());
    grid.showGeometry(0);

    const QImage before = grab();
    const Rgb skin = rgbAt(before, before.width() / 2, before.height() / 2);
    ASSERT_GT(skin.r, skin.b);
    state().modified = false;
    ASSERT_TRUE(grid.editValue(CPropertyGrid::kDiffuse, "0.2; 0.2; 1"));
    EXPECT_TRUE(state().modified);
    const QImage after = grab();
    const Rgb bluer = rgbAt(after, after.width() / 2, after.height() / 2);
    EXPECT_LT(bluer.r, skin.r / 2);
    EXPECT_GT(bluer.b, bluer.r);
    EXPECT_GE(bluer.b, skin.b * 4 / 5);

    const std::filesystem::path saved = dir / "edited.tvf";
    ASSERT_TRUE(writeFaceFile(saved, *state().face));
    ASSERT_TRUE(frame->openFace(QString::fromStdString(saved.string())));
    EXPECT_EQ(state().face->geometries[0]->diffuse, osg::Vec4(0.2f, 0.2f, 1.0f, 1.0f));
    EXPECT_EQ(grab(), after);
}

}  // namespace
}  // namespace mw::test
