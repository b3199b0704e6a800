#pragma once

#include <cstdint>

// Record types and limits of the BIFF8 workbook stream.
namespace veltroma::biff {

inline constexpr long kMaxRecordData = 8224;

inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kPrecision = 0x000E;
inline constexpr std::uint16_t kProtect = 0x0012;
inline constexpr std::uint16_t kPassword = 0x0013;
inline constexpr std::uint16_t kNote = 0x001C;
inline constexpr std::uint16_t kWindowProtect = 0x0019;
inline constexpr std::uint16_t kDateMode = 0x0022;
inline constexpr std::uint16_t kFilePass = 0x002F;
inline constexpr std::uint16_t kFont = 0x0031;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kWindow1 = 0x003D;
inline constexpr std::uint16_t kBackup = 0x0040;
inline constexpr std::uint16_t kCodePage = 0x0042;
inline constexpr std::uint16_t kDefColWidth = 0x0055;
inline constexpr std::uint16_t kWriteAccess = 0x005C;
inline constexpr std::uint16_t kObj = 0x005D;
inline constexpr std::uint16_t kColInfo = 0x007D;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kCountry = 0x008C;
inline constexpr std::uint16_t kHideObj = 0x008D;
inline constexpr std::uint16_t kFnGroupCount = 0x009C;
inline constexpr std::uint16_t kMms = 0x00C1;
inline constexpr std::uint16_t kMulRk = 0x00BD;
inline constexpr std::uint16_t kMulBlank = 0x00BE;
inline constexpr std::uint16_t kBookBool = 0x00DA;
inline constexpr std::uint16_t kXf = 0x00E0;
inline constexpr std::uint16_t kInterfaceHdr = 0x00E1;
inline constexpr std::uint16_t kInterfaceEnd = 0x00E2;
inline constexpr std::uint16_t kMergedCells = 0x00E5;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kLabelSst = 0x00FD;
inline constexpr std::uint16_t kExtSst = 0x00FF;
inline constexpr std::uint16_t kTabId = 0x013D;
inline constexpr std::uint16_t kUsesElfs = 0x0160;
inline constexpr std::uint16_t kDsf = 0x0161;
inline constexpr std::uint16_t kProt4Rev = 0x01AF;
inline constexpr std::uint16_t kRefreshAll = 0x01B7;
inline constexpr std::uint16_t kProt4RevPass = 0x01BC;
inline constexpr std::uint16_t kDimensions = 0x0200;
inline constexpr std::uint16_t kBlank = 0x0201;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kBoolErr = 0x0205;
inline constexpr std::uint16_t kString = 0x0207;
inline constexpr std::uint16_t kWindow2 = 0x023E;
inline constexpr std::uint16_t kRk = 0x027E;
inline constexpr std::uint16_t kStyle = 0x0293;
inline constexpr std::uint16_t kFormat = 0x041E;
inline constexpr std::uint16_t kBof = 0x0809;

inline constexpr std::uint16_t kBiff8 = 0x0600;
inline constexpr std::uint16_t kGlobalsSubstream = 0x0005;
inline constexpr std::uint16_t kWorksheetSubstream = 0x0010;

} // namespace veltroma::biff
