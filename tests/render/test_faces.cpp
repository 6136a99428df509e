#include "tests/render/test_faces.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <osgDB/WriteFile>

#include "tests/support/face_builders.h"

namespace mw::test {

osg::ref_ptr<FaceGeom> makeQuad(std::string name, float x0, float y0, float x1, float y1, osg::Vec4 diffuse)
{
    osg::ref_ptr<FaceGeom> g = makeGeom(std::move(name), {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}},
                                        {0, 1, 2, 0, 2, 3}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {0, 1, 2, 0, 2, 3});
    g->diffuse = diffuse;
    return g;
}

osg::ref_ptr<FaceGeom> makeSphere(std::string name, float radius, unsigned rings, unsigned segments)
{
    osg::ref_ptr<FaceGeom> g = new FaceGeom;
    g->name = std::move(name);
    const float pi = 3.14159265f;  // the poles, then rings - 1 rows of `segments` vertices
    g->vertices->push_back({0, radius, 0});
    g->vertices->push_back({0, -radius, 0});
    for (unsigned r = 1; r < rings; ++r)
        for (unsigned s = 0; s < segments; ++s) {
            const float theta = pi * r / rings, phi = 2 * pi * s / segments;
            g->vertices->push_back({radius * std::sin(theta) * std::sin(phi), radius * std::cos(theta),
                                    radius * std::sin(theta) * std::cos(phi)});
        }
    for (unsigned r = 0; r <= rings; ++r)  // segments + 1 columns: the seam column is there twice
        for (unsigned s = 0; s <= segments; ++s)
            g->texcoords->push_back({static_cast<float>(s) / segments, 1.0f - static_cast<float>(r) / rings});
    auto vertex = [&](unsigned r, unsigned s) -> std::uint32_t {
        return r == 0 ? 0u : r == rings ? 1u : 2 + (r - 1) * segments + s % segments;
    };
    auto corner = [&](unsigned r, unsigned s) {
        g->vertexIndices.push_back(vertex(r, s));
        g->texIndices.push_back(r * (segments + 1) + s);
    };
    for (unsigned r = 0; r < rings; ++r)
        for (unsigned s = 0; s < segments; ++s) {  // counter-clockwise seen from outside
            if (r + 1 < rings) { corner(r, s); corner(r + 1, s); corner(r + 1, s + 1); }
            if (r > 0) { corner(r, s); corner(r + 1, s + 1); corner(r, s + 1); }
        }
    return g;
}

void writeImage(const std::filesystem::path& path, int width, int height,
                const std::vector<std::array<unsigned char, 3>>& pixels)
{
    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(width, height, 1, GL_RGB, GL_UNSIGNED_BYTE);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memcpy(image->data(x, y), pixels[static_cast<std::size_t>(y * width + x)].data(), 3);
    if (!osgDB::writeImageFile(*image, path.string()))
        std::abort();
}

}  // namespace mw::test
