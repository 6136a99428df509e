#include "app/mienwright_app.h"

#include <cstring>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QScreen>
#include <QSurfaceFormat>

#include "app/autosave_controller.h"
#include "app/main_frame.h"
#include "import/library_messages.h"

namespace mw {

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

}  // namespace

bool CMienwrightApp::asksOnlyForText(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char* flag : {"--help", "-h", "-?", "--help-all", "--version", "-v"})
            if (std::strcmp(argv[i], flag) == 0)
                return true;
    return false;
}

int CMienwrightApp::answerText(int argc, char** argv)
{
    QCoreApplication core(argc, argv);
    QCommandLineParser parser;
    describeArguments(parser);
    parser.process(core);  // prints and exits
    return 0;
}

void CMienwrightApp::prepareSurfaces()
{
    QSurfaceFormat::setDefaultFormat(CMienwrightView::surfaceFormat());
}

CMienwrightApp::CMienwrightApp(int& argc, char** argv) : QApplication(argc, argv)
{
    sendLibraryMessagesToStandardError("");
}

CMienwrightApp::~CMienwrightApp() = default;

int CMienwrightApp::run()
{
    QCommandLineParser parser;
    describeArguments(parser);
    parser.process(*this);

    frame_ = std::make_unique<CMainFrame>();
    // Where no window manager maximises the window, it still opens at a useful size.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        frame_->resize(screen->availableSize() * 4 / 5);
    frame_->showMaximized();
    // Start-up goes on once the user has closed the about box.
    if (!parser.isSet(noAboutOption()))
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
