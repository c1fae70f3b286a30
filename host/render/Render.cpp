#include "host/render/Render.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

template <typename T>
BlockProcessor<T>::BlockProcessor(PluginSession& s, int block) : s_(s), block_(block) {
    AEffect* e = s.plugin->effect();
    ins_.assign(static_cast<std::size_t>(std::max(e->numInputs, 1)), std::vector<T>(block));
    outs_.assign(static_cast<std::size_t>(std::max(e->numOutputs, 1)), std::vector<T>(block));
    for (auto& ch : ins_)
        inPtr_.push_back(ch.data());
    for (auto& ch : outs_)
        outPtr_.push_back(ch.data());
}

template <typename T> void BlockProcessor<T>::process(const T* in, T* out, int n) {
    const int c = s_.channels;
    for (std::size_t pin = 0; pin < ins_.size(); ++pin) {
        T* dst = ins_[pin].data();
        if (c == 2 && pin < 2) {
            for (int i = 0; i < n; ++i)
                dst[i] = in[2 * i + pin];
        } else if (c == 1 && (pin == 0 || !s_.monoArrangement)) {
            for (int i = 0; i < n; ++i)
                dst[i] = in[i];
        } else {
            std::fill(dst, dst + n, T(0));
        }
    }
    if constexpr (std::is_same_v<T, float>)
        s_.plugin->processReplacing(inPtr_.data(), outPtr_.data(), n);
    else
        s_.plugin->processDoubleReplacing(inPtr_.data(), outPtr_.data(), n);
    for (int ch = 0; ch < c; ++ch) {
        const T* src = outs_[static_cast<std::size_t>(ch)].data();
        for (int i = 0; i < n; ++i)
            out[c * i + ch] = src[i];
    }
}

template <typename T> void BlockProcessor<T>::processPlanar(T* const* in, T* const* out, int n) {
    if constexpr (std::is_same_v<T, float>)
        s_.plugin->processReplacing(const_cast<T**>(in), const_cast<T**>(out), n);
    else
        s_.plugin->processDoubleReplacing(const_cast<T**>(in), const_cast<T**>(out), n);
}

template class BlockProcessor<float>;
template class BlockProcessor<double>;

namespace {

// A bar on the standard error stream, redrawn at most every percent.
class Progress {
  public:
    Progress(bool enabled, long long total, std::string label)
        : enabled_(enabled), total_(std::max(total, 1LL)), label_(std::move(label)) {
        if (label_.size() > 24) label_ = "..." + label_.substr(label_.size() - 21);
    }
    ~Progress() {
        if (enabled_ && shown_ >= 0) std::fprintf(stderr, "\r%80s\r", "");
    }
    void setTotal(long long total) { total_ = std::max(total, 1LL); }
    void update(long long done) {
        if (!enabled_) return;
        int pct = static_cast<int>(std::min(100LL, done * 100 / total_));
        if (pct == shown_) return;
        shown_ = pct;
        const int width = 40;
        int fill = pct * width / 100;
        std::fprintf(stderr, "\r%-24s [%.*s%*s] %3d%%", label_.c_str(), fill,
                     "########################################", width - fill, "", pct);
        std::fflush(stderr);
    }

