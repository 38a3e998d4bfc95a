#pragma once
// The process-wide flags of the window.
//
// ready: change and click handlers do nothing while it is clear; the program
//        clears it while it fills controls itself.
// activated: set at the first activation of the main window.
// accessLevel: 1 at start-up; 0 is the service level.
// configRead: a configuration was read; enables its writes and page.
// archivePresent: an archive was read or loaded; enables printing and saving.
// lampFlashing: the lamp flashes at every status change (true) or flashes once.

#include <QString>

namespace omi {

// The hint of an action, and the status, when an operation needs a device
// and none is known.
inline const QString kIdentifyFirst = QStringLiteral("сначала определите устройство");
// The same when the device has no archives ("у ЛОРС нет архивов").
QString NoArchivesText(int deviceType);

struct ShellFlags {
    bool ready = true;
    bool activated = false;
    int accessLevel = 1;
    bool configRead = false;
    bool archivePresent = false;
    bool lampFlashing = true;
};

ShellFlags& Flags();

// Clears the ready flag for its lifetime and restores the previous value.
class ReadyGuard {
public:
    ReadyGuard() : saved_(Flags().ready) { Flags().ready = false; }
    ~ReadyGuard() { Flags().ready = saved_; }
    ReadyGuard(const ReadyGuard&) = delete;
    ReadyGuard& operator=(const ReadyGuard&) = delete;

private:
    bool saved_;
};

}  // namespace omi
