// mienwright [FILE]: the face editor, opening FILE when one is given.

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QSurfaceFormat>

#include "app/autosave_controller.h"
#include "app/main_frame.h"
#include "mienwright_version.h"
#include "import/library_messages.h"

int main(int argc, char** argv)
{
    // Before the application exists, so that every OpenGL context gets the fixed-function pipeline.
    QSurfaceFormat::setDefaultFormat(mw::CMienwrightView::surfaceFormat());
    QApplication application(argc, argv);
    mw::sendLibraryMessagesToStandardError("");
    QApplication::setApplicationName(QStringLiteral("Mienwright"));
    QApplication::setApplicationVersion(QStringLiteral(MIENWRIGHT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Editor for textured 3D head models with morph targets."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("Face file to open (.tvf, .txt or any model file)."),
                                 QStringLiteral("[FILE]"));
    const QCommandLineOption noAbout(QStringLiteral("no-about"), QStringLiteral("Do not show the about box at start-up."));
    parser.addOption(noAbout);
    parser.process(application);

    mw::CMainFrame frame;
    // Where no window manager maximises the window, it still opens at a useful size.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        frame.resize(screen->availableSize() * 4 / 5);
    frame.showMaximized();
    // Start-up goes on once the user has closed the about box.
    if (!parser.isSet(noAbout))
        frame.showAboutBox();
    // The work of an editor that did not end cleanly comes before anything else.
    frame.autosave().offerRecovery();
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty())
        frame.openFace(files.constFirst());
    return QApplication::exec();
}
