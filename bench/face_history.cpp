// Undo and redo on a 26,000-vertex head with 50 morphs. The peer baseline is what a user had
// to do without undo: read the face again from its text and rebuild its scene node. Recording
// a step and a whole head drag are measured too; the drag is compared with the same drag
// without any history, which shows that pointer moves copy nothing.

#include <functional>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "authoring/face_editing.h"
#include "authoring/face_history.h"
#include "authoring/morph_import.h"
#include "bench/bench_support.h"
#include "view/update_view.h"
#include "view/view_operations.h"
#include "view/view_setup.h"
#include "model/face_file.h"

namespace mw::bench {
namespace {

using Event = osgGA::GUIEventAdapter;

// 50 morphs moving 2,000 vertices each.
osg::ref_ptr<TarvFaceObject> makeHead()
{
    return makeHeadSizedFace(50, 2000);
}

// A document shown in a view; undo and redo are timed as the editor runs them: the document
// restored, then the view brought up to date.
struct LoadedView {
    explicit LoadedView(bool withHistory = true)
    {
        doc.face = makeHead();
        buildView(view, doc, {});
        if (!withHistory) {
            view.editHandler->onPointerPressed = nullptr;
            view.editHandler->onPointerReleased = nullptr;
        }
    }
    void update() { updateView(view, takeChanges(doc)); }
    Document doc;
    View view;
};

void describe(benchmark::State& bench, const LoadedView& loaded)
{
    const Document& doc = loaded.doc;
    bench.counters["vertices"] = static_cast<double>(doc.face->geometries[0]->vertices->size());
    bench.counters["morphs"] = static_cast<double>(doc.face->morphs.size());
    bench.counters["history_MB"] = static_cast<double>(historyBytes(doc)) / (1 << 20);
}

// Alternately undoes and redoes one step: each iteration restores the face once.
void BM_UndoOrRedo(benchmark::State& bench, const char* stepName, std::function<void(Document&)> operation)
{
    LoadedView view;
    {
        UndoStep step(view.doc, stepName);
        operation(view.doc);
    }
    view.update();
    bool undone = false;
    for (auto _ : bench) {
        const bool done = undone ? redo(view.doc) : undo(view.doc);
        if (!done) {
            bench.SkipWithError("nothing to undo or redo");
            return;
        }
        view.update();
        undone = !undone;
    }
    describe(bench, view);
}
BENCHMARK_CAPTURE(BM_UndoOrRedo, scale_morph, "Scale Morph", [](Document& s) { scaleMorph(s, 7, 1.5f); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_UndoOrRedo, flip_polygon_order, "Flip Polygon Order", [](Document& s) { flipPolygonOrder(s, 0); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_UndoOrRedo, turn_right, "Turn Right", [](Document& s) { turnRight(s); })
    ->Unit(benchmark::kMillisecond);
// Moves every vertex and morph offset and recomputes every normal, like a save after turns.
BENCHMARK_CAPTURE(BM_UndoOrRedo, baked_turn, "Turn Right", [](Document& s) {
    turnRight(s);
    commitHeadTransform(s);
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_UndoOrRedo, import_50_morphs, "Import Morphs", [](Document& s) {
    importMorphs(s, *makeHead(), false);
})->Unit(benchmark::kMillisecond);

void BM_Baseline_ReloadFace(benchmark::State& bench)
{
    LoadedView view;
    const std::string text = formatFace(*view.doc.face);
    for (auto _ : bench) {
        osg::ref_ptr<TarvFaceObject> face = readFaceText(text);
        osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get());
        benchmark::DoNotOptimize(node.get());
    }
    describe(bench, view);
}
BENCHMARK(BM_Baseline_ReloadFace)->Unit(benchmark::kMillisecond);

// One "Scale Morph" recorded: the face is compared twice and the one morph copied.
void BM_RecordMorphStep(benchmark::State& bench)
{
    LoadedView view;
    for (auto _ : bench) {
        UndoStep step(view.doc, "Scale Morph");
        scaleMorph(view.doc, 7, 1.5f);
    }
    describe(bench, view);
}
BENCHMARK(BM_RecordMorphStep)->Unit(benchmark::kMillisecond);

// A head drag in translate mode: press, 100 moves, release, with and without its undo step.
void dragHead(View& view, osgGA::GUIActionAdapter& actions)
{
    auto send = [&](Event::EventType type, float y, int mask) {
        osg::ref_ptr<Event> event = new Event;
        event->setEventType(type);
        event->setInputRange(-1, -1, 1, 1);
        event->setMouseYOrientation(Event::Y_INCREASING_UPWARDS);
        event->setX(0.0f);
        event->setY(y);
        event->setButton(type == Event::DRAG ? 0 : Event::LEFT_MOUSE_BUTTON);
        event->setButtonMask(mask);
        view.editHandler->handle(*event, actions);
    };
    send(Event::PUSH, 0.0f, Event::LEFT_MOUSE_BUTTON);
    for (int i = 1; i <= 100; ++i)
        send(Event::DRAG, 0.001f * static_cast<float>(i), Event::LEFT_MOUSE_BUTTON);
    send(Event::RELEASE, 0.1f, 0);
}

struct NoActions : osgGA::GUIActionAdapter {
    void requestRedraw() override {}
    void requestContinuousUpdate(bool) override {}
    void requestWarpPointer(float, float) override {}
};

void runDrags(benchmark::State& bench, bool withHistory)
{
    LoadedView view(withHistory);
    setEditMode(view.view, EditMode::Translate);
    NoActions actions;
    const std::size_t heapBefore = heapInUse();
    for (auto _ : bench)
        dragHead(view.view, actions);
    describe(bench, view);
    bench.counters["heap_growth_MB"] = static_cast<double>(heapInUse() - heapBefore) / (1 << 20);
}

void BM_DragHead(benchmark::State& bench)
{
    runDrags(bench, true);
}
BENCHMARK(BM_DragHead)->Unit(benchmark::kMillisecond);

void BM_Baseline_DragHeadWithoutHistory(benchmark::State& bench)
{
    runDrags(bench, false);
}
BENCHMARK(BM_Baseline_DragHeadWithoutHistory)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mw::bench
