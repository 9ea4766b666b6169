// xshot OUTPUT.png [WINDOW-ID]
// Saves a PNG of an X window (default: the root window) of $DISPLAY.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: xshot OUTPUT.png [WINDOW-ID]\n");
        return 2;
    }
    WId window = 0;
    if (args.size() == 3) {
        bool ok = false;
        window = static_cast<WId>(args[2].toULongLong(&ok, 0));
        if (!ok) {
            std::fprintf(stderr, "xshot: bad window id %s\n", qPrintable(args[2]));
            return 2;
        }
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap shot = screen ? screen->grabWindow(window) : QPixmap();
    if (shot.isNull() || !shot.save(args[1], "PNG")) {
        std::fprintf(stderr, "xshot: cannot grab or save %s\n", qPrintable(args[1]));
        return 1;
    }
    return 0;
}
