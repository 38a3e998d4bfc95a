#pragma once
// Status reporting of core operations. The window binds a sink to its status
// line and lamp, the command-line program to stderr, tests to a recorder.

#include <QString>

namespace omi {

enum class StatusStyle { Busy, Ok, Error };

// The text as the status line shows it: busy and success texts carry the
// device prefix "<model> № <serial>: " while the current type is 128..237;
// error texts stand alone.
QString StatusText(StatusStyle style, const QString& text);

class StatusSink {
public:
    virtual ~StatusSink() = default;
    // shown is the text after StatusText (prefix applied).
    virtual void show(StatusStyle style, const QString& shown) = 0;
    virtual void progress(int position, int maximum) { (void)position; (void)maximum; }

    void busy(const QString& text) { show(StatusStyle::Busy, StatusText(StatusStyle::Busy, text)); }
    void ok(const QString& text) { show(StatusStyle::Ok, StatusText(StatusStyle::Ok, text)); }
    void error(const QString& text) { show(StatusStyle::Error, StatusText(StatusStyle::Error, text)); }
};

// A sink that drops everything.
class NullStatusSink : public StatusSink {
public:
    void show(StatusStyle, const QString&) override {}
};

}  // namespace omi
