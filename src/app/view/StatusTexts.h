#pragma once

#include <QString>

#include <functional>

namespace veltroma {

// The text of a key in the active language file, as g_LoadString gives it; injected, so that
// tests choose the language without touching the program folder.
using TextLookup = std::function<QString(const QString& key)>;

} // namespace veltroma
