#pragma once

#include <QByteArray>
#include <QString>
#include <QUrlQuery>

#include <optional>
#include <utility>
#include <vector>

namespace veltroma {

// A request of the web view as the server hands it on, once it has checked it: the method is
// GET or HEAD and the client is authorised.
struct WebRequest {
    QByteArray method;         // "GET" or "HEAD"; the server leaves out the body for HEAD
    QString path;              // decoded, e.g. "/api/v1/day"
    QUrlQuery query;
    QByteArray acceptLanguage; // the raw header; may be empty
    QByteArray lastEventId;    // the raw Last-Event-ID header; may be empty
};

// What the web view answers to a request.
struct WebResponse {
    int status = 200;
    QByteArray contentType; // e.g. "application/json", "text/html; charset=utf-8"
    QByteArray body;
    // Further headers, e.g. Content-Disposition or Cache-Control.
    std::vector<std::pair<QByteArray, QByteArray>> headers;
};

// One event of the live push (Server-Sent Events).
struct ServerSentEvent {
    std::optional<quint64> id; // a rising number; none for heartbeats
    QByteArray type;           // "reading", "link", "recording" or "heartbeat"
    QByteArray data;           // one line of compact JSON

    bool operator==(const ServerSentEvent&) const = default;
};

} // namespace veltroma
