#pragma once
// Geometries and images built by hand for the rendering tests.

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include <osg/Image>
#include <osg/Vec4>

#include "model/face.h"
#include "tests/support/face_builders.h"

namespace mw::test {

// A square in z = 0 from (x0, y0) to (x1, y1), counter-clockwise from +z, texture (0, 0) … (1, 1).
osg::ref_ptr<FaceGeom> makeQuad(std::string name, float x0, float y0, float x1, float y1,
                                osg::Vec4 diffuse = {1, 1, 1, 1});

// A UV sphere around the origin with a texture seam and a cap at each pole.
osg::ref_ptr<FaceGeom> makeSphere(std::string name, float radius, unsigned rings, unsigned segments);

// Writes a PNG of width × height pixels, row 0 at the bottom, each pixel from `colour`.
void writeImage(const std::filesystem::path& path, int width, int height,
                const std::vector<std::array<unsigned char, 3>>& pixels);

}  // namespace mw::test
