#include "render/face_arrays.h"

#include <osg/GL>

namespace mw {

void submitFaceArrays(osg::State& state, const FaceArrays& arrays)
{
    if (arrays.corners.empty())
        return;
    // Client pointers are addresses only while no buffer object is bound.
    state.unbindVertexBufferObject();
    state.unbindElementBufferObject();

    // Start from no enabled arrays: whatever a previous drawable left enabled (colours,
    // another texture coordinate array) must not reach this draw, as immediate mode would not
    // see it either. Disabling lazily around our own pointers is not enough: after an
    // osg::Geometry the state's record of its vertex array can switch ours off again.
    state.lazyDisablingOfVertexAttributes();
    state.applyDisablingOfVertexAttributes();
    state.setVertexPointer(3, GL_FLOAT, 0, arrays.positions);
    state.setNormalPointer(GL_FLOAT, 0, arrays.normals);
    if (arrays.texcoords)
        state.setTexCoordPointer(0, 2, GL_FLOAT, 0, arrays.texcoords);
    if (!arrays.texcoords)
        glTexCoord2f(0.0f, 0.0f);  // the same fixed coordinate the reference drawing uses

    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(arrays.corners.size()), GL_UNSIGNED_INT,
                   arrays.corners.data());
}

}  // namespace mw
