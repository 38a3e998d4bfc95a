#pragma once
// Status reporting of core operations. The window binds a sink to its status
// line and lamp, the command-line program to stderr, tests to a recorder.

#include <QString>

#include "protocol/Frame.h"

namespace omi {

enum class StatusStyle { Busy, Ok, Error };

// The text as the status line shows it: busy and success texts carry the
// device prefix "<model> № <serial>: " while the device's type is 128..237;
// error texts stand alone, as do all texts without a device.
QString StatusText(StatusStyle style, const QString& text, const DeviceAddress* device);

class StatusSink {
public:
    virtual ~StatusSink() = default;
    // The device whose prefix the texts carry (the address a connection
    // holds, followed as it changes); null: none.
    void SetDevice(const DeviceAddress* device) { device_ = device; }
    const DeviceAddress* Device() const { return device_; }
    // shown is the text after StatusText (prefix applied).
    virtual void show(StatusStyle style, const QString& shown) = 0;
    virtual void progress(int position, int maximum) { (void)position; (void)maximum; }

    void busy(const QString& text) { show(StatusStyle::Busy, StatusText(StatusStyle::Busy, text, device_)); }
    void ok(const QString& text) { show(StatusStyle::Ok, StatusText(StatusStyle::Ok, text, device_)); }
    void error(const QString& text) { show(StatusStyle::Error, StatusText(StatusStyle::Error, text, device_)); }

private:
    const DeviceAddress* device_ = nullptr;
};

// A sink that drops everything.
class NullStatusSink : public StatusSink {
public:
    void show(StatusStyle, const QString&) override {}
};

}  // namespace omi