  private:
    bool enabled_;
    long long total_;
    std::string label_;
    int shown_ = -1;
};

template <typename T>
RenderStats renderAs(PluginSession& s, AudioReader& in, AudioWriter& out, const RenderOptions& o,
                     const std::string& label) {
    RenderStats st;
    const int c = s.channels;
    const int block = o.block;
    st.inputFrames = in.frames();
    st.latency = o.compensate ? std::max(s.plugin->latency(), 0) : 0;
    if (o.tail >= 0) {
        st.tail = o.tail;
    } else {
        // 0 means the plug-in does not say, 1 that it has no tail.
        VstIntPtr t = s.plugin->tailSize();
        st.tail = t > 1 && t < 100000000 ? t : 0;
    }
    // Saturated: a stream of unknown length may say "as long as can be".
    long long total = st.inputFrames > LLONG_MAX - st.latency - st.tail
                          ? LLONG_MAX
                          : st.inputFrames + st.latency + st.tail;
    // A few seconds or more on a terminal get a progress bar.
    bool bar = !o.quiet && isatty(STDERR_FILENO) && !in.lengthUnknown() &&
               st.inputFrames > 4LL * in.rate();
    Progress progress(bar, total, label);
    const double silence = out.silenceLevel();
    st.endedEarly = in.shorterThanHeader();

    BlockProcessor<T> proc(s, block);
    std::vector<T> inBuf(static_cast<std::size_t>(block * c)), outBuf(inBuf.size());
    std::vector<T> zeros(static_cast<std::size_t>(block * c), T(0));
    long long pos = 0, readSoFar = 0, pendingZeros = 0;
    bool inputEnded = false;
    while (pos < total) {
        int n = static_cast<int>(std::min<long long>(block, total - pos));
        long long got = 0;
        if (!inputEnded) {
            got = in.read(inBuf.data(), n);
            if (got < n) inputEnded = true;
            for (long long i = 0; i < got * c; ++i)
                if (!std::isfinite(inBuf[static_cast<std::size_t>(i)]) && st.nonFiniteInput++ == 0)
                    st.firstNonFiniteFrame = readSoFar + i / c;
            readSoFar += got;
            // A stream ends before the length its header gave (a pipe's
            // writer leaves it unknown): the input is what was read, and
            // the rest is tail.
            if (inputEnded && readSoFar < st.inputFrames) {
                if (!in.lengthUnknown()) {
                    st.endedEarly = true;
                    st.headerFrames = st.inputFrames;
                }
                st.inputFrames = readSoFar;
                total = st.inputFrames + st.latency + st.tail;
                n = static_cast<int>(std::min<long long>(n, total - pos));
                progress.setTotal(total);
            }
        }
        std::fill(inBuf.begin() + got * c, inBuf.begin() + static_cast<long long>(n) * c, T(0));
        proc.process(inBuf.data(), outBuf.data(), n);

        // Output frame k is plug-in frame k + latency; input-length frames are
        // written as they come, tail frames only up to the last non-silent one.
        long long first = std::max(pos, static_cast<long long>(st.latency));
        for (long long g = first; g < pos + n;) {
            long long k = g - st.latency;
            const T* frame = outBuf.data() + (g - pos) * c;
            if (k < st.inputFrames) {
                // Saturated like total: a length of "as long as can be".
                long long inputEnd = st.inputFrames > LLONG_MAX - st.latency
                                         ? LLONG_MAX
                                         : st.latency + st.inputFrames;
                long long run = std::min(pos + n, inputEnd) - g;
                out.write(frame, run);
                st.outputFrames += run;
                g += run;
                continue;
            }
            // Tail frames that the output format shows as zero are silence
            // (NaN is not: the writer has to see it).
            bool silent = std::all_of(frame, frame + c, [&](T v) {
                return std::fabs(static_cast<double>(v)) <= silence;
            });
            if (silent) {
                ++pendingZeros;
            } else {
                while (pendingZeros > 0) {
                    long long z = std::min<long long>(pendingZeros, block);
                    out.write(zeros.data(), z);
                    st.outputFrames += z;
                    pendingZeros -= z;
                }
                out.write(frame, 1);
                ++st.outputFrames;
            }
            ++g;
        }
        pos += n;
        progress.update(pos);
    }
    return st;
}

} // namespace

RenderStats renderFile(PluginSession& s, AudioReader& in, AudioWriter& out, const RenderOptions& o,
                       const std::string& label) {
    return o.useDouble ? renderAs<double>(s, in, out, o, label)
                       : renderAs<float>(s, in, out, o, label);
}
