// The response imitation of the exchange engine.

#include "families/Imitation.h"

#include <cmath>
#include <map>

#include "families/DeviceFamily.h"
#include "families/RandNorm.h"
#include "families/U128.h"
#include "protocol/Exchange.h"

namespace omi {

namespace {

const std::map<int, StateImitator>& imitators() {
    static const std::map<int, StateImitator> table = [] {
        std::map<int, StateImitator> generators;
        for (const DeviceModel& model : DeviceModels())
            if (model.family->imitateState) generators.emplace(model.type, model.family->imitateState);
        return generators;
    }();
    return table;
}

// Copies bytes 1..4 (device type, serial number, command) from the request
// and sets the check byte. Frames shorter than 6 bytes are left alone.
void finish(const Frame& request, Frame& answer) {
    if (answer.size() < static_cast<std::size_t>(kMinFrame) || request.size() < 5) return;
    for (int i = 1; i <= 4; ++i) answer[static_cast<std::size_t>(i)] = request[static_cast<std::size_t>(i)];
    answer.back() = FrameCheckByte(answer.data(), answer.size() - 1);
}

// Length and top value (exclusive) of the random answers; length -1: the
// caller's frame keeps its length.
struct RandomShape {
    int length;
    int values;
};

RandomShape randomShape(int command, int type) {
    const DeviceFamily* family = FamilyFor(type);
    switch (command) {
        case cmd::ArchiveRecord:
            return {family ? family->randomArchiveLength : -1, 80};
        case cmd::ReadConfig:
            return {family ? family->randomConfigLength : -1, 85};
        default:  // change log
            return {46, 80};
    }
}

void randomAnswer(const Frame& request, Frame& response, int type) {
    const RandomShape shape = randomShape(request[4], type);
    if (shape.length > 0) {
        response.assign(static_cast<std::size_t>(shape.length), 0);
        response[0] = static_cast<std::uint8_t>(shape.length);
    }
    if (response.size() < static_cast<std::size_t>(kMinFrame)) return;
    for (std::size_t i = 5; i + 1 < response.size(); ++i)
        response[i] = static_cast<std::uint8_t>(RandInt(shape.values));
    finish(request, response);
}

// The spread of a measured calibration value around its reference.
constexpr double kCalibrationSpread = 23.0 / 27.0;

// Draws a measured value around the reference at refOffset of the request,
// stores it at offset of the answer and tells whether it deviates by more
// than 1 (as the stored single reads).
bool measure(const Frame& request, int refOffset, Frame& answer, int offset) {
    const double reference = GetS(request, refOffset);
    PutS(RandNorm(reference, kCalibrationSpread), answer, offset);
    return std::fabs(GetS(answer, offset) - reference) > 1.0;
}

// Result 1 (write-enable jumper open) on one draw in ten when calibrated.
void jumperRule(Frame& answer) {
    if (answer[5] == 0 && RandUniform() > 0.9) answer[5] = 1;
}

void dispatch(const Frame& request, Frame& response, const ImitationPause& wait) {
    if (request.size() < 5) return;
    const int type = request[1];  // the device the request addresses
    switch (request[4]) {
        case cmd::State: {
            auto it = imitators().find(type);
            if (it == imitators().end() || !it->second) return;
            Frame answer = it->second(request);
            if (answer.size() < static_cast<std::size_t>(kMinFrame)) return;
            finish(request, answer);
            response = std::move(answer);
            return;
        }
        case cmd::LorsWriteConfig: {
            if (type != u128::kType) return;
            Frame answer = u128::ImitState(request).frame;
            if (answer.size() < static_cast<std::size_t>(kMinFrame)) return;
            finish(request, answer);
            response = std::move(answer);
            return;
        }
        case cmd::ClearArchives:
            response = WriteAcknowledgement(request);
            return;
        case cmd::Calibration:
            response = CalibrationAnswer(request, type);
            wait(RandInt(1001));
            return;
        case cmd::ArchiveRecord:
        case cmd::ReadConfig:
        case cmd::ChangeLog:
            randomAnswer(request, response, type);
            return;
        default:
            return;
    }
}

}  // namespace

Frame WriteAcknowledgement(const Frame& request) {
    auto at = [&](std::size_t i) -> std::uint8_t { return i < request.size() ? request[i] : 0; };
    Frame f{6, at(1), at(5), at(6), at(4), 0};
    if (RandUniform() > 0.5) {
        f[2] = at(2);
        f[3] = at(3);
    }
    f[5] = FrameCheckByte(f.data(), 5);
    return f;
}

Frame CalibrationAnswer(const Frame& request, int type) {
    Frame answer = request;
    const std::size_t n = request.size();
    if (n < 5) return answer;
    // The imitation answers the calibration of the families it imitates.
    const DeviceFamily* family = FamilyFor(type);
    const CalibrationForm form = family && family->imitateState ? family->calibration : CalibrationForm::None;
    if (form == CalibrationForm::TwoPoints && !family->resultByte) {
        // No result byte: the measured values stand where the point code and
        // references were, one byte earlier.
        if (n >= 15) {
            answer.resize(n - 1);
            answer[0] = static_cast<std::uint8_t>(n - 1);
            measure(request, 6, answer, 5);
            measure(request, 10, answer, 9);
        }
    } else if (form == CalibrationForm::TwoPoints) {
        if (n >= 15) {
            answer[5] = 0;
            if (measure(request, 6, answer, 6)) answer[5] = 2;
            if (measure(request, 10, answer, 10)) answer[5] = 3;
            jumperRule(answer);
        }
    } else if (form == CalibrationForm::PerSystem && n >= 6) {
        if (request[5] > 1) {  // pressure channel
            if (n >= 11) {
                answer[5] = 0;
                if (measure(request, 6, answer, 6)) answer[5] = 2;
                jumperRule(answer);
            }
        } else if (n >= 23) {
            answer[5] = 0;
            for (int i = 0; i < 4; ++i)
                if (measure(request, 6 + 4 * i, answer, 6 + 4 * i)) answer[5] = static_cast<std::uint8_t>(2 + i);
            jumperRule(answer);
        }
    }
    if (answer.size() >= 2) answer.back() = FrameCheckByte(answer.data(), answer.size() - 1);
    return answer;
}

void ImitationAnswer(const Frame& request, Frame& response, const ImitationPause& pause) {
    dispatch(request, response, pause ? pause : ImitationPause([](int ms) { Pause(ms); }));
}

void InstallImitation(ExchangeEngine& engine, ImitationPause pause) {
    ExchangeEngine* e = &engine;
    if (!pause) pause = [e](int ms) { e->Pause(ms); };
    engine.SetImitationHandler(
        [pause = std::move(pause)](const Frame& request, Frame& response) { dispatch(request, response, pause); });
}

}  // namespace omi
