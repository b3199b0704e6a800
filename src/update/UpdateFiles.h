#pragma once

#include <QString>

#include <optional>

namespace veltroma {

// The program's own version, compared with the one the update server announces.
inline constexpr char currentversion[] = "1.00";

// Paths on the update server and names in the program folder.
inline constexpr char versionFileName[] = "Veltromamonitor.xml";
inline constexpr char packageFileName[] = "Veltromamonitor.rar";
inline constexpr char versionServerPath[] = "/Veltromamonitor.xml";
inline constexpr char packageServerPath[] = "/Veltromamonitor.rar";
// Where the package is kept on a system that cannot start it.
inline constexpr char updateFolderName[] = "Update";

// `folder` joined with `name`, with exactly one '/' between them.
QString pathInFolder(const QString& folder, const QString& name);

// The version the saved version file announces: the last four characters of its first
// 700 bytes (the file holds the server's whole response; the body ends in ";" and the
// four-character version). Empty optional: the file cannot be read.
std::optional<QString> readNeededVersion(const QString& versionFilePath);

// The announced version becomes part of a file name, so only digits around one dot pass.
bool isValidVersion(const QString& version);

// "Updatefile" + version + ".exe".
QString installerName(const QString& version);

} // namespace veltroma
