#include "app/shell/Navigation.h"

namespace veltroma {

std::optional<ServiceAccess> ServiceAccessOf(ServiceEntry entry)
{
    const QString space = QStringLiteral(" ");
    switch (entry) {
    case ServiceEntry::GridParameters:
    case ServiceEntry::DisplayParameters:
        return ServiceAccess{space, QStringLiteral("lantern4")};
    case ServiceEntry::ManualTest:
        return ServiceAccess{space, QStringLiteral("lantern5")};
    case ServiceEntry::AutoTest:
        return ServiceAccess{QString(), QStringLiteral("lantern6")};
    }
    return std::nullopt;
}

} // namespace veltroma
