#pragma once

#include <QString>

namespace veltroma {

// The text of `key` in the active language file, read afresh on every call; a backslash
// followed by "n" becomes a line break. A key missing from one of the program's own language
// files (or the whole file) comes from the copy the program carries; "Not found" when that
// has none either.
QString g_LoadString(const QString& key);

} // namespace veltroma
