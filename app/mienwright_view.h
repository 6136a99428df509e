#pragma once
// CMienwrightView: the 3D view window. It owns the view of a document (scene, camera, handlers,
// the nodes that draw the face) and the scene viewer, which draws into this widget's OpenGL context. Pointer, wheel and key
// events are queued for the viewer in normalised coordinates and reach the camera and the
// handlers when the main frame advances the viewer.

#include <cstdint>
#include <filesystem>
#include <memory>

#include <QOpenGLWidget>
#include <QSurfaceFormat>
#include <osgViewer/GraphicsWindow>
#include <osgViewer/Viewer>

#include "authoring/document.h"
#include "view/view.h"

namespace mw {

class CMienwrightView : public QOpenGLWidget {
    Q_OBJECT

public:
    // Shows `doc`, which must outlive the view.
    explicit CMienwrightView(Document& doc, QWidget* parent = nullptr);
    ~CMienwrightView() override;

    // A compatibility-profile context with a depth buffer: the faces and the overlay are drawn
    // with the fixed-function pipeline.
    static QSurfaceFormat surfaceFormat();

    View& state() { return *state_; }
    const View& state() const { return *state_; }
    osgViewer::Viewer& viewer() { return *viewer_; }

    // The viewer's event and update traversals: queued input reaches the camera, the edit
    // handler and the focus handler, in that order. True when something has changed on screen
    // since the last frame drawn (a moved camera, an edit, a requested redraw).
    bool advance();
    // Draws a frame at the next opportunity.
    void redraw();
    // Asks the next advance() to report a change, for changes made outside the viewer's
    // handlers (a morph weight, for example).
    void requestRedraw();
    // Frames drawn since the window was created.
    std::uint64_t frameCount() const { return frames_; }

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // The view shows no focus frame, so gaining or losing the focus changes nothing on screen.
    void focusInEvent(QFocusEvent*) override {}
    void focusOutEvent(QFocusEvent*) override {}

private:
    osgGA::EventQueue& events() { return *window_->getEventQueue(); }
    osg::Vec2 pixelsOf(float x, float y) const;

    std::unique_ptr<View> state_;
    osg::ref_ptr<osgViewer::Viewer> viewer_;
    osg::ref_ptr<osgViewer::GraphicsWindowEmbedded> window_;
    bool realized_ = false;
    std::uint64_t frames_ = 0;
    int wheelAngle_ = 0;  // eighths of a degree not yet sent as whole wheel steps
};

}  // namespace mw
