// A full redraw of the editor's background in a frame without a window, at
// each zoom: what every idle costs while automation moves the controls.
#include "gui/EditorLayout.h"
#include "gui/EditorZoom.h"
#include "vstgui/vstgui.h"

#include <benchmark/benchmark.h>

namespace {
void BM_FullRedraw(benchmark::State& state) {
    const double zoom = dravo::zoom::kSteps[state.range(0)];
    VSTGUI::VSTGUIEditorInterface editor;
    auto* frame = new VSTGUI::CFrame(
        VSTGUI::CRect(0, 0, dravo::layout::kEditorWidth, dravo::layout::kEditorHeight), &editor);
    auto* background = new VSTGUI::CBitmap(dravo::layout::kBackgroundId);
    frame->setBackground(background);
    background->forget();
    frame->setZoom(zoom);
    frame->drawAll();
    for (auto _ : state)
        frame->drawAll();
    state.SetLabel(std::to_string((int)(zoom * 100)) + " %");
    frame->close();
}
BENCHMARK(BM_FullRedraw)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
} // namespace
