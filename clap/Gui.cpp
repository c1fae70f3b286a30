// The editor in CLAP hosts: embedded in the host's X11 window, idled from
// the host's timer (its frame polls its own X connection there), sized by the
// zoom: the user's choice from the editor's menu, else the host's scale. The
// window has a fixed size per zoom; a new zoom asks the host to resize.
#include "clap/Plugin.h"

#include "gui/EditorZoom.h"

#include <cstring>

namespace dravo::clap {

namespace {
// The editor's idle period: about 50 per second.
constexpr uint32_t kIdleMilliseconds = 20;
} // namespace

// Without the host's timer nothing would idle the editor: no window then.
bool Plugin::guiCreate() {
    if (!hostTimers) return false;
    if (!editor) editor = std::make_unique<EqualiserEditor>(*this);
    return true;
}

void Plugin::guiDestroy() {
    if (timer != CLAP_INVALID_ID && hostTimers) hostTimers->unregister_timer(host, timer);
    timer = CLAP_INVALID_ID;
    if (editor) editor->close();
}

// The host's scale is the zoom unless the user chose one in the editor.
bool Plugin::guiSetScale(double scale) {
    if (!(scale > 0) || !editor) return false;
    if (zoom::chosen(kPreferencesIdentifier) > 0) return false;
    return editor->setZoom(zoom::nearestStep(scale), false);
}

bool Plugin::guiGetSize(uint32_t* width, uint32_t* height) {
    if (!editor || !width || !height) return false;
    *width = (uint32_t)editor->width();
    *height = (uint32_t)editor->height();
    return true;
}

// Only the size the editor has now is a size it can take.
bool Plugin::guiSetSize(uint32_t width, uint32_t height) {
    return editor && width == (uint32_t)editor->width() && height == (uint32_t)editor->height();
}

bool Plugin::guiSetParent(const clap_window_t* window) {
    if (!editor || !window || !window->api || std::strcmp(window->api, CLAP_WINDOW_API_X11) != 0)
        return false;
    if (!editor->open(reinterpret_cast<void*>(window->x11))) return false;
    if (timer == CLAP_INVALID_ID && !hostTimers->register_timer(host, kIdleMilliseconds, &timer))
        timer = CLAP_INVALID_ID;
    return true;
}

bool Plugin::guiShow() {
    return editor && editor->isOpen();
}

bool Plugin::guiHide() {
    return editor && editor->isOpen();
}

void Plugin::onTimer(clap_id id) {
    if (id == timer && editor && editor->isOpen()) editor->idle();
}

bool Plugin::requestSize(int width, int height) {
    return hostGui && hostGui->request_resize(host, (uint32_t)width, (uint32_t)height);
}

} // namespace dravo::clap
