#pragma once

#include <QString>

namespace veltroma {

// The text of `key` in the active language file, read afresh on every call; a backslash
// followed by "n" becomes a line break; "Not found" when the key or the file is missing.
QString g_LoadString(const QString& key);

} // namespace veltroma
