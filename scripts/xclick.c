// Tiny X11 helper for scripts/try-in-ardour.sh: fakes clicks and keys through
// XTest, finds a top-level window by title, and saves part of the screen as PNG.
//   xclick click X Y [COUNT]      left click(s) at root coordinates
//   xclick key KEYSYM [MOD]       press a key, MOD is "alt", "ctrl" or "shift"
//   xclick find TEXT              print "X Y W H" of the first viewable window
//                                 whose title contains TEXT (exit 1 if none)
//   xclick shot FILE [X Y W H]    write the screen, or a part of it, as PNG
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int find(Display* d, Window w, const char* text) {
    XWindowAttributes a;
    char* name = NULL;
    if (XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable && XFetchName(d, w, &name) &&
        name && strstr(name, text)) {
        int x, y;
        Window child;
        XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child);
        printf("%d %d %d %d\n", x, y, a.width, a.height);
        XFree(name);
        return 1;
    }
    if (name) XFree(name);
    Window root, parent, *kids = NULL;
    unsigned n = 0;
    int found = 0;
    if (XQueryTree(d, w, &root, &parent, &kids, &n)) {
        for (unsigned i = 0; i < n && !found; i++)
            found = find(d, kids[i], text);
        if (kids) XFree(kids);
    }
    return found;
}

static int shot(Display* d, const char* file, int x, int y, int w, int h) {
    XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, w, h, AllPlanes, ZPixmap);
    if (!img) return 1;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    unsigned char* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    for (int r = 0; r < h; r++)
        for (int c = 0; c < w; c++)
            *(unsigned*)(data + r * stride + c * 4) = XGetPixel(img, c, r);
    cairo_surface_mark_dirty(s);
    int rc = cairo_surface_write_to_png(s, file) != CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    XDestroyImage(img);
    return rc;
}

int main(int argc, char** argv) {
    Display* d = XOpenDisplay(NULL);
    if (!d || argc < 3) return 2;
    int rc = 0;
    if (!strcmp(argv[1], "click") && argc > 3) {
        int n = argc > 4 ? atoi(argv[4]) : 1;
        XTestFakeMotionEvent(d, -1, atoi(argv[2]), atoi(argv[3]), 0);
        XSync(d, False);
        usleep(50000);
        for (int i = 0; i < n; i++) {
            XTestFakeButtonEvent(d, 1, True, 0);
            XTestFakeButtonEvent(d, 1, False, 0);
            XSync(d, False);
            usleep(60000);
        }
    } else if (!strcmp(argv[1], "key")) {
        KeyCode mod = 0;
        if (argc > 3) {
            const char* m = argv[3];
            mod = XKeysymToKeycode(d, !strcmp(m, "alt")    ? XK_Alt_L
                                      : !strcmp(m, "ctrl") ? XK_Control_L
                                                           : XK_Shift_L);
        }
        KeyCode k = XKeysymToKeycode(d, XStringToKeysym(argv[2]));
        if (mod) XTestFakeKeyEvent(d, mod, True, 0);
        XTestFakeKeyEvent(d, k, True, 0);
        XTestFakeKeyEvent(d, k, False, 0);
        if (mod) XTestFakeKeyEvent(d, mod, False, 0);
        XSync(d, False);
    } else if (!strcmp(argv[1], "find")) {
        rc = !find(d, DefaultRootWindow(d), argv[2]);
    } else if (!strcmp(argv[1], "shot")) {
        XWindowAttributes a;
        XGetWindowAttributes(d, DefaultRootWindow(d), &a);
        if (argc > 6)
            rc = shot(d, argv[2], atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]));
        else
            rc = shot(d, argv[2], 0, 0, a.width, a.height);
    } else {
        rc = 2;
    }
    XCloseDisplay(d);
    return rc;
}
