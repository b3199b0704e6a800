#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace veltroma {

class Prompt;

// The places from which a service dialog can be reached; each accepts only its own code.
enum class AccessEntry {
    ParameterRocker,   // a rocker switch of the monitor form: grid protection parameters
    TestButton,        // the monitor form's "Test" button: manual test dialog
    HiddenLedSwitch,   // the monitor form's hidden LED switch 8: manual test dialog
    DisplayParameters, // navigation bar, parameter management 2: display parameters
    AutoTest,          // navigation bar, auto test: test view
};

// What the access-code prompt of an entry starts with, and the code that opens it.
struct AccessPoint {
    QString prefill;
    QString code;
};

[[nodiscard]] AccessPoint accessPoint(AccessEntry entry);

// True when the prompt was confirmed with exactly the entry's code: whole text, case
// sensitive, nothing trimmed. A cancelled prompt (no text) never opens.
[[nodiscard]] bool CodeOpens(AccessEntry entry, const std::optional<QString>& entered);

// The access rule of every entry point: asks for the code with the entry's pre-fill; the
// right code runs `openTarget` (which shows the service dialog and returns when it has
// closed), a wrong one shows the localized "password not correct" message, and a cancelled
// prompt ends the try without a word. True when the target ran. Every try is independent:
// no lock-out, no count.
bool PasswordDisplay(Prompt& prompt, AccessEntry entry, const std::function<void()>& openTarget);

} // namespace veltroma
