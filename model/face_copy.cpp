#include "model/face_copy.h"

namespace mw {

namespace {

template <class Array>
osg::ref_ptr<Array> copyArray(const Array* source)
{
    return source ? new Array(source->begin(), source->end()) : new Array;
}

}  // namespace

osg::ref_ptr<FaceGeom> copyGeometry(const FaceGeom& source)
{
    osg::ref_ptr<FaceGeom> copy = new FaceGeom;
    copy->name = source.name;
    copy->texture = source.texture;
    copy->diffuse = source.diffuse;
    copy->specular = source.specular;
    copy->vertices = copyArray(source.vertices.get());
    copy->texcoords = copyArray(source.texcoords.get());
    copy->vertexIndices = source.vertexIndices;
    copy->texIndices = source.texIndices;
    copy->clampIndices = source.clampIndices;
    return copy;
}

// Empty target slots stay empty.
osg::ref_ptr<FaceMorph> copyMorph(const FaceMorph& source)
{
    osg::ref_ptr<FaceMorph> copy = new FaceMorph;
    copy->name = source.name;
    copy->targets.reserve(source.targets.size());
    for (const auto& target : source.targets) {
        if (!target) {
            copy->targets.emplace_back();
            continue;
        }
        osg::ref_ptr<FaceTarget> t = new FaceTarget;
        t->name = target->name;
        t->indices = target->indices;
        t->offsets = copyArray(target->offsets.get());
        copy->targets.push_back(t);
    }
    return copy;
}

// Empty geometry and morph slots stay empty.
osg::ref_ptr<TarvFaceObject> copyFace(const TarvFaceObject& source)
{
    osg::ref_ptr<TarvFaceObject> copy = new TarvFaceObject;
    copy->geometries.reserve(source.geometries.size());
    for (const auto& geometry : source.geometries)
        copy->geometries.push_back(geometry ? copyGeometry(*geometry) : nullptr);
    copy->morphs.reserve(source.morphs.size());
    for (const auto& morph : source.morphs)
        copy->morphs.push_back(morph ? copyMorph(*morph) : nullptr);
    return copy;
}

}  // namespace mw
