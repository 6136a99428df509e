#include "model/face_operations.h"

namespace mw {
namespace {

FaceMorph* morphAt(const TarvFaceObject& face, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= face.morphs.size())
        return nullptr;
    return face.morphs[static_cast<std::size_t>(index)].get();
}

}  // namespace

void setMorphWeight(TarvFaceObject& face, int morphIndex, float weight)
{
    if (FaceMorph* morph = morphAt(face, morphIndex))
        for (const auto& target : morph->targets)
            target->weight = weight;
}

float getMorphWeight(const TarvFaceObject& face, int morphIndex)
{
    const FaceMorph* morph = morphAt(face, morphIndex);
    if (!morph || morph->targets.empty())
        return 0.0f;
    return morph->targets.front()->weight;
}

void resetMorphWeights(TarvFaceObject& face)
{
    for (const auto& morph : face.morphs)
        for (const auto& target : morph->targets)
            target->weight = 0.0f;
}

void scaleMorph(TarvFaceObject& face, int morphIndex, float factor)
{
    if (FaceMorph* morph = morphAt(face, morphIndex))
        for (const auto& target : morph->targets) {
            for (osg::Vec3& offset : *target->offsets)
                offset *= factor;
            target->offsets->dirty();  // drawn normals follow the new offsets
        }
}

void renameGeometry(TarvFaceObject& face, unsigned geometryIndex, const std::string& name)
{
    if (geometryIndex >= face.geometries.size())
        return;
    FaceGeom& geometry = *face.geometries[geometryIndex];
    // Copied first: `name` may be a reference to the very string being replaced.
    const std::string oldName = geometry.name;
    const std::string newName = name;
    for (const auto& morph : face.morphs)
        for (const auto& target : morph->targets)
            if (target->name == oldName)
                target->name = newName;
    geometry.name = newName;
}

void transformMorphOffsets(TarvFaceObject& face, const osg::Matrixd& matrix)
{
    osg::Matrixd linear = matrix;
    linear.setTrans(0.0, 0.0, 0.0);
    for (const auto& morph : face.morphs)
        for (const auto& target : morph->targets) {
            for (osg::Vec3& offset : *target->offsets)
                offset = offset * linear;
            target->offsets->dirty();
        }
}

void transformFace(TarvFaceObject& face, const osg::Matrixd& matrix)
{
    for (const auto& geometry : face.geometries) {
        for (osg::Vec3& v : geometry->vertices->asVector())
            v = v * matrix;
        geometry->vertices->dirty();
    }
    transformMorphOffsets(face, matrix);
}

}  // namespace mw
