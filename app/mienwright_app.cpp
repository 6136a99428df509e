#include "app/mienwright_app.h"

#include <QCommandLineParser>
#include <QScreen>
#include <QSurfaceFormat>

#include "app/autosave_controller.h"
#include "app/main_frame.h"
#include "import/library_messages.h"

namespace mw {

void CMienwrightApp::prepareSurfaces()
{
    QSurfaceFormat::setDefaultFormat(CMienwrightView::surfaceFormat());
}

CMienwrightApp::CMienwrightApp(int& argc, char** argv) : QApplication(argc, argv)
{
    sendLibraryMessagesToStandardError("");
    setApplicationName(QStringLiteral("Mienwright"));
    setApplicationVersion(QStringLiteral(MIENWRIGHT_VERSION));
}

CMienwrightApp::~CMienwrightApp() = default;

int CMienwrightApp::run()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Editor for textured 3D head models with morph targets."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("Face file to open (.tvf, .txt or any model file)."),
                                 QStringLiteral("[FILE]"));
    const QCommandLineOption noAbout(QStringLiteral("no-about"), QStringLiteral("Do not show the about box at start-up."));
    parser.addOption(noAbout);
    parser.process(*this);

    frame_ = std::make_unique<CMainFrame>();
    // Where no window manager maximises the window, it still opens at a useful size.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        frame_->resize(screen->availableSize() * 4 / 5);
    frame_->showMaximized();
    // Start-up goes on once the user has closed the about box.
    if (!parser.isSet(noAbout))
        frame_->showAboutBox();
    // The work of an editor that did not end cleanly comes before anything else.
    frame_->autosave().offerRecovery();
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty())
        frame_->openFace(files.constFirst());
    const int status = exec();
    frame_.reset();
    return status;
}

}  // namespace mw
