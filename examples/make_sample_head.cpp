// Generates the sample heads shipped in examples/:
//   sample-head.tvf        a textured head facing -z: skin (open at the neck, whose border
//                          ring is marked as neck vertices), eyes and brows, with the morphs
//                          jaw_open, blink and brows_up;
//   sample-head-smile.tvf  the same head, same topology, smiling and without morphs, for
//                          trying "Create Morph";
//   sample-head-skin.png, sample-head-eye.png   the textures both name, drawn here.
// Run: make-sample-head OUT_DIR

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>
#include <numbers>

#include <osg/Image>
#include <osgDB/WriteFile>

#include "model/face_file.h"

namespace {

using mw::FaceGeom;
using mw::FaceMorph;
using mw::FaceTarget;
using mw::TarvFaceObject;

constexpr double kPi = std::numbers::pi;

const osg::Vec3 kSkinRadii(0.8f, 1.0f, 0.9f);
constexpr float kEyeRadius = 0.12f;
// Height of the head's centre above the ground: the neck border ends up just above y = 0.
constexpr float kLift = 0.8f;

// Four decimals are plenty for a sample and keep the files small.
float rounded(double value)
{
    const double r = std::round(value * 1e4) / 1e4;
    return static_cast<float>(r == 0.0 ? 0.0 : r);  // no "-0"
}

osg::Vec3 rounded(const osg::Vec3& v) { return {rounded(v.x()), rounded(v.y()), rounded(v.z())}; }

double smoothstep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

double bump(double dx, double dy, double sx, double sy) { return std::exp(-(dx * dx) / (sx * sx) - (dy * dy) / (sy * sy)); }

// Appends triangle (a, b, c), wound counter-clockwise seen from outside: `outward` is any
// direction pointing out of the surface there.
void addTriangle(FaceGeom& g, std::array<std::uint32_t, 3> v, std::array<std::uint32_t, 3> t, const osg::Vec3& outward)
{
    const auto& p = *g.vertices;
    const osg::Vec3 normal = (p[v[1]] - p[v[0]]) ^ (p[v[2]] - p[v[0]]);
    if (normal * outward < 0.0f) {
        std::swap(v[1], v[2]);
        std::swap(t[1], t[2]);
    }
    g.vertexIndices.insert(g.vertexIndices.end(), v.begin(), v.end());
    if (!g.texcoords->empty())
        g.texIndices.insert(g.texIndices.end(), t.begin(), t.end());
}

// The skin: a latitude-longitude ellipsoid whose front (longitude 0) faces -z, from the crown
// down to ring `lastRing` of `rings`, open below. Texture u runs once around (seam at the
// back), v from the crown (1) to the bottom pole (0). A nose is pushed out of the front.
osg::ref_ptr<FaceGeom> makeSkin(int rings, int segments, int lastRing)
{
    osg::ref_ptr<FaceGeom> g = new FaceGeom;
    g->name = "skin";
    g->texture = "sample-head-skin.png";
    g->diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    g->specular = {0.15f, 0.15f, 0.15f, 1.0f};
    auto& v = *g->vertices;
    auto& t = *g->texcoords;

    auto surface = [](double lat, double lon) {
        const osg::Vec3 unit(static_cast<float>(std::sin(lat) * std::sin(lon)), static_cast<float>(std::cos(lat)),
                             static_cast<float>(-std::sin(lat) * std::cos(lon)));
        const osg::Vec3 p(unit.x() * kSkinRadii.x(), unit.y() * kSkinRadii.y(), unit.z() * kSkinRadii.z());
        const double nose = 0.16 * bump(lat - 0.56 * kPi, lon, 0.16, 0.12);
        return p + unit * static_cast<float>(nose);
    };

    v.push_back(rounded(surface(0.0, 0.0)));
    for (int s = 0; s < segments; ++s)
        t.push_back({rounded((s + 0.5) / segments), 1.0f});
    for (int r = 1; r <= lastRing; ++r) {
        const double lat = kPi * r / rings;
        for (int s = 0; s < segments; ++s)
            v.push_back(rounded(surface(lat, -kPi + 2 * kPi * s / segments)));
        for (int s = 0; s <= segments; ++s)
            t.push_back({rounded(static_cast<double>(s) / segments), rounded(1.0 - static_cast<double>(r) / rings)});
    }
    auto vertex = [segments](int ring, int s) { return static_cast<std::uint32_t>(1 + (ring - 1) * segments + s % segments); };
    auto texel = [segments](int ring, int s) {
        return static_cast<std::uint32_t>(segments + (ring - 1) * (segments + 1) + s);
    };
    auto outward = [&v](std::uint32_t a, std::uint32_t b, std::uint32_t c) { return (v[a] + v[b] + v[c]) / 3.0f; };

    for (int s = 0; s < segments; ++s) {
        const std::array<std::uint32_t, 3> tri{0, vertex(1, s), vertex(1, s + 1)};
        addTriangle(*g, tri, {static_cast<std::uint32_t>(s), texel(1, s), texel(1, s + 1)}, outward(tri[0], tri[1], tri[2]));
    }
    for (int r = 1; r < lastRing; ++r)
        for (int s = 0; s < segments; ++s) {
            const std::array<std::uint32_t, 3> a{vertex(r, s), vertex(r + 1, s), vertex(r + 1, s + 1)};
            const std::array<std::uint32_t, 3> b{vertex(r, s), vertex(r + 1, s + 1), vertex(r, s + 1)};
            addTriangle(*g, a, {texel(r, s), texel(r + 1, s), texel(r + 1, s + 1)}, outward(a[0], a[1], a[2]));
            addTriangle(*g, b, {texel(r, s), texel(r + 1, s + 1), texel(r, s + 1)}, outward(b[0], b[1], b[2]));
        }
    // The open border is the neck.
    for (int s = 0; s < segments; ++s)
        g->clampIndices.push_back(vertex(lastRing, s));
    return g;
}

// Where the skin's surface is at (x, y) on the front, without the nose.
float frontSurfaceZ(float x, float y)
{
    const float a = x / kSkinRadii.x();
    const float b = y / kSkinRadii.y();
    return -kSkinRadii.z() * std::sqrt(std::max(0.0f, 1.0f - a * a - b * b));
}

// Appends a sphere around `centre` whose pole looks along -z; texture coordinates project the
// front onto the eye image (iris in the middle).
void appendEyeball(FaceGeom& g, const osg::Vec3& centre, int rings, int segments)
{
    auto& v = *g.vertices;
    auto& t = *g.texcoords;
    const auto first = static_cast<std::uint32_t>(v.size());
    auto add = [&](const osg::Vec3& local) {
        v.push_back(rounded(centre + local));
        t.push_back({rounded(0.5 + local.x() / (2 * kEyeRadius)), rounded(0.5 + local.y() / (2 * kEyeRadius))});
    };
    add({0.0f, 0.0f, -kEyeRadius});
    for (int r = 1; r < rings; ++r) {
        const double lat = kPi * r / rings;
        for (int s = 0; s < segments; ++s) {
            const double lon = 2 * kPi * s / segments;
            add(osg::Vec3(static_cast<float>(std::sin(lat) * std::cos(lon)), static_cast<float>(std::sin(lat) * std::sin(lon)),
                          static_cast<float>(-std::cos(lat))) * kEyeRadius);
        }
    }
    add({0.0f, 0.0f, kEyeRadius});
    const auto back = static_cast<std::uint32_t>(v.size() - 1);
    auto at = [&](int ring, int s) { return first + 1 + static_cast<std::uint32_t>((ring - 1) * segments + s % segments); };
    auto tri = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        addTriangle(g, {a, b, c}, {a, b, c}, (v[a] + v[b] + v[c]) / 3.0f - centre);
    };
    for (int s = 0; s < segments; ++s) {
        tri(first, at(1, s), at(1, s + 1));
        tri(back, at(rings - 1, s + 1), at(rings - 1, s));
    }
    for (int r = 1; r < rings - 1; ++r)
        for (int s = 0; s < segments; ++s) {
            tri(at(r, s), at(r + 1, s), at(r + 1, s + 1));
            tri(at(r, s), at(r + 1, s + 1), at(r, s + 1));
        }
}

