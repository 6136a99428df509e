#pragma once
// A document shown in a view on a never-realised viewer, with the document fixture's prompt
// and temporary folder.

#include <osg/Material>
#include <osgViewer/Viewer>

#include "render/corner_attributes.h"
#include "tests/authoring/document_fixture.h"
#include "view/update_view.h"
#include "view/view_setup.h"

namespace mw {

// What is drawn matches the face: normals, texcoords, colour and the targets that name each
// geometry, in the face's order.
inline void expectDrawnAsFace(const View& view)
{
    for (const auto& renderer : view.faceNode->renderers()) {
        const FaceGeom& g = *renderer->geometry();
        SCOPED_TRACE(g.name);
        EXPECT_EQ(renderer->normals()->asVector(), computeCornerNormals(g)->asVector());
        if (renderer->hasTexcoords()) {
            EXPECT_EQ(renderer->cornerTexcoords()->asVector(), buildCornerTexcoords(g)->asVector());
        }
        const auto* material = dynamic_cast<const osg::Material*>(
            renderer->getStateSet()->getAttribute(osg::StateAttribute::MATERIAL));
        ASSERT_TRUE(material);
        EXPECT_EQ(material->getDiffuse(osg::Material::FRONT), g.diffuse);
        std::vector<const FaceTarget*> naming;
        for (const auto& morph : view.faceNode->face()->morphs)
            for (const auto& target : morph->targets)
                if (target->name == g.name)
                    naming.push_back(target.get());
        std::vector<const FaceTarget*> attached;
        for (const auto& target : renderer->attachedTargets())
            attached.push_back(target.get());
        EXPECT_EQ(attached, naming);
    }
}

class ViewFixture : public DocumentFixture {
protected:
    void SetUp() override
    {
        buildView(view, doc, {});
        viewer = new osgViewer::Viewer;
        attachViewer(view, *viewer);
    }

    // Brings the view up to date with the document's changes, as the window does after a command.
    void sync() { updateView(view, takeChanges(doc)); }

    void loadTwoGeometries()
    {
        ASSERT_TRUE(loadIntoView(doc, writeFace(*twoGeometries(), "two.tvf"), prompt));
        sync();
    }

    unsigned markerCount() const
    {
        const osg::Geode& m = *view.scene.markers;
        return m.getNumDrawables() ? m.getDrawable(0)->asGeometry()->getVertexArray()->getNumElements() : 0;
    }

    View view;
    osg::ref_ptr<osgViewer::Viewer> viewer;
};

}  // namespace mw
