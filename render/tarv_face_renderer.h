#pragma once
// TarvFaceRenderer: the scene node of a whole face, one FaceRenderer per geometry, and the
// face-wide operations the editor calls on it.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <osg/Geode>
#include <osg/Matrixd>
#include <osg/ref_ptr>

#include "model/face.h"
#include "render/face_renderer.h"

namespace mw {

class TarvFaceRenderer : public osg::Geode {
public:
    // Builds renderer i for geometry i (also drawable i of the node), its relative texture
    // names read from `textureFolder` (the folder of the face's file), indexes the non-empty
    // geometry names (a later duplicate wins), attaches every morph's targets and turns
    // back-face culling on for the node.
    explicit TarvFaceRenderer(TarvFaceObject* face, const std::filesystem::path& textureFolder = {});

    TarvFaceRenderer(const TarvFaceRenderer&) = delete;
    TarvFaceRenderer& operator=(const TarvFaceRenderer&) = delete;

    // Attaches each target of the morph to the renderer of the geometry it names; targets
    // naming no geometry are skipped. An index outside the list is ignored.
    void attachMorphTargets(unsigned morphIndex);
    // Detaches every target and attaches the face's morphs again in their order: after morphs
    // were removed or reordered, the renderers draw exactly the face's list.
    void reattachMorphTargets();
    // Indexes the non-empty geometry names afresh (a later duplicate wins), after geometries
    // were renamed.
    void indexGeometryNames();
    FaceRenderer* getRendererByName(const std::string& name) const;
    int getGeometryIndex(const std::string& name) const;

    void setMorphWeight(int morphIndex, float weight);
    float getMorphWeight(int morphIndex) const;
    void resetMorphWeights();
    void scaleMorph(int morphIndex, float factor);
    // Renames the geometry and its targets, and keeps the name index in step, so morphs
    // created or imported later under the new name still reach this geometry.
    void renameGeometry(unsigned geometryIndex, const std::string& name);
    void setGeometryVisible(bool visible, unsigned geometryIndex);
    void recomputeNormals(unsigned geometryIndex);
    void recomputeTexcoords(unsigned geometryIndex);
    // Vertices get the whole transform, morph offsets the transform without translation;
    // normals keep their directions until recomputeNormals.
    void transformFace(const osg::Matrixd& matrix);

    // Gives every renderer of the face the same corner drawer (null: the vertex arrays).
    void setCornerDrawer(FaceRenderer::CornerDrawer drawer);
    // Shading that follows the morphed surface (on, the default) or the rest pose's normals.
    void setMorphedNormals(bool on);
    bool morphedNormals() const { return morphedNormals_; }

    TarvFaceObject* face() const { return face_.get(); }
    const std::vector<osg::ref_ptr<FaceRenderer>>& renderers() const { return renderers_; }
    const std::map<std::string, unsigned>& geometryIndex() const { return geometryIndex_; }

protected:
    ~TarvFaceRenderer() override;

private:
    FaceRenderer* rendererAt(unsigned geometryIndex) const;

    osg::ref_ptr<TarvFaceObject> face_;
    std::map<std::string, unsigned> geometryIndex_;
    std::vector<osg::ref_ptr<FaceRenderer>> renderers_;
    bool morphedNormals_ = true;
};

}  // namespace mw
