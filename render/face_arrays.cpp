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

    state.lazyDisablingOfVertexAttributes();
    state.setVertexPointer(3, GL_FLOAT, 0, arrays.positions);
    state.setNormalPointer(GL_FLOAT, 0, arrays.normals);
    if (arrays.texcoords)
        state.setTexCoordPointer(0, 2, GL_FLOAT, 0, arrays.texcoords);
    // Whatever else a previous drawable left enabled (colours, another texture
    // coordinate array) is switched off, as immediate mode would not see it either.
    state.applyDisablingOfVertexAttributes();
    if (!arrays.texcoords)
        glTexCoord2f(0.0f, 0.0f);  // the same fixed coordinate the immediate path uses

    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(arrays.corners.size()), GL_UNSIGNED_INT,
                   arrays.corners.data());
}

}  // namespace mw
