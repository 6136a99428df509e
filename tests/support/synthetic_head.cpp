#include "tests/support/synthetic_head.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>

namespace mw::test {
namespace {

constexpr double kPi = std::numbers::pi;

double bump(double ds, double dt, double ws, double wt) { return std::exp(-(ds * ds) / (ws * ws) - (dt * dt) / (wt * wt)); }

double smoothstep(double e0, double e1, double x)
{
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

constexpr double kEyeLat = 0.43 * kPi, kNoseLat = 0.56 * kPi, kMouthLat = 0.662 * kPi, kChinLat = 0.75 * kPi;

// Height of the features above the ellipsoid, along the outward direction.
double relief(const Person& p, double s, double t)
{
    const double at = std::abs(t);
    return 0.16 * p.nose * bump(s - kNoseLat, t, 0.13, 0.1) - 0.05 * bump(s - kEyeLat, at - 0.38, 0.07, 0.12) +
           0.04 * bump(s - 0.385 * kPi, at - 0.3, 0.04, 0.25) + 0.05 * bump(s - 0.645 * kPi, t, 0.035, 0.2) +
           0.05 * bump(s - 0.68 * kPi, t, 0.035, 0.17) - 0.03 * bump(s - kMouthLat, t, 0.02, 0.2) +
           0.06 * bump(s - kChinLat, t, 0.05, 0.15) + 0.04 * bump(s - 0.5 * kPi, at - 0.55, 0.08, 0.12);
}

osg::Vec3 surfacePoint(const Person& p, double s, double t)
{
    const double front = std::exp(-t * t / 0.36);
    const double lat = s + p.lowerFace * 0.06 * bump(s - 0.7 * kPi, 0.0, 0.12, 1.0);
    const double lon = t * (1.0 + (p.mouthWidth * bump(s - kMouthLat, 0.0, 0.08, 1.0) +
                                   p.eyeDistance * bump(s - kEyeLat, 0.0, 0.08, 1.0)) * front);
    const osg::Vec3d unit(std::sin(lat) * std::sin(lon), std::cos(lat), -std::sin(lat) * std::cos(lon));
    const osg::Vec3d onEllipsoid(unit.x() * p.width, unit.y() * p.height, unit.z() * p.depth);
    return osg::Vec3(onEllipsoid + unit * relief(p, s, t) + osg::Vec3d(0.0, 0.8, 0.0));
}

}  // namespace

osg::Vec3 expressionOffset(int k, const osg::Vec2d& c)
{
    const double s = c.x(), t = c.y(), at = std::abs(t), side = t < 0.0 ? -1.0 : 1.0;
    const double front = std::exp(-t * t / 0.3);
    switch (k) {
    case 0:  // jaw_open: everything below the lips down and a little back
        return osg::Vec3(0.0f, -0.12f, 0.02f) * static_cast<float>(smoothstep(kMouthLat - 0.01, kMouthLat + 0.05, s) * front);
    case 1: {  // smile: mouth corners out, up and back
        const double w = bump(s - kMouthLat, at - 0.22, 0.05, 0.07);
        return osg::Vec3(static_cast<float>(side * 0.03 * w), static_cast<float>(0.05 * w), static_cast<float>(0.02 * w));
    }
    case 2:  // blink: above the eyes down
        return osg::Vec3(0.0f, -0.05f, 0.0f) * static_cast<float>(bump(s - 0.41 * kPi, at - 0.38, 0.03, 0.1));
    case 3:  // brows_up
        return osg::Vec3(0.0f, 0.04f, 0.0f) * static_cast<float>(bump(s - 0.385 * kPi, at - 0.3, 0.05, 0.25));
    case 4:  // pucker: the lips forward
        return osg::Vec3(0.0f, 0.0f, -0.04f) * static_cast<float>(bump(s - kMouthLat, t, 0.04, 0.15));
    default: {
        std::mt19937 random(static_cast<unsigned>(k));
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        const double cs = 0.55 * kPi + 0.18 * kPi * u(random), ct = 0.7 * u(random);
        const double ws = 0.04 + 0.03 * std::abs(u(random)), wt = 0.05 + 0.05 * std::abs(u(random));
        const osg::Vec3 d(static_cast<float>(0.03 * u(random)), static_cast<float>(0.03 * u(random)),
                          static_cast<float>(0.03 * u(random)));
        return d * static_cast<float>(bump(s - cs, t - ct, ws, wt));
    }
    }
}

SyntheticHead makeSyntheticHead(const Person& person, int rings, int segments, int expressions)
{
    SyntheticHead head;
    head.face = new TarvFaceObject;
    osg::ref_ptr<FaceGeom> g = new FaceGeom;
    g->name = "skin";
    const int lastRing = rings * 7 / 9;  // open below the jaw, like a neck cut
    auto add = [&](double s, double t) {
        g->vertices->push_back(surfacePoint(person, s, t));
        head.canonical.emplace_back(s, t);
    };
    add(0.0, 0.0);
    for (int r = 1; r <= lastRing; ++r)
        for (int k = 0; k < segments; ++k)
            add(kPi * r / rings, -kPi + 2.0 * kPi * k / segments);
    auto at = [segments](int r, int k) { return static_cast<std::uint32_t>(1 + (r - 1) * segments + (k % segments)); };
    // Wound counter-clockwise seen from outside.
    for (int k = 0; k < segments; ++k)
        g->vertexIndices.insert(g->vertexIndices.end(), {0u, at(1, k + 1), at(1, k)});
    for (int r = 1; r < lastRing; ++r)
        for (int k = 0; k < segments; ++k)
            g->vertexIndices.insert(g->vertexIndices.end(),
                                    {at(r, k), at(r, k + 1), at(r + 1, k + 1), at(r, k), at(r + 1, k + 1), at(r + 1, k)});
    head.face->geometries.push_back(g);
    static const char* const kNames[] = {"jaw_open", "smile", "blink", "brows_up", "pucker"};
    for (int k = 0; k < expressions; ++k) {
        osg::ref_ptr<FaceMorph> morph = new FaceMorph;
        morph->name = k < 5 ? kNames[k] : "shape_" + std::to_string(k);
        osg::ref_ptr<FaceTarget> target = new FaceTarget;
        target->name = "skin";
        for (std::uint32_t v = 0; v < head.canonical.size(); ++v) {
            const osg::Vec3 o = expressionOffset(k, head.canonical[v]);
            if (o.length() >= 1e-4f) {
                target->indices.push_back(v);
                target->offsets->push_back(o);
            }
        }
        morph->targets.push_back(target);
        head.face->morphs.push_back(morph);
    }
    return head;
}

}  // namespace mw::test
