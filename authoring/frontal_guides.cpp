#include "authoring/frontal_guides.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include <Eigen/Geometry>

#include "authoring/parallel_for.h"

namespace mw {
namespace {

constexpr float kEmpty = -std::numeric_limits<float>::infinity();
// Surfaces turned further than this from the viewer are too foreshortened to compare.
constexpr float kLeastFacing = 0.35f;

struct Image {
    int width = 0, height = 0;
    std::vector<float> values;

    Image() = default;
    Image(int w, int h, float fill) : width(w), height(h), values(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
    float& at(int x, int y) { return values[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
    float at(int x, int y) const { return values[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
    bool inside(double x, double y) const { return x >= 0.0 && y >= 0.0 && x <= width - 1.0 && y <= height - 1.0; }

    // Bilinear; the point must be inside.
    float sample(double x, double y) const
    {
        const int x0 = std::min(static_cast<int>(x), width - 2), y0 = std::min(static_cast<int>(y), height - 2);
        const auto fx = static_cast<float>(x - x0), fy = static_cast<float>(y - y0);
        return (1 - fy) * ((1 - fx) * at(x0, y0) + fx * at(x0 + 1, y0)) + fy * ((1 - fx) * at(x0, y0 + 1) + fx * at(x0 + 1, y0 + 1));
    }
};

// The viewer's frame: x to the right, y up, depth growing towards the viewer; `pixel` world
// units per pixel at this resolution.
struct Frame {
    Eigen::Vector3d right, up, towards;
    double left = 0.0, bottom = 0.0, pixel = 1.0;

    Eigen::Vector3d project(const Eigen::Vector3d& p) const
    {
        return {(p.dot(right) - left) / pixel, (p.dot(up) - bottom) / pixel, p.dot(towards)};
    }
    Eigen::Vector3d unproject(double x, double y, double depth) const
    {
        return (left + x * pixel) * right + (bottom + y * pixel) * up + depth * towards;
    }
};

// 1 when the triangles are wound counter-clockwise seen from outside (their normals point away
// from the middle of the surface, as on a head), -1 when the other way round.
double outwardWinding(const TriangleSurface& surface)
{
    const std::vector<Eigen::Vector3d> normals = vertexNormals(surface);
    Eigen::Vector3d middle = Eigen::Vector3d::Zero();
    for (const Eigen::Vector3d& p : surface.points)
        middle += p;
    middle /= static_cast<double>(std::max<std::size_t>(1, surface.points.size()));
    double vote = 0.0;
    for (std::size_t v = 0; v < surface.points.size(); ++v)
        vote += normals[v].dot(surface.points[v] - middle);
    return vote < 0.0 ? -1.0 : 1.0;
}

// What a surface shows the viewer: the depth of the nearest surface at each pixel (kEmpty where
// nothing is seen) and the group of the vertices it belongs to.
struct DepthView {
    Image depth;
    std::vector<int> group;

    int groupAt(int x, int y) const { return group[static_cast<std::size_t>(y) * static_cast<std::size_t>(depth.width) + static_cast<std::size_t>(x)]; }
    // The group around a point between pixels, or -1 when its four pixels differ.
    int groupAround(double x, double y) const
    {
        const int x0 = std::min(static_cast<int>(x), depth.width - 2), y0 = std::min(static_cast<int>(y), depth.height - 2);
        const int g = groupAt(x0, y0);
        return groupAt(x0 + 1, y0) == g && groupAt(x0, y0 + 1) == g && groupAt(x0 + 1, y0 + 1) == g ? g : -1;
    }
};

// `outwards` is the surface's outwardWinding().
DepthView render(const TriangleSurface& surface, std::span<const int> groups, double outwards, const Frame& frame, int width,
                 int height)
{
    DepthView view{Image(width, height, kEmpty), std::vector<int>(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), -1)};
    std::vector<Eigen::Vector3d> projected(surface.points.size());
    for (std::size_t v = 0; v < projected.size(); ++v)
        projected[v] = frame.project(surface.points[v]);
    for (const Triangle& t : surface.triangles) {
        const Eigen::Vector3d &a = projected[t[0]], &b = projected[t[1]], &c = projected[t[2]];
        const double area = (b.x() - a.x()) * (c.y() - a.y()) - (c.x() - a.x()) * (b.y() - a.y());
        // Only the side facing the viewer is drawn: through an eye or mouth opening the inside
        // of the back of the head shows nothing rather than a deep pit.
        if (area * outwards < 1e-12)
            continue;
        const int x0 = std::max(0, static_cast<int>(std::ceil(std::min({a.x(), b.x(), c.x()}))));
        const int x1 = std::min(width - 1, static_cast<int>(std::floor(std::max({a.x(), b.x(), c.x()}))));
        const int y0 = std::max(0, static_cast<int>(std::ceil(std::min({a.y(), b.y(), c.y()}))));
        const int y1 = std::min(height - 1, static_cast<int>(std::floor(std::max({a.y(), b.y(), c.y()}))));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double wa = ((b.x() - x) * (c.y() - y) - (c.x() - x) * (b.y() - y)) / area;
                const double wb = ((c.x() - x) * (a.y() - y) - (a.x() - x) * (c.y() - y)) / area;
                const double wc = 1.0 - wa - wb;
                if (wa < -1e-9 || wb < -1e-9 || wc < -1e-9)
                    continue;
                const auto depth = static_cast<float>(wa * a.z() + wb * b.z() + wc * c.z());
                if (depth <= view.depth.at(x, y))
                    continue;
                view.depth.at(x, y) = depth;
                view.group[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = groups[t[0]];
            }
    }
    return view;
}

// work(x, y) for every pixel, spread over the cores: a picture has too few rows to share out
// by row. Each call must touch only its own pixel's outputs.
template <typename Work>
void forEachPixel(int width, int height, Work&& work)
{
    parallelFor(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), [&](std::size_t i) {
        work(static_cast<int>(i % static_cast<std::size_t>(width)), static_cast<int>(i / static_cast<std::size_t>(width)));
    });
}

std::vector<float> gaussianKernel(double sigma)
{
    const int radius = std::max(1, static_cast<int>(std::ceil(3.0 * sigma)));
    std::vector<float> k(static_cast<std::size_t>(2 * radius + 1));
    for (int i = -radius; i <= radius; ++i)
        k[static_cast<std::size_t>(i + radius)] = static_cast<float>(std::exp(-0.5 * i * i / (sigma * sigma)));
    return k;
}

// Gaussian blur of `values` weighted by `weights` (normalised convolution): pixels of weight 0
// do not count, so nothing bleeds in from where no surface is seen.
Image blurWeighted(const Image& values, const Image& weights, double sigma)
{
    const std::vector<float> k = gaussianKernel(sigma);
    const int r = static_cast<int>(k.size() / 2);
    const int w = values.width, h = values.height;
    Image sum(w, h, 0.0f), weight(w, h, 0.0f);
    forEachPixel(w, h, [&](int x, int y) {
        float s = 0.0f, n = 0.0f;
        for (int i = std::max(-r, -x); i <= std::min(r, w - 1 - x); ++i) {
            const float kw = k[static_cast<std::size_t>(i + r)] * weights.at(x + i, y);
            s += kw * values.at(x + i, y);
            n += kw;
        }
        sum.at(x, y) = s;
        weight.at(x, y) = n;
    });
    Image out(w, h, 0.0f);
    forEachPixel(w, h, [&](int x, int y) {
        float s = 0.0f, n = 0.0f;
        for (int i = std::max(-r, -y); i <= std::min(r, h - 1 - y); ++i) {
            const float kw = k[static_cast<std::size_t>(i + r)];
            s += kw * sum.at(x, y + i);
            n += kw * weight.at(x, y + i);
        }
        out.at(x, y) = n > 1e-6f ? s / n : 0.0f;
    });
    return out;
}

// The face's relief seen from the front: depth smoothed a little minus depth smoothed a lot,
// scaled to unit spread, so lips, eyelids, nostrils and brows show whatever the head's overall
// shape and size; 0 where nothing facing the viewer is seen.
struct Relief {
    Image value, mask;  // mask 1 where the relief means something
};

Relief reliefOf(const DepthView& view, double pixel, double fine, double coarse)
{
    const int w = view.depth.width, h = view.depth.height;
    Relief out{Image(w, h, 0.0f), Image(w, h, 0.0f)};
    Image depth(w, h, 0.0f), seen(w, h, 0.0f);
    for (std::size_t i = 0; i < depth.values.size(); ++i)
        if (view.depth.values[i] != kEmpty) {
            seen.values[i] = 1.0f;
            depth.values[i] = view.depth.values[i];
        }
    // How squarely the surface faces the viewer, from the slope of the smoothed depth rather
    // than from the normals: a noisy scan's normals scatter, its smoothed depth does not.
    const Image detail = blurWeighted(depth, seen, fine);
    for (int y = 1; y + 1 < h; ++y)
        for (int x = 1; x + 1 < w; ++x) {
            if (seen.at(x, y) == 0.0f || seen.at(x - 1, y) == 0.0f || seen.at(x + 1, y) == 0.0f || seen.at(x, y - 1) == 0.0f ||
                seen.at(x, y + 1) == 0.0f)
                continue;
            const double gx = (detail.at(x + 1, y) - detail.at(x - 1, y)) / (2.0 * pixel);
            const double gy = (detail.at(x, y + 1) - detail.at(x, y - 1)) / (2.0 * pixel);
            if (1.0 / std::sqrt(1.0 + gx * gx + gy * gy) > kLeastFacing)
                out.mask.at(x, y) = 1.0f;
        }
    const Image overall = blurWeighted(depth, out.mask, coarse), masked = blurWeighted(depth, out.mask, fine);
    double squares = 0.0, count = 0.0;
    for (std::size_t i = 0; i < depth.values.size(); ++i)
        if (out.mask.values[i] > 0.0f) {
            out.value.values[i] = masked.values[i] - overall.values[i];
            squares += static_cast<double>(out.value.values[i]) * out.value.values[i];
            count += 1.0;
        }
    if (count > 0.0 && squares > 0.0) {
        const auto scale = static_cast<float>(1.0 / std::sqrt(squares / count));
        for (float& v : out.value.values)
            v = std::clamp(v * scale, -4.0f, 4.0f);
    }
    return out;
}

struct Gradient {
    Image x, y;
};

Gradient gradientOf(const Image& image)
{
    const int w = image.width, h = image.height;
    Gradient g{Image(w, h, 0.0f), Image(w, h, 0.0f)};
    for (int y = 1; y + 1 < h; ++y)
        for (int x = 1; x + 1 < w; ++x) {
            g.x.at(x, y) = 0.5f * (image.at(x + 1, y) - image.at(x - 1, y));
            g.y.at(x, y) = 0.5f * (image.at(x, y + 1) - image.at(x, y - 1));
        }
    return g;
}

// A displacement per pixel of the rig's view: rig pixel p shows what the head shows at p + u(p).
struct Displacement {
    Image x, y;
};

// Symmetric demons: each step moves every pixel along the two relief gradients by the relief
// difference, then smooths the displacement so that it stays a smooth stretch of the face.
void demons(const Relief& rig, const Relief& head, Displacement& u, double smoothing, int iterations)
{
    const Gradient rigGradient = gradientOf(rig.value), headGradient = gradientOf(head.value);
    const int w = rig.value.width, h = rig.value.height;
    for (int iteration = 0; iteration < iterations; ++iteration) {
        forEachPixel(w, h, [&](int x, int y) {
            if (rig.mask.at(x, y) == 0.0f)
                return;
            const double tx = x + u.x.at(x, y), ty = y + u.y.at(x, y);
            if (!head.value.inside(tx, ty) || head.mask.sample(tx, ty) < 0.5f)
                return;
            const float difference = rig.value.at(x, y) - head.value.sample(tx, ty);
            const float gx = 0.5f * (rigGradient.x.at(x, y) + headGradient.x.sample(tx, ty));
            const float gy = 0.5f * (rigGradient.y.at(x, y) + headGradient.y.sample(tx, ty));
            const float denominator = gx * gx + gy * gy + difference * difference;
            if (denominator < 1e-8f)
                return;
            float dx = difference * gx / denominator, dy = difference * gy / denominator;
            const float length = std::sqrt(dx * dx + dy * dy);
            if (length > 0.5f) {
                dx *= 0.5f / length;
                dy *= 0.5f / length;
            }
            u.x.at(x, y) += dx;
            u.y.at(x, y) += dy;
        });
        u.x = blurWeighted(u.x, rig.mask, smoothing);
        u.y = blurWeighted(u.y, rig.mask, smoothing);
    }
}

Displacement upsampled(const Displacement& coarse, int width, int height)
{
    Displacement fine{Image(width, height, 0.0f), Image(width, height, 0.0f)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double cx = std::min(x / 2.0, coarse.x.width - 1.0), cy = std::min(y / 2.0, coarse.x.height - 1.0);
            fine.x.at(x, y) = 2.0f * coarse.x.sample(cx, cy);
            fine.y.at(x, y) = 2.0f * coarse.y.sample(cx, cy);
        }
    return fine;
}

}  // namespace

std::vector<SurfaceGuide> frontalGuides(const TriangleSurface& rig, std::span<const int> rigGroups, const TriangleSurface& head,
                                        std::span<const int> headGroups, const FrontalView& view)
{
    std::vector<SurfaceGuide> guides;
    if (rig.triangles.empty() || head.triangles.empty())
        return guides;
    Frame frame;
    frame.towards = view.towardsViewer.normalized();
    frame.right = view.up.cross(frame.towards).normalized();
    frame.up = frame.towards.cross(frame.right);
    if (!frame.right.allFinite() || frame.right.norm() < 0.5)
        return guides;

    // The frame covers what both show from the front: a head with shoulders onto a rig of a
    // face alone keeps the face large in the pictures.
    auto bounds = [&frame](const TriangleSurface& surface) {
        Eigen::Vector4d b(std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                          std::numeric_limits<double>::max(), -std::numeric_limits<double>::max());
        for (const Triangle& t : surface.triangles)
            for (std::uint32_t v : t) {
                const double x = surface.points[v].dot(frame.right), y = surface.points[v].dot(frame.up);
                b = {std::min(b[0], x), std::max(b[1], x), std::min(b[2], y), std::max(b[3], y)};
            }
        return b;
    };
    const Eigen::Vector4d rigBounds = bounds(rig), headBounds = bounds(head);
    const double left = std::max(rigBounds[0], headBounds[0]), right = std::min(rigBounds[1], headBounds[1]);
    const double bottom = std::max(rigBounds[2], headBounds[2]), top = std::min(rigBounds[3], headBounds[3]);
    if (!(right > left && top > bottom))
        return guides;
    const double extent = std::max(right - left, top - bottom);
    // Sizes as shares of that extent: the relief keeps features the size of a lip or an
    // eyelid, and the displacement stays smooth over about a lip's height.
    constexpr int kFinest = 256;
    // On known truths a smoother displacement (0.02 rather than 0.012) cut the error that guides
    // add on a remeshed copy of the same head by about a third and kept nearly all they gain on
    // another person's; doubling the iterations changed nothing.
    constexpr double kFineDetail = 0.004, kCoarseDetail = 0.03, kSmoothing = 0.02;
    // A guide further than this from its rig vertex means the match went astray there.
    constexpr double kFarthestGuide = 0.06;
    constexpr int kLevels = 3;
    constexpr int kIterations[kLevels] = {120, 80, 40};
    frame.left = left - 0.02 * extent;
    frame.bottom = bottom - 0.02 * extent;
    const double span = 1.04 * extent;

    const double rigWinding = outwardWinding(rig), headWinding = outwardWinding(head);
    Displacement u;
    Frame finest = frame;
    DepthView rigFinest, headFinest;
    Relief rigRelief, headRelief;
    for (int level = 0; level < kLevels; ++level) {
        const int size = kFinest >> (kLevels - 1 - level);
        Frame f = frame;
        f.pixel = span / (size - 1);
        const DepthView rigView = render(rig, rigGroups, rigWinding, f, size, size);
        const DepthView headView = render(head, headGroups, headWinding, f, size, size);
        const double pixels = extent / f.pixel;
        rigRelief = reliefOf(rigView, f.pixel, std::max(0.5, kFineDetail * pixels), kCoarseDetail * pixels);
        headRelief = reliefOf(headView, f.pixel, std::max(0.5, kFineDetail * pixels), kCoarseDetail * pixels);
        u = level == 0 ? Displacement{Image(size, size, 0.0f), Image(size, size, 0.0f)} : upsampled(u, size, size);
        demons(rigRelief, headRelief, u, std::max(1.0, kSmoothing * pixels), kIterations[level]);
        if (level + 1 == kLevels) {
            finest = f;
            rigFinest = rigView;
            headFinest = headView;
        }
    }

    const std::vector<Eigen::Vector3d> normals = vertexNormals(rig);
    for (std::uint32_t v = 0; v < rig.points.size(); ++v) {
        const double facing = normals[v].dot(frame.towards);
        if (facing < kLeastFacing)
            continue;
        const Eigen::Vector3d p = finest.project(rig.points[v]);
        if (!rigFinest.depth.inside(p.x(), p.y()))
            continue;
        const int x = static_cast<int>(std::lround(p.x())), y = static_cast<int>(std::lround(p.y()));
        // Hidden from the front (under the nose, inside the lips): no guide.
        if (rigRelief.mask.at(x, y) == 0.0f || rigFinest.groupAt(x, y) != rigGroups[v] ||
            std::abs(rigFinest.depth.at(x, y) - p.z()) > 2.0 * finest.pixel)
            continue;
        const double tx = p.x() + u.x.sample(p.x(), p.y()), ty = p.y() + u.y.sample(p.x(), p.y());
        if (!headFinest.depth.inside(tx, ty))
            continue;
        const int hx = static_cast<int>(std::lround(tx)), hy = static_cast<int>(std::lround(ty));
        if (headRelief.mask.at(hx, hy) == 0.0f || headRelief.mask.sample(tx, ty) < 1.0f ||
            headFinest.groupAround(tx, ty) != rigGroups[v])
            continue;
        const double depth = headFinest.depth.sample(tx, ty);
        const Eigen::Vector3d guide = finest.unproject(tx, ty, depth);
        if ((guide - rig.points[v]).norm() <= kFarthestGuide * extent)
            guides.push_back({v, guide, facing * facing * facing});
    }
    return guides;
}

}  // namespace mw
