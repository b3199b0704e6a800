#include "app/view/StatusLine.h"

#include "monitor/EngineEvents.h"

#include <QFileInfo>

namespace veltroma {

namespace {

QString clockTime(const QDateTime& t)
{
    return t.toString(QStringLiteral("HH:mm:ss"));
}

// Today's times alone; older ones with their date, so "since" never misleads after midnight.
QString since(const QDateTime& t, const QDateTime& now)
{
    return t.date() == now.date() ? clockTime(t) : t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

QString noticeText(const RecordingNotice& n, TextLanguage l)
{
    switch (n.kind) {
    case RecordingNotice::Kind::KeptAside:
        return pickText(l, "%1 was unreadable, kept as %2", "%1 无法读取，已保留为 %2")
            .arg(fileName(n.file), fileName(n.detail));
    case RecordingNotice::Kind::CopiedIn:
        return pickText(l, "its rows were copied into the new %1", "其数据已复制到新的 %1").arg(fileName(n.file));
    case RecordingNotice::Kind::OfficeLock:
        return pickText(l, "%1 is open in an office program: saving it there would overwrite new rows",
                        "%1 已在办公软件中打开：在其中保存会覆盖新记录的数据")
            .arg(fileName(n.file));
    case RecordingNotice::Kind::BacklogFull:
        return pickText(l, "%1 kept rows dropped", "已丢弃 %1 行暂存数据").arg(n.detail);
    }
    return {};
}

} // namespace

StatusLine::StatusLine(WallClock now, QObject* parent) : QObject(parent), now_(std::move(now)) {}

void StatusLine::listenTo(EngineEvents& events)
{
    connect(&events, &EngineEvents::realtimeDecoded, this, [this] { replyCame(); });
    connect(&events, &EngineEvents::linkLost, this, &StatusLine::linkLost);
    connect(&events, &EngineEvents::linkBack, this, &StatusLine::linkBack);
    connect(&events, &EngineEvents::recordingState, this, &StatusLine::recording);
}

void StatusLine::refresh(const QString& port, bool connected, const LinkCounters& counters)
{
    port_ = port;
    counters_ = counters;
    if (connected_ && !connected) {
        // Switched off: the next connection starts from "waiting" again.
        alive_ = false;
        lostSince_ = {};
    }
    connected_ = connected;
}

void StatusLine::replyCame()
{
    // A reply queued before the loss was declared must not hide the loss.
    if (lostSince_.isValid())
        return;
    alive_ = true;
}

void StatusLine::linkLost(const QString& reason)
{
    alive_ = false;
    lostSince_ = now_();
    lostReason_ = reason;
}

void StatusLine::linkBack()
{
    alive_ = true;
    lostSince_ = {};
    lostReason_.clear();
}

void StatusLine::recording(const RecordingState& state)
{
    recording_ = state;
    if (!state.notices.empty())
        notice_ = state.notices.back();
}

QString StatusLine::linkText(TextLanguage l) const
{
    QString text = port_.isEmpty() ? pickText(l, "No port", "无端口") : port_;
    text += QStringLiteral(" · ");
    if (!connected_)
        text += pickText(l, "not connected", "未连接");
    else if (lostSince_.isValid())
        text += pickText(l, "link lost since %1 (%2)", "通讯中断，自 %1（%2）")
                    .arg(since(lostSince_, now_()), lostReason_);
    else if (alive_)
        text += pickText(l, "link alive", "通讯正常");
    else
        text += pickText(l, "waiting for the inverter", "等待逆变器应答");
    if (!counters_.lastError.isEmpty())
        text += QStringLiteral(" · ") + pickText(l, "last error %1 at %2", "最近错误：%1（%2）")
                                           .arg(counters_.lastError, since(counters_.lastErrorTime, now_()));
    return text;
}

QString StatusLine::recordingText(TextLanguage l) const
{
    QString text;
    if (!recording_)
        text = pickText(l, "no row recorded yet", "尚未记录数据");
    else if (recording_->failing)
        text = pickText(l, "Recording failed: %1", "记录失败：%1").arg(recording_->reason);
    else if (recording_->lastRowAt.isValid())
        text = pickText(l, "last row recorded %1", "最近记录 %1").arg(since(recording_->lastRowAt, now_()));
    else
        text = pickText(l, "no row recorded yet", "尚未记录数据");
    if (recording_ && recording_->keptRows > 0)
        text += QStringLiteral(" · ") +
                pickText(l, "%1 rows kept in memory", "%1 行暂存于内存").arg(recording_->keptRows);
    if (notice_)
        text += QStringLiteral(" · ") + noticeText(*notice_, l);
    return text;
}

QString StatusLine::text(TextLanguage language) const
{
    return linkText(language) + QStringLiteral("  |  ") + recordingText(language);
}

} // namespace veltroma
