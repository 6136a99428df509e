#include "tests/support/face_builders.h"

#include <cmath>
#include <cstring>
#include <sstream>

namespace mw::test {
namespace {

bool sameFloat(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || a == b || (std::isnan(a) && std::isnan(b));
}

template <typename Vec>
bool sameVec(const Vec& a, const Vec& b)
{
    for (unsigned i = 0; i < Vec::num_components; ++i)
        if (!sameFloat(a[i], b[i]))
            return false;
    return true;
}

template <typename Array>
bool sameArray(const Array& a, const Array& b, std::string& where)
{
    if (a.size() != b.size()) {
        where = "size " + std::to_string(a.size()) + " vs " + std::to_string(b.size());
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!sameVec(a[i], b[i])) {
            std::ostringstream s;
            s << "entry " << i;
            where = s.str();
            return false;
        }
    return true;
}

}  // namespace

osg::ref_ptr<FaceGeom> makeGeom(std::string name, std::vector<osg::Vec3> vertices,
                                IndexList vertexIndices, std::vector<osg::Vec2> texcoords,
                                IndexList texIndices, IndexList clampIndices)
{
    osg::ref_ptr<FaceGeom> g = new FaceGeom;
    g->name = std::move(name);
    g->vertices->assign(vertices.begin(), vertices.end());
    g->texcoords->assign(texcoords.begin(), texcoords.end());
    g->vertexIndices = std::move(vertexIndices);
    g->texIndices = std::move(texIndices);
    g->clampIndices = std::move(clampIndices);
    return g;
}

osg::ref_ptr<FaceTarget> makeTarget(std::string name, IndexList indices,
                                    std::vector<osg::Vec3> offsets, float weight)
{
    osg::ref_ptr<FaceTarget> t = new FaceTarget;
    t->name = std::move(name);
    t->indices = std::move(indices);
    t->offsets->assign(offsets.begin(), offsets.end());
    t->weight = weight;
    return t;
}

osg::ref_ptr<FaceMorph> makeMorph(std::string name,
                                  std::initializer_list<osg::ref_ptr<FaceTarget>> targets)
{
    osg::ref_ptr<FaceMorph> m = new FaceMorph;
    m->name = std::move(name);
    m->targets.assign(targets.begin(), targets.end());
    return m;
}

osg::ref_ptr<TarvFaceObject> makeFace(std::initializer_list<osg::ref_ptr<FaceGeom>> geometries,
                                      std::initializer_list<osg::ref_ptr<FaceMorph>> morphs)
{
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    face->geometries.assign(geometries.begin(), geometries.end());
    face->morphs.assign(morphs.begin(), morphs.end());
    return face;
}

::testing::AssertionResult facesEqual(const TarvFaceObject& e, const TarvFaceObject& a,
                                      bool compareWeights)
{
    auto fail = [](auto&&... parts) {
        std::ostringstream s;
        (s << ... << parts);
        return ::testing::AssertionFailure() << s.str();
    };
    if (e.geometries.size() != a.geometries.size())
        return fail("geometry count ", e.geometries.size(), " vs ", a.geometries.size());
    std::string where;
    for (std::size_t i = 0; i < e.geometries.size(); ++i) {
        const FaceGeom& x = *e.geometries[i];
        const FaceGeom& y = *a.geometries[i];
        if (x.name != y.name) return fail("geometry ", i, " name '", x.name, "' vs '", y.name, "'");
        if (x.texture != y.texture) return fail("geometry ", i, " texture '", x.texture, "' vs '", y.texture, "'");
        if (!sameVec(x.diffuse, y.diffuse)) return fail("geometry ", i, " diffuse");
        if (!sameVec(x.specular, y.specular)) return fail("geometry ", i, " specular");
        if (!sameArray(*x.vertices, *y.vertices, where)) return fail("geometry ", i, " vertices: ", where);
        if (!sameArray(*x.texcoords, *y.texcoords, where)) return fail("geometry ", i, " texcoords: ", where);
        if (x.vertexIndices != y.vertexIndices) return fail("geometry ", i, " vertexIndices");
        if (x.texIndices != y.texIndices) return fail("geometry ", i, " texIndices");
        if (x.clampIndices != y.clampIndices) return fail("geometry ", i, " clampIndices");
    }
    if (e.morphs.size() != a.morphs.size())
        return fail("morph count ", e.morphs.size(), " vs ", a.morphs.size());
    for (std::size_t i = 0; i < e.morphs.size(); ++i) {
        const FaceMorph& x = *e.morphs[i];
        const FaceMorph& y = *a.morphs[i];
        if (x.name != y.name) return fail("morph ", i, " name '", x.name, "' vs '", y.name, "'");
        if (x.targets.size() != y.targets.size()) return fail("morph ", i, " target count");
        for (std::size_t t = 0; t < x.targets.size(); ++t) {
            const FaceTarget& p = *x.targets[t];
            const FaceTarget& q = *y.targets[t];
            if (p.name != q.name) return fail("morph ", i, " target ", t, " name '", p.name, "' vs '", q.name, "'");
            if (p.indices != q.indices) return fail("morph ", i, " target ", t, " indices");
            if (!sameArray(*p.offsets, *q.offsets, where)) return fail("morph ", i, " target ", t, " offsets: ", where);
            if (compareWeights && !sameFloat(p.weight, q.weight)) return fail("morph ", i, " target ", t, " weight");
        }
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::string> morphNames(const TarvFaceObject& face)
{
    std::vector<std::string> names;
    for (const auto& morph : face.morphs)
        names.push_back(morph->name);
    return names;
}

std::size_t entryCount(const FaceMorph& morph)
{
    std::size_t count = 0;
    for (const auto& target : morph.targets)
        count += target->indices.size();
    return count;
}

}  // namespace mw::test