osg::ref_ptr<FaceGeom> makeEyes()
{
    osg::ref_ptr<FaceGeom> g = new FaceGeom;
    g->name = "eyes";
    g->texture = "sample-head-eye.png";
    g->diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    g->specular = {0.8f, 0.8f, 0.8f, 1.0f};
    for (float x : {0.3f, -0.3f})
        appendEyeball(*g, {x, 0.25f, frontSurfaceZ(x, 0.25f) + 0.04f}, 8, 14);
    return g;
}

// Appends a bar along x, tilted by `tilt` radians about z, hovering just in front of the skin.
void appendBrow(FaceGeom& g, float x, float tilt)
{
    const float y = 0.44f;
    const osg::Vec3 centre(x, y, frontSurfaceZ(x, y) - 0.015f);
    const osg::Vec3 half(0.12f, 0.022f, 0.03f);
    const float c = std::cos(tilt), s = std::sin(tilt);
    auto& v = *g.vertices;
    const auto first = static_cast<std::uint32_t>(v.size());
    for (int i = 0; i < 8; ++i) {
        const osg::Vec3 local((i & 4) ? half.x() : -half.x(), (i & 2) ? half.y() : -half.y(), (i & 1) ? half.z() : -half.z());
        v.push_back(rounded(centre + osg::Vec3(local.x() * c - local.y() * s, local.x() * s + local.y() * c, local.z())));
    }
    // The six sides, each as two triangles, by their corner bits.
    constexpr std::array<std::array<int, 4>, 6> sides{{{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}}};
    for (const auto& q : sides) {
        auto id = [&](int k) { return first + static_cast<std::uint32_t>(q[static_cast<std::size_t>(k)]); };
        const osg::Vec3 mid = (v[id(0)] + v[id(1)] + v[id(2)] + v[id(3)]) / 4.0f;
        addTriangle(g, {id(0), id(1), id(2)}, {}, mid - centre);
        addTriangle(g, {id(0), id(2), id(3)}, {}, mid - centre);
    }
}

