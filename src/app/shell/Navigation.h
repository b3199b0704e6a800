#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace veltroma {

// What an entry of the main window's navigation bar does.
enum class NavAction { CommSettings, Help, ParameterManagement, AutoTest };

// The folders carry these data values; the actions go by the selected folder's value and the
// clicked item's index.
inline constexpr std::uint32_t kSystemFolderData = 0;
inline constexpr std::uint32_t kInverterFolderData = 1;

struct NavFolder {
    const char* captionKey;
    std::uint32_t data;
};

struct NavItem {
    int folder;
    const char* captionKey;
    int image; // index into the navigation pictures
};

inline constexpr std::array<NavFolder, 2> kNavFolders{{
    {"IDC_SYSTEMBAR", kSystemFolderData},
    {"IDC_INVERTERBAR", kInverterFolderData},
}};

inline constexpr std::array<NavItem, 4> kNavItems{{
    {0, "IDC_SETTING", 1},
    {0, "IDC_HELP", 3},
    {1, "IDC_PARAMETERMANAGE2", 4},
    {1, "IDC_AUTOTEST", 5},
}};

// The action of item `item` in a folder with data `folderData`; none for anything else.
[[nodiscard]] constexpr std::optional<NavAction> NavigationAction(std::uint32_t folderData, int item)
{
    if (folderData == kSystemFolderData && item == 0)
        return NavAction::CommSettings;
    if (folderData == kSystemFolderData && item == 1)
        return NavAction::Help;
    if (folderData == kInverterFolderData && item == 0)
        return NavAction::ParameterManagement;
    if (folderData == kInverterFolderData && item == 1)
        return NavAction::AutoTest;
    return std::nullopt;
}

} // namespace veltroma
