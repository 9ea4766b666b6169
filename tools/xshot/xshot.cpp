// xshot OUTPUT.png [WINDOW-ID]
//   Saves a PNG of an X window (default: the root window) of $DISPLAY.
// xshot --click WINDOW-ID X Y
//   Presses and releases the left mouse button at X, Y inside the window.
// xshot --until-drawn WINDOW-ID OUTPUT.png SECONDS
//   Waits until the window shows more than one colour and saves it.
// xshot --until-changed WINDOW-ID REFERENCE.png SECONDS
//   Waits until the window looks different from REFERENCE.png.
//   Both exit 1 when the time runs out first.
// xshot --keys WINDOW-ID KEYCODE...
//   Presses and releases each X key code in turn; +N only presses N and -N
//   only releases it (to hold a modifier over the following keys).
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <cstdio>
#include <cstring>
#include <functional>
#include <xcb/xcb.h>

namespace {

bool parseId(const char* text, unsigned long long& out)
{
    char* end = nullptr;
    out = std::strtoull(text, &end, 0);
    return end && *end == '\0' && end != text;
}

xcb_connection_t* openDisplay()
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "xshot: cannot open the display\n");
        xcb_disconnect(c);
        return nullptr;
    }
    return c;
}

// Sends an input event to the window's own client: an empty event mask
// reaches it whatever events (core or XInput) that client has selected.
template <class Event>
void sendInput(xcb_connection_t* c, xcb_window_t window, Event e)
{
    e.time = XCB_CURRENT_TIME;
    e.root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    e.event = window;
    e.child = XCB_NONE;
    e.same_screen = 1;
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
}

int click(const char* idText, const char* xText, const char* yText)
{
    unsigned long long id = 0, x = 0, y = 0;
    if (!parseId(idText, id) || !parseId(xText, x) || !parseId(yText, y)) {
        std::fprintf(stderr, "xshot: bad window id or position\n");
        return 2;
    }
    xcb_connection_t* c = openDisplay();
    if (!c)
        return 1;
    const auto window = static_cast<xcb_window_t>(id);
    xcb_translate_coordinates_cookie_t tc = xcb_translate_coordinates(
        c, window, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root, int16_t(x), int16_t(y));
    xcb_translate_coordinates_reply_t* root = xcb_translate_coordinates_reply(c, tc, nullptr);
    if (!root) {
        std::fprintf(stderr, "xshot: no window %s\n", idText);
        xcb_disconnect(c);
        return 1;
    }
    for (const uint8_t type : {uint8_t(XCB_BUTTON_PRESS), uint8_t(XCB_BUTTON_RELEASE)}) {
        xcb_button_press_event_t e{};
        e.response_type = type;
        e.detail = 1;
        e.root_x = root->dst_x;
        e.root_y = root->dst_y;
        e.event_x = int16_t(x);
        e.event_y = int16_t(y);
        e.state = type == XCB_BUTTON_RELEASE ? XCB_BUTTON_MASK_1 : 0;
        sendInput(c, window, e);
    }
    std::free(root);
    xcb_flush(c);
    xcb_disconnect(c);
    return 0;
}

int keys(const char* idText, int count, char** codes)
{
    unsigned long long id = 0;
    if (!parseId(idText, id)) {
        std::fprintf(stderr, "xshot: bad window id\n");
        return 2;
    }
    xcb_connection_t* c = openDisplay();
    if (!c)
        return 1;
    const auto window = static_cast<xcb_window_t>(id);
    for (int i = 0; i < count; ++i) {
        const char* text = codes[i];
        const bool pressOnly = text[0] == '+', releaseOnly = text[0] == '-';
        unsigned long long code = 0;
        if (!parseId(text + (pressOnly || releaseOnly), code) || code < 8 || code > 255) {
            std::fprintf(stderr, "xshot: bad key code %s\n", text);
            xcb_disconnect(c);
            return 2;
        }
        for (const uint8_t type : {uint8_t(XCB_KEY_PRESS), uint8_t(XCB_KEY_RELEASE)}) {
            if ((type == XCB_KEY_PRESS && releaseOnly) || (type == XCB_KEY_RELEASE && pressOnly))
                continue;
            xcb_key_press_event_t e{};
            e.response_type = type;
            e.detail = static_cast<xcb_keycode_t>(code);
            sendInput(c, window, e);
        }
    }
    xcb_flush(c);
    xcb_disconnect(c);
    return 0;
}

bool drawn(const QImage& image)
{
    if (image.isNull())
        return false;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first)
                return true;
    return false;
}

// Grabs the window until done() holds for its picture or the time is up;
// one process polls, so a busy machine does not pay a start per look.
int grabUntil(const QString& idText, const QString& secondsText,
    const std::function<bool(const QImage&)>& done, QImage* last)
{
    bool ok = false;
    const auto window = static_cast<WId>(idText.toULongLong(&ok, 0));
    const int seconds = secondsText.toInt();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!ok || seconds <= 0 || !screen) {
        std::fprintf(stderr, "xshot: bad window id or time\n");
        return 2;
    }
    const QDeadlineTimer deadline(seconds * 1000);
    for (;;) {
        const QImage image = screen->grabWindow(window).toImage().convertToFormat(QImage::Format_RGB32);
        if (done(image)) {
            if (last)
                *last = image;
            return 0;
        }
        if (deadline.hasExpired())
            return 1;
        QThread::msleep(50); // the interval between looks
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 5 && std::strcmp(argv[1], "--click") == 0)
        return click(argv[2], argv[3], argv[4]);
    if (argc >= 4 && std::strcmp(argv[1], "--keys") == 0)
        return keys(argv[2], argc - 3, argv + 3);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 5 && args[1] == QStringLiteral("--until-drawn")) {
        QImage image;
        const int status = grabUntil(args[2], args[4], drawn, &image);
        if (status == 0 && !image.save(args[3], "PNG"))
            return 1;
        return status;
    }
    if (args.size() == 5 && args[1] == QStringLiteral("--until-changed")) {
        const QImage reference = QImage(args[3]).convertToFormat(QImage::Format_RGB32);
        return grabUntil(
            args[2], args[4], [&](const QImage& image) { return !image.isNull() && image != reference; },
            nullptr);
    }
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr,
            "usage: xshot OUTPUT.png [WINDOW-ID]\n       xshot --click WINDOW-ID X Y\n"
            "       xshot --keys WINDOW-ID KEYCODE...\n"
            "       xshot --until-drawn WINDOW-ID OUTPUT.png SECONDS\n"
            "       xshot --until-changed WINDOW-ID REFERENCE.png SECONDS\n");
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