osg::ref_ptr<FaceGeom> makeBrows()
{
    osg::ref_ptr<FaceGeom> g = new FaceGeom;
    g->name = "brows";
    g->diffuse = {0.25f, 0.15f, 0.08f, 1.0f};
    g->specular = {0.05f, 0.05f, 0.05f, 1.0f};
    appendBrow(*g, 0.3f, -0.12f);
    appendBrow(*g, -0.3f, 0.12f);
    return g;
}

// A target holding every vertex of `geom` that `offset` moves.
osg::ref_ptr<FaceTarget> targetOf(const FaceGeom& geom, const std::function<osg::Vec3(const osg::Vec3&)>& offset)
{
    osg::ref_ptr<FaceTarget> t = new FaceTarget;
    t->name = geom.name;
    for (std::uint32_t i = 0; i < geom.vertices->size(); ++i) {
        const osg::Vec3 d = rounded(offset((*geom.vertices)[i]));
        if (d != osg::Vec3()) {
            t->indices.push_back(i);
            t->offsets->push_back(d);
        }
    }
    return t;
}

osg::ref_ptr<FaceMorph> morph(const char* name, osg::ref_ptr<FaceTarget> target)
{
    osg::ref_ptr<FaceMorph> m = new FaceMorph;
    m->name = name;
    m->targets.push_back(target);
    return m;
}

// How much of the front of the head a point is in, 0 at the sides, 1 straight ahead.
double frontness(const osg::Vec3& p) { return smoothstep(0.1, 0.6, -p.z()); }

osg::Vec3 jawOpen(const osg::Vec3& p)
{
    const double w = smoothstep(-0.4, -0.65, p.y()) * frontness(p);
    return osg::Vec3(0.0f, -0.2f, -0.03f) * static_cast<float>(w);
}

osg::Vec3 blink(const osg::Vec3& p)
{
    // Each eyeball flattens onto its horizontal mid-plane, like closed lids.
    return osg::Vec3(0.0f, (0.25f - p.y()) * 0.85f, 0.0f);
}

osg::Vec3 browsUp(const osg::Vec3&) { return {0.0f, 0.07f, 0.0f}; }

// Mouth corners up and back, cheeks lifted.
osg::Vec3 smile(const osg::Vec3& p)
{
    const double side = p.x() < 0.0f ? -1.0 : 1.0;
    const double corner = bump(std::abs(p.x()) - 0.2, p.y() + 0.45, 0.12, 0.1) * frontness(p);
    const double cheek = bump(std::abs(p.x()) - 0.35, p.y() + 0.15, 0.15, 0.15) * frontness(p);
    return osg::Vec3(static_cast<float>(side * 0.03 * corner), static_cast<float>(0.08 * corner + 0.03 * cheek),
                     static_cast<float>(0.03 * corner - 0.02 * cheek));
}

using Rgb = std::array<double, 3>;

Rgb mix(const Rgb& a, const Rgb& b, double t)
{
    return {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t};
}

// An RGB image filled texel by texel from texture coordinates (s, t in 0 … 1, t up).
osg::ref_ptr<osg::Image> paintImage(int width, int height, const std::function<Rgb(double s, double t)>& paint)
{
    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(width, height, 1, GL_RGB, GL_UNSIGNED_BYTE);
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) {
            const Rgb c = paint((col + 0.5) / width, (row + 0.5) / height);
            unsigned char* texel = image->data(col, row);
            for (int k = 0; k < 3; ++k)
                texel[k] = static_cast<unsigned char>(std::clamp(std::lround(c[static_cast<std::size_t>(k)] * 255.0), 0L, 255L));
        }
    return image;
}

