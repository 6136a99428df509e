#pragma once
// Small helpers to build faces by hand and compare them field by field.

#include <initializer_list>
#include <string>
#include <vector>

#include <osg/Vec2>
#include <osg/Vec3>

#include <gtest/gtest.h>

#include "model/face.h"

namespace mw::test {

osg::ref_ptr<FaceGeom> makeGeom(std::string name, std::vector<osg::Vec3> vertices,
                                IndexList vertexIndices, std::vector<osg::Vec2> texcoords = {},
                                IndexList texIndices = {}, IndexList clampIndices = {});

osg::ref_ptr<FaceTarget> makeTarget(std::string name, IndexList indices,
                                    std::vector<osg::Vec3> offsets, float weight = 0.0f);

osg::ref_ptr<FaceMorph> makeMorph(std::string name,
                                  std::initializer_list<osg::ref_ptr<FaceTarget>> targets);

osg::ref_ptr<TarvFaceObject> makeFace(std::initializer_list<osg::ref_ptr<FaceGeom>> geometries,
                                      std::initializer_list<osg::ref_ptr<FaceMorph>> morphs = {});

// The names of the face's morphs, in order.
std::vector<std::string> morphNames(const TarvFaceObject& face);

// How many entries the targets of a morph hold together.
std::size_t entryCount(const FaceMorph& morph);

// Every field equal, floats compared exactly (NaN equals NaN); weights only when asked.
::testing::AssertionResult facesEqual(const TarvFaceObject& expected, const TarvFaceObject& actual,
                                      bool compareWeights = false);

}  // namespace mw::test
