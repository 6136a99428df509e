// Creating a morph from a comparison face on a 26,000-vertex head with 5% of its vertices
// moved: "Generate morph target" and "Highlight difference". The highlight is compared with
// the plain loop over every triangle for every changed vertex, which it must reproduce
// exactly, and the extraction with one bare pass over the vertex pairs.

#include <chrono>
#include <memory>

#include <benchmark/benchmark.h>
#include <osg/Geometry>

#include "authoring/comparison_loading.h"
#include "authoring/difference_highlight.h"
#include "authoring/morph_extraction.h"
#include "bench/bench_support.h"
#include "view/update_view.h"
#include "view/view_setup.h"

namespace mw::bench {
namespace {

constexpr std::uint32_t kMovedEvery = 20;  // 5% of the vertices

class SilentPrompt : public Prompt {
public:
    void message(const std::string&) override {}
    bool question(const std::string&) override { return false; }
    std::optional<std::filesystem::path> chooseOpenFile() override { return std::nullopt; }
    std::optional<std::filesystem::path> chooseSaveFile() override { return std::nullopt; }
};

// 161 x 162 vertices (26,082) and 51,520 triangles: the head of the renderer benchmark.
osg::ref_ptr<TarvFaceObject> makeHead()
{
    return makeHeadSizedFace();
}

// The same head with every 20th vertex moved forward; its box along x and y is unchanged, so
// the automatic fitting is the identity.
osg::ref_ptr<TarvFaceObject> makeExpression()
{
    osg::ref_ptr<TarvFaceObject> face = makeHead();
    osg::Vec3Array& vertices = *face->geometries[0]->vertices;
    for (std::size_t j = 0; j < vertices.size(); j += kMovedEvery)
        vertices[j].z() += 0.01f;
    return face;
}

// A document with the head loaded and the expression shown over it in a view, as after
// "Create Morph". Each command is timed as the editor runs it: the edit, then the view update.
struct ComparedView {
    ComparedView()
    {
        doc.face = makeHead();
        buildView(view, doc, {});
        compareWith(expression);
    }
    void compareWith(const osg::ref_ptr<TarvFaceObject>& face)
    {
        installComparisonFace(doc, face, prompt);
        update();
    }
    void update() { updateView(view, takeChanges(doc)); }
    void highlight(HighlightCollector collect = appendTrianglesAround)
    {
        highlightDifference(doc, collect);
        update();
    }

    SilentPrompt prompt;
    Document doc;
    View view;
    osg::ref_ptr<TarvFaceObject> expression = makeExpression();
};

// The highlight's corners as the plain loop collects them: for each changed vertex, every
// triangle of the geometry is tested.
void naiveHighlightCorners(const FaceGeom& current, const FaceGeom& comparison, PairingKind kind,
                           std::span<const std::uint32_t> changed, osg::Vec3Array& corners)
{
    const IndexList& around = (kind == PairingKind::Corners ? current : comparison).vertexIndices;
    const IndexList& drawn = comparison.vertexIndices;
    for (const std::uint32_t k : changed)
        for (std::size_t t = 0; t + 2 < around.size(); t += 3)
            if (around[t] == k || around[t + 1] == k || around[t + 2] == k)
                for (std::size_t c = 0; c < 3; ++c)
                    corners.push_back((*comparison.vertices)[drawn[t + c]]);
}

const osg::Vec3Array& highlightedCorners(const View& view)
{
    return *static_cast<const osg::Vec3Array*>(view.differenceHighlight->getDrawable(0)->asGeometry()->getVertexArray());
}

void describe(benchmark::State& state, const ComparedView& compared)
{
    const FaceGeom& g = *compared.doc.face->geometries[0];
    state.counters["vertices"] = static_cast<double>(g.vertices->size());
    state.counters["triangles"] = static_cast<double>(g.vertexIndices.size() / 3);
    if (compared.view.differenceHighlight)
        state.counters["corners"] = static_cast<double>(highlightedCorners(compared.view).size());
}

void BM_HighlightDifference(benchmark::State& state)
{
    ComparedView view;
    // The linear collection must give exactly what the plain loop gives.
    view.highlight();
    const std::vector<osg::Vec3> fast = highlightedCorners(view.view).asVector();
    view.highlight(naiveHighlightCorners);
    if (fast.empty() || fast != highlightedCorners(view.view).asVector()) {
        state.SkipWithError("the highlight differs from the plain loop's");
        return;
    }
    for (auto _ : state)
        view.highlight();
    describe(state, view);
}
BENCHMARK(BM_HighlightDifference)->Unit(benchmark::kMillisecond);

void BM_HighlightDifference_NaiveLoop(benchmark::State& state)
{
    ComparedView view;
    for (auto _ : state)
        view.highlight(naiveHighlightCorners);
    describe(state, view);
}
BENCHMARK(BM_HighlightDifference_NaiveLoop)->Unit(benchmark::kMillisecond);

// Only the generation is timed; showing the comparison face again between runs is not.
void BM_GenerateMorphTarget(benchmark::State& state)
{
    ComparedView view;
    std::size_t entries = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool added = generateMorphTarget(view.doc, view.prompt);
        view.update();
        const auto stop = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
        if (!added) {
            state.SkipWithError("no morph was generated");
            return;
        }
        entries = view.doc.face->morphs.back()->targets[0]->indices.size();
        view.compareWith(makeExpression());
    }
    describe(state, view);
    state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_GenerateMorphTarget)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(30);

// The peer baseline of the extraction: one pass over the vertex pairs measuring distances.
void BM_Baseline_DistancePass(benchmark::State& state)
{
    const osg::ref_ptr<TarvFaceObject> head = makeHead();
    const osg::ref_ptr<TarvFaceObject> expression = makeExpression();
    const osg::Vec3Array& a = *head->geometries[0]->vertices;
    const osg::Vec3Array& b = *expression->geometries[0]->vertices;
    for (auto _ : state) {
        std::size_t moved = 0;
        for (std::size_t j = 0; j < a.size(); ++j)
            moved += (b[j] - a[j]).length() >= kDefaultMorphThreshold;
        benchmark::DoNotOptimize(moved);
    }
}
BENCHMARK(BM_Baseline_DistancePass)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mw::bench
