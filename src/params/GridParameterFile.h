#pragma once

#include "params/GridParameters.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace veltroma {

// The seven grid parameters as the dialog shows them ("250.0", "60", "47.50", ...), by row.
using GridTexts = std::array<QString, kGridParameterCount>;
// Some of the seven: a row without a value is left as it is.
using GridSelection = std::array<std::optional<QString>, kGridParameterCount>;

// The row of a parameter name ("Vac-max") as the dialog writes it, in any case.
[[nodiscard]] std::optional<std::size_t> gridParameterRow(QStringView name);

// A value given in a file or on the command line, in the row's format, or none when it is no
// plain number, lies outside the row's range, or has more decimals than the row shows.
// Unlike a typed grid entry nothing is held at a bound: a script gets what it asked for or
// an error.
[[nodiscard]] std::optional<QString> strictGridValue(const GridParameter& parameter,
                                                     QStringView text);
// The same without the range: a plain number with no more decimals than the row shows.
[[nodiscard]] std::optional<QString> plainGridValue(const GridParameter& parameter,
                                                    QStringView text);

// The ordering rule the inverter's protection needs on top of the ranges: Vac-min below
// Vac-max and f-min below f-max. One localized line per broken pair, naming both rows.
[[nodiscard]] QStringList consistencyProblems(const GridTexts& texts);
// The same for some of the rows: a pair with a side missing is not judged.
[[nodiscard]] QStringList consistencyProblems(const GridSelection& values);

// A parameter file: "Name=Value" lines in any order, names in any case, "#" starts a comment
// line, blank lines and CR line ends are allowed. Every problem is found, not only the first;
// a file that sets nothing is one. With other problems, values outside their ranges are among
// them too, so that one pass shows everything to mend.
//
// A value outside its row's range is kept apart: an inverter may hold such a value (its
// factory f-max lies above the range the dialog allows), and a backup of it must restore.
// Such a value is accepted only where the inverter holds it already, so it is never written.
struct ParameterFileContents {
    GridSelection values;
    QStringList problems;  // "line 3: ..." in English; empty when the file is good
    std::array<QString, kGridParameterCount> outOfRange;  // per row: its problem, or empty
};
[[nodiscard]] ParameterFileContents parseParameterFile(const QByteArray& content);

// The problems of out-of-range values that differ from what the inverter holds.
[[nodiscard]] QStringList rangeProblems(const ParameterFileContents& contents,
                                        const GridTexts& present);

// The backup of what an inverter held: a comment line with its serial number (or
// "unknown") and the time, then the seven "Name=Value" lines in the grid's order.
[[nodiscard]] QByteArray formatParameterFile(const GridTexts& texts, const QString& serialNumber,
                                             const QDateTime& time);

// Where a backup of the inverter with bus address `address` taken at `time` goes:
// <programFolder>Data/Inverter<address>/parameters-YYYYMMDD-HHMMSS.txt.
[[nodiscard]] QString backupPath(const QString& programFolder, int address, const QDateTime& time);

// Writes a backup file (0600), creating its folder (0700): the path written, or none when it
// could not be written whole.
[[nodiscard]] std::optional<QString> writeBackup(const QString& programFolder, int address,
                                                 const GridTexts& texts,
                                                 const QString& serialNumber,
                                                 const QDateTime& time);

} // namespace veltroma
