#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace veltroma {

// The files the program carries inside itself, by numeric id (Qt resources ":/embedded/<id>"):
// the twelve language files 61 to 72, the default settings file and the record template.
inline constexpr int kDefaultSettingsFileId = 73;
inline constexpr int kRecordTemplateFileId = 112;

[[nodiscard]] std::optional<QByteArray> embeddedFile(int id);

// Writes embedded file `id` to `path`, replacing the file in one step so that a crash never
// leaves half a file; the file is 0600 (see base/PrivateFiles.h). False when the program does not carry the file or it cannot be
// written (the file keeps what it had).
bool MakeResource(int id, const QString& path);

} // namespace veltroma
