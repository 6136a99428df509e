#include "import/face_converter_visitor.h"

#include <algorithm>

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Material>
#include <osg/Texture2D>
#include <osg/Transform>

namespace mw {
namespace {

// How far a run of vertices may reach past the vertex array: enough for the last quad of a
// run whose first three corners are still within it.
constexpr std::int64_t kRunOverhang = 4;

// Emits the triangles of a run of n vertices whose k-th vertex is p(k), by primitive mode.
template <typename Vertex, typename Emit>
void triangulate(GLenum mode, std::uint32_t n, Vertex p, Emit emit)
{
    switch (mode) {
    case GL_TRIANGLES:
        for (std::uint32_t k = 0; k + 2 < n; k += 3)
            emit(p(k), p(k + 1), p(k + 2));
        break;
    case GL_TRIANGLE_STRIP:
        // Odd triangles swap their last two corners to keep one winding.
        for (std::uint32_t k = 0; k + 2 < n; ++k) {
            if (k % 2 == 0)
                emit(p(k), p(k + 1), p(k + 2));
            else
                emit(p(k), p(k + 2), p(k + 1));
        }
        break;
    case GL_TRIANGLE_FAN:
    case GL_POLYGON:
        for (std::uint32_t k = 1; k + 1 < n; ++k)
            emit(p(0), p(k), p(k + 1));
        break;
    case GL_QUADS:
        for (std::uint32_t b = 0; b + 3 < n; b += 4) {
            emit(p(b), p(b + 1), p(b + 2));
            emit(p(b), p(b + 2), p(b + 3));
        }
        break;
    case GL_QUAD_STRIP:
        for (std::uint32_t b = 0; b + 3 < n; b += 2) {
            emit(p(b), p(b + 1), p(b + 2));
            emit(p(b + 1), p(b + 3), p(b + 2));
        }
        break;
    default:
        break;  // points and lines make no triangles
    }
}

std::uint32_t lookUp(const osg::IndexArray& indices, std::uint64_t position)
{
    return position < indices.getNumElements() ? indices.index(static_cast<unsigned>(position)) : kMissingIndex;
}

}  // namespace

FaceConverterVisitor::FaceConverterVisitor(TarvFaceObject& face)
    : osg::NodeVisitor(osg::NodeVisitor::TRAVERSE_ALL_CHILDREN), face_(face)
{
}

void FaceConverterVisitor::applyStateSet(const osg::StateSet* stateSet)
{
    if (!stateSet)
        return;
    const auto* texture = dynamic_cast<const osg::Texture2D*>(
        stateSet->getTextureAttribute(0, osg::StateAttribute::TEXTURE));
    if (texture && texture->getImage() && !texture->getImage()->getFileName().empty())
        appearance_.texture = texture->getImage()->getFileName();
    const auto* material = dynamic_cast<const osg::Material*>(stateSet->getAttribute(osg::StateAttribute::MATERIAL));
    if (material) {
        appearance_.diffuse = material->getDiffuse(osg::Material::FRONT);
        appearance_.specular = material->getSpecular(osg::Material::FRONT);
    }
}

void FaceConverterVisitor::apply(osg::Node& node)
{
    const Appearance saved = appearance_;
    applyStateSet(node.getStateSet());
    traverse(node);
    appearance_ = saved;
}

void FaceConverterVisitor::apply(osg::Transform& transform)
{
    const Appearance saved = appearance_;
    applyStateSet(transform.getStateSet());
    // The transform's own matrix, whatever its reference frame, goes onto the parents'.
    osg::Matrixd own;
    transform.computeLocalToWorldMatrix(own, this);
    const osg::Matrixd parents = matrix_;
    matrix_.preMult(own);
    traverse(transform);
    matrix_ = parents;
    appearance_ = saved;
}

void FaceConverterVisitor::apply(osg::Geode& geode)
{
    const Appearance saved = appearance_;
    applyStateSet(geode.getStateSet());
    for (unsigned i = 0; i < geode.getNumDrawables(); ++i)
        if (osg::Drawable* drawable = geode.getDrawable(i))
            convertDrawable(*drawable);
    appearance_ = saved;
}

void FaceConverterVisitor::apply(osg::Drawable& drawable) { convertDrawable(drawable); }

void FaceConverterVisitor::convertDrawable(osg::Drawable& drawable)
{
    const Appearance saved = appearance_;
    applyStateSet(drawable.getStateSet());
    osg::ref_ptr<FaceGeom> geom = new FaceGeom;
    if (convertGeometry(drawable, *geom))
        face_.geometries.push_back(geom);
    appearance_ = saved;
}

bool FaceConverterVisitor::convertGeometry(osg::Drawable& drawable, FaceGeom& geom)
{
    const osg::Geometry* geometry = drawable.asGeometry();
    if (!geometry)
        return false;
    const auto* vertices = dynamic_cast<const osg::Vec3Array*>(geometry->getVertexArray());
    if (!vertices)
        return false;
    const auto* texcoords = dynamic_cast<const osg::Vec2Array*>(geometry->getTexCoordArray(0));
    hasTexcoords_ = texcoords != nullptr;

    geom.vertices->reserve(vertices->size());
    for (const osg::Vec3& v : *vertices)
        geom.vertices->push_back(matrix_.preMult(v));
    if (texcoords)
        geom.texcoords->assign(texcoords->begin(), texcoords->end());

    // Index arrays of the old geometry binding survive as the arrays' user data.
    if (dynamic_cast<const osg::IndexArray*>(vertices->getUserData())) {
        indexedTriangleLists(*geometry, geom);
    } else {
        const auto vertexCount = static_cast<std::int64_t>(vertices->size());
        for (unsigned i = 0; i < geometry->getNumPrimitiveSets(); ++i) {
            const osg::PrimitiveSet* set = geometry->getPrimitiveSet(i);
            if (!set)
                continue;
            const GLenum mode = set->getMode();
            // A run that overruns the vertex array is triangulated as given, so that every
            // triangle within the array is kept; the repair then drops those that reach past
            // it. The run is cut a few vertices past the end, which every triangle that still
            // lies within the array needs, so a corrupt count cannot run away with memory.
            auto arrays = [&](std::int64_t first, std::int64_t count) {
                if (first < 0 || first >= vertexCount || count <= 0)
                    return;
                count = std::min(count, vertexCount - first + kRunOverhang);
                triangulateArrays(mode, static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(count), geom);
            };
            auto elements = [&](const auto& list) {
                if (!list.empty())
                    triangulateElements(mode, static_cast<std::uint32_t>(list.size()), &list.front(), geom);
            };
            switch (set->getType()) {
            case osg::PrimitiveSet::DrawArraysPrimitiveType: {
                const auto& a = static_cast<const osg::DrawArrays&>(*set);
                arrays(a.getFirst(), a.getCount());
                break;
            }
            case osg::PrimitiveSet::DrawArrayLengthsPrimitiveType: {
                const auto& a = static_cast<const osg::DrawArrayLengths&>(*set);
                std::int64_t first = a.getFirst();
                for (GLint length : a) {
                    arrays(first, length);
                    first += length;
                }
                break;
            }
            case osg::PrimitiveSet::DrawElementsUBytePrimitiveType:
                elements(static_cast<const osg::DrawElementsUByte&>(*set));
                break;
            case osg::PrimitiveSet::DrawElementsUShortPrimitiveType:
                elements(static_cast<const osg::DrawElementsUShort&>(*set));
                break;
            case osg::PrimitiveSet::DrawElementsUIntPrimitiveType:
                elements(static_cast<const osg::DrawElementsUInt&>(*set));
                break;
            default:
                break;
            }
        }
    }

    if (!appearance_.texture.empty())
        geom.texture = appearance_.texture;
    if (appearance_.diffuse.x() > -1.0f)
        geom.diffuse = appearance_.diffuse;
    if (appearance_.specular.x() > -1.0f)
        geom.specular = appearance_.specular;
    geom.name = "geom_" + std::to_string(face_.geometries.size());
    return true;
}

// With index arrays only triangle lists are understood: each position of a set goes through
// the index arrays, and the walk ends at the first set of another mode.
void FaceConverterVisitor::indexedTriangleLists(const osg::Geometry& geometry, FaceGeom& geom) const
{
    const auto& vertexIndices = *static_cast<const osg::IndexArray*>(geometry.getVertexArray()->getUserData());
    const osg::Array* texcoords = geometry.getTexCoordArray(0);
    const auto* texIndices = hasTexcoords_ ? dynamic_cast<const osg::IndexArray*>(texcoords->getUserData()) : nullptr;
    const std::uint64_t known = vertexIndices.getNumElements();

    auto corner = [&](std::uint64_t e) {
        geom.vertexIndices.push_back(lookUp(vertexIndices, e));
        if (hasTexcoords_)
            geom.texIndices.push_back(texIndices ? lookUp(*texIndices, e)
                                                 : static_cast<std::uint32_t>(std::min<std::uint64_t>(e, kMissingIndex)));
    };
    // Positions past the index array have nothing to look up: they become missing corners,
    // whose triangles the repair drops, and the sets after them keep their own triangles.
    // Past the array only the count modulo three matters for the triangles that follow, so a
    // corrupt count adds at most two whole missing triangles and its remainder.
    auto run = [&](std::int64_t first, std::int64_t count) {
        if (first < 0 || count <= 0)
            return;
        const auto begin = static_cast<std::uint64_t>(first);
        const std::uint64_t end = begin + static_cast<std::uint64_t>(count);
        for (auto e = begin; e < std::min(end, known); ++e)
            corner(e);
        const std::uint64_t beyond = end - std::max(begin, std::min(end, known));
        const std::uint64_t missing = beyond <= 6 ? beyond : 3 + beyond % 3;
        for (std::uint64_t k = 0; k < missing; ++k) {
            geom.vertexIndices.push_back(kMissingIndex);
            if (hasTexcoords_)
                geom.texIndices.push_back(kMissingIndex);
        }
    };

    for (unsigned i = 0; i < geometry.getNumPrimitiveSets(); ++i) {
        const osg::PrimitiveSet* set = geometry.getPrimitiveSet(i);
        if (!set || set->getMode() != GL_TRIANGLES)
            break;
        switch (set->getType()) {
        case osg::PrimitiveSet::DrawArraysPrimitiveType: {
            const auto& a = static_cast<const osg::DrawArrays&>(*set);
            run(a.getFirst(), a.getCount());
            break;
        }
        case osg::PrimitiveSet::DrawArrayLengthsPrimitiveType: {
            const auto& a = static_cast<const osg::DrawArrayLengths&>(*set);
            std::int64_t total = 0;
            for (GLint length : a)
                total += length;
            run(a.getFirst(), total);
            break;
        }
        case osg::PrimitiveSet::DrawElementsUBytePrimitiveType:
        case osg::PrimitiveSet::DrawElementsUShortPrimitiveType:
        case osg::PrimitiveSet::DrawElementsUIntPrimitiveType: {
            const auto* elements = set->getDrawElements();
            for (unsigned k = 0; k < elements->getNumIndices(); ++k)
                corner(elements->index(k));
            break;
        }
        default:
            break;
        }
    }
    // Corners of an incomplete last triangle are dropped.
    geom.vertexIndices.resize(geom.vertexIndices.size() / 3 * 3);
    if (hasTexcoords_)
        geom.texIndices.resize(geom.vertexIndices.size());
}

void FaceConverterVisitor::triangulateArrays(GLenum mode, std::uint32_t first, std::uint32_t count,
                                             FaceGeom& geom) const
{
    triangulate(mode, count, [first](std::uint32_t k) { return first + k; },
                [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
                    geom.vertexIndices.insert(geom.vertexIndices.end(), {a, b, c});
                    if (hasTexcoords_)
                        geom.texIndices.insert(geom.texIndices.end(), {a, b, c});
                });
}

template <typename Element>
void FaceConverterVisitor::triangulateElements(GLenum mode, std::uint32_t count, const Element* elements,
                                               FaceGeom& geom) const
{
    triangulate(mode, count, [elements](std::uint32_t k) { return static_cast<std::uint32_t>(elements[k]); },
                [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
                    geom.vertexIndices.insert(geom.vertexIndices.end(), {a, b, c});
                    if (hasTexcoords_)
                        geom.texIndices.insert(geom.texIndices.end(), {a, b, c});
                });
}

template void FaceConverterVisitor::triangulateElements<GLubyte>(GLenum, std::uint32_t, const GLubyte*, FaceGeom&) const;
template void FaceConverterVisitor::triangulateElements<GLushort>(GLenum, std::uint32_t, const GLushort*, FaceGeom&) const;
template void FaceConverterVisitor::triangulateElements<GLuint>(GLenum, std::uint32_t, const GLuint*, FaceGeom&) const;

}  // namespace mw
