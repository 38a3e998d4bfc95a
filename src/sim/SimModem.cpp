#include "SimModem.h"

#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace omi {

namespace {

struct ReplyName {
    const char* name;
    SimModemReply reply;
    const char* text;  // the result of the dial; nullptr: none
};

constexpr ReplyName kReplies[] = {
    {"connect", SimModemReply::Connect, "CONNECT 9600"},
    {"busy", SimModemReply::Busy, "BUSY"},
    {"no-carrier", SimModemReply::NoCarrier, "NO CARRIER"},
    {"no-dialtone", SimModemReply::NoDialtone, "NO DIALTONE"},
    {"silent", SimModemReply::Silent, nullptr},
};

const QByteArray kConnect("CONNECT 9600");
const QByteArray kNoCarrier("NO CARRIER");
const QByteArray kEscape("+++");

// A modem's command buffer holds a line of this length; more is an error.
constexpr qsizetype kMaxCommand = 255;

bool printable(const QByteArray& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

}  // namespace

QStringList SimModemReplyNames() {
    QStringList names;
    for (const ReplyName& r : kReplies) names << QString::fromLatin1(r.name);
    return names;
}

std::optional<SimModemReply> SimModemReplyFromName(const QString& name) {
    for (const ReplyName& r : kReplies) {
        if (name.trimmed().compare(QLatin1String(r.name), Qt::CaseInsensitive) == 0) return r.reply;
    }
    return std::nullopt;
}

SimModem::SimModem(SimLine& line, SimModemSettings settings, Sink sink, QObject* parent)
    : QObject(parent), line_(line), settings_(settings), sink_(std::move(sink)) {
    dialTimer_.setSingleShot(true);
    connect(&dialTimer_, &QTimer::timeout, this, &SimModem::dialDone);
    connect(&line_, &SimLine::AnswerWritten, this, &SimModem::answerWritten);
}

void SimModem::Receive(const QByteArray& bytes) {
    if (bytes.isEmpty()) return;
    if (state_ == State::Data) {
        if (bytes == kEscape && !line_.ReceivingRequest())
            escape();
        else
            line_.Receive(bytes);
        return;
    }
    // The escape of a hang-up sent while the modem is already in command
    // mode: there is nothing to escape from, and kept as text it would turn
    // the next dial's opening carriage return into an ERROR.
    if (state_ == State::Command && bytes == kEscape && command_.isEmpty()) return;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        // ATO or a connected dial earlier in the same piece: the rest is data.
        if (state_ == State::Data) {
            line_.Receive(bytes.mid(i));
            return;
        }
        const char c = bytes[i];
        if (c == '\n') continue;
        if (state_ == State::Dialing) {
            abortDial();  // like a key pressed during a dial; the byte itself is lost
            continue;
        }
        if (c != '\r') {
            if (command_.size() < kMaxCommand)
                command_ += c;
            else
                overflow_ = true;
            continue;
        }
        commandLine(std::exchange(command_, {}), std::exchange(overflow_, false));
    }
}

void SimModem::commandLine(const QByteArray& text, bool overflow) {
    if (!printable(text)) return;  // line noise: no echo, no answer
    sink_(text + '\r');
    if (text.isEmpty()) return;
    log("modem> ", text);
    QByteArray command = text.toUpper();
    command.replace(' ', QByteArray());
    if (overflow || !command.startsWith("AT")) {
        result("ERROR");
        return;
    }
    const QByteArray rest = command.mid(2);
    if (rest.startsWith('D')) {
        dial(rest.mid(1));
        return;
    }
    if (rest == "O" || rest == "O0") {
        if (!connected_) {
            result(kNoCarrier);
            return;
        }
        result(kConnect);
        state_ = State::Data;
        return;
    }
    if (rest == "H" || rest == "H0" || rest == "Z") connected_ = false;
    result("OK");
}

void SimModem::dial(const QByteArray& number) {
    // Tone or pulse, then digits with waits for a dial tone (W) and pauses (,).
    static const QRegularExpression form(QStringLiteral("^[TP]?[0-9W,*#-]*[0-9][0-9W,*#-]*$"));
    if (!form.match(QString::fromLatin1(number)).hasMatch()) {
        result("ERROR");
        return;
    }
    connected_ = false;  // a new dial replaces a connection still held
    state_ = State::Dialing;
    dialTimer_.start(settings_.dialMs);
}

void SimModem::dialDone() {
    state_ = State::Command;
    for (const ReplyName& r : kReplies) {
        if (r.reply != settings_.reply) continue;
        if (r.text) result(r.text);
        else log("modem< ", "(no answer)");
    }
    if (settings_.reply != SimModemReply::Connect) return;
    connected_ = true;
    answers_ = 0;
    state_ = State::Data;
}

void SimModem::abortDial() {
    dialTimer_.stop();
    state_ = State::Command;
    result(kNoCarrier);
}

void SimModem::escape() {
    line_.Reset();
    state_ = State::Command;
    log("modem> ", kEscape);
    result("OK");
}

void SimModem::answerWritten() {
    if (state_ != State::Data) return;
    ++answers_;
    if (settings_.dropAfter <= 0 || answers_ < settings_.dropAfter) return;
    line_.Reset();
    connected_ = false;
    state_ = State::Command;
    result(kNoCarrier);
}

void SimModem::result(const QByteArray& text) {
    log("modem< ", text);
    sink_("\r\n" + text + "\r\n");
}

void SimModem::log(const QByteArray& prefix, const QByteArray& text) { line_.Responder().LogText(prefix + text); }

}  // namespace omi