// Skin, lips, cheeks and hair, placed by where each texel lands on the head.
Rgb skinColour(double s, double t)
{
    const double lon = -kPi + 2 * kPi * s;
    const double lat = (1.0 - t) * kPi;
    const double x = kSkinRadii.x() * std::sin(lat) * std::sin(lon);
    const double y = kSkinRadii.y() * std::cos(lat);
    const double front = std::sin(lat) * std::cos(lon);  // 1 straight ahead, -1 at the back

    Rgb c{0.93, 0.77, 0.66};
    c = mix(c, {0.92, 0.6, 0.55}, 0.5 * bump(std::abs(x) - 0.4, y + 0.15, 0.12, 0.1) * std::max(front, 0.0));
    const double lips = (x / 0.19) * (x / 0.19) + ((y + 0.45) / 0.06) * ((y + 0.45) / 0.06);
    if (lips < 1.0 && front > 0.5)
        c = std::abs(y + 0.45) < 0.01 ? Rgb{0.45, 0.15, 0.15} : Rgb{0.75, 0.33, 0.32};
    const double hairline = front > 0.3 ? 0.62 : 0.62 - (0.3 - front) * 0.75;
    if (y > hairline)
        c = mix({0.32, 0.2, 0.12}, {0.22, 0.13, 0.08}, 0.5 + 0.5 * std::sin(lon * 24.0));
    return c;
}

Rgb eyeColour(double s, double t)
{
    const double r = std::hypot(s - 0.5, t - 0.5);
    if (r < 0.12)
        return {0.05, 0.05, 0.05};
    if (r < 0.27)
        return mix({0.2, 0.45, 0.6}, {0.1, 0.25, 0.4}, (r - 0.12) / 0.15);
    return {0.96, 0.95, 0.93};
}

bool writeImage(const osg::Image& image, const std::filesystem::path& path)
{
    if (osgDB::writeImageFile(image, path.string()))
        return true;
    std::cerr << "Failed to write: " << path.string() << '\n';
    return false;
}

bool writeFace(const TarvFaceObject& face, const std::filesystem::path& path)
{
    if (mw::writeFaceFile(path, face))
        return true;
    std::cerr << "Failed to save: " << path.string() << '\n';
    return false;
}

osg::ref_ptr<TarvFaceObject> makeHead()
{
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    face->geometries = {makeSkin(18, 32, 14), makeEyes(), makeBrows()};
    const FaceGeom& skin = *face->geometries[0];
    const FaceGeom& eyes = *face->geometries[1];
    const FaceGeom& brows = *face->geometries[2];
    face->morphs = {morph("jaw_open", targetOf(skin, jawOpen)), morph("blink", targetOf(eyes, blink)),
                    morph("brows_up", targetOf(brows, browsUp))};
    return face;
}

// Moves every vertex; morph offsets are displacements and stay as they are.
void lift(TarvFaceObject& face, float dy)
{
    for (const auto& g : face.geometries)
        for (osg::Vec3& p : g->vertices->asVector())
            p = rounded(p + osg::Vec3(0.0f, dy, 0.0f));
}

// The same head with the smile applied to the skin, and no morphs.
osg::ref_ptr<TarvFaceObject> smiling(const TarvFaceObject& head)
{
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    for (const auto& source : head.geometries) {
        osg::ref_ptr<FaceGeom> g = new FaceGeom;
        g->name = source->name;
        g->texture = source->texture;
        g->diffuse = source->diffuse;
        g->specular = source->specular;
        g->vertices = new osg::Vec3Array(*source->vertices);
        g->texcoords = new osg::Vec2Array(*source->texcoords);
        g->vertexIndices = source->vertexIndices;
        g->texIndices = source->texIndices;
        g->clampIndices = source->clampIndices;
        if (g->name == "skin")
            for (osg::Vec3& p : g->vertices->asVector())
                p = rounded(p + smile(p));
        face->geometries.push_back(g);
    }
    return face;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make-sample-head OUT_DIR\n";
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const osg::ref_ptr<TarvFaceObject> head = makeHead();
    const osg::ref_ptr<TarvFaceObject> smile = smiling(*head);
    // The neck stands on the ground grid.
    for (TarvFaceObject* face : {head.get(), smile.get()})
        lift(*face, kLift);
    const bool written = writeImage(*paintImage(256, 128, skinColour), dir / "sample-head-skin.png") &&
                         writeImage(*paintImage(32, 32, eyeColour), dir / "sample-head-eye.png") &&
                         writeFace(*head, dir / "sample-head.tvf") && writeFace(*smile, dir / "sample-head-smile.tvf");
    return written ? 0 : 1;
}
