#include "app/shell/Navigation.h"

namespace veltroma {

std::optional<ServiceAccess> ServiceAccessOf(NavAction action)
{
    switch (action) {
    case NavAction::ParameterManagement:
        return ServiceAccess{QStringLiteral(" "), QStringLiteral("lantern4")};
    case NavAction::AutoTest:
        return ServiceAccess{QString(), QStringLiteral("lantern6")};
    case NavAction::CommSettings:
    case NavAction::Help:
        break;
    }
    return std::nullopt;
}

} // namespace veltroma
