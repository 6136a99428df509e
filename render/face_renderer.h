#pragma once
// FaceRenderer: the drawable of one face geometry, drawn every frame from its rest pose with
// the weights of its attached morph targets applied.

#include <filesystem>
#include <span>
#include <vector>

#include <osg/Array>
#include <osg/Drawable>
#include <osg/Matrixd>
#include <osg/ref_ptr>

#include "model/face.h"
#include "render/draw_table.h"
#include "render/face_arrays.h"
#include "model/morph_targets.h"
#include "model/surface_normals.h"

namespace mw {

class FaceRenderer : public osg::Drawable {
public:
    // Draws this frame's corners in place of the vertex arrays. Tests and benchmarks put the
    // plain one-call-per-attribute reference drawing here, to compare its pixels and speed.
    using CornerDrawer = void (*)(const IndexList& vertexIndices, std::span<const osg::Vec3> positions,
                                  const osg::Vec3Array& normals, const osg::Vec2Array* texcoords);

    // Shares `geometry` with the face. Display lists stay off (every weight change must
    // show), the state set gets the geometry's texture (a relative name being a file in
    // `textureFolder`, the folder of the face's file) and material, then the per-corner
    // normals and texture coordinates are built. A null geometry gives an inert renderer.
    explicit FaceRenderer(FaceGeom* geometry, const std::filesystem::path& textureFolder = {});

    FaceRenderer(const FaceRenderer&) = delete;
    FaceRenderer& operator=(const FaceRenderer&) = delete;

    // Cloning is never needed by the program; both give an inert renderer that draws nothing,
    // so a generic scene-graph copy cannot end up with two owners of one set of targets.
    osg::Object* cloneType() const override;
    osg::Object* clone(const osg::CopyOp& copyop) const override;
    bool isSameKindAs(const osg::Object* object) const override;
    const char* libraryName() const override { return "mw"; }
    const char* className() const override { return "FaceRenderer"; }

    void drawImplementation(osg::RenderInfo& renderInfo) const override;
    // Intersections and other functors see the rest-pose triangles, never the morphed ones.
    bool supports(const osg::PrimitiveFunctor&) const override { return true; }
    void accept(osg::PrimitiveFunctor& functor) const override;
    // The box of the rest-pose vertices; morph offsets are not included.
    osg::BoundingBox computeBoundingBox() const override;

    void computeNormals();
    void buildTexcoords();
    // Moves every rest-pose vertex v to v × matrix; normals are kept as they are.
    void transformVertices(const osg::Matrixd& matrix);
    // Appends a target that deforms this geometry; a target already attached is not added twice.
    void attachTarget(FaceTarget* target);
    // Lets go of every attached target (before the face's morphs are attached afresh).
    void detachTargets() { attachedTargets_.clear(); }

    // This frame's vertex arrays: rest pose plus weighted offsets, laid out by drawTable().
    // Reuses one working buffer; when no weight is set and the geometry has no texture seams
    // the rest pose is handed over without a copy.
    FaceArrays prepareFrame() const;
    // This frame's positions indexed like the geometry's vertices (the rest pose itself when
    // no weight is set).
    std::span<const osg::Vec3> morphedVertices() const;
    // This frame's normal of every corner: the rest-pose normals while no weight is set or
    // morphed normals are off, otherwise the normals of morphedVertices().
    const osg::Vec3Array& frameCornerNormals() const;

    // Whether shading follows the morphed surface (the default) or keeps the rest pose's normals.
    // The normals of a morphed surface are recomputed only when a weight, an offset or the rest
    // pose changed since they were last computed.
    bool morphedNormals() const { return morphedNormals_; }
    void setMorphedNormals(bool on) { morphedNormals_ = on; }
    // How many times the morphed normals were computed; they are not redone for an unchanged frame.
    std::size_t normalComputations() const { return normalComputations_; }

    FaceGeom* geometry() const { return geometry_.get(); }
    const osg::Vec3Array* normals() const { return normals_.get(); }
    const osg::Vec2Array* cornerTexcoords() const { return cornerTexcoords_.get(); }
    bool hasTexcoords() const { return hasTexcoords_; }
    const TargetList& attachedTargets() const { return attachedTargets_; }
    bool visible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }
    // Null (the default): the vertex arrays.
    CornerDrawer cornerDrawer() const { return cornerDrawer_; }
    void setCornerDrawer(CornerDrawer drawer) { cornerDrawer_ = drawer; }
    const DrawTable& drawTable() const;

protected:
    ~FaceRenderer() override;

private:
    FaceRenderer();  // inert

    // Copies the rest pose into the working buffer (sized for `elements`) and applies the weights.
    void fillWorking(std::size_t elements, bool morphing) const;
    // The slot normals of the positions in the working buffer, recomputed only when what they
    // depend on changed; true when they were recomputed.
    bool updateMorphedNormals(std::span<const osg::Vec3> positions) const;
    // True when this frame is drawn with morphed normals.
    bool drawsMorphedNormals(bool morphing) const;
    // The corner normals for this frame's positions (the rest normals unless drawsMorphedNormals).
    const osg::Vec3Array& cornerNormalsFor(std::span<const osg::Vec3> positions, bool morphing) const;

    // What the morphed normals were computed from: the rest pose and every attached target.
    struct NormalSource {
        const void* data = nullptr;
        const void* indices = nullptr;
        std::uint32_t weightBits = 0;
        const void* offsets = nullptr;
        unsigned modifiedCount = 0;
        std::size_t entries = 0;
        friend bool operator==(const NormalSource&, const NormalSource&) = default;
    };
    void collectNormalSources(std::vector<NormalSource>& out) const;

    osg::ref_ptr<FaceGeom> geometry_;
    osg::ref_ptr<osg::Vec3Array> normals_;
    osg::ref_ptr<osg::Vec2Array> cornerTexcoords_;
    // Held by reference so that a morph removed from the face cannot leave a dangling target.
    TargetList attachedTargets_;
    bool hasTexcoords_ = false;
    bool visible_ = true;
    CornerDrawer cornerDrawer_ = nullptr;

    mutable DrawTable table_;
    mutable bool tableStale_ = true;
    mutable std::vector<osg::Vec3> working_;

    NormalSlots slots_;
    std::uint32_t slotsGeneration_ = 0;
    bool morphedNormals_ = true;
    // Morphed normals per slot, per element (vertex arrays) and per corner (a corner drawer),
    // with what they were computed from; all reused from frame to frame.
    mutable std::vector<osg::Vec3> slotNormals_;
    mutable std::vector<osg::Vec4> faceNormals_;
    mutable NormalScratch normalScratch_;
    mutable std::vector<std::uint32_t> movedVertices_;
    mutable std::vector<osg::Vec3> elementNormals_;
    mutable osg::ref_ptr<osg::Vec3Array> cornerNormals_;
    mutable std::vector<NormalSource> normalSources_, currentSources_;
    mutable bool morphedNormalsValid_ = false;
    mutable bool elementNormalsStale_ = true;
    mutable bool cornerNormalsStale_ = true;
    mutable std::size_t normalComputations_ = 0;
};

}  // namespace mw
