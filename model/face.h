#pragma once
// The face: a head model made of named geometries and named morphs.
// Plain reference-counted data; every operation on it lives with the code that performs it.

#include <cstdint>
#include <string>
#include <vector>

#include <osg/Array>
#include <osg/Referenced>
#include <osg/Vec4>
#include <osg/ref_ptr>

namespace mw {

using IndexList = std::vector<std::uint32_t>;

// One geometric component of a face (skin, eyes, teeth, ...).
class FaceGeom : public osg::Referenced {
public:
    FaceGeom() = default;
    FaceGeom(const FaceGeom&) = delete;
    FaceGeom& operator=(const FaceGeom&) = delete;

    std::string name;
    std::string texture;                      // image file name; empty means untextured
    osg::Vec4 diffuse{1.0f, 1.0f, 1.0f, 1.0f};
    osg::Vec4 specular{0.0f, 0.0f, 0.0f, 1.0f};
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec2Array> texcoords = new osg::Vec2Array;
    IndexList vertexIndices;                  // three corners per triangle, in winding order
    IndexList texIndices;                     // empty, or parallel to vertexIndices
    IndexList clampIndices;                   // the neck vertices

protected:
    ~FaceGeom() override = default;
};

// The part of one morph that deforms one geometry, named by the geometry's name.
class FaceTarget : public osg::Referenced {
public:
    FaceTarget() = default;
    FaceTarget(const FaceTarget&) = delete;
    FaceTarget& operator=(const FaceTarget&) = delete;

    std::string name;
    IndexList indices;                        // vertex indices into the named geometry
    osg::ref_ptr<osg::Vec3Array> offsets = new osg::Vec3Array;  // parallel to indices
    float weight = 0.0f;                      // held in memory only, never saved

protected:
    ~FaceTarget() override = default;
};

// A named deformation that may affect several geometries.
class FaceMorph : public osg::Referenced {
public:
    FaceMorph() = default;
    FaceMorph(const FaceMorph&) = delete;
    FaceMorph& operator=(const FaceMorph&) = delete;

    std::string name;
    std::vector<osg::ref_ptr<FaceTarget>> targets;

protected:
    ~FaceMorph() override = default;
};

// The document: the geometries and morphs of one head.
class TarvFaceObject : public osg::Referenced {
public:
    TarvFaceObject() = default;
    TarvFaceObject(const TarvFaceObject&) = delete;
    TarvFaceObject& operator=(const TarvFaceObject&) = delete;

    std::vector<osg::ref_ptr<FaceGeom>> geometries;
    std::vector<osg::ref_ptr<FaceMorph>> morphs;

protected:
    ~TarvFaceObject() override = default;
};

}  // namespace mw
