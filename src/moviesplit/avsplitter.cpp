#include "moviesplit/avsplitter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <limits>
#include <memory>
#include <numeric>

namespace kbx {

namespace {

std::string AvError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct InputCloser { void operator()(AVFormatContext *c) const { avformat_close_input(&c); } };
using Input = std::unique_ptr<AVFormatContext, InputCloser>;
struct PacketFree { void operator()(AVPacket *p) const { av_packet_free(&p); } };
using Packet = std::unique_ptr<AVPacket, PacketFree>;

Input OpenInput(const std::string &file)
{
    AVFormatContext *raw = nullptr;
    int rc = avformat_open_input(&raw, file.c_str(), nullptr, nullptr);
    if (rc < 0)
        throw ESplit(file + ": cannot be opened as a movie (" + AvError(rc) + ")");
    Input in(raw);
    rc = avformat_find_stream_info(raw, nullptr);
    if (rc < 0)
        throw ESplit(file + ": the streams cannot be read (" + AvError(rc) + ")");
    return in;
}

int VideoStream(const AVFormatContext *in)
{
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        const AVStream *s = in->streams[i];
        if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(s->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return int(i);
    }
    return -1;
}

// An open output segment.
class Segment
{
public:
    Segment(const std::string &name, const AVFormatContext *in) : m_name(name)
    {
        int rc = avformat_alloc_output_context2(&m_out, nullptr, nullptr, name.c_str());
        if (rc < 0 || !m_out)
            throw ESplit(name + ": no container is known for this name");
        // A constructor that throws runs no destructor: the context goes with the refusal.
        try {
            open(name, in);
        } catch (...) {
            release();
            throw;
        }
    }
    ~Segment() { release(); }
    Segment(const Segment &) = delete;
    Segment &operator=(const Segment &) = delete;

private:
    void open(const std::string &name, const AVFormatContext *in)
    {
        int rc = 0;
        for (unsigned i = 0; i < in->nb_streams; ++i) {
            const AVCodecParameters *par = in->streams[i]->codecpar;
            if (avformat_query_codec(m_out->oformat, par->codec_id, FF_COMPLIANCE_NORMAL) == 0)
                throw ESplit(name + ": the container cannot hold stream " + std::to_string(i) + " ("
                             + avcodec_get_name(par->codec_id) + ")");
            AVStream *s = avformat_new_stream(m_out, nullptr);
            if (!s || avcodec_parameters_copy(s->codecpar, par) < 0)
                throw ESplit(name + ": out of memory");
            s->codecpar->codec_tag = 0;
            s->time_base = in->streams[i]->time_base;
            s->disposition = in->streams[i]->disposition;
            av_dict_copy(&s->metadata, in->streams[i]->metadata, 0);
        }
        rc = avio_open(&m_out->pb, name.c_str(), AVIO_FLAG_WRITE);
        if (rc < 0)
            throw ESplit(name + ": cannot be created (" + AvError(rc) + ")");
        rc = avformat_write_header(m_out, nullptr);
        if (rc < 0)
            throw ESplit(name + ": the container cannot take the streams of the movie (" + AvError(rc) + ")");
        m_headerWritten = true;
    }
    void release()
    {
        if (m_out) {
            avio_closep(&m_out->pb);
            avformat_free_context(m_out);
            m_out = nullptr;
        }
    }

public:
    AVStream *Stream(int i) const { return m_out->streams[i]; }
    void Write(AVPacket *packet)
    {
        const int rc = av_interleaved_write_frame(m_out, packet);
        if (rc < 0)
            throw ESplit(m_name + ": " + AvError(rc));
    }
    void Finish()
    {
        int rc = m_headerWritten ? av_write_trailer(m_out) : 0;
        if (rc >= 0 && m_out->pb) {
            avio_flush(m_out->pb);
            rc = m_out->pb->error;
        }
        const int closed = avio_closep(&m_out->pb);
        if (rc >= 0)
            rc = closed;
        if (rc < 0)
            throw ESplit(m_name + ": " + AvError(rc));
    }

private:
    std::string m_name;
    AVFormatContext *m_out = nullptr;
    bool m_headerWritten = false;
};

} // namespace

MuxOverhead OverheadFor(const std::string &outputName)
{
    MuxOverhead m;
    const AVOutputFormat *format = av_guess_format(nullptr, outputName.c_str(), nullptr);
    if (format && std::string(format->name) == "mpegts") {
        m.transportStream = true;
        m.fixed = 4 * 188;
        m.perPacket = 22;           // PES header with both timestamps, and a clock reference
        m.perSecond = 24 * 188;     // tables repeated ten times a second, and padding
    }
    return m;
}

AvIndex IndexMovie(const std::string &file, SplitControl &control)
{
    // Failures reach the user through the split's own message.
    av_log_set_level(AV_LOG_QUIET);
    AvIndex index;
    Input in = OpenInput(file);
    index.fileSize = std::max<int64_t>(0, in->pb ? avio_size(in->pb) : 0);
    index.videoStream = VideoStream(in.get());
    Packet packet(av_packet_alloc());
    int64_t seen = 0;
    int64_t firstCut = AV_NOPTS_VALUE, last = std::numeric_limits<int64_t>::min();
    for (;;) {
        if ((index.packets.size() & 0xFF) == 0 && !control.Proceed())
            break;
        const int rc = av_read_frame(in.get(), packet.get());
        if (rc == AVERROR_EOF)
            break;
        if (rc < 0)
            throw ESplit(file + ": " + AvError(rc));
        const AVStream *s = in->streams[packet->stream_index];
        AvPacket p;
        p.stream = packet->stream_index;
        p.size = packet->size;
        const int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        const int64_t dts = packet->dts != AV_NOPTS_VALUE ? packet->dts : pts;
        p.ptsUs = pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : av_rescale_q(pts, s->time_base, AV_TIME_BASE_Q);
        p.dtsUs = dts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : av_rescale_q(dts, s->time_base, AV_TIME_BASE_Q);
        const bool key = packet->flags & AV_PKT_FLAG_KEY;
        p.cut = key && p.ptsUs != AV_NOPTS_VALUE
                && (index.videoStream < 0 ? true : packet->stream_index == index.videoStream);
        if (p.cut && firstCut == AV_NOPTS_VALUE)
            firstCut = p.ptsUs;
        if (p.ptsUs != AV_NOPTS_VALUE)
            last = std::max(last, p.ptsUs + av_rescale_q(packet->duration, s->time_base, AV_TIME_BASE_Q));
        index.packets.push_back(p);
        av_packet_unref(packet.get());
        const int64_t at = avio_tell(in->pb);
        if (at > seen) {
            control.done.fetch_add(at - seen, std::memory_order_relaxed);
            seen = at;
        }
    }
    if (control.abort.load())
        return index;
    if (firstCut == AV_NOPTS_VALUE)
        throw ESplit(file + ": holds no key frame to start a segment at");
    index.startUs = firstCut;
    index.durationUs = std::max<int64_t>(0, last - firstCut);
    return index;
}

std::vector<int64_t> PlanMovie(const AvIndex &index, const SplitRequest &request, const MuxOverhead &overhead,
                               const std::string &file)
{
    const auto &packets = index.packets;
    std::vector<int64_t> cuts;  // ordinals of cut points after the first
    int64_t first = -1;
    for (size_t i = 0; i < packets.size(); ++i) {
        if (!packets[i].cut)
            continue;
        if (first < 0)
            first = int64_t(i);
        else
            cuts.push_back(int64_t(i));
    }
    std::vector<int64_t> starts{0};
    if (first < 0)
        return starts;
    // Bytes of packets [0, i), as the output container will roughly hold them.
    std::vector<int64_t> cost(packets.size() + 1, 0);
    for (size_t i = 0; i < packets.size(); ++i) {
        const int64_t size = packets[i].size;
        const int64_t c = overhead.transportStream ? (size + overhead.perPacket + 183) / 184 * 188
                                                   : size + overhead.perPacket;
        cost[i + 1] = cost[i] + c;
    }
    auto timeOf = [&](int64_t ordinal) {
        return ordinal >= int64_t(packets.size()) ? index.startUs + index.durationUs : packets[size_t(ordinal)].ptsUs;
    };
    auto estimate = [&](int64_t from, int64_t to) {
        const int64_t micros = std::max<int64_t>(0, timeOf(to) - (from == 0 ? index.startUs : timeOf(from)));
        return overhead.fixed + cost[size_t(to)] - cost[size_t(from)] + overhead.perSecond * micros / 1000000
               + overhead.perSecond;
    };
    const int64_t end = int64_t(packets.size());
    switch (request.by) {
    case SplitBy::Size: {
        if (request.size <= 0)
            throw ESplit(file + ": the segment size must be at least one byte");
        int64_t s = 0;
        while (estimate(s, end) > request.size) {
            auto it = std::upper_bound(cuts.begin(), cuts.end(), s);
            int64_t best = -1;
            for (; it != cuts.end() && estimate(s, *it) <= request.size; ++it)
                best = *it;
            if (best < 0) {
                const int64_t next = it == cuts.end() ? end : *it;
                throw ESplit(file + ": the key-frame interval at " + std::to_string((timeOf(s) - index.startUs) / 1000)
                             + " ms needs about " + std::to_string(estimate(s, next))
                             + " bytes, more than the segment size of " + std::to_string(request.size) + " bytes");
            }
            s = best;
            starts.push_back(s);
        }
        break;
    }
    case SplitBy::Count: {
        const int64_t total = cost[size_t(end)];
        for (int i = 1; i < request.count && !cuts.empty(); ++i) {
            const int64_t target = int64_t(double(total) * i / request.count);
            const int64_t best = NearestCut(cuts, target, [&](int64_t ordinal) { return cost[size_t(ordinal)]; });
            if (best > starts.back())
                starts.push_back(best);
        }
        break;
    }
    case SplitBy::Duration: {
        if (!(request.seconds > 0))
            throw ESplit(file + ": the segment duration must be above zero");
        size_t next = 0;
        for (int k = 1; double(k) * request.seconds * 1e6 < double(index.durationUs); ++k) {
            const int64_t t = index.startUs + llround(double(k) * request.seconds * 1e6);
            // Key frames come in time order: the last one at or before t.
            while (next < cuts.size() && packets[size_t(cuts[next])].ptsUs <= t)
                ++next;
            if (next > 0 && cuts[next - 1] > starts.back())
                starts.push_back(cuts[next - 1]);
        }
        break;
    }
    }
    return starts;
}

std::vector<int32_t> AssignSegments(const AvIndex &index, const std::vector<int64_t> &starts)
{
    std::vector<int64_t> cutTimes;
    for (size_t k = 1; k < starts.size(); ++k)
        cutTimes.push_back(index.packets[size_t(starts[k])].ptsUs);
    std::vector<int32_t> segmentOf(index.packets.size(), 0);
    int32_t byOrder = 0;
    for (size_t n = 0; n < index.packets.size(); ++n) {
        while (size_t(byOrder) + 1 < starts.size() && int64_t(n) >= starts[size_t(byOrder) + 1])
            ++byOrder;
        const AvPacket &p = index.packets[n];
        // Video goes by its order (its pictures are reordered); the other streams by their time,
        // so that sound and subtitles stay with the pictures they belong to.
        if (p.stream == index.videoStream || index.videoStream < 0 || p.ptsUs == AV_NOPTS_VALUE)
            segmentOf[n] = byOrder;
        else
            segmentOf[n] = int32_t(std::upper_bound(cutTimes.begin(), cutTimes.end(), p.ptsUs) - cutTimes.begin());
    }
    return segmentOf;
}

void WriteMovie(const std::string &file, const AvIndex &index, const std::vector<int64_t> &starts,
                SegmentSink &sink, SplitControl &control, SplitOutcome &outcome)
{
    Input in = OpenInput(file);
    const int streams = int(in->nb_streams);
    const size_t count = starts.size();
    const std::vector<int32_t> segmentOf = AssignSegments(index, starts);
    // Packets each segment still waits for, and the earliest decoding time in it, which becomes zero.
    std::vector<int64_t> left(count, 0);
    std::vector<int64_t> earliest(count, std::numeric_limits<int64_t>::max());
    for (size_t n = 0; n < segmentOf.size(); ++n) {
        const size_t seg = size_t(segmentOf[n]);
        ++left[seg];
        if (index.packets[n].dtsUs != AV_NOPTS_VALUE)
            earliest[seg] = std::min(earliest[seg], index.packets[n].dtsUs);
    }
    std::vector<std::unique_ptr<Segment>> open(count);
    std::vector<std::vector<int64_t>> shift(count);
    size_t opened = 0;
    Packet packet(av_packet_alloc());
    int64_t seen = 0;
    control.segments.store(int32_t(count));

    auto openUpTo = [&](size_t last) {
        for (; opened <= last; ++opened) {
            const int64_t zero = earliest[opened] == std::numeric_limits<int64_t>::max() ? 0 : earliest[opened];
            shift[opened].assign(size_t(streams), 0);
            for (int s = 0; s < streams; ++s)
                shift[opened][size_t(s)] = av_rescale_q_rnd(zero, AV_TIME_BASE_Q, in->streams[s]->time_base,
                                                            AVRounding(AV_ROUND_DOWN | AV_ROUND_PASS_MINMAX));
            const std::string name = sink.Open(int(opened));
            control.segment.store(int32_t(opened + 1));
            outcome.names.push_back(name);
            outcome.partial.push_back(name);
            open[opened] = std::make_unique<Segment>(name, in.get());
        }
    };
    auto finish = [&](size_t seg) {
        if (!open[seg])
            return;
        open[seg]->Finish();
        open[seg].reset();
        if (left[seg] == 0)
            outcome.partial.erase(std::remove(outcome.partial.begin(), outcome.partial.end(), outcome.names[seg]),
                              outcome.partial.end());
    };

    try {
        int64_t ordinal = 0;
        for (;;) {
            if (!control.Proceed()) {
                outcome.aborted = true;
                break;
            }
            const int rc = av_read_frame(in.get(), packet.get());
            if (rc == AVERROR_EOF)
                break;
            if (rc < 0)
                throw ESplit(file + ": " + AvError(rc));
            if (ordinal >= int64_t(index.packets.size())
                || index.packets[size_t(ordinal)].stream != packet->stream_index
                || index.packets[size_t(ordinal)].size != packet->size)
                throw ESplit(file + ": changed while it was being split");
            const size_t seg = size_t(segmentOf[size_t(ordinal)]);
            openUpTo(seg);
            const int s = packet->stream_index;
            if (s < streams && open[seg]) {
                if (packet->pts != AV_NOPTS_VALUE)
                    packet->pts -= shift[seg][size_t(s)];
                if (packet->dts != AV_NOPTS_VALUE)
                    packet->dts -= shift[seg][size_t(s)];
                av_packet_rescale_ts(packet.get(), in->streams[s]->time_base, open[seg]->Stream(s)->time_base);
                packet->pos = -1;
                open[seg]->Write(packet.get());
            }
            av_packet_unref(packet.get());
            if (--left[seg] == 0)
                finish(seg);
            ++ordinal;
            const int64_t at = avio_tell(in->pb);
            if (at > seen) {
                control.done.fetch_add(at - seen, std::memory_order_relaxed);
                seen = at;
            }
        }
        if (!outcome.aborted)
            for (size_t seg = 0; seg < opened; ++seg)
                if (open[seg] && left[seg] > 0)
                    throw ESplit(file + ": ended early");
        for (size_t seg = 0; seg < opened; ++seg)
            finish(seg);
    } catch (...) {
        // Keep what was written readable where the container allows it.
        for (size_t seg = 0; seg < opened; ++seg) {
            try {
                if (open[seg])
                    open[seg]->Finish();
            } catch (const ESplit &) {
            }
        }
        throw;
    }
}

} // namespace kbx
