#pragma once
// Small movies made with ffmpeg for the split tests, and what libavformat reads back from a file.

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

extern "C" {
#include <libavformat/avformat.h>
}

#include <string>
#include <vector>

namespace moviefixtures {

inline bool HaveFfmpeg() { return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty(); }

// An 8-second test picture with a sine tone, 1-second groups of pictures. `kind` is the extension:
// mkv, mp4 and ts hold H.264/AAC, avi MPEG-4/MP2, vob a PAL DVD program stream.
inline bool MakeMovie(const QString &path, const QString &kind)
{
    QStringList args{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                     QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("testsrc=size=160x120:rate=25:duration=8"),
                     QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("sine=frequency=440:duration=8")};
    if (kind == QLatin1String("vob"))
        args << QStringLiteral("-target") << QStringLiteral("pal-dvd") << QStringLiteral("-s")
             << QStringLiteral("352x288") << QStringLiteral("-g") << QStringLiteral("12");
    else if (kind == QLatin1String("avi"))
        args << QStringLiteral("-c:v") << QStringLiteral("mpeg4") << QStringLiteral("-g") << QStringLiteral("25")
             << QStringLiteral("-c:a") << QStringLiteral("mp2");
    else
        args << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset")
             << QStringLiteral("ultrafast") << QStringLiteral("-g") << QStringLiteral("25")
             << QStringLiteral("-c:a") << QStringLiteral("aac") << QStringLiteral("-b:a") << QStringLiteral("64k");
    args << path;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

// What a file holds, read with libavformat.
struct Probe
{
    bool opened = false;
    int streams = 0;
    std::vector<int> packets;       // per stream
    bool startsWithKeyFrame = false; // the first video packet is a key frame
    double start = 0, duration = 0; // seconds
};

inline Probe ProbeMovie(const QString &path)
{
    Probe p;
    AVFormatContext *in = nullptr;
    if (avformat_open_input(&in, path.toLocal8Bit().constData(), nullptr, nullptr) < 0)
        return p;
    if (avformat_find_stream_info(in, nullptr) < 0) {
        avformat_close_input(&in);
        return p;
    }
    p.opened = true;
    p.streams = int(in->nb_streams);
    p.packets.assign(in->nb_streams, 0);
    p.start = in->start_time == AV_NOPTS_VALUE ? 0 : double(in->start_time) / AV_TIME_BASE;
    p.duration = in->duration == AV_NOPTS_VALUE ? 0 : double(in->duration) / AV_TIME_BASE;
    AVPacket *packet = av_packet_alloc();
    bool firstVideo = true;
    while (av_read_frame(in, packet) >= 0) {
        if (packet->stream_index < int(in->nb_streams)) {
            ++p.packets[size_t(packet->stream_index)];
            if (firstVideo && in->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
                firstVideo = false;
                p.startsWithKeyFrame = packet->flags & AV_PKT_FLAG_KEY;
            }
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&in);
    return p;
}

} // namespace moviefixtures
