#include "render/face_renderer.h"

#include <algorithm>
#include <bit>
#include <utility>

#include <osg/RenderInfo>

#include "render/corner_attributes.h"
#include "render/geometry_state.h"

namespace mw {

FaceRenderer::FaceRenderer() : normals_(new osg::Vec3Array)
{
    setUseDisplayList(false);
}

FaceRenderer::FaceRenderer(FaceGeom* geometry, const std::filesystem::path& textureFolder) : FaceRenderer()
{
    if (!geometry)
        return;
    geometry_ = geometry;
    setStateSet(new osg::StateSet);
    applyGeometryState(*getStateSet(), *geometry_, textureFolder);
    computeNormals();
    buildTexcoords();
}

FaceRenderer::~FaceRenderer() = default;

osg::Object* FaceRenderer::cloneType() const
{
    osg::ref_ptr<FaceRenderer> inert = new FaceRenderer;
    return inert.release();
}

osg::Object* FaceRenderer::clone(const osg::CopyOp&) const { return cloneType(); }

bool FaceRenderer::isSameKindAs(const osg::Object* object) const
{
    return dynamic_cast<const FaceRenderer*>(object) != nullptr;
}

void FaceRenderer::computeNormals()
{
    if (!geometry_)
        return;
    const std::vector<osg::Vec3>& rest = geometry_->vertices->asVector();
    slots_ = buildNormalSlots(geometry_->vertexIndices, rest);
    ++slotsGeneration_;
    computeSlotNormals(slots_, geometry_->vertexIndices, rest, slotNormals_, faceNormals_);
    normals_ = new osg::Vec3Array(geometry_->vertexIndices.size());
    scatterSlotNormals(slots_, slotNormals_, normals_->asVector());
    reserveScratch(slots_, normalScratch_);
    morphedNormalsValid_ = false;
    tableStale_ = true;
}

void FaceRenderer::buildTexcoords()
{
    if (!geometry_)
        return;
    hasTexcoords_ = geometry_->texIndices.size() >= geometry_->vertexIndices.size();
    if (hasTexcoords_)
        cornerTexcoords_ = buildCornerTexcoords(*geometry_);
    tableStale_ = true;
}

void FaceRenderer::transformVertices(const osg::Matrixd& matrix)
{
    if (!geometry_)
        return;
    for (osg::Vec3& v : geometry_->vertices->asVector())
        v = v * matrix;
    geometry_->vertices->dirty();
    dirtyBound();
}

void FaceRenderer::attachTarget(FaceTarget* target)
{
    if (!target)
        return;
    const bool attached = std::any_of(attachedTargets_.begin(), attachedTargets_.end(),
                                      [target](const osg::ref_ptr<FaceTarget>& t) { return t.get() == target; });
    if (!attached)
        attachedTargets_.emplace_back(target);
}

const DrawTable& FaceRenderer::drawTable() const
{
    if (!geometry_)
        return table_;
    const FaceGeom& g = *geometry_;
    if (tableStale_ || table_.vertexCount != g.vertices->size() || table_.cornerCount != g.vertexIndices.size()) {
        const osg::Vec2Array* texcoords = hasTexcoords_ ? cornerTexcoords_.get() : nullptr;
        const bool slotsFit = slots_.cornerCount == g.vertexIndices.size() && slots_.vertexCount == g.vertices->size();
        table_ = buildDrawTable(g.vertexIndices, g.vertices->size(), normals_->asVector(),
                                texcoords ? &texcoords->asVector() : nullptr,
                                slotsFit ? std::span<const std::uint32_t>(slots_.cornerSlot) : std::span<const std::uint32_t>());
        tableStale_ = false;
        elementNormalsStale_ = true;
    }
    return table_;
}

void FaceRenderer::fillWorking(std::size_t elements, bool morphing) const
{
    const std::vector<osg::Vec3>& rest = geometry_->vertices->asVector();
    // Grows once to the largest size needed, then every frame reuses the same memory.
    if (working_.size() < elements)
        working_.resize(elements);
    std::copy(rest.begin(), rest.end(), working_.begin());
    if (morphing)
        applyMorphTargets({working_.data(), rest.size()}, attachedTargets_);
}

void FaceRenderer::collectNormalSources(std::vector<NormalSource>& out) const
{
    out.clear();
    const osg::Vec3Array& rest = *geometry_->vertices;
    out.push_back({&rest, geometry_->vertexIndices.data(), slotsGeneration_, nullptr, rest.getModifiedCount(), rest.size()});
    for (const osg::ref_ptr<FaceTarget>& target : attachedTargets_) {
        // A weight of 0 contributes nothing, whatever its offsets.
        const bool active = target->weight != 0.0f;
        out.push_back({target.get(), target->indices.data(), std::bit_cast<std::uint32_t>(target->weight),
                       active ? target->offsets.get() : nullptr, active ? target->offsets->getModifiedCount() : 0u,
                       std::min(target->indices.size(), target->offsets->size())});
    }
}

bool FaceRenderer::drawsMorphedNormals(bool morphing) const
{
    return morphing && morphedNormals_ && slots_.cornerCount == geometry_->vertexIndices.size() &&
           slots_.vertexCount == geometry_->vertices->size();
}

bool FaceRenderer::updateMorphedNormals(std::span<const osg::Vec3> positions) const
{
    collectNormalSources(currentSources_);
    if (morphedNormalsValid_ && currentSources_ == normalSources_)
        return false;
    // Only the vertices of the targets whose weight or offsets changed have moved; anything
    // else (the rest pose, the targets attached, their vertex lists) means everything.
    bool everything = !morphedNormalsValid_ || currentSources_.size() != normalSources_.size() ||
                      !(currentSources_[0] == normalSources_[0]);
    // Which targets changed, and how many of their vertices moved, before any index is copied.
    std::size_t changedEntries = 0;
    for (std::size_t i = 1; !everything && i < currentSources_.size(); ++i) {
        const NormalSource& now = currentSources_[i];
        const NormalSource& before = normalSources_[i];
        if (now == before)
            continue;
        if (now.data != before.data || now.indices != before.indices || now.entries != before.entries)
            everything = true;
        changedEntries += now.entries;
    }
    // Past about half the vertices, redoing everything in memory order is the quicker way.
    if (changedEntries > slots_.vertexCount / 2)
        everything = true;
    movedVertices_.clear();
    std::size_t entries = 0;
    for (const NormalSource& source : currentSources_)
        entries += source.entries;
    movedVertices_.reserve(entries);  // grows only when targets grow, never frame by frame
    if (!everything) {
        for (std::size_t i = 1; i < currentSources_.size(); ++i)
            if (!(currentSources_[i] == normalSources_[i])) {
                const IndexList& indices = attachedTargets_[i - 1]->indices;
                movedVertices_.insert(movedVertices_.end(), indices.begin(),
                                      indices.begin() + static_cast<std::ptrdiff_t>(currentSources_[i].entries));
            }
    }
    if (everything)
        computeSlotNormals(slots_, geometry_->vertexIndices, positions, slotNormals_, faceNormals_);
    else
        updateSlotNormals(slots_, geometry_->vertexIndices, positions, movedVertices_, slotNormals_, faceNormals_,
                          normalScratch_);
    // Copied, not swapped: both lists keep their memory, so no frame allocates.
    normalSources_.assign(currentSources_.begin(), currentSources_.end());
    morphedNormalsValid_ = true;
    elementNormalsStale_ = cornerNormalsStale_ = true;
    ++normalComputations_;
    return true;
}

const osg::Vec3Array& FaceRenderer::cornerNormalsFor(std::span<const osg::Vec3> positions, bool morphing) const
{
    if (!drawsMorphedNormals(morphing))
        return *normals_;
    updateMorphedNormals(positions);
    if (!cornerNormals_ || cornerNormals_->size() != geometry_->vertexIndices.size()) {
        cornerNormals_ = new osg::Vec3Array(geometry_->vertexIndices.size());
        cornerNormalsStale_ = true;
    }
    if (cornerNormalsStale_) {
        scatterSlotNormals(slots_, slotNormals_, cornerNormals_->asVector());
        cornerNormalsStale_ = false;
    }
    return *cornerNormals_;
}

const osg::Vec3Array& FaceRenderer::frameCornerNormals() const
{
    if (!geometry_)
        return *normals_;
    return cornerNormalsFor(morphedVertices(), hasActiveWeight(attachedTargets_));
}

std::span<const osg::Vec3> FaceRenderer::morphedVertices() const
{
    if (!geometry_)
        return {};
    const std::vector<osg::Vec3>& rest = geometry_->vertices->asVector();
    if (!hasActiveWeight(attachedTargets_))
        return rest;
    fillWorking(rest.size(), true);
    return {working_.data(), rest.size()};
}

FaceArrays FaceRenderer::prepareFrame() const
{
    if (!geometry_)
        return {};
    const DrawTable& table = drawTable();
    FaceArrays arrays;
    arrays.normals = table.normals.data();
    arrays.texcoords = table.texcoords.empty() ? nullptr : table.texcoords.data();
    arrays.elementCount = table.elementCount();
    arrays.corners = table.corners;

    const std::vector<osg::Vec3>& rest = geometry_->vertices->asVector();
    const bool morphing = hasActiveWeight(attachedTargets_);
    if (!morphing && table.seamSources.empty()) {
        arrays.positions = rest.data();
        return arrays;
    }
    fillWorking(table.elementCount(), morphing);
    osg::Vec3* seams = working_.data() + table.vertexCount;
    for (const std::uint32_t source : table.seamSources)
        *seams++ = working_[source];
    arrays.positions = working_.data();

    if (drawsMorphedNormals(morphing) && table.elementSlots.size() == table.elementCount()) {
        updateMorphedNormals({working_.data(), rest.size()});
        if (elementNormalsStale_) {
            elementNormals_.resize(table.elementCount());
            for (std::size_t e = 0; e < table.elementCount(); ++e) {
                const std::uint32_t slot = table.elementSlots[e];
                elementNormals_[e] = slot < slotNormals_.size() ? slotNormals_[slot] : osg::Vec3();
            }
            elementNormalsStale_ = false;
        }
        arrays.normals = elementNormals_.data();
    }
    return arrays;
}

void FaceRenderer::drawImplementation(osg::RenderInfo& renderInfo) const
{
    if (!visible_ || !geometry_)
        return;
    if (cornerDrawer_) {
        const std::span<const osg::Vec3> positions = morphedVertices();
        cornerDrawer_(geometry_->vertexIndices, positions,
                      cornerNormalsFor(positions, hasActiveWeight(attachedTargets_)),
                      hasTexcoords_ ? cornerTexcoords_.get() : nullptr);
        return;
    }
    submitFaceArrays(*renderInfo.getState(), prepareFrame());
}

void FaceRenderer::accept(osg::PrimitiveFunctor& functor) const
{
    if (!geometry_ || geometry_->vertices->empty())
        return;
    const osg::Vec3Array& rest = *geometry_->vertices;
    const IndexList& corners = geometry_->vertexIndices;
    functor.setVertexArray(rest.size(), &rest.front());

    const std::size_t whole = corners.size() - corners.size() % 3;
    const bool allInRange = whole == corners.size() &&
                            std::all_of(corners.begin(), corners.end(), [&](std::uint32_t i) { return i < rest.size(); });
    if (allInRange) {
        if (!corners.empty())
            functor.drawElements(GL_TRIANGLES, static_cast<GLsizei>(corners.size()), corners.data());
        return;
    }
    // A functor must never be handed an index past the vertex array.
    IndexList valid;
    for (std::size_t first = 0; first < whole; first += 3)
        if (triangleInRange(corners, first, rest.size()))
            valid.insert(valid.end(), corners.begin() + first, corners.begin() + first + 3);
    if (!valid.empty())
        functor.drawElements(GL_TRIANGLES, static_cast<GLsizei>(valid.size()), valid.data());
}

osg::BoundingBox FaceRenderer::computeBoundingBox() const
{
    osg::BoundingBox box;
    if (geometry_)
        for (const osg::Vec3& v : *geometry_->vertices)
            box.expandBy(v);
    return box;
}

}  // namespace mw
