// Memory of an open 1000-page scanned document with 100 thumbnails made, in a process of its
// own so nothing else has touched its heap. Reports the resident size (VmRSS) before opening
// and with the document open and the thumbnails on the strip. Run:
//   build/bin/bench_imaging_thumbs_memory
#include "imaging/controls/ImageThumbnail.h"
#include "support/DocGenerator.h"
#include "thumbs_common.h"

using namespace imaging;

namespace {

void BM_Open1000PagesWith100Thumbnails(benchmark::State& state) {
    const QString path = benchsupport::bitonalDocument(1000);
    const double before = thumbsbench::residentMiB();
    double open = 0;
    int made = 0;
    for (auto _ : state) {
        ImageThumbnail strip;
        strip.resize(150, 900);
        strip.show();
        strip.setImage(path);
        for (int n = 1; n <= 100; ++n)
            strip.generateThumb(kThumbGenerateVisible, n);
        if (!thumbsbench::waitFor(&strip, &ImageThumbnail::allThumbsReady)) {
            state.SkipWithError("thumbnails missing");
            break;
        }
        made = 0;
        for (int n = 1; n <= 100; ++n)
            made += strip.thumbImage(n).isNull() ? 0 : 1;
        strip.viewport()->repaint();
        open = thumbsbench::residentMiB();
    }
    state.counters["rss_before_MiB"] = before;
    state.counters["rss_open_MiB"] = open;
    state.counters["thumbnails"] = made;
}

} // namespace

BENCHMARK(BM_Open1000PagesWith100Thumbnails)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    return thumbsbench::run(argc, argv);
}
