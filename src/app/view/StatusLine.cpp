#include "app/view/StatusLine.h"

#include "monitor/EngineEvents.h"

#include <QFileInfo>
#include <QHash>

#include <memory>

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

QString noticeText(const RecordingNotice& n, const TextLookup& tr)
{
    switch (n.kind) {
    case RecordingNotice::Kind::KeptAside:
        return tr(QStringLiteral("IDC_STATUS_KEPTASIDE")).arg(fileName(n.file), fileName(n.detail));
    case RecordingNotice::Kind::CopiedIn:
        return tr(QStringLiteral("IDC_STATUS_COPIEDIN")).arg(fileName(n.file));
    case RecordingNotice::Kind::OfficeLock:
        return tr(QStringLiteral("IDC_STATUS_OFFICELOCK")).arg(fileName(n.file));
    case RecordingNotice::Kind::BacklogFull:
        return tr(QStringLiteral("IDC_STATUS_ROWSDROPPED")).arg(n.detail);
    }
    return {};
}

} // namespace

StatusLine::StatusLine(TextLookup texts, WallClock now, QObject* parent)
    : QObject(parent),
      remembered_([texts = std::move(texts), words = std::make_shared<QHash<QString, QString>>()](
                      const QString& key) {
          auto word = words->constFind(key);
          if (word == words->cend())
              word = words->insert(key, texts(key));
          return *word;
      }),
      now_(std::move(now))
{
}

void StatusLine::listenTo(EngineEvents& events)
{
    connect(&events, &EngineEvents::recordingState, this, &StatusLine::recording,
            Qt::QueuedConnection);
}

void StatusLine::refresh(const QString& port, bool connected, const LinkState& link,
                         const LinkCounters& counters)
{
    port_ = port;
    connected_ = connected;
    link_ = link;
    counters_ = counters;
}

void StatusLine::recording(const RecordingState& state)
{
    recording_ = state;
    if (!state.notices.empty())
        notice_ = state.notices.back();
}

QString StatusLine::linkText(const TextLookup& tr) const
{
    QString text = port_.isEmpty() ? tr(QStringLiteral("IDC_STATUS_NOPORT")) : port_;
    text += QStringLiteral(" · ");
    if (!connected_ || link_.kind == LinkState::Kind::Off)
        text += tr(QStringLiteral("IDC_STATUS_NOTCONNECTED"));
    else if (link_.lost())
        text += tr(QStringLiteral("IDC_STATUS_LINKLOST")).arg(since(link_.lostSince, now_()), link_.reason);
    else if (link_.kind == LinkState::Kind::Alive)
        text += tr(QStringLiteral("IDC_STATUS_LINKALIVE"));
    else
        text += tr(QStringLiteral("IDC_STATUS_WAITING"));
    if (!counters_.lastError.isEmpty())
        text += QStringLiteral(" · ") + tr(QStringLiteral("IDC_STATUS_LASTERROR"))
                                           .arg(counters_.lastError, since(counters_.lastErrorTime, now_()));
    return text;
}

QString StatusLine::recordingText(const TextLookup& tr) const
{
    QString text;
    if (recording_ && recording_->failing)
        text = tr(QStringLiteral("IDC_STATUS_RECORDFAILED")).arg(recording_->reason);
    else if (recording_ && recording_->lastRowAt.isValid())
        text = tr(QStringLiteral("IDC_STATUS_LASTROW")).arg(since(recording_->lastRowAt, now_()));
    else
        text = tr(QStringLiteral("IDC_STATUS_NOROW"));
    if (recording_ && recording_->keptRows > 0)
        text += QStringLiteral(" · ") + tr(QStringLiteral("IDC_STATUS_KEPTROWS")).arg(recording_->keptRows);
    if (notice_)
        text += QStringLiteral(" · ") + noticeText(*notice_, tr);
    return text;
}

QString StatusLine::text() const
{
    return text(remembered_);
}

QString StatusLine::text(const TextLookup& tr) const
{
    QString line = linkText(tr) + QStringLiteral("  |  ") + recordingText(tr);
    if (severalAnswering_)
        line += QStringLiteral("  |  ") + tr(QStringLiteral("IDC_STATUS_SEVERALANSWERING"));
    return line;
}

} // namespace veltroma
