#include "render/tarv_face_renderer.h"

#include <osg/StateSet>

#include "model/face_operations.h"

namespace mw {

TarvFaceRenderer::TarvFaceRenderer(TarvFaceObject* face, const std::filesystem::path& textureFolder) : face_(face)
{
    getOrCreateStateSet()->setMode(GL_CULL_FACE, osg::StateAttribute::ON);
    if (!face_)
        return;
    for (const auto& geometry : face_->geometries) {
        osg::ref_ptr<FaceRenderer> renderer = new FaceRenderer(geometry.get(), textureFolder);
        renderers_.push_back(renderer);
        addDrawable(renderer.get());
    }
    indexGeometryNames();
    for (unsigned m = 0; m < face_->morphs.size(); ++m)
        attachMorphTargets(m);
}

TarvFaceRenderer::~TarvFaceRenderer() = default;

void TarvFaceRenderer::indexGeometryNames()
{
    geometryIndex_.clear();
    for (unsigned i = 0; i < renderers_.size(); ++i) {
        const FaceGeom* geometry = renderers_[i]->geometry();
        if (geometry && !geometry->name.empty())
            geometryIndex_[geometry->name] = i;
    }
}

FaceRenderer* TarvFaceRenderer::rendererAt(unsigned geometryIndex) const
{
    return geometryIndex < renderers_.size() ? renderers_[geometryIndex].get() : nullptr;
}

void TarvFaceRenderer::attachMorphTargets(unsigned morphIndex)
{
    if (!face_ || morphIndex >= face_->morphs.size())
        return;
    for (const auto& target : face_->morphs[morphIndex]->targets)
        if (FaceRenderer* renderer = getRendererByName(target->name))
            renderer->attachTarget(target.get());
}

void TarvFaceRenderer::reattachMorphTargets()
{
    for (const auto& renderer : renderers_)
        renderer->detachTargets();
    if (face_)
        for (unsigned m = 0; m < face_->morphs.size(); ++m)
            attachMorphTargets(m);
}

FaceRenderer* TarvFaceRenderer::getRendererByName(const std::string& name) const
{
    const auto found = geometryIndex_.find(name);
    return found == geometryIndex_.end() ? nullptr : rendererAt(found->second);
}

int TarvFaceRenderer::getGeometryIndex(const std::string& name) const
{
    const auto found = geometryIndex_.find(name);
    return found == geometryIndex_.end() ? -1 : static_cast<int>(found->second);
}

void TarvFaceRenderer::setMorphWeight(int morphIndex, float weight)
{
    if (face_)
        mw::setMorphWeight(*face_, morphIndex, weight);
}

float TarvFaceRenderer::getMorphWeight(int morphIndex) const
{
    return face_ ? mw::getMorphWeight(*face_, morphIndex) : 0.0f;
}

void TarvFaceRenderer::resetMorphWeights()
{
    if (face_)
        mw::resetMorphWeights(*face_);
}

void TarvFaceRenderer::scaleMorph(int morphIndex, float factor)
{
    if (face_)
        mw::scaleMorph(*face_, morphIndex, factor);
}

void TarvFaceRenderer::renameGeometry(unsigned geometryIndex, const std::string& name)
{
    if (!face_ || geometryIndex >= face_->geometries.size())
        return;
    mw::renameGeometry(*face_, geometryIndex, name);
    indexGeometryNames();
}

void TarvFaceRenderer::setGeometryVisible(bool visible, unsigned geometryIndex)
{
    if (FaceRenderer* renderer = rendererAt(geometryIndex))
        renderer->setVisible(visible);
}

void TarvFaceRenderer::recomputeNormals(unsigned geometryIndex)
{
    if (FaceRenderer* renderer = rendererAt(geometryIndex))
        renderer->computeNormals();
}

void TarvFaceRenderer::recomputeTexcoords(unsigned geometryIndex)
{
    if (FaceRenderer* renderer = rendererAt(geometryIndex))
        renderer->buildTexcoords();
}

void TarvFaceRenderer::transformFace(const osg::Matrixd& matrix)
{
    for (const auto& renderer : renderers_)
        renderer->transformVertices(matrix);
    if (face_)
        transformMorphOffsets(*face_, matrix);
}

void TarvFaceRenderer::setMorphedNormals(bool on)
{
    morphedNormals_ = on;
    for (const auto& renderer : renderers_)
        renderer->setMorphedNormals(on);
}

void TarvFaceRenderer::setCornerDrawer(FaceRenderer::CornerDrawer drawer)
{
    for (const auto& renderer : renderers_)
        renderer->setCornerDrawer(drawer);
}

}  // namespace mw
