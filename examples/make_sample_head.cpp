// Generates the sample head shipped in examples/: a skin ellipsoid that is open at the neck,
// two eyes, and a few morphs. Run: make-sample-head OUT.tvf

#include <cmath>
#include <iostream>
#include <numbers>

#include "model/face_file.h"

namespace {

using mw::FaceGeom;
using mw::FaceMorph;
using mw::FaceTarget;
using mw::TarvFaceObject;

// A latitude-longitude ellipsoid. Rings run from the crown (latitude 0) down to `lastRing`;
// with lastRing < rings the bottom stays open and its border ring becomes the neck.
osg::ref_ptr<FaceGeom> ellipsoid(const char* name, osg::Vec3 centre, osg::Vec3 radii, int rings,
                                 int segments, int lastRing)
{
    osg::ref_ptr<FaceGeom> g = new FaceGeom;
    g->name = name;
    auto& v = *g->vertices;
    auto& t = *g->texcoords;
    v.push_back(centre + osg::Vec3(0, radii.y(), 0));
    t.push_back({0.5f, 1.0f});
    for (int r = 1; r <= lastRing; ++r) {
        const double lat = std::numbers::pi * r / rings;
        for (int s = 0; s < segments; ++s) {
            const double lon = 2 * std::numbers::pi * s / segments;
            v.push_back(centre + osg::Vec3(radii.x() * std::sin(lat) * std::sin(lon),
                                           radii.y() * std::cos(lat),
                                           radii.z() * std::sin(lat) * std::cos(lon)));
            t.push_back({static_cast<float>(s) / segments, 1.0f - static_cast<float>(r) / rings});
        }
    }
    auto at = [segments](int ring, int s) { return 1 + (ring - 1) * segments + (s % segments); };
    auto tri = [&g](unsigned a, unsigned b, unsigned c) {
        for (unsigned i : {a, b, c}) {
            g->vertexIndices.push_back(i);
            g->texIndices.push_back(i);
        }
    };
    for (int s = 0; s < segments; ++s)
        tri(0, at(1, s), at(1, s + 1));
    for (int r = 1; r < lastRing; ++r)
        for (int s = 0; s < segments; ++s) {
            tri(at(r, s), at(r + 1, s), at(r + 1, s + 1));
            tri(at(r, s), at(r + 1, s + 1), at(r, s + 1));
        }
    return g;
}

// A target that moves every vertex of `geom` for which `select` gives a non-zero offset.
template <typename Select>
osg::ref_ptr<FaceTarget> targetOf(const FaceGeom& geom, Select select)
{
    osg::ref_ptr<FaceTarget> t = new FaceTarget;
    t->name = geom.name;
    for (std::uint32_t i = 0; i < geom.vertices->size(); ++i) {
        const osg::Vec3 offset = select((*geom.vertices)[i]);
        if (offset != osg::Vec3()) {
            t->indices.push_back(i);
            t->offsets->push_back(offset);
        }
    }
    return t;
}

osg::ref_ptr<FaceMorph> morph(const char* name, std::initializer_list<osg::ref_ptr<FaceTarget>> targets)
{
    osg::ref_ptr<FaceMorph> m = new FaceMorph;
    m->name = name;
    m->targets.assign(targets.begin(), targets.end());
    return m;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make-sample-head OUT.tvf\n";
        return 2;
    }
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    auto skin = ellipsoid("skin", {0, 0, 0}, {0.8f, 1.0f, 0.9f}, 16, 24, 13);
    skin->diffuse = {0.93f, 0.76f, 0.65f, 1.0f};
    skin->specular = {0.1f, 0.1f, 0.1f, 1.0f};
    const auto ringSize = 24u;
    for (std::uint32_t s = 0; s < ringSize; ++s)  // the open border is the neck
        skin->clampIndices.push_back(static_cast<std::uint32_t>(skin->vertices->size()) - ringSize + s);
    auto eyes = ellipsoid("eyes", {0.3f, 0.25f, 0.78f}, {0.12f, 0.12f, 0.12f}, 8, 12, 8);
    auto rightEye = ellipsoid("eyes", {-0.3f, 0.25f, 0.78f}, {0.12f, 0.12f, 0.12f}, 8, 12, 8);
    const auto base = static_cast<std::uint32_t>(eyes->vertices->size());
    eyes->vertices->insert(eyes->vertices->end(), rightEye->vertices->begin(), rightEye->vertices->end());
    eyes->texcoords->insert(eyes->texcoords->end(), rightEye->texcoords->begin(), rightEye->texcoords->end());
    for (std::uint32_t i : rightEye->vertexIndices) {
        eyes->vertexIndices.push_back(base + i);
        eyes->texIndices.push_back(base + i);
    }
    eyes->diffuse = {0.95f, 0.95f, 0.95f, 1.0f};
    eyes->specular = {0.8f, 0.8f, 0.8f, 1.0f};
    face->geometries.push_back(skin);
    face->geometries.push_back(eyes);

    face->morphs.push_back(morph("jaw_open", {targetOf(*skin, [](osg::Vec3 p) {
        return (p.y() < -0.2f && p.z() > 0.2f) ? osg::Vec3(0, -0.25f * (-p.y()), 0.05f) : osg::Vec3();
    })}));
    face->morphs.push_back(morph("blink", {targetOf(*eyes, [](osg::Vec3 p) {
        return p.y() > 0.3f ? osg::Vec3(0, -0.08f, 0) : osg::Vec3();
    })}));
    face->morphs.push_back(morph("smile", {targetOf(*skin, [](osg::Vec3 p) {
        return (p.y() < -0.1f && p.y() > -0.6f && p.z() > 0.4f) ? osg::Vec3(0, 0.06f, -0.02f) * std::abs(p.x()) * 2
                                                                 : osg::Vec3();
    })}));

    if (!mw::writeFaceFile(argv[1], *face)) {
        std::cerr << "Failed to save: " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
