#include "access/AccessRule.h"

#include "base/Prompt.h"
#include "config/Strings.h"

namespace veltroma {

namespace {

// The three codes compiled into the program.
QString FirstCode()
{
    return QStringLiteral("lantern4");
}

QString SecondCode()
{
    return QStringLiteral("lantern5");
}

QString ThirdCode()
{
    return QStringLiteral("lantern6");
}

} // namespace

AccessPoint accessPoint(AccessEntry entry)
{
    const QString space = QStringLiteral(" ");
    switch (entry) {
    case AccessEntry::ParameterRocker:
    case AccessEntry::DisplayParameters:
        return {space, FirstCode()};
    case AccessEntry::TestButton:
    case AccessEntry::HiddenLedSwitch:
        return {space, SecondCode()};
    case AccessEntry::AutoTest:
        return {QString(), ThirdCode()};
    }
    return {space, FirstCode()};
}

bool CodeOpens(AccessEntry entry, const std::optional<QString>& entered)
{
    return entered.has_value() && *entered == accessPoint(entry).code;
}

bool PasswordDisplay(Prompt& prompt, AccessEntry entry, const std::function<void()>& openTarget)
{
    const std::optional<QString> entered = prompt.password(accessPoint(entry).prefill);
    // Cancel is the user changing their mind, not a wrong code: the prompt just closes.
    if (!entered)
        return false;
    if (!CodeOpens(entry, entered)) {
        prompt.message(g_LoadString(QStringLiteral("IDC_PASSWORDERROR")));
        return false;
    }
    if (openTarget)
        openTarget();
    return true;
}

} // namespace veltroma
