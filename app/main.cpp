// mienwright [FILE]: the face editor, opening FILE when one is given.

#include <cstring>

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QScreen>
#include <QSurfaceFormat>

#include "app/autosave_controller.h"
#include "app/main_frame.h"
#include "mienwright_version.h"
#include "import/library_messages.h"

namespace {

const QCommandLineOption& noAboutOption()
{
    static const QCommandLineOption option(QStringLiteral("no-about"),
                                           QStringLiteral("Do not show the about box at start-up."));
    return option;
}

void describeArguments(QCommandLineParser& parser)
{
    QCoreApplication::setApplicationName(QStringLiteral("Mienwright"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MIENWRIGHT_VERSION));
    parser.setApplicationDescription(QStringLiteral("Editor for textured 3D head models with morph targets."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("Face file to open (.tvf, .txt or any model file)."),
                                 QStringLiteral("[FILE]"));
    parser.addOption(noAboutOption());
}

// --help and --version only print: they must work where no display is, so they are answered
// before the GUI application (and its display connection) exists.
bool asksOnlyForText(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char* flag : {"--help", "-h", "-?", "--help-all", "--version", "-v"})
            if (std::strcmp(argv[i], flag) == 0)
                return true;
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (asksOnlyForText(argc, argv)) {
        QCoreApplication core(argc, argv);
        QCommandLineParser parser;
        describeArguments(parser);
        parser.process(core);  // prints and exits
        return 0;
    }
    // Before the application exists, so that every OpenGL context gets the fixed-function pipeline.
    QSurfaceFormat::setDefaultFormat(mw::CMienwrightView::surfaceFormat());
    QApplication application(argc, argv);
    mw::sendLibraryMessagesToStandardError("");

    QCommandLineParser parser;
    describeArguments(parser);
    const QCommandLineOption& noAbout = noAboutOption();
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
