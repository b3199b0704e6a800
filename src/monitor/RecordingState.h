#pragma once

#include <QDateTime>
#include <QString>

#include <vector>

namespace veltroma {

// Something about the month files that the user should hear once, beside the state itself.
struct RecordingNotice {
    enum class Kind {
        KeptAside,     // an unreadable month file was renamed; `detail` is its new path
        CopiedIn,      // ...and its cover and rows were copied into the new file
        OfficeLock,    // an office program holds the file open; `detail` is its lock file
        BacklogFull,   // rows kept in memory overflowed; `detail` is how many were dropped
    };
    Kind kind;
    QString file;
    QString detail;

    bool operator==(const RecordingNotice&) const = default;
};

// Where recording stands after a record event: the last row written, or the failure that
// keeps rows waiting in memory.
struct RecordingState {
    bool failing = false;
    QString failedFile;       // the month file that could not be written
    QString reason;           // why, in the words of the layer that failed
    QDateTime lastRowAt;      // the reply time of the newest row on disk; invalid before one
    int keptRows = 0;         // rows waiting for the next successful save
    // What happened in this event that the user should hear of once.
    std::vector<RecordingNotice> notices;
};

} // namespace veltroma
